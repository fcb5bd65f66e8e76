// DDS: "DDS ", a 124-byte header, then the levels one after another from the
// largest; only the largest is read (the loader makes its own mip chain).
// Uncompressed pixels are described by the masks of their channels, so one
// reader takes every RGB, luminance and alpha layout of 8 to 32 bits.
#include "utility/d3dx9mesh.h"
#include "utility/image/byte_order.h"
#include "utility/image/decoders.h"
#include "utility/image/dxt_blocks.h"
#include "utility/image/image_rows.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderBytes = 4 + 124;
constexpr std::size_t kPixelFormatOffset = 76;
// Pixel format flags.
constexpr std::uint32_t kAlphaPixels = 0x1;
constexpr std::uint32_t kAlphaOnly = 0x2;
constexpr std::uint32_t kFourCc = 0x4;
constexpr std::uint32_t kRgb = 0x40;
constexpr std::uint32_t kLuminance = 0x20000;

using BlockDecoder = void (*)(const std::uint8_t* block, std::uint8_t* bgra);

// Where one channel sits in a pixel: `bits` bits from `shift` up, none when
// bits is 0, and the 8-bit value of each of its values. A channel of more
// than 8 bits is read by its top 8.
struct ChannelMask {
    unsigned shift = 0, bits = 0;
    std::uint8_t levels[256] = {};
};

struct DdsLayout {
    UINT width = 0, height = 0;
    BlockDecoder decodeBlock = nullptr; // null for uncompressed pixels
    std::size_t blockBytes = 0;
    // Uncompressed: bytes per pixel and the channels in B, G, R, A order.
    // Luminance is read into all three colours; without a colour mask the
    // colours are black (alpha-only pixels), without an alpha mask opaque.
    unsigned pixelBytes = 0;
    ChannelMask channels[4];
};

// A mask of one run of set bits.
bool ReadMask(std::uint32_t mask, ChannelMask& channel) {
    channel = ChannelMask{};
    if (mask == 0)
        return true;
    while (!(mask >> channel.shift & 1))
        ++channel.shift;
    std::uint64_t run = std::uint64_t(mask) >> channel.shift;
    while (run >> channel.bits & 1)
        ++channel.bits;
    if (run >> channel.bits != 0)
        return false;
    if (channel.bits > 8) {
        channel.shift += channel.bits - 8;
        channel.bits = 8;
    }
    unsigned largest = (1u << channel.bits) - 1;
    for (unsigned value = 0; value <= largest; ++value)
        channel.levels[value] = std::uint8_t((value * 255 + largest / 2) / largest);
    return true;
}

HRESULT ReadCompression(std::uint32_t fourCc, DdsLayout& layout) {
    if (fourCc == std::uint32_t(D3DFMT_DXT1)) {
        layout.decodeBlock = DecodeDxt1Block;
        layout.blockBytes = 8;
    } else if (fourCc == std::uint32_t(D3DFMT_DXT3)) {
        layout.decodeBlock = DecodeDxt3Block;
        layout.blockBytes = 16;
    } else if (fourCc == std::uint32_t(D3DFMT_DXT5)) {
        layout.decodeBlock = DecodeDxt5Block;
        layout.blockBytes = 16;
    } else {
        char name[5];
        for (int i = 0; i < 4; ++i) {
            char c = char(fourCc >> (8 * i));
            name[i] = c >= ' ' && c <= '~' ? c : '?';
        }
        name[4] = '\0';
        return InvalidImage("DDS: unsupported compression %s", name);
    }
    return D3D_OK;
}

HRESULT ReadMasks(const std::uint8_t* format, std::uint32_t flags, DdsLayout& layout) {
    std::uint32_t bits = ReadLe32(format + 12);
    const std::uint32_t red = ReadLe32(format + 16), green = ReadLe32(format + 20),
                        blue = ReadLe32(format + 24);
    const std::uint32_t alpha = flags & (kAlphaPixels | kAlphaOnly) ? ReadLe32(format + 28) : 0;
    bool colours = (flags & kRgb) && red && green && blue;
    bool luminance = (flags & kLuminance) && red;
    bool alphaOnly = (flags & kAlphaOnly) && alpha;
    if (bits % 8 != 0 || bits < 8 || bits > 32 || !(colours || luminance || alphaOnly))
        return InvalidImage("DDS: unsupported pixel format (%u bits, flags 0x%x)", bits, flags);
    layout.pixelBytes = bits / 8;
    std::uint64_t pixelMask = (std::uint64_t(1) << bits) - 1;
    bool masksRead = (alpha & ~pixelMask) == 0 && ReadMask(alpha, layout.channels[3]);
    if (colours)
        masksRead = masksRead && ((red | green | blue) & ~pixelMask) == 0 &&
                    ReadMask(blue, layout.channels[0]) && ReadMask(green, layout.channels[1]) &&
                    ReadMask(red, layout.channels[2]);
    else if (luminance)
        masksRead = masksRead && (red & ~pixelMask) == 0 && ReadMask(red, layout.channels[0]);
    if (!masksRead)
        return InvalidImage("DDS: broken channel masks");
    if (luminance && !colours)
        layout.channels[1] = layout.channels[2] = layout.channels[0];
    return D3D_OK;
}

