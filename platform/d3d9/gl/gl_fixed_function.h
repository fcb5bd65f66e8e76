// The fixed-function pipeline of Direct3D 9 as OpenGL programs: transforms,
// per-vertex lighting with material and colour sources, texture stage 0,
// specular add, alpha test and fog. All of it is driven by one uniform block
// filled from the device state before each draw; the parts a draw does not
// use (lighting, its number of lights, the texture, fog, the alpha test, the
// specular add) are compiled out of the program it draws with, so that the
// driver builds and runs only what is used.
#pragma once

#include "platform/d3d9/state_device.h"

#include <cstdint>
#include <string>

constexpr int kFixedFunctionLights = 8;

// std140 layout of the block `FixedFunction`; vec4 members only, so the C++
// layout matches without padding rules.
struct FixedFunctionBlock {
    float worldView[16]; // row-major, row-vector convention
    float projection[16];
    float normalMatrix[16]; // inverse transpose of worldView, upper 3 x 3 used
    float viewport[4];      // x, y, width, height in pixels
    float matDiffuse[4], matAmbient[4], matSpecular[4], matEmissive[4];
    float globalAmbient[4];
    float fogColor[4];
    float fogParams[4]; // start, end, density, power of the material
    float textureFactor[4];
    std::int32_t flags0[4]; // pretransformed, lighting, light count, specular enable
    std::int32_t flags1[4]; // normalize normals, local viewer, fog source, fog function
    std::int32_t flags2[4]; // range fog, alpha function (0: no test), alpha ref, colour op
    std::int32_t flags3[4]; // colour arg 1, colour arg 2, alpha op, alpha arg 1
    std::int32_t flags4[4]; // alpha arg 2, texture bound, diffuse source, ambient source
    std::int32_t flags5[4]; // specular source, emissive source, has colour 0, has colour 1
    float lightDiffuse[kFixedFunctionLights][4];
    float lightSpecular[kFixedFunctionLights][4];
    float lightAmbient[kFixedFunctionLights][4];
    float lightPosition[kFixedFunctionLights][4];    // eye space; w: light type
    float lightDirection[kFixedFunctionLights][4];   // eye space, unit; w: range
    float lightAttenuation[kFixedFunctionLights][4]; // a0, a1, a2, falloff
    float lightSpot[kFixedFunctionLights][4];        // cos(theta / 2), cos(phi / 2)
};

// Fog sources in flags1[2].
enum FogSource : std::int32_t { kFogNone = 0, kFogVertex = 1, kFogTable = 2 };

struct VertexLayoutInfo {
    bool pretransformed;
    bool hasNormal;
    bool hasColor0;
    bool hasColor1;
};

void FillFixedFunctionBlock(const DeviceState& state, const VertexLayoutInfo& layout,
                            bool textureBound, FixedFunctionBlock* block);

// Which parts of the program a block uses: one number per program variant.
std::uint32_t FixedFunctionVariant(const FixedFunctionBlock& block);
// The #define lines that compile the sources as that variant.
std::string FixedFunctionDefines(std::uint32_t variant);

// GLSL of the fixed-function program (without #version and the defines).
extern const char* const kFixedFunctionVertexSource;
extern const char* const kFixedFunctionPixelSource;
// Alpha test and fog after the pixel colour is known, shared by the
// fixed-function program and the application's pixel programs.
extern const char* const kPixelOutputSource;
