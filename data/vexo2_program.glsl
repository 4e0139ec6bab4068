#ifdef GL_ES
precision mediump float;
#endif

varying vec2 vxr_Texcoord0;
varying vec4 vxr_Color;
varying vec3 vxr_Position;
varying vec2 vxr_Tangent;
varying vec2 vxr_ShadowCoord;

uniform mat4 ModelViewProjectionMatrix;
uniform mat4 ModelViewMatrix;
uniform vec4 ClipPosScale;
uniform vec4 GlobalColor;
uniform vec4 FogColor;
uniform vec4 AmbientLight;
#if NUM_LIGHTS > 0
uniform vec4 LightColors[NUM_LIGHTS];
uniform vec4 LightVectors[NUM_LIGHTS];
#endif

//@vertex
attribute vec2 Position;
attribute vec2 Texcoord0;
attribute vec2 Tangent;
attribute vec4 Color;

void main() {
    vec4 position = vec4(Position, 0.0, 1.0);
    gl_Position = ModelViewProjectionMatrix * position;
    vxr_Texcoord0 = Texcoord0;
    vxr_Color = Color * GlobalColor;
    vxr_Position = (ModelViewMatrix * position).xyz;
    vxr_Tangent = (ModelViewMatrix * vec4(Tangent, 0.0, 0.0)).xy;
    vxr_ShadowCoord = gl_Position.xy / gl_Position.w * 0.5 + 0.5;
}

//@fragment
uniform sampler2D ShadowTexture;

vec4 vxr_Diffuse;
vec4 vxr_Specular;
vec3 vxr_Normal;
float vxr_Roughness;
vec4 vxr_Ambient;

${SHADER}

#if defined(VXR_DIFFUSE) || defined(VXR_SPECULAR)

vec3 vxr_LightNormal() {
    vec2 t = vxr_Tangent;
    if (dot(t, t) < 0.000001) {
        t = vec2(1.0, 0.0);
    }
    t = normalize(t);
    vec3 n = vec3(t, 0.0) * vxr_Normal.x + vec3(-t.y, t.x, 0.0) * vxr_Normal.y + vec3(0.0, 0.0, vxr_Normal.z);
    if (dot(n, n) < 0.000001) {
        return vec3(0.0, 0.0, 1.0);
    }
    return normalize(n);
}

void main() {
    vxr_Diffuse = vec4(0.0);
    vxr_Specular = vec4(0.0);
    vxr_Normal = vec3(0.0, 0.0, 1.0);
    vxr_Roughness = 1.0;
    vxr_Ambient = vec4(0.0);
    shader();

    vec3 color = vxr_Diffuse.rgb * (AmbientLight.rgb + vxr_Ambient.rgb);

#if NUM_LIGHTS > 0
    vec3 normal = vxr_LightNormal();
    float gloss = 1.0 - clamp(vxr_Roughness, 0.0, 1.0);
    float power = exp2(10.0 * gloss + 1.0);
    float shadow = texture2D(ShadowTexture, vxr_ShadowCoord).r;
    vec3 diffuseLight = vec3(0.0);
    vec3 specularLight = vec3(0.0);
    for (int i = 0; i < NUM_LIGHTS; ++i) {
        vec3 toLight = LightVectors[i].xyz - vxr_Position;
        float dist = length(toLight);
        float falloff = clamp(1.0 - dist / max(LightVectors[i].w, 0.0001), 0.0, 1.0);
        vec3 direction = toLight / max(dist, 0.0001);
        float lambert = max(dot(normal, direction), 0.0);
        vec3 halfway = normalize(direction + vec3(0.0, 0.0, 1.0));
        float highlight = pow(max(dot(normal, halfway), 0.0), power);
        diffuseLight += LightColors[i].rgb * (lambert * falloff);
        specularLight += LightColors[i].rgb * (highlight * falloff);
    }
    color += (vxr_Diffuse.rgb * diffuseLight + vxr_Specular.rgb * specularLight) * shadow;
#endif

    color = mix(color, FogColor.rgb * vxr_Diffuse.a, FogColor.a);
    gl_FragColor = vec4(color, vxr_Diffuse.a);
}

#else

void main() {
    shader();
}

#endif
