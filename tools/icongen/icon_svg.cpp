#include "tools/icongen/icon_svg.h"

#include <cstdio>

namespace {

std::string Number(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", double(value));
    return text;
}

std::string Hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", unsigned(rgb & 0xFFFFFF));
    return text;
}

std::string Opacity(const char* attribute, float opacity) {
    return opacity < 1.0f ? std::string(" ") + attribute + "=\"" + Number(opacity) + "\"" : "";
}

std::string Stop(const char* offset, const IconColor& color) {
    return "      <stop offset=\"" + std::string(offset) + "\" stop-color=\"" + Hex(color.rgb) +
           "\"" + Opacity("stop-opacity", color.opacity) + "/>\n";
}

// A solid paint is written inline; a gradient is defined once and named.
std::string Fill(const IconPaint& paint, std::size_t index, std::string& defs) {
    if (paint.IsSolid())
        return " fill=\"" + Hex(paint.top.rgb) + "\"" + Opacity("fill-opacity", paint.top.opacity);
    const std::string id = "paint" + std::to_string(index);
    defs += "    <linearGradient id=\"" + id +
            "\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"" + Number(paint.y0) +
            "\" x2=\"0\" y2=\"" + Number(paint.y1) + "\">\n" + Stop("0", paint.top) +
            Stop("1", paint.bottom) + "    </linearGradient>\n";
    return " fill=\"url(#" + id + ")\"";
}

std::string Element(const IconShape& shape, const std::string& fill) {
    switch (shape.kind) {
    case IconShapeKind::RoundedRect:
        return "  <rect x=\"" + Number(shape.min.x) + "\" y=\"" + Number(shape.min.y) +
               "\" width=\"" + Number(shape.max.x - shape.min.x) + "\" height=\"" +
               Number(shape.max.y - shape.min.y) + "\" rx=\"" + Number(shape.radius) + "\"" + fill +
               "/>\n";
    case IconShapeKind::Circle:
        return "  <circle cx=\"" + Number(shape.min.x) + "\" cy=\"" + Number(shape.min.y) +
               "\" r=\"" + Number(shape.radius) + "\"" + fill + "/>\n";
    case IconShapeKind::Polygon: {
        std::string points;
        for (const IconPoint& p : shape.points)
            points += (points.empty() ? "" : " ") + Number(p.x) + "," + Number(p.y);
        return "  <polygon points=\"" + points + "\"" + fill + "/>\n";
    }
    }
    return "";
}

} // namespace

std::string IconSvg(const std::vector<IconShape>& shapes) {
    std::string defs;
    std::string body;
    for (std::size_t i = 0; i < shapes.size(); ++i)
        body += Element(shapes[i], Fill(shapes[i].paint, i, defs));
    const std::string size = std::to_string(kIconSize);
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      size + "\" height=\"" + size + "\" viewBox=\"0 0 " + size + " " + size +
                      "\">\n";
    if (!defs.empty())
        svg += "  <defs>\n" + defs + "  </defs>\n";
    return svg + body + "</svg>\n";
}
