#include "tools/datagen/x_export.h"

namespace {

struct FileVertex {
    float position[3];
    float normal[3];
    float texcoord[2];
};
static_assert(sizeof(FileVertex) == 32, "the layout of D3DFVF_XYZ | NORMAL | TEX1");

constexpr DWORD kFileVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

HRESULT FillVertices(ID3DXMesh* mesh, const MeshPiece& model) {
    void* data = nullptr;
    HRESULT hr = mesh->LockVertexBuffer(0, &data);
    if (FAILED(hr))
        return hr;
    auto* out = static_cast<FileVertex*>(data);
    for (const MeshVertex& vertex : model.vertices) {
        *out++ = {{vertex.position.x, vertex.position.y, vertex.position.z},
                  {vertex.normal.x, vertex.normal.y, vertex.normal.z},
                  {vertex.texcoord.x, vertex.texcoord.y}};
    }
    return mesh->UnlockVertexBuffer();
}

template <class Index>
void StoreCorners(const MeshPiece& model, void* data) {
    auto* out = static_cast<Index*>(data);
    for (const MeshTriangle& triangle : model.triangles)
        for (std::uint32_t corner : triangle.corners)
            *out++ = Index(corner);
}

HRESULT FillFaces(ID3DXMesh* mesh, const MeshPiece& model, bool wide) {
    void* indices = nullptr;
    HRESULT hr = mesh->LockIndexBuffer(0, &indices);
    if (FAILED(hr))
        return hr;
    if (wide)
        StoreCorners<std::uint32_t>(model, indices);
    else
        StoreCorners<std::uint16_t>(model, indices);
    mesh->UnlockIndexBuffer();

    DWORD* attributes = nullptr;
    hr = mesh->LockAttributeBuffer(0, &attributes);
    if (FAILED(hr))
        return hr;
    for (const MeshTriangle& triangle : model.triangles)
        *attributes++ = triangle.material;
    return mesh->UnlockAttributeBuffer();
}

} // namespace

HRESULT SaveModel(IDirect3DDevice9* device, const char* path, const MeshPiece& model,
                  const std::vector<D3DMATERIAL9>& materials, DWORD format) {
    const bool wide = model.vertices.size() > 0xFFFF;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMeshFVF(DWORD(model.triangles.size()), DWORD(model.vertices.size()),
                                   D3DXMESH_SYSTEMMEM | (wide ? D3DXMESH_32BIT : 0),
                                   kFileVertexFormat, device, &mesh);
    if (FAILED(hr))
        return hr;
    hr = FillVertices(mesh, model);
    if (SUCCEEDED(hr))
        hr = FillFaces(mesh, model, wide);
    if (SUCCEEDED(hr)) {
        std::vector<D3DXMATERIAL> records;
        for (const D3DMATERIAL9& colors : materials)
            records.push_back({colors, nullptr});
        hr = D3DXSaveMeshToX(path, mesh, nullptr, records.data(), nullptr, DWORD(records.size()),
                             format);
    }
    mesh->Release();
    return hr;
}
