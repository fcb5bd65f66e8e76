// BMP and TGA are decoded by stb_image. stb_image reads zeros past the end
// of its data instead of failing, so the sizes each header promises are
// checked against the data here first; a cut-off file never reaches it.
#include "utility/d3dx9mesh.h"
#include "utility/image/byte_order.h"
#include "utility/image/decoders.h"

#include <stb_image.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t kBmpFileHeaderBytes = 14;
constexpr std::size_t kTgaHeaderBytes = 18;

// The file header, the info header (the OS/2 one with 16-bit fields or a
// Windows one) and rows padded to four bytes, the last one ending in the file.
bool BmpFits(const std::uint8_t* data, std::size_t size) {
    if (size < kBmpFileHeaderBytes + 4)
        return false;
    std::uint64_t pixelOffset = ReadLe32(data + 10);
    std::uint32_t infoBytes = ReadLe32(data + 14);
    if (infoBytes != 12 && infoBytes != 40 && infoBytes != 56 && infoBytes != 108 &&
        infoBytes != 124)
        return false;
    if (size < kBmpFileHeaderBytes + infoBytes)
        return false;
    std::int64_t width, height;
    unsigned bitsPerPixel;
    if (infoBytes == 12) {
        width = ReadLe16(data + 18);
        height = ReadLe16(data + 20);
        bitsPerPixel = ReadLe16(data + 24);
    } else {
        width = std::int32_t(ReadLe32(data + 18));
        height = std::int32_t(ReadLe32(data + 22)); // negative: rows top-down
        bitsPerPixel = ReadLe16(data + 28);
    }
    height = std::abs(height);
    if (width <= 0 || !ImageSizeAllowed(std::uint64_t(width), std::uint64_t(height)) ||
        bitsPerPixel == 0 || bitsPerPixel > 32)
        return false;
    std::uint64_t rowBytes = (std::uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
    return pixelOffset + rowBytes * std::uint64_t(height) <= size;
}

struct TgaHeader {
    unsigned idBytes, colourMapType, imageType;
    unsigned paletteStart, paletteLength, paletteBits;
    unsigned width, height, bitsPerPixel;

    bool Indexed() const { return colourMapType == 1; }
    bool RunLength() const { return imageType >= 9; }
};

TgaHeader ReadTgaHeader(const std::uint8_t* data) {
    return TgaHeader{data[0],
                     data[1],
                     data[2],
                     ReadLe16(data + 3),
                     ReadLe16(data + 5),
                     data[7],
                     ReadLe16(data + 12),
                     ReadLe16(data + 14),
                     data[16]};
}

bool IsTgaDepth(unsigned bits) {
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// Where stb_image starts reading pixels: after the id field and, for palette
// images, after the palette (stb_image skips `paletteStart` bytes before it).
std::uint64_t TgaPixelOffset(const TgaHeader& header) {
    std::uint64_t offset = kTgaHeaderBytes + header.idBytes;
    if (header.Indexed())
        offset += header.paletteStart +
                  std::uint64_t(header.paletteLength) * ((header.paletteBits + 7) / 8);
    return offset;
}

// Run-length pixels: each packet is a count byte and either one pixel to
// repeat or that many literal pixels; the last packet may reach past the
// image, and stb_image reads only what the image needs of it.
bool TgaPacketsFit(const std::uint8_t* data, std::size_t size, std::uint64_t offset,
                   std::uint64_t pixels, std::uint64_t pixelBytes) {
    for (std::uint64_t done = 0; done < pixels;) {
        if (offset >= size)
            return false;
        unsigned packet = data[offset++];
        std::uint64_t count = std::min<std::uint64_t>((packet & 0x7f) + 1, pixels - done);
        std::uint64_t bytes = (packet & 0x80) ? pixelBytes : count * pixelBytes;
        if (bytes > size - offset)
            return false;
        offset += bytes;
        done += count;
    }
    return true;
}

bool TgaFits(const std::uint8_t* data, std::size_t size) {
    if (!LooksLikeTga(data, size))
        return false;
    TgaHeader header = ReadTgaHeader(data);
    if (!ImageSizeAllowed(header.width, header.height) ||
        (header.Indexed() && !header.paletteLength))
        return false;
    std::uint64_t offset = TgaPixelOffset(header);
    std::uint64_t pixels = std::uint64_t(header.width) * header.height;
    std::uint64_t pixelBytes = (header.bitsPerPixel + 7) / 8;
    if (header.RunLength())
        return TgaPacketsFit(data, size, offset, pixels, pixelBytes);
    return offset + pixels * pixelBytes <= size;
}

HRESULT DecodeWithStb(const std::uint8_t* data, std::size_t size, Image& image) {
    if (size > std::size_t(INT_MAX))
        return D3DXERR_INVALIDDATA;
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
        stbi_load_from_memory(data, int(size), &width, &height, &channels, 4), stbi_image_free);
    if (!rgba)
        return D3DXERR_INVALIDDATA;
    HRESULT hr = AllocateImage(image, UINT(width), UINT(height), false);
    if (FAILED(hr))
        return hr;
    const stbi_uc* in = rgba.get();
    for (std::uint8_t* out = image.bgra.data(); out != image.bgra.data() + image.bgra.size();
         out += 4, in += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = in[3];
    }
    return D3D_OK;
}

} // namespace

bool LooksLikeTga(const std::uint8_t* data, std::size_t size) {
    if (!data || size < kTgaHeaderBytes)
        return false;
    TgaHeader header = ReadTgaHeader(data);
    if (header.width == 0 || header.height == 0)
        return false;
    switch (header.colourMapType) {
    case 0: // true colour or grey, raw or run-length
        return (header.imageType == 2 || header.imageType == 3 || header.imageType == 10 ||
                header.imageType == 11) &&
               IsTgaDepth(header.bitsPerPixel);
    case 1: // palette indices of 8 or 16 bits
        return (header.imageType == 1 || header.imageType == 9) && IsTgaDepth(header.paletteBits) &&
               (header.bitsPerPixel == 8 || header.bitsPerPixel == 16);
    default:
        return false;
    }
}

HRESULT DecodeBmp(const std::uint8_t* data, std::size_t size, Image& image) {
    if (!BmpFits(data, size))
        return D3DXERR_INVALIDDATA;
    return DecodeWithStb(data, size, image);
}

HRESULT DecodeTga(const std::uint8_t* data, std::size_t size, Image& image) {
    if (!TgaFits(data, size))
        return D3DXERR_INVALIDDATA;
    return DecodeWithStb(data, size, image);
}
