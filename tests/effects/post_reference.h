// What the post-processing programs compute, on the processor: the pixel
// programs of T_Bright and the four passes of T_QHDR, evaluated at the
// texture coordinate the clip-space quad gives each pixel, and the blend each
// pass makes with its target.
#pragma once

#include "tests/effects/float_image.h"

struct PostParameters {
    float pixelSize[2];
    float blurOffset[2];
    float blurWeights[9];
    float brightRate;
};

enum class PostProgram { Bright, BrightPass, BlurV, BlurH, Composite };

// The program's output at (u, v) with `source` bound to g_Samp0.
D3DXVECTOR4 RunPostProgram(PostProgram program, const PostParameters& p, const FloatImage& source,
                           float u, float v);

// The 13-tap filter F (colour only).
D3DXVECTOR3 CrossFilter(const PostParameters& p, const FloatImage& source, float u, float v);

// A pass drawn over a whole target of the given size: pixel (i, j) gets
// (u, v) = (i / width, j / height), the quad adding no half-texel offset.
FloatImage RunPostPass(PostProgram program, const PostParameters& p, const FloatImage& source,
                       int width, int height);

// The target after blending: source alpha and inverse source alpha (P0 to
// P2), or source alpha and one (P3), on colour and alpha alike.
FloatImage Blend(const FloatImage& output, const FloatImage& target, bool addToTarget);
