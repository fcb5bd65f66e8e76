#include "utility/xfile/attribute_order.h"

#include <algorithm>

std::vector<D3DXATTRIBUTERANGE> SortTrianglesByAttribute(XMeshData& mesh) {
    const size_t triangleCount = mesh.TriangleCount();
    const size_t attributeCount = mesh.materials.size();

    // Counting sort: stable, and linear in the triangles.
    std::vector<size_t> start(attributeCount + 1, 0);
    for (std::uint32_t attribute : mesh.attributes)
        ++start[attribute + 1];
    for (size_t a = 0; a < attributeCount; ++a)
        start[a + 1] += start[a];

    std::vector<std::uint32_t> indices(mesh.indices.size());
    std::vector<std::uint32_t> attributes(triangleCount);
    std::vector<size_t> next(start.begin(), start.end() - 1);
    for (size_t t = 0; t < triangleCount; ++t) {
        size_t to = next[mesh.attributes[t]]++;
        attributes[to] = mesh.attributes[t];
        std::copy_n(&mesh.indices[3 * t], 3, &indices[3 * to]);
    }
    mesh.indices.swap(indices);
    mesh.attributes.swap(attributes);

    std::vector<D3DXATTRIBUTERANGE> ranges;
    for (size_t a = 0; a < attributeCount; ++a) {
        if (start[a] == start[a + 1])
            continue;
        auto first = mesh.indices.begin() + long(3 * start[a]);
        auto last = mesh.indices.begin() + long(3 * start[a + 1]);
        auto [low, high] = std::minmax_element(first, last);
        D3DXATTRIBUTERANGE range;
        range.AttribId = DWORD(a);
        range.FaceStart = DWORD(start[a]);
        range.FaceCount = DWORD(start[a + 1] - start[a]);
        range.VertexStart = *low;
        range.VertexCount = *high - *low + 1;
        ranges.push_back(range);
    }
    return ranges;
}
