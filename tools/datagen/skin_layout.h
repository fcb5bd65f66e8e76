// Proportions of the skin model (a small capsule-bodied creature facing -z)
// and the regions of its texture atlas, shared by the mesh builder and the
// texture painter.
#pragma once

#include "tools/datagen/uv_rect.h"

#include <vector>

namespace skin_layout {

// Outline of head and body, (radius, height), from the top of the head down
// to the bottom; the body is this outline swept around the y axis with its
// cross-section squashed front to back by kBodyDepth.
inline std::vector<D3DXVECTOR2> BodyOutline() {
    return {{0.00f, 1.28f},  {0.22f, 1.24f},  {0.38f, 1.12f}, {0.46f, 0.95f}, {0.44f, 0.78f},
            {0.34f, 0.62f},  {0.29f, 0.52f},  {0.38f, 0.36f}, {0.50f, 0.05f}, {0.54f, -0.28f},
            {0.47f, -0.58f}, {0.30f, -0.80f}, {0.00f, -0.88f}};
}
constexpr float kBodyDepth = 0.88f;

// A limb of the right side (+x); the left one is its mirror image. The
// outline runs from the root, sunk inside the body, along `direction`.
struct LimbShape {
    D3DXVECTOR3 root;
    D3DXVECTOR3 direction;
    std::vector<D3DXVECTOR2> outline; // (radius, distance from the root)
};

inline LimbShape Arm() {
    return {{0.30f, 0.30f, 0.0f},
            {0.50f, -0.42f, -0.14f},
            {{0.0f, 0.0f},
             {0.08f, 0.015f},
             {0.115f, 0.07f},
             {0.11f, 0.22f},
             {0.09f, 0.40f},
             {0.075f, 0.50f},
             {0.095f, 0.56f},
             {0.10f, 0.62f},
             {0.075f, 0.68f},
             {0.0f, 0.70f}}};
}

inline LimbShape Leg() {
    return {{0.22f, -0.50f, 0.0f},
            {0.08f, -0.70f, -0.06f},
            {{0.0f, 0.0f},
             {0.10f, 0.02f},
             {0.155f, 0.09f},
             {0.145f, 0.25f},
             {0.115f, 0.42f},
             {0.10f, 0.52f},
             {0.13f, 0.60f},
             {0.14f, 0.67f},
             {0.10f, 0.74f},
             {0.0f, 0.76f}}};
}

// A thin stalk on the head ending in a bulb that glows.
inline LimbShape Antenna() {
    return {{0.12f, 1.10f, 0.04f},
            {0.34f, 0.20f, 0.06f},
            {{0.0f, 0.0f},
             {0.04f, 0.01f},
             {0.045f, 0.06f},
             {0.035f, 0.20f},
             {0.03f, 0.30f},
             {0.05f, 0.34f},
             {0.075f, 0.39f},
             {0.06f, 0.45f},
             {0.0f, 0.47f}}};
}

// Eyes: spheres set into the face, the pupil at the pole along the gaze.
constexpr D3DXVECTOR3 kEyeCentre{0.165f, 0.91f, -0.325f};
constexpr D3DXVECTOR3 kEyeGaze{0.25f, 0.05f, -0.97f};
constexpr float kEyeRadius = 0.09f;

// Atlas regions. The body's u runs from the front centre line (0) to the
// back centre line (1) on both halves, so the left half is the mirror image
// of the right and tangents meet mirrored seams down the front and the back;
// v runs from the top of the head to the bottom. Limbs and eyes run along u
// (root or pupil at 0) and are folded round themselves in v, a mirroring that
// leaves their tangents whole.
// Regions are given in texels of a kAtlasSize square and keep kGutter
// texels clear round them, filled with their own edges mirrored: the
// mappings fold at the edges, and filtering would otherwise reach the next
// region (or wrap to the far side of the atlas).
constexpr float kAtlasSize = 512;
constexpr float kGutter = 4;
constexpr UvRect kBody = AtlasTexels(4, 4, 320, 508, kAtlasSize);
constexpr UvRect kArmBand = AtlasTexels(352, 4, 507, 72, kAtlasSize);
constexpr UvRect kLegBand = AtlasTexels(352, 84, 507, 180, kAtlasSize);
constexpr UvRect kAntennaBand = AtlasTexels(352, 192, 507, 232, kAtlasSize);
constexpr UvRect kEyeBand = AtlasTexels(352, 244, 507, 316, kAtlasSize);

// The body's art is sheared across its region: u grows by kBodyShear of the
// art's width from the top of the head to the bottom. Where the two mirrored
// halves meet, the library's corner tangents from either side cancel across
// the centre line; what is left of their sum, and so the direction of a
// centre-line vertex's tangent, would otherwise come from the surface's
// curvature and flip from one vertex to the next (the tangent-space light
// then vanishes between them). The shear leaves every remainder pointing the
// same way down the line. The painter undoes it, so the art is not sheared.
constexpr float kBodyShear = 0.25f;

// The texture coordinate of the body art's point (around, down): around
// from the front centre line (0) to the back one (1), down from the top of
// the head (0) to the bottom (1).
inline D3DXVECTOR2 BodyTexcoord(float around, float down) {
    return kBody.At((around + kBodyShear * down) / (1 + kBodyShear), down);
}

// The body art's point at a texture coordinate: the inverse of BodyTexcoord.
inline D3DXVECTOR2 BodyArtAt(float u, float v) {
    D3DXVECTOR2 local = kBody.Local(u, v);
    return {local.x * (1 + kBodyShear) - kBodyShear * local.y, local.y};
}

} // namespace skin_layout