HRESULT ReadLayout(const std::uint8_t* data, std::size_t size, DdsLayout& layout) {
    if (size < kHeaderBytes || std::memcmp(data, "DDS ", 4) != 0 || ReadLe32(data + 4) != 124)
        return InvalidImage("DDS: broken header");
    layout.height = ReadLe32(data + 12);
    layout.width = ReadLe32(data + 16);
    const std::uint8_t* format = data + kPixelFormatOffset;
    std::uint32_t flags = ReadLe32(format + 4);
    if (flags & kFourCc)
        return ReadCompression(ReadLe32(format + 8), layout);
    return ReadMasks(format, flags, layout);
}

std::uint64_t PixelBytes(const DdsLayout& layout) {
    if (!layout.decodeBlock)
        return std::uint64_t(layout.width) * layout.height * layout.pixelBytes;
    std::uint64_t blocksWide = (layout.width + 3) / 4, blocksHigh = (layout.height + 3) / 4;
    return blocksWide * blocksHigh * layout.blockBytes;
}

// One row of blocks at a time into four rows of pixels; blocks on the right
// and bottom edges may hang over the image.
HRESULT DecodeBlocks(const DdsLayout& layout, const std::uint8_t* blocks, ImageRowWriter& writer) {
    std::vector<std::uint8_t> strip;
    if (!TryResize(strip, std::size_t(layout.width) * 4 * 4))
        return NoMemoryForImage(layout.width, layout.height);
    std::uint8_t pixels[kDxtBlockPixels * 4];
    for (UINT top = 0; top < layout.height; top += 4) {
        for (UINT left = 0; left < layout.width; left += 4, blocks += layout.blockBytes) {
            layout.decodeBlock(blocks, pixels);
            std::size_t rowBytes = std::min<UINT>(4, layout.width - left) * 4;
            for (UINT row = 0; row < 4; ++row)
                std::memcpy(&strip[(std::size_t(row) * layout.width + left) * 4], pixels + row * 16,
                            rowBytes);
        }
        for (UINT row = 0; row < 4 && top + row < layout.height; ++row) {
            std::memcpy(writer.BgraRow(), &strip[std::size_t(row) * layout.width * 4],
                        std::size_t(layout.width) * 4);
            if (!writer.FinishRow())
                return D3DXERR_INVALIDDATA;
        }
    }
    return D3D_OK;
}

std::uint8_t ChannelValue(std::uint32_t pixel, const ChannelMask& channel, std::uint8_t absent) {
    if (channel.bits == 0)
        return absent;
    return channel.levels[(pixel >> channel.shift) & ((1u << channel.bits) - 1)];
}

HRESULT DecodeUncompressed(const DdsLayout& layout, const std::uint8_t* pixels,
                           ImageRowWriter& writer) {
    for (UINT y = 0; y < layout.height; ++y) {
        std::uint8_t* out = writer.BgraRow();
        for (UINT x = 0; x < layout.width; ++x, pixels += layout.pixelBytes, out += 4) {
            std::uint32_t pixel = 0;
            for (unsigned byte = 0; byte < layout.pixelBytes; ++byte)
                pixel |= std::uint32_t(pixels[byte]) << (8 * byte);
            for (int channel = 0; channel < 3; ++channel)
                out[channel] = ChannelValue(pixel, layout.channels[channel], 0);
            out[3] = ChannelValue(pixel, layout.channels[3], 0xff);
        }
        if (!writer.FinishRow())
            return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

} // namespace

HRESULT DecodeDds(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image) {
    DdsLayout layout;
    HRESULT hr = ReadLayout(data, size, layout);
    if (SUCCEEDED(hr))
        hr = CheckImageSize(layout.width, layout.height);
    if (FAILED(hr))
        return hr;
    if (PixelBytes(layout) > size - kHeaderBytes)
        return InvalidImage("DDS: the file ends before the pixels of %u x %u", layout.width,
                            layout.height);
    ImageRowWriter writer(image);
    hr = writer.Start(layout.width, layout.height, false, fit);
    if (FAILED(hr))
        return hr;
    if (layout.decodeBlock)
        return DecodeBlocks(layout, data + kHeaderBytes, writer);
    return DecodeUncompressed(layout, data + kHeaderBytes, writer);
}
