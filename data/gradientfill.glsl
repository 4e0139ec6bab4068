uniform sampler2D ColorTexture;
uniform sampler2D GradientTexture;

void shader() {
    float grey = texture2D(ColorTexture, vxr_Texcoord0).r;
    gl_FragColor = texture2D(GradientTexture, vec2(grey, 0.5)) * vxr_Color;
}
