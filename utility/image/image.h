// The decoded form of every texture file: one image in memory, whatever the
// format it came from, ready to be copied into a texture level.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

// Rows top-down and tightly packed. An ordinary image keeps 8-bit BGRA
// pixels, which is A8R8G8B8 as Direct3D lays it out in memory; a high
// dynamic range image keeps 32-bit float RGBA pixels, which is
// A32B32G32R32F. Exactly one of the two arrays holds the pixels.
struct Image {
    UINT width = 0;
    UINT height = 0;
    std::vector<std::uint8_t> bgra;
    std::vector<float> rgba;

    bool IsFloat() const { return !rgba.empty(); }
};

// A forged header must not make the loader allocate or work without bound.
// A file may declare no side longer than this and no more pixels than that;
// decoders that read row by row take such an image whole and shrink it as
// they read, so only the image they keep is ever in memory.
constexpr UINT kMaxImageSide = 65535;
constexpr std::uint64_t kMaxSourcePixels = std::uint64_t(1) << 28; // 16384 x 16384
// Decoders that cannot hand out rows before the whole image is decoded
// (stb_image, interlaced PNG) take no more pixels than this.
constexpr std::uint64_t kMaxWholeImagePixels = std::uint64_t(1) << 25;
// The most an image kept in memory may take: 8192 x 8192 ordinary pixels, or
// 4096 x 4096 float ones.
constexpr std::size_t kMaxImageBytes = std::size_t(256) << 20;

// The largest image a load may keep, from the largest texture of the device.
// The default is no limit beyond kMaxImageBytes.
struct ImageFit {
    UINT maxWidth = kMaxImageSide;
    UINT maxHeight = kMaxImageSide;
};

// The size an image of width x height is kept at: both sides halved
// together, as the next level of a mip chain would be, until the image fits
// `fit` and kMaxImageBytes. Halving keeps the proportions (to the pixel)
// and makes each kept pixel the mean of a whole block of source pixels.
void FitImageSize(UINT width, UINT height, bool floatPixels, const ImageFit& fit, UINT& fitWidth,
                  UINT& fitHeight);

// True for a size a file may declare whose pixels number no more than
// `maxPixels`.
bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height,
                      std::uint64_t maxPixels = kMaxSourcePixels);
// D3D_OK where ImageSizeAllowed, else D3DXERR_INVALIDDATA, leaving the
// reason.
HRESULT CheckImageSize(std::uint64_t width, std::uint64_t height,
                       std::uint64_t maxPixels = kMaxSourcePixels);

// Sizes the image and its pixel array (zero-filled). D3DXERR_INVALIDDATA for
// a side past kMaxImageSide or more than kMaxImageBytes, E_OUTOFMEMORY when
// the memory is not there; both leave the reason.
HRESULT AllocateImage(Image& image, UINT width, UINT height, bool floatPixels);

// Leaves the reason, printf-style, for LoadFailure() and returns
// D3DXERR_INVALIDDATA: the one way decoders refuse a file.
HRESULT InvalidImage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// E_OUTOFMEMORY, with the reason.
HRESULT NoMemoryForImage(std::uint64_t width, std::uint64_t height);
HRESULT NoMemoryForDecoder();
// True, with the reason left, when the load on this thread has been asked to
// stop; decoders then give up with D3DXERR_INVALIDDATA.
bool ImageLoadCancelled();

// Growing a vector without letting an exception out (the code base reports
// with result codes, and some callers sit inside C libraries' callbacks):
// false when the memory is not there.
template <class T>
bool TryResize(std::vector<T>& values, std::size_t count) {
    try {
        values.resize(count);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

bool AppendBytes(std::vector<std::uint8_t>& out, const void* bytes, std::size_t count);
