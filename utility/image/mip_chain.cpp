#include "utility/image/mip_chain.h"

#include "utility/d3dx9mesh.h"

namespace {

// The source pixels under target pixel `index` along one side: from the
// first one it touches to the last, so odd sizes lose no row or column.
struct Span {
    UINT first, end;
};

Span Cover(UINT index, UINT sourceSize, UINT targetSize) {
    return Span{UINT(std::uint64_t(index) * sourceSize / targetSize),
                UINT((std::uint64_t(index + 1) * sourceSize + targetSize - 1) / targetSize)};
}

std::uint8_t Mean(std::uint32_t sum, std::uint32_t count) {
    return std::uint8_t((sum + count / 2) / count);
}

float Mean(float sum, std::uint32_t count) {
    return sum / float(count);
}

// Sum is wide enough for the channel values of every covered pixel.
template <class Channel, class Sum>
void BoxFilter(const Channel* source, UINT sourceWidth, UINT sourceHeight, Channel* target,
               UINT width, UINT height) {
    for (UINT y = 0; y < height; ++y) {
        Span rows = Cover(y, sourceHeight, height);
        for (UINT x = 0; x < width; ++x, target += 4) {
            Span columns = Cover(x, sourceWidth, width);
            Sum sums[4] = {};
            for (UINT sy = rows.first; sy < rows.end; ++sy) {
                const Channel* pixel = source + (std::size_t(sy) * sourceWidth + columns.first) * 4;
                for (UINT sx = columns.first; sx < columns.end; ++sx, pixel += 4) {
                    for (int channel = 0; channel < 4; ++channel)
                        sums[channel] += pixel[channel];
                }
            }
            std::uint32_t count = (rows.end - rows.first) * (columns.end - columns.first);
            for (int channel = 0; channel < 4; ++channel)
                target[channel] = Mean(sums[channel], count);
        }
    }
}

} // namespace

HRESULT ShrinkImage(const Image& source, UINT width, UINT height, Image& target) {
    if (width == 0 || height == 0 || width > source.width || height > source.height)
        return D3DERR_INVALIDCALL;
    HRESULT hr = AllocateImage(target, width, height, source.IsFloat());
    if (FAILED(hr))
        return hr;
    if (source.IsFloat())
        BoxFilter<float, float>(source.rgba.data(), source.width, source.height, target.rgba.data(),
                                width, height);
    else
        BoxFilter<std::uint8_t, std::uint32_t>(source.bgra.data(), source.width, source.height,
                                               target.bgra.data(), width, height);
    return D3D_OK;
}
