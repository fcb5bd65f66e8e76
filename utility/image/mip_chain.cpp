#include "utility/image/mip_chain.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/box_filter.h"

namespace {

template <class Channel, class Sum>
HRESULT Shrink(const Channel* source, UINT sourceWidth, UINT sourceHeight, Channel* target,
               UINT width, UINT height) {
    BoxShrinker<Channel, Sum> shrinker;
    if (!shrinker.Start(sourceWidth, sourceHeight, width, height, target))
        return NoMemoryForImage(width, height);
    for (UINT y = 0; y < sourceHeight; ++y)
        shrinker.AddRow(source + std::size_t(y) * sourceWidth * 4);
    return D3D_OK;
}

} // namespace

HRESULT ShrinkImage(const Image& source, UINT width, UINT height, Image& target) {
    if (width == 0 || height == 0 || width > source.width || height > source.height)
        return D3DERR_INVALIDCALL;
    HRESULT hr = AllocateImage(target, width, height, source.IsFloat());
    if (FAILED(hr))
        return hr;
    if (source.IsFloat())
        return Shrink<float, float>(source.rgba.data(), source.width, source.height,
                                    target.rgba.data(), width, height);
    return Shrink<std::uint8_t, std::uint64_t>(source.bgra.data(), source.width, source.height,
                                               target.bgra.data(), width, height);
}
