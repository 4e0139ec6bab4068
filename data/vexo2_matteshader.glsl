uniform sampler2D ColorTexture;
uniform vec4 AmbientColor;
uniform float Roughness;

void shader() {
    vxr_Diffuse = texture2D(ColorTexture, vxr_Texcoord0) * vxr_Color;
    vxr_Ambient = AmbientColor;
    vxr_Roughness = Roughness;
}
