// Radiance RGBE: a text header ended by an empty line, a resolution line,
// then one scanline per row, either flat (four bytes a pixel) or run-length
// encoded channel by channel.
#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"
#include "utility/image/image_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// A read position that never passes the end of the file.
struct Cursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;

    std::size_t Left() const { return size - offset; }
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The next line without its '\n'; false when no line ends before the data.
bool NextLine(Cursor& cursor, std::string_view& line) {
    const void* end = std::memchr(cursor.data + cursor.offset, '\n', cursor.Left());
    if (!end)
        return false;
    std::size_t length =
        std::size_t(static_cast<const std::uint8_t*>(end) - cursor.data) - cursor.offset;
    line = std::string_view(reinterpret_cast<const char*>(cursor.data) + cursor.offset, length);
    cursor.offset += length + 1;
    return true;
}

// `label`, spaces, a decimal number, spaces. A number past what UINT holds
// comes out as its largest value, which no size check lets through.
bool ParseDimension(std::string_view& text, std::string_view label, UINT& value) {
    if (!StartsWith(text, label))
        return false;
    text.remove_prefix(label.size());
    while (StartsWith(text, " "))
        text.remove_prefix(1);
    std::uint64_t number = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits)
        number = std::min<std::uint64_t>(number * 10 + unsigned(text[digits] - '0'), UINT(-1));
    value = UINT(number);
    text.remove_prefix(digits);
    while (StartsWith(text, " "))
        text.remove_prefix(1);
    return digits > 0;
}

// Only RGBE pixels in the usual orientation, rows top-down ("-Y") and
// columns left to right ("+X"), which is what every writer produces.
HRESULT ReadHeader(Cursor& cursor, UINT& width, UINT& height) {
    std::string_view line;
    if (!NextLine(cursor, line) || !(StartsWith(line, "#?RADIANCE") || StartsWith(line, "#?RGBE")))
        return InvalidImage("Radiance HDR: broken header");
    do {
        if (!NextLine(cursor, line))
            return InvalidImage("Radiance HDR: header without an end");
        if (StartsWith(line, "FORMAT=") && line != "FORMAT=32-bit_rle_rgbe")
            return InvalidImage("Radiance HDR: unsupported pixel format %.40s",
                                std::string(line.substr(7)).c_str());
    } while (!line.empty());
    if (!NextLine(cursor, line))
        return InvalidImage("Radiance HDR: no image size");
    if (!ParseDimension(line, "-Y", height) || !ParseDimension(line, "+X", width) || !line.empty())
        return InvalidImage("Radiance HDR: unsupported image size or orientation");
    return D3D_OK;
}

bool RunLengthPossible(UINT width) {
    return width >= 8 && width <= 0x7fff;
}

// The fewest bytes `height` scanlines can take, so that a header which claims
// far more pixels than the file could hold is refused before allocating.
std::uint64_t MinimumPixelBytes(UINT width, UINT height) {
    std::uint64_t flat = std::uint64_t(width) * 4;
    std::uint64_t line = flat;
    if (RunLengthPossible(width))
        line = std::min<std::uint64_t>(flat, 4 + 4 * 2 * ((width + 127) / 128));
    return line * height;
}

// One channel of a run-length scanline into every fourth byte of `out`.
bool ReadRunLengthChannel(Cursor& cursor, UINT width, std::uint8_t* out) {
    for (UINT x = 0; x < width;) {
        if (cursor.Left() < 1)
            return false;
        UINT count = cursor.data[cursor.offset++];
        bool run = count > 128;
        if (run)
            count -= 128;
        if (count == 0 || count > width - x || cursor.Left() < (run ? 1 : count))
            return false;
        for (UINT i = 0; i < count; ++i, ++x)
            out[4 * x] = cursor.data[run ? cursor.offset : cursor.offset + i];
        cursor.offset += run ? 1 : count;
    }
    return true;
}

bool ReadScanline(Cursor& cursor, UINT width, std::uint8_t* rgbe) {
    const std::uint8_t* start = cursor.data + cursor.offset;
    bool runLength = RunLengthPossible(width) && cursor.Left() >= 4 && start[0] == 2 &&
                     start[1] == 2 && (start[2] & 0x80) == 0;
    if (!runLength) {
        std::size_t bytes = std::size_t(width) * 4;
        if (cursor.Left() < bytes)
            return false;
        std::memcpy(rgbe, start, bytes);
        cursor.offset += bytes;
        return true;
    }
    if (UINT(start[2] << 8 | start[3]) != width)
        return false;
    cursor.offset += 4;
    for (int channel = 0; channel < 4; ++channel) {
        if (!ReadRunLengthChannel(cursor, width, rgbe + channel))
            return false;
    }
    return true;
}

void RgbeToFloat(const std::uint8_t* rgbe, UINT width, float* rgba) {
    for (UINT x = 0; x < width; ++x, rgbe += 4, rgba += 4) {
        float scale = rgbe[3] ? std::ldexp(1.0f, int(rgbe[3]) - 136) : 0.0f;
        rgba[0] = rgbe[0] * scale;
        rgba[1] = rgbe[1] * scale;
        rgba[2] = rgbe[2] * scale;
        rgba[3] = 1.0f;
    }
}

} // namespace

HRESULT DecodeHdr(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image) {
    Cursor cursor{data, size, 0};
    UINT width = 0, height = 0;
    HRESULT hr = ReadHeader(cursor, width, height);
    if (SUCCEEDED(hr))
        hr = CheckImageSize(width, height);
    if (FAILED(hr))
        return hr;
    if (MinimumPixelBytes(width, height) > cursor.Left())
        return InvalidImage("Radiance HDR: too little pixel data for %u x %u pixels", width,
                            height);
    std::vector<std::uint8_t> rgbe;
    if (!TryResize(rgbe, std::size_t(width) * 4))
        return NoMemoryForImage(width, height);
    ImageRowWriter writer(image);
    hr = writer.Start(width, height, true, fit);
    if (FAILED(hr))
        return hr;
    for (UINT y = 0; y < height; ++y) {
        if (!ReadScanline(cursor, width, rgbe.data()))
            return InvalidImage("Radiance HDR: broken or missing row %u", y);
        RgbeToFloat(rgbe.data(), width, writer.RgbaRow());
        if (!writer.FinishRow())
            return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}
