#include "tools/datagen/texture_set.h"

#include <cmath>
#include <vector>

namespace {

std::uint8_t Byte(float value) {
    return std::uint8_t(std::lround(Clamp01(value) * 255));
}

void Store(Image& image, std::size_t texel, float red, float green, float blue, float alpha) {
    std::uint8_t* bgra = &image.bgra[texel * 4];
    bgra[0] = Byte(blue);
    bgra[1] = Byte(green);
    bgra[2] = Byte(red);
    bgra[3] = Byte(alpha);
}

void Size(Image& image, UINT size) {
    image.width = size;
    image.height = size;
    image.bgra.assign(std::size_t(size) * size * 4, 0);
}

} // namespace

TextureSetImages PaintTextureSet(UINT size, const SurfacePainter& painter, float relief) {
    TextureSetImages set;
    for (Image* image : {&set.diffuse, &set.normal, &set.specular, &set.emissive})
        Size(*image, size);

    std::vector<float> heights(std::size_t(size) * size);
    for (UINT y = 0; y < size; ++y)
        for (UINT x = 0; x < size; ++x) {
            const std::size_t texel = std::size_t(y) * size + x;
            SurfaceTexel s =
                painter((float(x) + 0.5f) / float(size), (float(y) + 0.5f) / float(size));
            heights[texel] = s.height;
            Store(set.diffuse, texel, s.albedo.r, s.albedo.g, s.albedo.b, 1);
            Store(set.specular, texel, s.specular.r, s.specular.g, s.specular.b,
                  std::clamp(s.exponent, 1.0f, 255.0f) / 255);
            Store(set.emissive, texel, 0.5f + s.glow.r / 2, 0.5f + s.glow.g / 2,
                  0.5f + s.glow.b / 2, 1);
        }

    auto height = [&](UINT x, UINT y) { return heights[std::size_t(y % size) * size + x % size]; };
    for (UINT y = 0; y < size; ++y)
        for (UINT x = 0; x < size; ++x) {
            float du = (height(x + 1, y) - height(x + size - 1, y)) / 2 * relief;
            float dv = (height(x, y + 1) - height(x, y + size - 1)) / 2 * relief;
            float length = std::sqrt(du * du + dv * dv + 1);
            Store(set.normal, std::size_t(y) * size + x, 0.5f - du / length / 2,
                  0.5f - dv / length / 2, 0.5f + 0.5f / length, height(x, y));
        }
    return set;
}

Image SolidImage(UINT size, int red, int green, int blue, int alpha) {
    Image image;
    Size(image, size);
    for (std::size_t texel = 0; texel < std::size_t(size) * size; ++texel) {
        std::uint8_t* bgra = &image.bgra[texel * 4];
        bgra[0] = std::uint8_t(blue);
        bgra[1] = std::uint8_t(green);
        bgra[2] = std::uint8_t(red);
        bgra[3] = std::uint8_t(alpha);
    }
    return image;
}
