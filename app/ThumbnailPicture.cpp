#include "app/ThumbnailPicture.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/mip_chain.h"

#include <algorithm>
#include <cmath>

HRESULT MakeThumbnailPicture(const Image& colour, const Image& coverage, UINT width, UINT height,
                             Image& picture) {
    if (colour.IsFloat() || coverage.IsFloat() || colour.width != coverage.width ||
        colour.height != coverage.height || colour.bgra.size() != coverage.bgra.size())
        return D3DXERR_INVALIDDATA;
    // Coverage into alpha first, so that shrinking averages colour and
    // coverage alike: both stay premultiplied until the end.
    Image joined = colour;
    for (std::size_t i = 3; i < joined.bgra.size(); i += 4)
        joined.bgra[i] = coverage.bgra[i - 1]; // the red of the white model
    HRESULT hr = ShrinkImage(joined, width, height, picture);
    if (FAILED(hr))
        return hr;
    for (std::size_t i = 0; i < picture.bgra.size(); i += 4) {
        std::uint8_t* p = &picture.bgra[i];
        const std::uint8_t alpha = std::max({p[3], p[0], p[1], p[2]});
        if (alpha == 0) {
            p[0] = p[1] = p[2] = p[3] = 0;
            continue;
        }
        for (int c = 0; c < 3; ++c)
            p[c] = std::uint8_t(std::min(255L, std::lround(255.0 * p[c] / alpha)));
        p[3] = alpha;
    }
    return D3D_OK;
}
