#include "utility/image/image.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::size_t PixelBytes(bool floatPixels) {
    return floatPixels ? 4 * sizeof(float) : 4;
}

} // namespace

void FitImageSize(UINT width, UINT height, bool floatPixels, const ImageFit& fit, UINT& fitWidth,
                  UINT& fitHeight) {
    fitWidth = width;
    fitHeight = height;
    auto fits = [&] {
        return fitWidth <= fit.maxWidth && fitHeight <= fit.maxHeight &&
               std::uint64_t(fitWidth) * fitHeight * PixelBytes(floatPixels) <= kMaxImageBytes;
    };
    while (!fits() && (fitWidth > 1 || fitHeight > 1)) {
        fitWidth = std::max<UINT>(1, fitWidth / 2);
        fitHeight = std::max<UINT>(1, fitHeight / 2);
    }
}

bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height, std::uint64_t maxPixels) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= maxPixels;
}

HRESULT CheckImageSize(std::uint64_t width, std::uint64_t height, std::uint64_t maxPixels) {
    if (width == 0 || height == 0)
        return InvalidImage("image has no pixels: %llu x %llu",
                            static_cast<unsigned long long>(width),
                            static_cast<unsigned long long>(height));
    if (!ImageSizeAllowed(width, height, maxPixels))
        return InvalidImage("image too large: %llu x %llu pixels",
                            static_cast<unsigned long long>(width),
                            static_cast<unsigned long long>(height));
    return D3D_OK;
}

HRESULT AllocateImage(Image& image, UINT width, UINT height, bool floatPixels) {
    HRESULT hr = CheckImageSize(width, height, kMaxImageBytes / PixelBytes(floatPixels));
    if (FAILED(hr))
        return hr;
    std::size_t values = std::size_t(width) * height * 4;
    image.width = width;
    image.height = height;
    image.bgra.clear();
    image.rgba.clear();
    bool allocated = floatPixels ? TryResize(image.rgba, values) : TryResize(image.bgra, values);
    return allocated ? D3D_OK : NoMemoryForImage(width, height);
}

HRESULT InvalidImage(const char* format, ...) {
    char reason[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(reason, sizeof reason, format, args);
    va_end(args);
    SetLoadFailure("%s", reason);
    return D3DXERR_INVALIDDATA;
}

HRESULT NoMemoryForImage(std::uint64_t width, std::uint64_t height) {
    SetLoadFailure("not enough memory for an image of %llu x %llu pixels",
                   static_cast<unsigned long long>(width), static_cast<unsigned long long>(height));
    return E_OUTOFMEMORY;
}

HRESULT NoMemoryForDecoder() {
    SetLoadFailure("not enough memory to start decoding");
    return E_OUTOFMEMORY;
}

bool ImageLoadCancelled() {
    if (!LoadCancelled())
        return false;
    SetLoadFailure("cancelled");
    return true;
}

bool AppendBytes(std::vector<std::uint8_t>& out, const void* bytes, std::size_t count) {
    std::size_t start = out.size();
    if (!TryResize(out, start + count))
        return false;
    if (count > 0)
        std::memcpy(out.data() + start, bytes, count);
    return true;
}
