#include "utility/image/tga_format.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/byte_order.h"
#include "utility/image/decoders.h"

#include <algorithm>

namespace {

constexpr std::size_t kTgaHeaderBytes = 18;

struct TgaHeader {
    unsigned idBytes, colourMapType, imageType;
    unsigned paletteStart, paletteLength, paletteBits;
    unsigned width, height, bitsPerPixel, descriptor;

    bool Indexed() const { return colourMapType == 1; }
    bool RunLength() const { return imageType >= 9; }
    bool Grey() const { return imageType == 3 || imageType == 11; }
    // The bits of one colour: a palette entry's, or a pixel's.
    unsigned ColourBits() const { return Indexed() ? paletteBits : bitsPerPixel; }
    unsigned AlphaBits() const { return descriptor & 0x0f; }
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
                     data[16],
                     data[17]};
}

bool IsColourDepth(unsigned bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

// The kinds of image stb_image reads: palette indices of 8 or 16 bits into
// a colour map, true colour of 15 to 32 bits, grey of 8 bits (16 with
// alpha), each raw or run-length.
bool KnownKind(const TgaHeader& header) {
    switch (header.colourMapType) {
    case 0:
        if (header.imageType == 2 || header.imageType == 10)
            return IsColourDepth(header.bitsPerPixel);
        if (header.Grey())
            return header.bitsPerPixel == 8 || header.bitsPerPixel == 16;
        return false;
    case 1:
        return (header.imageType == 1 || header.imageType == 9) &&
               (header.paletteBits == 8 || IsColourDepth(header.paletteBits)) &&
               (header.bitsPerPixel == 8 || header.bitsPerPixel == 16) && header.paletteLength > 0;
    default:
        return false;
    }
}

// The descriptor: bits 6 and 7 (interleaving, never written in practice)
// are clear, and the alpha bits leave some bits for the colour.
bool DescriptorFits(const TgaHeader& header) {
    return (header.descriptor & 0xc0) == 0 && header.AlphaBits() <= 8 &&
           header.AlphaBits() < header.ColourBits();
}

// Where stb_image starts reading pixels: after the id field and, for palette
// images, after the palette (stb_image skips `paletteStart` bytes before it).
std::uint64_t PixelOffset(const TgaHeader& header) {
    std::uint64_t offset = kTgaHeaderBytes + header.idBytes;
    if (header.Indexed())
        offset += header.paletteStart +
                  std::uint64_t(header.paletteLength) * ((header.paletteBits + 7) / 8);
    return offset;
}

bool IndicesInPalette(const TgaHeader& header, const std::uint8_t* pixels, std::uint64_t count) {
    for (std::uint64_t i = 0; i < count; ++i) {
        unsigned index = header.bitsPerPixel == 8 ? pixels[i] : ReadLe16(pixels + 2 * i);
        if (index >= header.paletteLength)
            return false;
    }
    return true;
}

// Walks the pixels as stb_image will read them. Run-length pixels come in
// packets: a count byte and either one pixel to repeat or that many literal
// pixels; the last packet may reach past the image, and stb_image reads only
// what the image needs of it.
HRESULT CheckPixels(const std::uint8_t* data, std::size_t size, const TgaHeader& header) {
    std::uint64_t offset = PixelOffset(header);
    std::uint64_t pixels = std::uint64_t(header.width) * header.height;
    std::uint64_t pixelBytes = (header.bitsPerPixel + 7) / 8;
    for (std::uint64_t done = 0; done < pixels;) {
        std::uint64_t count = pixels - done, stored = count;
        if (header.RunLength()) {
            if (offset >= size)
                return InvalidImage("TGA: the file ends before its pixels");
            unsigned packet = data[offset++];
            count = std::min<std::uint64_t>((packet & 0x7f) + 1, count);
            stored = (packet & 0x80) ? 1 : count;
        }
        if (offset > size || stored * pixelBytes > size - offset)
            return InvalidImage("TGA: the file ends before its pixels");
        if (header.Indexed() && !IndicesInPalette(header, data + offset, stored))
            return InvalidImage("TGA: colour index outside the colour map");
        offset += stored * pixelBytes;
        done += count;
    }
    return D3D_OK;
}

} // namespace

bool LooksLikeTga(const std::uint8_t* data, std::size_t size) {
    if (!data || size < kTgaHeaderBytes)
        return false;
    TgaHeader header = ReadTgaHeader(data);
    return header.width > 0 && header.height > 0 && KnownKind(header) && DescriptorFits(header);
}

HRESULT CheckTga(const std::uint8_t* data, std::size_t size) {
    if (!LooksLikeTga(data, size))
        return InvalidImage("TGA: broken or unsupported header");
    TgaHeader header = ReadTgaHeader(data);
    HRESULT hr = CheckImageSize(header.width, header.height, kMaxWholeImagePixels);
    if (FAILED(hr))
        return hr;
    return CheckPixels(data, size, header);
}
