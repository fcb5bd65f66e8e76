// Proportions of the solid model and the regions of its texture atlas. The
// mesh builder and the texture painter both read them, so that the painted
// frames, recesses and glowing lines land on the geometry.
#pragma once

#include "tools/datagen/uv_rect.h"

namespace solid_layout {

// A chamfered block: each face a flat frame around a recessed panel.
constexpr float kHalfExtent = 0.95f;
constexpr float kChamfer = 0.16f;
constexpr float kFaceHalf = kHalfExtent - kChamfer;
constexpr float kFrameInner = 0.62f;  // the frame runs from here out to kFaceHalf
constexpr float kRecessInner = 0.56f; // a sloped wall from kFrameInner down to here
constexpr float kRecessDepth = 0.06f;
// Edge segments of a face, its frame, its wall and the chamfer beside it,
// and rows across the frame: the bolts sit in the middle row.
constexpr int kFaceSegments = 6;
constexpr int kFrameRows = 3;

// A ring around the block's equator on four struts, and a glass dome rising
// out of the top panel.
constexpr float kRingRadius = 1.36f;
constexpr float kRingTube = 0.08f;
constexpr int kRingRepeats = 4; // the ring band's art repeats this often around
constexpr float kStrutRadius = 0.045f;
constexpr float kStrutBase = kHalfExtent - kRecessDepth - 0.12f; // inside the block
constexpr float kDomeRadius = 0.32f;
constexpr float kDomeCentre = kHalfExtent - kRecessDepth - 0.14f;

// Face art in face coordinates (-1 to 1 across a face's flat square):
// where the frame ends and where the recessed panel begins.
constexpr float kFrameInnerFraction = kFrameInner / kFaceHalf;
constexpr float kRecessFraction = kRecessInner / kFaceHalf;
constexpr float kDomeFootFraction = 0.288f / kFaceHalf; // where the dome leaves the panel

// Atlas regions, in texels of a kAtlasSize square. A face's flat square
// fills its region; the four side faces share one, the top and bottom
// another (the dome takes the top's mapping). The bands keep kGutter texels
// clear round them, filled with their own edges mirrored, because their
// mappings fold there (the strut and ring are folded round themselves) and
// filtering would otherwise reach the next region.
constexpr float kAtlasSize = 512;
constexpr float kGutter = 4;
constexpr UvRect kSideFace = AtlasTexels(0, 0, 256, 256, kAtlasSize);
constexpr UvRect kCapFace = AtlasTexels(256, 0, 512, 256, kAtlasSize);
// Along the edge in u, from one face (v0) across to the other.
constexpr UvRect kChamferBand = AtlasTexels(0, 264, 256, 288, kAtlasSize);
constexpr UvRect kCornerPatch = AtlasTexels(0, 300, 24, 324, kAtlasSize);
// Along the strut in u, round it (folded) in v.
constexpr UvRect kStrutBand = AtlasTexels(264, 264, 512, 288, kAtlasSize);
// Round the ring in u (repeating), round the tube in v from the outer rim
// (v0) to the inner side (v1).
constexpr UvRect kRingBand = AtlasTexels(0, 336, 512, 392, kAtlasSize);

} // namespace solid_layout
