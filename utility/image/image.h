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

// A forged header must not make the loader allocate without bound: no side
// longer than this and no more pixels than that, whatever the file claims.
constexpr UINT kMaxImageSide = 16384;
constexpr std::uint64_t kMaxImagePixels = std::uint64_t(1) << 25;

bool ImageSizeAllowed(std::uint64_t width, std::uint64_t height);

// Sizes the image and its pixel array (zero-filled). D3DXERR_INVALIDDATA for
// a size outside the limits, E_OUTOFMEMORY when the memory is not there.
HRESULT AllocateImage(Image& image, UINT width, UINT height, bool floatPixels);

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
