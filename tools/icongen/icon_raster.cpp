#include "tools/icongen/icon_raster.h"

#include <algorithm>
#include <cmath>

namespace {

// Samples per pixel along each axis.
constexpr int kSamples = 4;

struct Premultiplied {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

float Channel(std::uint32_t rgb, int shift) {
    return float((rgb >> shift) & 0xFF) / 255.0f;
}

Premultiplied ColorAt(const IconPaint& paint, float y) {
    float t = 0.0f;
    if (!paint.IsSolid() && paint.y1 != paint.y0)
        t = std::clamp((y - paint.y0) / (paint.y1 - paint.y0), 0.0f, 1.0f);
    auto mix = [t](float from, float to) { return from + (to - from) * t; };
    const IconColor& a = paint.top;
    const IconColor& b = paint.bottom;
    const float alpha = mix(a.opacity, b.opacity);
    return {mix(Channel(a.rgb, 16), Channel(b.rgb, 16)) * alpha,
            mix(Channel(a.rgb, 8), Channel(b.rgb, 8)) * alpha,
            mix(Channel(a.rgb, 0), Channel(b.rgb, 0)) * alpha, alpha};
}

// Source over destination, both premultiplied.
void Over(Premultiplied& dst, const Premultiplied& src) {
    const float keep = 1.0f - src.a;
    dst.r = src.r + dst.r * keep;
    dst.g = src.g + dst.g * keep;
    dst.b = src.b + dst.b * keep;
    dst.a = src.a + dst.a * keep;
}

bool PolygonContains(const std::vector<IconPoint>& points, IconPoint p) {
    bool inside = false;
    for (std::size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        const IconPoint& a = points[i];
        const IconPoint& b = points[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y))
            inside = !inside;
    }
    return inside;
}

std::uint8_t Quantize(float value) {
    return std::uint8_t(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

} // namespace

bool IconShapeContains(const IconShape& shape, IconPoint p) {
    switch (shape.kind) {
    case IconShapeKind::RoundedRect: {
        if (p.x < shape.min.x || p.x > shape.max.x || p.y < shape.min.y || p.y > shape.max.y)
            return false;
        // Inside the rectangle, only the corners outside their arcs are out.
        const float r = shape.radius;
        const float cx = std::clamp(p.x, shape.min.x + r, shape.max.x - r);
        const float cy = std::clamp(p.y, shape.min.y + r, shape.max.y - r);
        return (p.x - cx) * (p.x - cx) + (p.y - cy) * (p.y - cy) <= r * r;
    }
    case IconShapeKind::Circle: {
        const float dx = p.x - shape.min.x;
        const float dy = p.y - shape.min.y;
        return dx * dx + dy * dy <= shape.radius * shape.radius;
    }
    case IconShapeKind::Polygon:
        return shape.points.size() >= 3 && PolygonContains(shape.points, p);
    }
    return false;
}

bool RasterizeIcon(const std::vector<IconShape>& shapes, UINT size, Image& image) {
    if (size == 0 || FAILED(AllocateImage(image, size, size, false)))
        return false;
    const float unitsPerPixel = float(kIconSize) / float(size);
    for (UINT y = 0; y < size; ++y) {
        for (UINT x = 0; x < size; ++x) {
            Premultiplied sum;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const IconPoint p{(float(x) + (float(sx) + 0.5f) / kSamples) * unitsPerPixel,
                                      (float(y) + (float(sy) + 0.5f) / kSamples) * unitsPerPixel};
                    Premultiplied sample;
                    for (const IconShape& shape : shapes)
                        if (IconShapeContains(shape, p))
                            Over(sample, ColorAt(shape.paint, p.y));
                    sum.r += sample.r;
                    sum.g += sample.g;
                    sum.b += sample.b;
                    sum.a += sample.a;
                }
            }
            const float count = float(kSamples * kSamples);
            const float alpha = sum.a / count;
            // Stored straight, as PNG keeps it.
            const float unpremultiply = alpha > 0.0f ? 1.0f / sum.a : 0.0f;
            std::uint8_t* bgra = &image.bgra[(std::size_t(y) * size + x) * 4];
            bgra[0] = Quantize(sum.b * unpremultiply);
            bgra[1] = Quantize(sum.g * unpremultiply);
            bgra[2] = Quantize(sum.r * unpremultiply);
            bgra[3] = Quantize(alpha);
        }
    }
    return true;
}
