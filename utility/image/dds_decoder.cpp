// DDS: "DDS ", a 124-byte header, then the levels one after another from the
// largest; only the largest is read (the loader makes its own mip chain).
#include "utility/d3dx9mesh.h"
#include "utility/image/byte_order.h"
#include "utility/image/decoders.h"
#include "utility/image/dxt_blocks.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderBytes = 4 + 124;
constexpr std::size_t kPixelFormatOffset = 76;
constexpr std::uint32_t kAlphaPixels = 0x1;
constexpr std::uint32_t kFourCc = 0x4;
constexpr std::uint32_t kRgb = 0x40;

using BlockDecoder = void (*)(const std::uint8_t* block, std::uint8_t* bgra);

struct DdsLayout {
    UINT width = 0, height = 0;
    BlockDecoder decodeBlock = nullptr; // null for uncompressed pixels
    std::size_t blockBytes = 0;
    // Uncompressed: where each channel sits in a 32-bit pixel, in B, G, R, A
    // order; alpha is opaque when the file has none.
    int shifts[4] = {};
    bool hasAlpha = false;
};

// An 8-bit channel mask on a byte boundary, as 32-bit pixels store them.
bool ByteShift(std::uint32_t mask, int& shift) {
    for (shift = 0; shift < 32; shift += 8) {
        if (mask == 0xffu << shift)
            return true;
    }
    return false;
}

bool ReadCompression(std::uint32_t fourCc, DdsLayout& layout) {
    if (fourCc == std::uint32_t(D3DFMT_DXT1)) {
        layout.decodeBlock = DecodeDxt1Block;
        layout.blockBytes = 8;
    } else if (fourCc == std::uint32_t(D3DFMT_DXT3)) {
        layout.decodeBlock = DecodeDxt3Block;
        layout.blockBytes = 16;
    } else if (fourCc == std::uint32_t(D3DFMT_DXT5)) {
        layout.decodeBlock = DecodeDxt5Block;
        layout.blockBytes = 16;
    }
    return layout.decodeBlock != nullptr;
}

bool ReadMasks(const std::uint8_t* format, std::uint32_t flags, DdsLayout& layout) {
    if (ReadLe32(format + 12) != 32)
        return false;
    layout.hasAlpha = (flags & kAlphaPixels) != 0;
    const std::uint32_t red = ReadLe32(format + 16), green = ReadLe32(format + 20),
                        blue = ReadLe32(format + 24), alpha = ReadLe32(format + 28);
    return ByteShift(blue, layout.shifts[0]) && ByteShift(green, layout.shifts[1]) &&
           ByteShift(red, layout.shifts[2]) &&
           (!layout.hasAlpha || ByteShift(alpha, layout.shifts[3]));
}

bool ReadLayout(const std::uint8_t* data, std::size_t size, DdsLayout& layout) {
    if (size < kHeaderBytes || std::memcmp(data, "DDS ", 4) != 0 || ReadLe32(data + 4) != 124)
        return false;
    layout.height = ReadLe32(data + 12);
    layout.width = ReadLe32(data + 16);
    const std::uint8_t* format = data + kPixelFormatOffset;
    std::uint32_t flags = ReadLe32(format + 4);
    if (flags & kFourCc)
        return ReadCompression(ReadLe32(format + 8), layout);
    return (flags & kRgb) && ReadMasks(format, flags, layout);
}

std::uint64_t PixelBytes(const DdsLayout& layout) {
    if (!layout.decodeBlock)
        return std::uint64_t(layout.width) * layout.height * 4;
    std::uint64_t blocksWide = (layout.width + 3) / 4, blocksHigh = (layout.height + 3) / 4;
    return blocksWide * blocksHigh * layout.blockBytes;
}

void DecodeBlocks(const DdsLayout& layout, const std::uint8_t* blocks, Image& image) {
    std::uint8_t pixels[kDxtBlockPixels * 4];
    for (UINT top = 0; top < image.height; top += 4) {
        for (UINT left = 0; left < image.width; left += 4, blocks += layout.blockBytes) {
            layout.decodeBlock(blocks, pixels);
            // Blocks on the right and bottom edges may hang over the image.
            std::size_t rowBytes = std::min<UINT>(4, image.width - left) * 4;
            for (UINT row = 0; row < 4 && top + row < image.height; ++row) {
                std::size_t offset = (std::size_t(top + row) * image.width + left) * 4;
                std::memcpy(image.bgra.data() + offset, pixels + row * 16, rowBytes);
            }
        }
    }
}

void DecodeUncompressed(const DdsLayout& layout, const std::uint8_t* pixels, Image& image) {
    std::size_t count = std::size_t(image.width) * image.height;
    std::uint8_t* out = image.bgra.data();
    for (std::size_t i = 0; i < count; ++i, pixels += 4, out += 4) {
        std::uint32_t pixel = ReadLe32(pixels);
        for (int channel = 0; channel < 4; ++channel)
            out[channel] = std::uint8_t(pixel >> layout.shifts[channel]);
        if (!layout.hasAlpha)
            out[3] = 0xff;
    }
}

} // namespace

HRESULT DecodeDds(const std::uint8_t* data, std::size_t size, Image& image) {
    DdsLayout layout;
    if (!ReadLayout(data, size, layout) || !ImageSizeAllowed(layout.width, layout.height) ||
        PixelBytes(layout) > size - kHeaderBytes)
        return D3DXERR_INVALIDDATA;
    HRESULT hr = AllocateImage(image, layout.width, layout.height, false);
    if (FAILED(hr))
        return hr;
    if (layout.decodeBlock)
        DecodeBlocks(layout, data + kHeaderBytes, image);
    else
        DecodeUncompressed(layout, data + kHeaderBytes, image);
    return D3D_OK;
}
