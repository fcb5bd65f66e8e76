// A small effect text for the runtime's tests: every kind of parameter, two
// samplers on one texture, a preshader, and techniques whose passes set
// render states. Its GLSL also compiles, so the drawing tests can use it.
#pragma once

constexpr char kTestEffect[] = R"(// runtime test effect
@declarations
float4x4 g_M;        // vertex program: c0..c3
float3 g_V;          // vertex program: c4
float g_S;           // pixel program
float2 g_A[3];       // pixel program: one register per element
texture g_T;
texture g_U;
sampler g_SampT : register(s2) {
    Texture = g_T;
    MinFilter = POINT;
    AddressU = CLAMP;
}
sampler g_SampT2 : register(s5) {
    Texture = g_T;
    MagFilter = LINEAR;
}
sampler g_SampU : register(s0) {
    Texture = g_U;
    MipFilter = NONE;
}
float g_Unused;
preshader float2 c_Derived = { g_S + g_S, (g_V.y - 1) * -3 };

technique T_One {
    pass P0 {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        VertexShader = VS;
        PixelShader = PS;
    }
}
technique T_Two {
    pass P0 {
        DestBlend = INVSRCALPHA;
        VertexShader = VS;
        PixelShader = PS_U;
    }
    pass Second {
        SrcBlend = ONE;
        DestBlend = ONE;
        VertexShader = VS;
        PixelShader = PS;
    }
}

@vertex VS
layout(location = ZQ_ATTRIB_POSITION0) in vec4 inPosition;
out vec3 vColour;
void VertexMain() {
    zq_Position = inPosition;
    vColour = (vec4(1.0, 2.0, 3.0, 4.0) * g_M).xyz + g_V;
}

@common pixel_in
in vec3 vColour;

@pixel PS uses pixel_in
vec4 PixelMain() {
    // g_Unused only in this comment: not read
    vec4 a = texture(g_SampT, vec2(0.5)) + texture(g_SampT2, vec2(0.5));
    return vec4(vColour, 1.0) * 0.0 + vec4(g_A[1], c_Derived) + a * 0.0 + g_S * 0.0;
}

@pixel PS_U uses pixel_in
vec4 PixelMain() {
    return texture(g_SampU, vec2(0.5)) + vec4(vColour, 0.0) * 0.0;
}
)";
