// D3DXLoadMeshFromXA: the file read and merged into one mesh, then handed
// out as an ID3DXMesh with its material and adjacency buffers.
#include "utility/d3dx9mesh.h"
#include "utility/xfile/load_scene_mesh.h"

#include "platform/d3d9/com.h"
#include "utility/mesh/adjacency.h"
#include "utility/mesh/mesh_access.h"
#include "utility/xfile/attribute_order.h"
#include "utility/xfile/xfile_reader.h"
#include "utility/xfile/xfile_scene.h"

#include <cstring>
#include <new>
#include <numeric>

namespace {

constexpr DWORD MaxShortIndexVertices = 0xFFFF;

// The vertices as XVertex lays them out: position, normal, texture
// coordinate 0.
const D3DVERTEXELEMENT9 XMeshLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
static_assert(sizeof(XVertex) == 32, "XVertex is the mesh layout");

// The triangles come grouped by attribute, so that each subset is one range.
// With `animation`, the frames, skins and sets are read in the same pass.
HRESULT ReadMeshFile(LPCSTR filename, XMeshData& data, std::vector<D3DXATTRIBUTERANGE>& ranges,
                     XAnimationData* animation) {
    HRESULT hr;
    if (animation) {
        XFileScene scene;
        hr = LoadXFileScene(filename, scene);
        data = std::move(scene.mesh);
        *animation = std::move(scene.animation);
    } else {
        hr = ReadXFile(filename, XTriangleOrder::ByAttribute, data);
    }
    if (FAILED(hr))
        return hr;
    try {
        ranges = AttributeRanges(data);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT FillMesh(ID3DXMesh* mesh, const XMeshData& data,
                 const std::vector<D3DXATTRIBUTERANGE>& ranges) {
    {
        MeshLock vertices(mesh, MeshBuffer::Vertices, 0);
        if (FAILED(vertices.Result()))
            return vertices.Result();
        std::memcpy(vertices.Bytes(), data.vertices.data(), data.vertices.size() * sizeof(XVertex));
    }
    {
        MeshLock indices(mesh, MeshBuffer::Indices, 0);
        if (FAILED(indices.Result()))
            return indices.Result();
        StoreIndices(data.indices.data(), data.indices.size(), HasWideIndices(mesh),
                     indices.Bytes());
    }
    {
        MeshLock attributes(mesh, MeshBuffer::Attributes, 0);
        if (FAILED(attributes.Result()))
            return attributes.Result();
        std::memcpy(attributes.Words(), data.attributes.data(),
                    data.attributes.size() * sizeof(DWORD));
    }
    return mesh->SetAttributeTable(ranges.data(), DWORD(ranges.size()));
}

// 16-bit indices reach 65535 vertices; beyond that the mesh takes 32-bit
// ones whatever the caller asked.
HRESULT CreateMesh(const XMeshData& data, const std::vector<D3DXATTRIBUTERANGE>& ranges,
                   DWORD options, IDirect3DDevice9* device, ID3DXMesh** out) {
    if (data.vertices.size() > MaxShortIndexVertices)
        options |= D3DXMESH_32BIT;
    ID3DXMesh* mesh = nullptr;
    HRESULT hr = D3DXCreateMesh(DWORD(data.TriangleCount()), DWORD(data.vertices.size()), options,
                                XMeshLayout, device, &mesh);
    if (FAILED(hr))
        return hr;
    hr = FillMesh(mesh, data, ranges);
    if (FAILED(hr)) {
        mesh->Release();
        return hr;
    }
    *out = mesh;
    return D3D_OK;
}

// The records, then the texture names they point at, in one buffer.
HRESULT CreateMaterialBuffer(const std::vector<XMaterial>& materials, ID3DXBuffer** out) {
    size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const XMaterial& material : materials)
        if (!material.textureFile.empty())
            size += material.textureFile.size() + 1;
    ID3DXBuffer* buffer = nullptr;
    HRESULT hr = D3DXCreateBuffer(DWORD(size), &buffer);
    if (FAILED(hr))
        return hr;
    auto* records = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
    char* names = reinterpret_cast<char*>(records + materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        const XMaterial& material = materials[i];
        records[i].MatD3D = material.colors;
        records[i].pTextureFilename = nullptr;
        if (material.textureFile.empty())
            continue;
        records[i].pTextureFilename = names;
        std::memcpy(names, material.textureFile.c_str(), material.textureFile.size() + 1);
        names += material.textureFile.size() + 1;
    }
    *out = buffer;
    return D3D_OK;
}

// Worked out from the data rather than through the mesh, so that meshes
// whose buffers are write-only get theirs too. The faces are in attribute
// order already, the order adjacency visits them in.
HRESULT CreateAdjacencyBuffer(const XMeshData& data, ID3DXBuffer** out) {
    ID3DXBuffer* buffer = nullptr;
    HRESULT hr = D3DXCreateBuffer(DWORD(data.indices.size() * sizeof(DWORD)), &buffer);
    if (FAILED(hr))
        return hr;
    try {
        LargeVector<D3DXVECTOR3> positions(data.vertices.size());
        for (size_t i = 0; i < positions.size(); ++i)
            positions[i] = data.vertices[i].position;
        LargeVector<DWORD> faceOrder(data.TriangleCount());
        std::iota(faceOrder.begin(), faceOrder.end(), 0u);
        LargeVector<DWORD> pointOf = MergeCoincidentVertices(positions, data.indices, 0.0f);
        PairFaceEdges(positions, pointOf, data.indices, faceOrder,
                      static_cast<DWORD*>(buffer->GetBufferPointer()));
    } catch (const std::bad_alloc&) {
        buffer->Release();
        return E_OUTOFMEMORY;
    }
    *out = buffer;
    return D3D_OK;
}

HRESULT LoadMesh(LPCSTR filename, DWORD options, IDirect3DDevice9* device, ID3DXBuffer** adjacency,
                 ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* numMaterials,
                 ID3DXMesh** mesh, XAnimationData* animation) {
    for (ID3DXBuffer** out : {adjacency, materials, effectInstances})
        if (out)
            *out = nullptr;
    if (numMaterials)
        *numMaterials = 0;
    if (mesh)
        *mesh = nullptr;
    if (!filename || !device || !mesh)
        return D3DERR_INVALIDCALL;

    XMeshData data;
    std::vector<D3DXATTRIBUTERANGE> ranges;
    HRESULT hr = ReadMeshFile(filename, data, ranges, animation);
    if (FAILED(hr))
        return hr;

    ID3DXMesh* created = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    ID3DXBuffer* adjacencyBuffer = nullptr;
    hr = CreateMesh(data, ranges, options, device, &created);
    if (SUCCEEDED(hr) && materials)
        hr = CreateMaterialBuffer(data.materials, &materialBuffer);
    if (SUCCEEDED(hr) && adjacency)
        hr = CreateAdjacencyBuffer(data, &adjacencyBuffer);
    if (FAILED(hr)) {
        ReleaseRef(adjacencyBuffer);
        ReleaseRef(materialBuffer);
        ReleaseRef(created);
        return hr;
    }
    *mesh = created;
    if (materials)
        *materials = materialBuffer;
    if (adjacency)
        *adjacency = adjacencyBuffer;
    if (numMaterials)
        *numMaterials = DWORD(data.materials.size());
    return D3D_OK;
}

} // namespace

HRESULT D3DXLoadMeshFromXA(LPCSTR filename, DWORD options, IDirect3DDevice9* device,
                           ID3DXBuffer** adjacency, ID3DXBuffer** materials,
                           ID3DXBuffer** effectInstances, DWORD* numMaterials, ID3DXMesh** mesh) {
    return LoadMesh(filename, options, device, adjacency, materials, effectInstances, numMaterials,
                    mesh, nullptr);
}

HRESULT LoadSceneMeshFromX(LPCSTR filename, DWORD options, IDirect3DDevice9* device,
                           ID3DXBuffer** materials, DWORD* numMaterials, ID3DXMesh** mesh,
                           XAnimationData& animation) {
    animation = XAnimationData();
    HRESULT hr = LoadMesh(filename, options, device, nullptr, materials, nullptr, numMaterials,
                          mesh, &animation);
    if (FAILED(hr))
        animation = XAnimationData();
    return hr;
}
