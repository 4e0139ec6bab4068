uniform sampler2D ColorTexture;
uniform sampler2D Mask;
uniform float Sharpness;

void shader() {
    float shown = clamp((vxr_Color.a - texture2D(Mask, vxr_Texcoord0).r) * Sharpness, 0.0, 1.0);
    gl_FragColor = texture2D(ColorTexture, vxr_Texcoord0) * shown;
}
