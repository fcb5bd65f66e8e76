// Image files recognised by their content, never by their name.
#pragma once

#include "utility/image/image.h"

enum class ImageFileFormat { Unknown, Png, Jpeg, Hdr, Bmp, Tga, Dds };

ImageFileFormat DetectImageFileFormat(const std::uint8_t* data, std::size_t size);

// Decodes a whole file of any recognised format, shrunk to fit `fit`;
// D3DXERR_INVALIDDATA for unrecognised or broken content, E_OUTOFMEMORY.
// A failure leaves its reason for LoadFailure().
HRESULT DecodeImageFile(const std::uint8_t* data, std::size_t size, const ImageFit& fit,
                        Image& image);
inline HRESULT DecodeImageFile(const std::uint8_t* data, std::size_t size, Image& image) {
    return DecodeImageFile(data, size, ImageFit{}, image);
}
