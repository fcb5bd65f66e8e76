// What a program given to the OpenGL device (CreateVertexShader /
// CreatePixelShader) may use. A program is GLSL 3.30 core text without the
// #version line; the device puts a prelude in front and its own main() after.
//
// Vertex program:
//   - declares its inputs with the attribute locations below, e.g.
//       layout(location = ZQ_ATTRIB_POSITION0) in vec4 inPosition;
//     (elements of the vertex declaration feed the location of their usage
//     and usage index; a missing element reads (0, 0, 0, 1));
//   - reads constant registers as zq_VertexConst[n] (vec4, 256 of them, set
//     with SetVertexShaderConstantF);
//   - defines `void VertexMain()`, which writes the Direct3D clip-space
//     position to `zq_Position` and may write the fog factor to `zq_Fog`
//     (1 = no fog; the device blends fog after the pixel program, as
//     Direct3D 9 does);
//   - passes values to the pixel program through its own `out` variables.
// Pixel program:
//   - reads zq_PixelConst[n] (vec4, 224 of them) and samples zq_Sampler0 to
//     zq_Sampler15 (sampler2D, bound to texture stages 0 to 15, each with
//     that stage's sampler states);
//   - defines `vec4 PixelMain()` returning the colour; its `in` variables
//     match the vertex program's `out` ones.
// Rows are top-down in every texture and target, as on Direct3D.
#pragma once

#define ZQ_ATTRIB_POSITION0 0
#define ZQ_ATTRIB_NORMAL0 1
#define ZQ_ATTRIB_TANGENT0 2
#define ZQ_ATTRIB_TEXCOORD0 3
#define ZQ_ATTRIB_TEXCOORD1 4
#define ZQ_ATTRIB_TEXCOORD2 5
#define ZQ_ATTRIB_TEXCOORD3 6
#define ZQ_ATTRIB_COLOR0 7
#define ZQ_ATTRIB_COLOR1 8
#define ZQ_ATTRIB_BINORMAL0 9
#define ZQ_ATTRIB_BLENDWEIGHT0 10
#define ZQ_ATTRIB_BLENDINDICES0 11
#define ZQ_ATTRIB_COUNT 12
