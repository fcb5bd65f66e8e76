#include "tools/datagen/skin_textures.h"

#include "tools/datagen/noise.h"
#include "tools/datagen/skin_layout.h"
#include "tools/datagen/skin_model.h"

#include <algorithm>
#include <cmath>

using namespace skin_layout;

namespace {

const Rgb kBack{0.1f, 0.42f, 0.4f};
const Rgb kBelly{0.86f, 0.78f, 0.55f};
const Rgb kSpot{0.04f, 0.2f, 0.22f};
const Rgb kBioGlow{0.3f, 1.0f, 0.7f};
const Rgb kAmberGlow{1.0f, 0.65f, 0.15f};

// Body art runs over about 1.45 units round the half body (u) and 2.6 units
// from head to bottom (v); features are sized in those units so they come
// out round.
constexpr float kBodyWidth = 1.45f;
constexpr float kBodyHeight = 2.6f;
constexpr float kBodyEdge = 3.0f / kAtlasSize * kBodyHeight;

// Skin from belly (0) to back (1): colour, gloss, scales and spots. (x, y)
// are surface units for the noise; `detail` scales the features for thin
// parts.
SurfaceTexel Skin(float back, float x, float y, float detail) {
    SurfaceTexel s;
    float variation = FractalNoise(x * 3, y * 3, 201, 3);
    s.albedo = Mix(kBelly, kBack, back) * (0.85f + 0.3f * variation);
    s.specular = Mix(Grey(0.06f), Rgb{0.35f, 0.45f, 0.42f}, back);
    s.exponent = Mix(10, 48, back);

    CellSample scales = CellNoise(x * 22 * detail, y * 22 * detail, 202);
    s.height += 0.08f * back * (Smoothstep(0.0f, 0.35f, scales.second - scales.nearest) - 0.5f);

    CellSample spots = CellNoise(x * 5 * detail, y * 5 * detail, 203);
    float spotted = spots.cellValue > 0.35f ? 1.0f : 0.0f;
    float spot = back * spotted * Smoothstep(0.34f, 0.28f, spots.nearest);
    s.albedo = Mix(s.albedo, kSpot, spot * 0.85f);
    s.height += 0.03f * spot;
    return s;
}

void AddGlowDot(SurfaceTexel& s, float dx, float dy, float radius, const Rgb& colour) {
    float dot = Inside(CircleDistance(dx, dy, radius), kBodyEdge);
    float halo = Smoothstep(radius * 2.2f, radius, std::hypot(dx, dy));
    s.albedo = Mix(s.albedo, Rgb{0.8f, 1.0f, 0.9f}, dot);
    s.glow = s.glow + colour * (0.9f * dot + 0.25f * halo);
    s.height += 0.03f * dot;
}

// The face: dark sockets round the eyes, pink cheeks, a smile and nostrils.
void PaintFace(SurfaceTexel& s, float a, float t) {
    static const D3DXVECTOR2 eye = BodyArtPoint(kEyeCentre);
    const float x = a * kBodyWidth, y = t * kBodyHeight;
    const float ex = eye.x * kBodyWidth, ey = eye.y * kBodyHeight;
    float socket = std::hypot(x - ex, y - ey);
    s.albedo = s.albedo * (1 - 0.6f * Smoothstep(0.16f, 0.09f, socket));
    s.height -= 0.05f * Smoothstep(0.16f, 0.1f, socket);
    float cheek = Smoothstep(0.1f, 0.0f, std::hypot(x - ex - 0.06f, y - ey - 0.17f));
    s.albedo = Mix(s.albedo, Rgb{0.95f, 0.45f, 0.45f}, 0.6f * cheek);
    float mouthY = ey + 0.2f - 0.6f * x * x;
    float mouth = Inside(std::fabs(y - mouthY) - 0.008f, kBodyEdge) * Smoothstep(0.26f, 0.2f, x);
    s.height -= 0.1f * mouth;
    s.albedo = Mix(s.albedo, Rgb{0.25f, 0.05f, 0.05f}, mouth);
    s.glow = s.glow + Grey(-0.3f * mouth);
    float nostril = Inside(CircleDistance(x - 0.04f, y - ey - 0.09f, 0.012f), kBodyEdge);
    s.height -= 0.06f * nostril;
    s.albedo = s.albedo * (1 - 0.7f * nostril);
}

// Head and body: a = 0 at the front centre line to 1 at the back one;
// t = 0 at the top of the head to 1 at the bottom. Teal all over but for a
// pale belly and muzzle.
SurfaceTexel Body(float a, float t) {
    const float x = a * kBodyWidth, y = t * kBodyHeight;
    float belly = Smoothstep(0.3f, 0.2f, a) * Smoothstep(0.45f, 0.55f, t);
    float muzzle = Smoothstep(0.1f, 0.0f, std::hypot((a - 0.0f) * 0.8f, t - 0.33f) - 0.12f);
    SurfaceTexel s = Skin(1 - std::max(belly, 0.7f * muzzle), x, y, 1);
    float plate = Smoothstep(0.02f, 0.0f, DistanceToLines(y, 0.13f)) * belly;
    s.height -= 0.03f * plate;
    s.albedo = s.albedo * (1 - 0.25f * plate);
    // A darker stripe down the spine.
    s.albedo = s.albedo * (1 - 0.4f * Smoothstep(0.9f, 1.0f, a));
    PaintFace(s, a, t);

    // Glowing dots in a row down each flank and a few on the crown.
    for (int k = 0; k < 9; ++k)
        AddGlowDot(s, x - 0.62f * kBodyWidth, y - (0.46f + 0.05f * float(k)) * kBodyHeight, 0.022f,
                   kBioGlow);
    for (int k = 0; k < 3; ++k)
        AddGlowDot(s, x - (0.5f + 0.12f * float(k)) * kBodyWidth,
                   y - (0.08f + 0.03f * float(k)) * kBodyHeight, 0.018f, kBioGlow);

    // The tangents down the mirrored centre lines, front and back, and at
    // the poles follow no one direction, so the relief flattens out there.
    float away = std::min({Smoothstep(0.0f, 0.07f, a), Smoothstep(1.0f, 0.93f, a),
                           Smoothstep(0.0f, 0.05f, t), Smoothstep(1.0f, 0.95f, t)});
    s.height = Mix(0.5f, s.height, away);
    return s;
}

// Arms and legs: `along` from the root (0) to the tip (1), `around` from the
// limb's front line (0) to its back line (1). Dark bands round it, pale
// paws.
SurfaceTexel Limb(float along, float around, float length) {
    const float x = around * 0.35f, y = along * length;
    float back = Smoothstep(0.25f, 0.7f, around);
    SurfaceTexel s = Skin(back, x, y, 2);
    float band = along < 0.7f ? Smoothstep(0.35f, 0.45f, std::sin(y * 2 * D3DX_PI / 0.14f)) : 0;
    s.albedo = s.albedo * (1 - 0.45f * band * back);
    float paw = Smoothstep(0.72f, 0.8f, along);
    s.albedo = Mix(s.albedo, kBelly * 0.9f, paw * 0.7f);
    s.specular = Mix(s.specular, Grey(0.1f), paw);
    return s;
}

// A dark stalk and a bulb that glows amber at its end.
SurfaceTexel AntennaArt(float along, float around) {
    SurfaceTexel s = Skin(0.8f, around * 0.15f, along * 0.47f, 2);
    float bulb = Smoothstep(0.66f, 0.74f, along);
    s.albedo = Mix(s.albedo, Rgb{1.0f, 0.85f, 0.5f}, bulb);
    s.specular = Mix(s.specular, Grey(0.8f), bulb);
    s.exponent = Mix(s.exponent, 120, bulb);
    s.height = Mix(s.height, 0.5f, bulb);
    s.glow = kAmberGlow * (bulb * (0.6f + 0.4f * Smoothstep(0.75f, 0.95f, along)));
    return s;
}

// From the pupil (0) to the back of the eyeball (1): black pupil, glowing
// amber iris with streaks, white, then the hidden back.
SurfaceTexel EyeArt(float along, float around) {
    SurfaceTexel s;
    s.specular = Grey(0.9f);
    s.exponent = 180;
    if (along < 0.1f) {
        s.albedo = Grey(0.02f);
    } else if (along < 0.24f) {
        float streaks = ValueNoise(around * 24, along * 3, 301);
        s.albedo = Rgb{0.95f, 0.6f, 0.1f} * (0.7f + 0.5f * streaks);
        s.glow = kAmberGlow * (0.5f + 0.4f * streaks);
    } else {
        s.albedo = Rgb{0.92f, 0.9f, 0.85f} * (1 - 0.5f * Smoothstep(0.3f, 0.6f, along));
        s.specular = Grey(0.7f);
        s.exponent = 90;
    }
    return s;
}

SurfaceTexel SkinTexel(float u, float v) {
    if (kBody.Padded(kGutter, kAtlasSize).Contains(u, v)) {
        D3DXVECTOR2 f = BodyArtAt(u, v);
        return Body(FoldedBack(f.x), FoldedBack(f.y));
    }
    static const float armLength = Arm().outline.back().y;
    static const float legLength = Leg().outline.back().y;
    D3DXVECTOR2 f;
    if (FindInRegion(kArmBand, kGutter, kAtlasSize, u, v, f))
        return Limb(f.x, f.y, armLength);
    if (FindInRegion(kLegBand, kGutter, kAtlasSize, u, v, f))
        return Limb(f.x, f.y, legLength);
    if (FindInRegion(kAntennaBand, kGutter, kAtlasSize, u, v, f))
        return AntennaArt(f.x, f.y);
    if (FindInRegion(kEyeBand, kGutter, kAtlasSize, u, v, f))
        return EyeArt(f.x, f.y);
    return Skin(0.5f, u, v, 1);
}

} // namespace

TextureSetImages PaintSkinTextures() {
    return PaintTextureSet(UINT(kAtlasSize), SkinTexel, 12.0f);
}
