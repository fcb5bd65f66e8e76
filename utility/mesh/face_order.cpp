#include "utility/mesh/face_order.h"

#include "utility/mesh/mesh_access.h"

#include <algorithm>

HRESULT FacesInAttributeOrder(ID3DXMesh* mesh, LargeVector<DWORD>& order) {
    const DWORD faceCount = mesh->GetNumFaces();
    std::vector<D3DXATTRIBUTERANGE> ranges;
    HRESULT hr = ReadAttributeTable(mesh, ranges);
    if (FAILED(hr))
        return hr;
    order.clear();
    order.reserve(faceCount);
    std::vector<bool> listed(faceCount, false);
    for (const D3DXATTRIBUTERANGE& range : ranges) {
        DWORD end = DWORD(std::min<unsigned long long>(
            (unsigned long long)range.FaceStart + range.FaceCount, faceCount));
        for (DWORD f = range.FaceStart; f < end; ++f)
            if (!listed[f]) {
                listed[f] = true;
                order.push_back(f);
            }
    }
    for (DWORD f = 0; f < faceCount; ++f)
        if (!listed[f])
            order.push_back(f);
    return D3D_OK;
}
