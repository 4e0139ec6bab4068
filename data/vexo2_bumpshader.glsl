uniform sampler2D ColorTexture;
uniform sampler2D SpecularTexture;
uniform sampler2D NormalTexture;
uniform vec4 AmbientColor;
uniform float Roughness;

void shader() {
    vxr_Diffuse = texture2D(ColorTexture, vxr_Texcoord0) * vxr_Color;
    vxr_Specular = texture2D(SpecularTexture, vxr_Texcoord0) * vxr_Color.a;
    vec2 bump = texture2D(NormalTexture, vxr_Texcoord0).xy * 2.0 - 1.0;
    vxr_Normal = vec3(bump, sqrt(max(1.0 - dot(bump, bump), 0.0)));
    vxr_Ambient = AmbientColor;
    vxr_Roughness = Roughness;
}
