uniform sampler2D ColorTexture;

void shader() {
    vec4 light = texture2D(ColorTexture, vxr_Texcoord0) * vxr_Color;
    gl_FragColor = vec4(light.rgb + AmbientLight.rgb * light.a, light.a);
}
