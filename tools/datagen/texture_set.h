// A texture set painted once as surface properties per texel and split into
// the viewer's four maps: diffuse (rgb, opaque), normal (0.5 n + 0.5 in rgb,
// height in alpha for the parallax offset), specular (rgb, exponent / 255 in
// alpha) and emissive (light added as 2 t - 1, so mid-grey adds nothing).
#pragma once

#include "tools/datagen/paint.h"
#include "utility/image/image.h"

#include <functional>

struct SurfaceTexel {
    Rgb albedo{0.5f, 0.5f, 0.5f};
    float height = 0.5f; // 0.5 is the surface itself, no parallax shift
    Rgb specular{0.2f, 0.2f, 0.2f};
    float exponent = 16; // 1 to 255
    Rgb glow{0, 0, 0};   // light added, -1 to 1
};

// The painter is asked for the texel centres, (u, v) in [0, 1).
using SurfacePainter = std::function<SurfaceTexel(float u, float v)>;

struct TextureSetImages {
    Image diffuse, normal, specular, emissive;
};

// `relief` is the slope a height step of 1 makes across one texel: the
// normals are normalise(-relief dh/du, -relief dh/dv, 1) with the
// differences taken across neighbouring texels (wrapping at the borders),
// v downward, matching tangent = dP/du and binormal = normal x tangent.
TextureSetImages PaintTextureSet(UINT size, const SurfacePainter& painter, float relief);

// An image of one colour in every texel, channels 0 to 255.
Image SolidImage(UINT size, int red, int green, int blue, int alpha);
