#include "utility/mesh/adjacency.h"

#include "utility/core/load_report.h"
#include "utility/mesh/face_order.h"
#include "utility/mesh/mesh_access.h"
#include "utility/mesh/vertex_declaration.h"

#include <new>

namespace {

HRESULT ReadPositions(ID3DXMesh* mesh, const D3DVERTEXELEMENT9& position,
                      LargeVector<D3DXVECTOR3>& positions) {
    MeshLock lock(mesh, MeshBuffer::Vertices, D3DLOCK_READONLY);
    if (FAILED(lock.Result()))
        return lock.Result();
    positions =
        GatherVec3(lock.Bytes(), mesh->GetNumBytesPerVertex(), mesh->GetNumVertices(), position);
    return D3D_OK;
}

} // namespace

HRESULT GenerateMeshAdjacency(ID3DXMesh* mesh, float tolerance, DWORD* adjacency) {
    if (!mesh || !adjacency || IsWriteOnly(mesh))
        return D3DERR_INVALIDCALL;
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    HRESULT hr = mesh->GetDeclaration(declaration);
    if (FAILED(hr))
        return hr;
    const D3DVERTEXELEMENT9* position = FindVertexElement(declaration, D3DDECLUSAGE_POSITION, 0);
    if (!position)
        return D3DERR_INVALIDCALL;
    try {
        LargeVector<D3DXVECTOR3> positions;
        LargeVector<DWORD> indices, faceOrder;
        hr = ReadPositions(mesh, *position, positions);
        if (SUCCEEDED(hr))
            hr = ReadIndices(mesh, indices);
        if (SUCCEEDED(hr))
            hr = FacesInAttributeOrder(mesh, faceOrder);
        if (FAILED(hr))
            return hr;
        LargeVector<DWORD> pointOf;
        {
            LoadProgressSpan merging(0, 500);
            pointOf = MergeCoincidentVertices(positions, indices, tolerance);
        }
        if (LoadCancelled())
            return E_ABORT;
        LoadProgressSpan pairing(500, 1000);
        PairFaceEdges(positions, pointOf, indices, faceOrder, adjacency);
        return LoadCancelled() ? E_ABORT : D3D_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
