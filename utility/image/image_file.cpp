#include "utility/image/image_file.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"

#include <cstring>

namespace {

bool StartsWith(const std::uint8_t* data, std::size_t size, const char* signature) {
    std::size_t length = std::strlen(signature);
    return size >= length && std::memcmp(data, signature, length) == 0;
}

} // namespace

ImageFileFormat DetectImageFileFormat(const std::uint8_t* data, std::size_t size) {
    if (!data)
        return ImageFileFormat::Unknown;
    if (StartsWith(data, size, "\x89PNG\r\n\x1a\n"))
        return ImageFileFormat::Png;
    if (StartsWith(data, size, "\xff\xd8\xff"))
        return ImageFileFormat::Jpeg;
    if (StartsWith(data, size, "#?RADIANCE") || StartsWith(data, size, "#?RGBE"))
        return ImageFileFormat::Hdr;
    if (StartsWith(data, size, "DDS "))
        return ImageFileFormat::Dds;
    if (StartsWith(data, size, "BM"))
        return ImageFileFormat::Bmp;
    if (LooksLikeTga(data, size))
        return ImageFileFormat::Tga;
    return ImageFileFormat::Unknown;
}

HRESULT DecodeImageFile(const std::uint8_t* data, std::size_t size, const ImageFit& fit,
                        Image& image) {
    switch (DetectImageFileFormat(data, size)) {
    case ImageFileFormat::Png:
        return DecodePng(data, size, fit, image);
    case ImageFileFormat::Jpeg:
        return DecodeJpeg(data, size, fit, image);
    case ImageFileFormat::Hdr:
        return DecodeHdr(data, size, fit, image);
    case ImageFileFormat::Dds:
        return DecodeDds(data, size, fit, image);
    case ImageFileFormat::Bmp:
        return DecodeBmp(data, size, fit, image);
    case ImageFileFormat::Tga:
        return DecodeTga(data, size, fit, image);
    case ImageFileFormat::Unknown:
        break;
    }
    if (!data || size == 0)
        return InvalidImage("the file is empty");
    return InvalidImage("not a recognised image format");
}
