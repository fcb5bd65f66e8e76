#include "tools/datagen/texture_files.h"

#include "utility/core/file_bytes.h"
#include "utility/image/image_writers.h"

HRESULT WritePngFile(const char* path, const Image& image) {
    std::vector<std::uint8_t> bytes;
    if (!EncodePng(image, bytes))
        return E_FAIL;
    return WriteFileBytes(path, bytes);
}

HRESULT WriteOpaquePngFile(const char* path, const Image& image) {
    PngLayout layout;
    layout.width = image.width;
    layout.height = image.height;
    layout.colorType = PngColorType::Rgb;
    std::vector<std::uint8_t> rows;
    rows.reserve(std::size_t(image.width) * image.height * 3);
    for (std::size_t texel = 0; texel < std::size_t(image.width) * image.height; ++texel) {
        const std::uint8_t* bgra = &image.bgra[texel * 4];
        rows.insert(rows.end(), {bgra[2], bgra[1], bgra[0]});
    }
    std::vector<std::uint8_t> bytes;
    if (!EncodePngRows(layout, rows, bytes))
        return E_FAIL;
    return WriteFileBytes(path, bytes);
}

HRESULT WriteJpegFile(const char* path, const Image& image, int quality) {
    JpegOptions options;
    options.quality = quality;
    std::vector<std::uint8_t> bytes;
    if (!EncodeJpeg(image, options, bytes))
        return E_FAIL;
    return WriteFileBytes(path, bytes);
}
