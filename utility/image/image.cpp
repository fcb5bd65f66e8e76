#include "utility/image/image.h"

#include "utility/d3dx9mesh.h"

#include <cstring>

bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

HRESULT AllocateImage(Image& image, UINT width, UINT height, bool floatPixels) {
    if (!ImageSizeAllowed(width, height))
        return D3DXERR_INVALIDDATA;
    std::size_t values = std::size_t(width) * height * 4;
    image.width = width;
    image.height = height;
    image.bgra.clear();
    image.rgba.clear();
    bool allocated = floatPixels ? TryResize(image.rgba, values) : TryResize(image.bgra, values);
    return allocated ? D3D_OK : E_OUTOFMEMORY;
}

bool AppendBytes(std::vector<std::uint8_t>& out, const void* bytes, std::size_t count) {
    std::size_t start = out.size();
    if (!TryResize(out, start + count))
        return false;
    if (count > 0)
        std::memcpy(out.data() + start, bytes, count);
    return true;
}
