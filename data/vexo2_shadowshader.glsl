uniform sampler2D ColorTexture;

void shader() {
    float coverage = texture2D(ColorTexture, vxr_Texcoord0).a * vxr_Color.a;
    gl_FragColor = vec4(0.0, 0.0, 0.0, coverage);
}
