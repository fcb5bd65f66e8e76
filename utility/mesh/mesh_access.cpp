#include "utility/mesh/mesh_access.h"

#include "utility/mesh/vertex_element.h"

#include <cstdint>
#include <cstring>

MeshLock::MeshLock(ID3DXMesh* lockedMesh, MeshBuffer buffer, DWORD flags)
    : mesh(lockedMesh), which(buffer) {
    switch (which) {
    case MeshBuffer::Vertices:
        result = mesh->LockVertexBuffer(flags, &data);
        break;
    case MeshBuffer::Indices:
        result = mesh->LockIndexBuffer(flags, &data);
        break;
    case MeshBuffer::Attributes: {
        DWORD* words = nullptr;
        result = mesh->LockAttributeBuffer(flags, &words);
        data = words;
        break;
    }
    }
    if (FAILED(result))
        data = nullptr;
}

MeshLock::~MeshLock() {
    if (FAILED(result))
        return;
    switch (which) {
    case MeshBuffer::Vertices:
        mesh->UnlockVertexBuffer();
        break;
    case MeshBuffer::Indices:
        mesh->UnlockIndexBuffer();
        break;
    case MeshBuffer::Attributes:
        mesh->UnlockAttributeBuffer();
        break;
    }
}

bool HasWideIndices(ID3DXMesh* mesh) {
    return (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
}

bool IsWriteOnly(ID3DXMesh* mesh) {
    return (mesh->GetOptions() & (D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_WRITEONLY)) != 0;
}

HRESULT ReadIndices(ID3DXMesh* mesh, LargeVector<DWORD>& indices) {
    size_t count = size_t(mesh->GetNumFaces()) * 3;
    MeshLock lock(mesh, MeshBuffer::Indices, D3DLOCK_READONLY);
    if (FAILED(lock.Result()))
        return lock.Result();
    if (HasWideIndices(mesh)) {
        const auto* source = reinterpret_cast<const std::uint32_t*>(lock.Bytes());
        indices.assign(source, source + count);
    } else {
        const auto* source = reinterpret_cast<const std::uint16_t*>(lock.Bytes());
        indices.assign(source, source + count);
    }
    return D3D_OK;
}

void StoreIndices(const DWORD* indices, size_t count, bool wide, void* data) {
    if (wide) {
        std::memcpy(data, indices, count * sizeof(DWORD));
        return;
    }
    // A value that does not fit 16 bits is out of range for any 16-bit mesh,
    // so it stays out of range rather than wrapping onto a real vertex.
    auto* target = static_cast<std::uint16_t*>(data);
    for (size_t i = 0; i < count; ++i)
        target[i] = std::uint16_t(indices[i] > 0xFFFF ? 0xFFFF : indices[i]);
}

HRESULT ReadAttributeTable(ID3DXMesh* mesh, std::vector<D3DXATTRIBUTERANGE>& table) {
    DWORD size = 0;
    HRESULT hr = mesh->GetAttributeTable(nullptr, &size);
    table.resize(SUCCEEDED(hr) ? size : 0);
    if (FAILED(hr) || size == 0)
        return hr;
    return mesh->GetAttributeTable(table.data(), &size);
}

HRESULT CopyAttributeBuffer(ID3DXMesh* from, ID3DXMesh* to) {
    MeshLock in(from, MeshBuffer::Attributes, D3DLOCK_READONLY);
    MeshLock out(to, MeshBuffer::Attributes, 0);
    HRESULT hr = MeshLock::Either(in, out);
    if (SUCCEEDED(hr))
        std::memcpy(out.Words(), in.Words(), size_t(from->GetNumFaces()) * sizeof(DWORD));
    return hr;
}

LargeVector<D3DXVECTOR3> GatherVec3(const BYTE* vertices, UINT stride, DWORD count,
                                    const D3DVERTEXELEMENT9& element) {
    LargeVector<D3DXVECTOR3> values(count);
    if (element.Type == D3DDECLTYPE_FLOAT3) {
        for (DWORD v = 0; v < count; ++v)
            std::memcpy(&values[v], vertices + size_t(v) * stride + element.Offset,
                        sizeof(D3DXVECTOR3));
        return values;
    }
    for (DWORD v = 0; v < count; ++v) {
        D3DXVECTOR4 value =
            ReadVertexElement(element.Type, vertices + size_t(v) * stride + element.Offset);
        values[v] = D3DXVECTOR3(value.x, value.y, value.z);
    }
    return values;
}
