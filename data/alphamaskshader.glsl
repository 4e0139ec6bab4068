uniform sampler2D ColorTexture;
uniform float Sharpness;

void shader() {
    vec4 texel = texture2D(ColorTexture, vxr_Texcoord0);
    vec3 straight = texel.rgb / max(texel.a, 0.00390625);
    float shown = clamp((texel.a - (1.0 - vxr_Color.a)) * Sharpness, 0.0, 1.0);
    gl_FragColor = vec4(straight, 1.0) * shown;
}
