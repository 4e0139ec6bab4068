uniform sampler2D ColorTexture;

void shader() {
    gl_FragColor = texture2D(ColorTexture, vxr_Texcoord0) * vxr_Color;
}
