// BMP and TGA are decoded by stb_image. stb_image reads zeros past the end
// of its data instead of failing, so the sizes each header promises are
// checked against the data here first; a cut-off file never reaches it.
// stb_image decodes the whole image at once, so these files keep the
// smaller limit of kMaxWholeImagePixels.
#include "utility/d3dx9mesh.h"
#include "utility/image/byte_order.h"
#include "utility/image/decoders.h"
#include "utility/image/image_rows.h"
#include "utility/image/tga_format.h"

#include <stb_image.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace {

constexpr std::size_t kBmpFileHeaderBytes = 14;

bool IsBmpDepth(unsigned bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The file header, the info header (the OS/2 one with 16-bit fields or a
// Windows one) and rows padded to four bytes, the last one ending in the file.
HRESULT CheckBmp(const std::uint8_t* data, std::size_t size) {
    if (size < kBmpFileHeaderBytes + 4)
        return InvalidImage("BMP: the file ends inside its header");
    std::uint64_t pixelOffset = ReadLe32(data + 10);
    std::uint32_t infoBytes = ReadLe32(data + 14);
    if (infoBytes != 12 && infoBytes != 40 && infoBytes != 56 && infoBytes != 108 &&
        infoBytes != 124)
        return InvalidImage("BMP: unsupported header of %u bytes", infoBytes);
    if (size < kBmpFileHeaderBytes + infoBytes)
        return InvalidImage("BMP: the file ends inside its header");
    std::int64_t width, height;
    unsigned planes, bitsPerPixel, compression = 0;
    if (infoBytes == 12) {
        width = ReadLe16(data + 18);
        height = ReadLe16(data + 20);
        planes = ReadLe16(data + 22);
        bitsPerPixel = ReadLe16(data + 24);
    } else {
        width = std::int32_t(ReadLe32(data + 18));
        height = std::int32_t(ReadLe32(data + 22)); // negative: rows top-down
        planes = ReadLe16(data + 26);
        bitsPerPixel = ReadLe16(data + 28);
        compression = ReadLe32(data + 30);
    }
    if (planes != 1 || !IsBmpDepth(bitsPerPixel) || width < 0)
        return InvalidImage("BMP: broken header");
    if (compression == 1 || compression == 2)
        return InvalidImage("BMP: run-length compressed files are not supported");
    if (compression != 0 && compression != 3)
        return InvalidImage("BMP: unsupported compression %u", compression);
    height = std::abs(height);
    HRESULT hr = CheckImageSize(std::uint64_t(width), std::uint64_t(height), kMaxWholeImagePixels);
    if (FAILED(hr))
        return hr;
    std::uint64_t rowBytes = (std::uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
    if (pixelOffset < kBmpFileHeaderBytes + infoBytes ||
        pixelOffset + rowBytes * std::uint64_t(height) > size)
        return InvalidImage("BMP: the file ends before its pixels");
    return D3D_OK;
}

HRESULT DecodeWithStb(const char* format, const std::uint8_t* data, std::size_t size,
                      const ImageFit& fit, Image& image) {
    if (size > std::size_t(INT_MAX))
        return InvalidImage("%s: file too large", format);
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> rgba(
        stbi_load_from_memory(data, int(size), &width, &height, &channels, 4), stbi_image_free);
    if (!rgba)
        return InvalidImage("%s: cannot decode (%s)", format, stbi_failure_reason());
    ImageRowWriter writer(image);
    HRESULT hr = writer.Start(UINT(width), UINT(height), false, fit);
    if (FAILED(hr))
        return hr;
    const stbi_uc* in = rgba.get();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = writer.BgraRow();
        for (int x = 0; x < width; ++x, out += 4, in += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
        if (!writer.FinishRow())
            return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

} // namespace

HRESULT DecodeBmp(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image) {
    HRESULT hr = CheckBmp(data, size);
    return SUCCEEDED(hr) ? DecodeWithStb("BMP", data, size, fit, image) : hr;
}

HRESULT DecodeTga(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image) {
    HRESULT hr = CheckTga(data, size);
    return SUCCEEDED(hr) ? DecodeWithStb("TGA", data, size, fit, image) : hr;
}
