#include "tools/datagen/solid_textures.h"

#include "tools/datagen/noise.h"
#include "tools/datagen/solid_layout.h"

#include <cmath>

using namespace solid_layout;

namespace {

// Edges are about a texel and a half wide. Face art runs from -1 to 1 over
// half the atlas.
constexpr float kFaceEdge = 3.0f / kAtlasSize;

const Rgb kCyanGlow{0.1f, 0.75f, 1.0f};
const Rgb kOrangeGlow{1.0f, 0.5f, 0.1f};

// Brushed steel: streaks along x, bright and glossy.
SurfaceTexel Steel(float x, float y) {
    SurfaceTexel s;
    float streaks = ValueNoise(x * 6, y * 160, 11) * 0.6f + ValueNoise(x * 40, y * 300, 12) * 0.4f;
    s.albedo = Rgb{0.50f, 0.52f, 0.55f} * (0.85f + 0.25f * streaks);
    s.specular = Rgb{0.65f, 0.66f, 0.70f} * (0.8f + 0.3f * streaks);
    s.exponent = 70;
    return s;
}

// Paint over metal, blotched and a little grimy, with a modest highlight.
SurfaceTexel Paint(const Rgb& colour, float x, float y) {
    SurfaceTexel s;
    float blotches = FractalNoise(x * 5, y * 5, 21, 4);
    s.albedo = colour * (0.8f + 0.4f * blotches);
    s.specular = Grey(0.18f + 0.12f * blotches);
    s.exponent = 24;
    return s;
}

void Darken(SurfaceTexel& s, float amount) {
    s.albedo = s.albedo * (1 - amount);
    s.specular = s.specular * (1 - amount);
}

// Lowers the surface by `depth` where `cover` is 1: grooves, slots, seams.
void Carve(SurfaceTexel& s, float cover, float depth, float darkness) {
    s.height -= depth * cover;
    Darken(s, darkness * cover);
}

// Round bolt heads on the frames.
void AddBolt(SurfaceTexel& s, float x, float y) {
    float ring = std::fabs(CircleDistance(x, y, 0.04f));
    Carve(s, Inside(ring - 0.006f, kFaceEdge), 0.05f, 0.5f);
    s.height += 0.09f * Dome(x, y, 0.034f);
}

// The steel frame round every face, the dark sloped wall down into the
// recess, and a dashed light channel round the panel's edge. False where
// the point lies on the panel itself.
bool PaintFrameAndWall(SurfaceTexel& s, float x, float y, const Rgb& channelGlow) {
    const float square = std::max(std::fabs(x), std::fabs(y));
    if (square >= kFrameInnerFraction) {
        s = Steel(x, y);
        const float m = (1 + kFrameInnerFraction) / 2;
        for (float bx : {-m, 0.0f, m})
            for (float by : {-m, 0.0f, m})
                if (bx != 0 || by != 0)
                    AddBolt(s, x - bx, y - by);
        float wear = Smoothstep(0.95f, 1.0f, square) * FractalNoise(x * 30, y * 30, 31, 2);
        s.albedo = s.albedo + Grey(0.25f * wear);
        return true;
    }
    if (square >= kRecessFraction) {
        s.albedo = Grey(0.08f);
        s.specular = Grey(0.1f);
        s.exponent = 12;
        return true;
    }
    const float channel = Inside(std::fabs(square - 0.685f) - 0.012f, kFaceEdge);
    if (channel > 0) {
        const float along = std::fabs(x) > std::fabs(y) ? y : x;
        const float dash = Inside(0.03f - DistanceToLines(along + 0.125f, 0.25f), kFaceEdge);
        s = Paint(Grey(0.12f), x, y);
        Carve(s, channel, 0.05f, 0.3f);
        s.glow = channelGlow * (0.9f * channel * dash);
        return true;
    }
    return false;
}

// Slots of a vent, glowing warm from inside.
void PaintVent(SurfaceTexel& s, float x, float y) {
    float rim = Inside(std::fabs(BoxDistance(x, y, 0.2f, 0.2f)) - 0.012f, kFaceEdge);
    s.height += 0.05f * rim;
    s.albedo = Mix(s.albedo, Grey(0.45f), rim);
    float inside = Inside(BoxDistance(x, y, 0.18f, 0.18f), kFaceEdge);
    float slot = inside * Inside(DistanceToLines(y, 0.05f) - 0.015f, kFaceEdge);
    Carve(s, slot, 0.1f, 0.8f);
    s.glow = s.glow + kOrangeGlow * (0.55f * slot * (0.6f + 0.4f * ValueNoise(x * 9, y * 3, 41)));
}

// Yellow and black stripes above a light label plate with a bar code.
void PaintHazardLabel(SurfaceTexel& s, float x, float y) {
    float band = Inside(BoxDistance(x, y + 0.15f, 0.24f, 0.055f), kFaceEdge);
    float stripe = Inside(DistanceToLines(x + y, 0.1f) - 0.025f, kFaceEdge);
    s.albedo = Mix(s.albedo, Mix(Rgb{0.05f, 0.05f, 0.05f}, Rgb{0.85f, 0.62f, 0.05f}, stripe), band);
    float plate = Inside(BoxDistance(x, y - 0.08f, 0.2f, 0.1f) - 0.02f, kFaceEdge);
    s.height += 0.05f * plate;
    s.albedo = Mix(s.albedo, Rgb{0.62f, 0.64f, 0.66f}, plate);
    s.specular = Mix(s.specular, Grey(0.35f), plate);
    int column = int(std::floor((x + 0.16f) * 120));
    float bar = LatticeValue(column, 0, 51) < 0.45f ? 1.0f : 0.0f;
    float code = bar * Inside(BoxDistance(x, y - 0.08f, 0.16f, 0.05f), kFaceEdge);
    s.albedo = Mix(s.albedo, Grey(0.06f), code);
}

void PaintRivets(SurfaceTexel& s, float x, float y) {
    if (BoxDistance(x, y, 0.2f, 0.2f) > 0)
        return;
    float cx = std::round(x / 0.1f + 0.5f) - 0.5f, cy = std::round(y / 0.1f + 0.5f) - 0.5f;
    float bump = Dome(x - cx * 0.1f, y - cy * 0.1f, 0.022f);
    s.height += 0.06f * bump;
    s.albedo = Mix(s.albedo, Grey(0.5f), bump);
    s.specular = Mix(s.specular, Grey(0.6f), bump);
}

// A raised hatch with a seam round it and two handle slots.
void PaintHatch(SurfaceTexel& s, float x, float y) {
    float hatch = BoxDistance(x, y, 0.2f, 0.2f) - 0.03f;
    s.height += 0.05f * Inside(hatch, kFaceEdge);
    Carve(s, Inside(std::fabs(hatch + 0.015f) - 0.006f, kFaceEdge), 0.06f, 0.6f);
    for (float hy : {-0.12f, 0.12f})
        Carve(s, Inside(BoxDistance(x, y - hy, 0.08f, 0.012f) - 0.01f, kFaceEdge), 0.08f, 0.7f);
}

// The steel collar where a strut meets the centre of a side panel.
void PaintCollar(SurfaceTexel& s, float x, float y) {
    float r = std::hypot(x, y);
    if (r > 0.16f)
        return;
    SurfaceTexel steel = Steel(x, y);
    steel.height = s.height + 0.07f * Smoothstep(0.16f, 0.13f, r);
    s = steel;
    for (int k = 0; k < 6; ++k) {
        float angle = float(k) * D3DX_PI / 3;
        AddBolt(s, x - 0.11f * std::cos(angle), y - 0.11f * std::sin(angle));
    }
    Darken(s, Smoothstep(0.075f, 0.06f, r) * 0.8f);
}

SurfaceTexel SideFace(float x, float y) {
    SurfaceTexel s;
    if (PaintFrameAndWall(s, x, y, kOrangeGlow))
        return s;
    s = Paint(Rgb{0.17f, 0.2f, 0.25f}, x, y);
    // Four plates divided by a glowing cross.
    float groove = std::min(std::fabs(x), std::fabs(y));
    Carve(s, Smoothstep(0.035f, 0.022f, groove), 0.12f, 0.7f);
    s.glow = kCyanGlow * Smoothstep(0.018f, 0.006f, groove);
    const float q = 0.35f;
    if (x < 0 && y < 0)
        PaintVent(s, x + q, y + q);
    else if (x > 0 && y < 0)
        PaintHazardLabel(s, x - q, y + q);
    else if (x < 0)
        PaintRivets(s, x + q, y - q);
    else
        PaintHatch(s, x - q, y - q);
    PaintCollar(s, x, y);
    // Grime gathers toward the recess walls.
    float square = std::max(std::fabs(x), std::fabs(y));
    Darken(s, 0.35f * Smoothstep(0.5f, 0.7f, square) * FractalNoise(x * 8, y * 8, 61, 3));
    return s;
}

// The top and bottom: a glowing glass lens (under the dome) in a bolted
// collar, ribbed paint round it and a ring groove with cyan dashes.
SurfaceTexel CapFace(float x, float y) {
    SurfaceTexel s;
    if (PaintFrameAndWall(s, x, y, kCyanGlow))
        return s;
    const float r = std::hypot(x, y), angle = std::atan2(y, x);
    if (r < kDomeFootFraction) {
        s.albedo = Rgb{0.02f, 0.05f, 0.1f};
        s.specular = Rgb{0.85f, 0.92f, 1.0f};
        s.exponent = 140;
        float cells = CellNoise(x * 18, y * 18, 71).second - CellNoise(x * 18, y * 18, 71).nearest;
        float core = Smoothstep(0.32f, 0.0f, r);
        s.glow = kCyanGlow * (0.25f + 0.75f * core * core) + Grey(0.25f * core) +
                 kCyanGlow * (0.3f * Smoothstep(0.08f, 0.0f, cells));
        return s;
    }
    if (r < 0.46f) {
        s = Steel(x, y);
        s.height += 0.08f * Smoothstep(0.365f, 0.38f, r) * Smoothstep(0.46f, 0.445f, r);
        for (int k = 0; k < 8; ++k) {
            float a = float(k) * D3DX_PI / 4;
            AddBolt(s, x - 0.41f * std::cos(a), y - 0.41f * std::sin(a));
            float lamp = Inside(CircleDistance(x - 0.41f * std::cos(a + D3DX_PI / 8),
                                               y - 0.41f * std::sin(a + D3DX_PI / 8), 0.016f),
                                kFaceEdge);
            s.albedo = Mix(s.albedo, Rgb{1.0f, 0.7f, 0.4f}, lamp);
            s.glow = s.glow + kOrangeGlow * lamp;
        }
        return s;
    }
    s = Paint(Rgb{0.15f, 0.17f, 0.2f}, x, y);
    float rib = DistanceToLines(angle * 24 / (2 * D3DX_PI), 1) * (2 * D3DX_PI / 24) * r;
    s.height += 0.04f * Inside(rib - 0.01f, kFaceEdge) * Smoothstep(0.46f, 0.5f, r);
    float ringGroove = Inside(std::fabs(r - 0.62f) - 0.014f, kFaceEdge);
    Carve(s, ringGroove, 0.1f, 0.6f);
    s.glow = kCyanGlow * (ringGroove * Smoothstep(0.2f, 0.5f, std::cos(angle * 12)));
    for (float cx : {-0.6f, 0.6f})
        for (float cy : {-0.6f, 0.6f})
            AddBolt(s, x - cx, y - cy);
    return s;
}

// Orange guard paint on the chamfers, scratched down to steel. The normal
// map stays flat on these narrow hard-edged strips.
SurfaceTexel ChamferGuard(float along, float across) {
    SurfaceTexel s = Paint(Rgb{0.8f, 0.42f, 0.08f}, along * 4, across);
    // Scratches run along the edge: the strip is seven times longer than it
    // is wide.
    float scratches = ValueNoise(along * 24, across * 24, 81) * 0.7f +
                      ValueNoise(along * 80, across * 60, 82) * 0.3f;
    float bare = Smoothstep(0.7f, 0.74f, scratches);
    s.albedo = Mix(s.albedo, Grey(0.6f), bare);
    s.specular = Mix(s.specular, Grey(0.7f), bare);
    s.exponent = Mix(24, 70, bare);
    float rim = Smoothstep(0.12f, 0.0f, std::min(across, 1 - across));
    s.albedo = s.albedo * (1 - 0.7f * rim);
    return s;
}

// Along the strut from its base (0) to the ring (1); round it from top (0)
// to bottom (1). A rubber boot at the panel, then chrome with two grooves
// and a glowing band.
SurfaceTexel Strut(float along, float around) {
    SurfaceTexel s;
    if (along < 0.36f) {
        s.albedo = Grey(0.07f);
        s.specular = Grey(0.12f);
        s.exponent = 10;
        s.height = 0.5f + 0.05f * std::sin(along * 2 * D3DX_PI * 40);
        return s;
    }
    s.albedo = Grey(0.42f + 0.05f * ValueNoise(along * 40, around * 4, 91));
    s.specular = Rgb{0.88f, 0.9f, 0.95f};
    s.exponent = 100;
    for (float groove : {0.5f, 0.74f})
        Carve(s, Inside(std::fabs(along - groove) - 0.006f, 0.004f), 0.1f, 0.7f);
    s.glow = kCyanGlow * Inside(std::fabs(along - 0.62f) - 0.02f, 0.004f);
    return s;
}

// One repeat of the ring's art: u across (periodic), w from the outer rim
// (0) round to the inner side (1). Plates with gaps, an orange lamp on every
// other plate, a cyan channel along the outer rim.
SurfaceTexel Ring(float u, float w) {
    constexpr int plates = 8;
    SurfaceTexel s;
    float texture = ValueNoise(u * 64, w * 8, 101, 64);
    s.albedo =
        Rgb{0.24f, 0.26f, 0.3f} * (0.85f + 0.3f * texture) * (1 - 0.4f * Smoothstep(0.6f, 1.0f, w));
    s.specular = Grey(0.35f);
    s.exponent = 40;
    const float pixelsU = kAtlasSize, pixelsW = (kRingBand.v1 - kRingBand.v0) * kAtlasSize;
    Carve(s, Inside(DistanceToLines(u, 1.0f / plates) * pixelsU - 1.0f, 1.5f), 0.1f, 0.8f);
    float channel = Smoothstep(0.26f, 0.22f, w);
    Carve(s, channel, 0.06f, 0.2f);
    s.glow = kCyanGlow * Smoothstep(0.22f, 0.06f, w);
    float plate = std::floor(u * plates);
    if (int(plate) % 2 == 0) {
        float lampU = (u - (plate + 0.5f) / plates) * pixelsU, lampW = (w - 0.4f) * pixelsW;
        float lamp = Inside(CircleDistance(lampU, lampW, 3.0f), 1.5f);
        s.albedo = Mix(s.albedo, Rgb{1.0f, 0.7f, 0.4f}, lamp);
        s.glow = s.glow + kOrangeGlow * lamp;
    }
    return s;
}

SurfaceTexel SolidTexel(float u, float v) {
    D3DXVECTOR2 f;
    if (FindInRegion(kSideFace, 0, kAtlasSize, u, v, f))
        return SideFace(f.x * 2 - 1, f.y * 2 - 1);
    if (FindInRegion(kCapFace, 0, kAtlasSize, u, v, f))
        return CapFace(f.x * 2 - 1, f.y * 2 - 1);
    if (FindInRegion(kChamferBand, kGutter, kAtlasSize, u, v, f))
        return ChamferGuard(f.x, f.y);
    if (FindInRegion(kCornerPatch, kGutter, kAtlasSize, u, v, f))
        return ChamferGuard(f.x / 8, 0.5f);
    if (FindInRegion(kStrutBand, kGutter, kAtlasSize, u, v, f))
        return Strut(f.x, f.y);
    if (FindInRegion(kRingBand, kGutter, kAtlasSize, u, v, f))
        return Ring(u, f.y);
    return Steel(u * 2, v * 2);
}

} // namespace

TextureSetImages PaintSolidTextures() {
    return PaintTextureSet(UINT(kAtlasSize), SolidTexel, 10.0f);
}
