#include "utility/xfile/attribute_order.h"

#include <algorithm>

std::vector<D3DXATTRIBUTERANGE> AttributeRanges(const XMeshData& mesh) {
    std::vector<D3DXATTRIBUTERANGE> ranges;
    const size_t triangleCount = mesh.TriangleCount();
    for (size_t first = 0; first < triangleCount;) {
        std::uint32_t attribute = mesh.attributes[first];
        size_t last = first;
        while (last < triangleCount && mesh.attributes[last] == attribute)
            ++last;
        auto [low, high] = std::minmax_element(mesh.indices.begin() + long(3 * first),
                                               mesh.indices.begin() + long(3 * last));
        D3DXATTRIBUTERANGE range;
        range.AttribId = DWORD(attribute);
        range.FaceStart = DWORD(first);
        range.FaceCount = DWORD(last - first);
        range.VertexStart = *low;
        range.VertexCount = *high - *low + 1;
        ranges.push_back(range);
        first = last;
    }
    return ranges;
}
