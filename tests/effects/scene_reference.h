// What the scene effect's programs compute, written out on the processor
// step by step from the shading model, for comparing with what the device
// draws: the vertex programs, the interpolation between them, and the pixel
// programs of every technique in the plain and dimmed variants.
#pragma once

#include "tests/effects/float_image.h"

enum class SceneTechnique { StdSimple, StdDN, StdDNS, StdDNSE, StdFull, CharSimple, CharFull };
constexpr SceneTechnique kSceneTechniques[] = {
    SceneTechnique::StdSimple, SceneTechnique::StdDN,   SceneTechnique::StdDNS,
    SceneTechnique::StdDNSE,   SceneTechnique::StdFull, SceneTechnique::CharSimple,
    SceneTechnique::CharFull};
const char* TechniqueName(SceneTechnique technique);

// The effect parameters as the effect holds them (g_MatWIT already the
// inverse-transpose).
struct SceneParameters {
    D3DXMATRIX world, worldInverseTranspose, worldViewProjection;
    D3DXVECTOR3 camPos;
    float fogStart, fogInvDist;
    D3DXVECTOR4 ambient, ambient2;
    D3DXVECTOR3 lightDir[2]; // toward the lights
    D3DXVECTOR4 lightColor[2];
};

// The shading vertex layout: position, normal, tangent, texture coordinate.
struct SceneVertex {
    D3DXVECTOR3 position, normal, tangent;
    float u, v;
};

// What a vertex program hands to the pixel program: POSITION, FOG,
// TEXCOORD0 and TEXCOORD1..4 (texcoord[1] to texcoord[4]).
struct Interpolants {
    D3DXVECTOR4 clip;
    float fog;
    float u, v;
    D3DXVECTOR3 texcoord[5];
};

struct SceneMaps {
    const FloatImage* diffuse;
    const FloatImage* normal;
    const FloatImage* specular;
    const FloatImage* emissive;
};

struct ShadedPixel {
    D3DXVECTOR4 colour;
    // A highlight of exponent 0 switches from nothing to full where R.L
    // crosses 0; a pixel that close to the switch may land either side.
    bool atHighlightEdge;
};

Interpolants RunSceneVertexProgram(SceneTechnique technique, const SceneParameters& p,
                                   const SceneVertex& vertex);
// weights: the perspective-correct barycentric weights of the three corners.
Interpolants InterpolateCorners(const Interpolants corners[3], const float weights[3]);
ShadedPixel RunScenePixelProgram(SceneTechnique technique, bool dimmed, const SceneParameters& p,
                                 const Interpolants& in, const SceneMaps& maps);
