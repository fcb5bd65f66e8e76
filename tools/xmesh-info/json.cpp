#include "tools/xmesh-info/json.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// Valid UTF-8 passes through; any other byte above 0x7F is written as the
// code point of the same value, so that the line stays valid JSON.
bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80           ? 1
                        : (c >> 5) == 0x6  ? 2
                        : (c >> 4) == 0xE  ? 3
                        : (c >> 3) == 0x1E ? 4
                                           : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += length;
    }
    return true;
}

} // namespace

std::string JsonString(const std::string& text) {
    bool utf8 = IsUtf8(text);
    std::string out = "\"";
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || (c >= 0x80 && !utf8)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string JsonVector(const float v[3]) {
    return "[" + JsonNumber(v[0]) + "," + JsonNumber(v[1]) + "," + JsonNumber(v[2]) + "]";
}

std::string JsonBounds(const float* first, size_t count, size_t stride) {
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (size_t i = 0; i < count; ++i) {
        const float* position = reinterpret_cast<const float*>(
            reinterpret_cast<const std::uint8_t*>(first) + i * stride);
        for (int k = 0; k < 3; ++k) {
            low[k] = std::fmin(low[k], position[k]);
            high[k] = std::fmax(high[k], position[k]);
        }
    }
    return "{\"min\":" + JsonVector(low) + ",\"max\":" + JsonVector(high) + "}";
}
