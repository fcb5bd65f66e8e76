// What the mesh operations share for reading and writing a mesh through its
// interface: scoped buffer locks, indices widened to 32 bits, and one vertex
// element gathered into an array.
#pragma once

#include "platform/memory/large_allocator.h"
#include "utility/d3dx9mesh.h"

#include <vector>

enum class MeshBuffer { Vertices, Indices, Attributes };

// A lock of one of a mesh's buffers that is given back when it goes out of
// scope, so that every return path unlocks.
class MeshLock {
public:
    MeshLock(ID3DXMesh* mesh, MeshBuffer which, DWORD flags);
    ~MeshLock();
    MeshLock(const MeshLock&) = delete;
    MeshLock& operator=(const MeshLock&) = delete;

    HRESULT Result() const { return result; }
    // The failure of either of two locks, or D3D_OK.
    static HRESULT Either(const MeshLock& a, const MeshLock& b) {
        return FAILED(a.result) ? a.result : b.result;
    }
    BYTE* Bytes() const { return static_cast<BYTE*>(data); }
    DWORD* Words() const { return static_cast<DWORD*>(data); }

private:
    ID3DXMesh* mesh;
    MeshBuffer which;
    void* data = nullptr;
    HRESULT result;
};

bool HasWideIndices(ID3DXMesh* mesh);
// Mesh options under which the library may not read the buffers back.
bool IsWriteOnly(ID3DXMesh* mesh);

// Three entries a face, as stored (16-bit values are widened, not remapped,
// so the 16-bit all-ones index reads as 0xFFFF).
HRESULT ReadIndices(ID3DXMesh* mesh, LargeVector<DWORD>& indices);
// Stores indices in the mesh's index width into locked index data.
void StoreIndices(const DWORD* indices, size_t count, bool wide, void* data);

// The attribute table, empty when the mesh has none.
HRESULT ReadAttributeTable(ID3DXMesh* mesh, std::vector<D3DXATTRIBUTERANGE>& table);
// The attribute of every face, between meshes of one face count.
HRESULT CopyAttributeBuffer(ID3DXMesh* from, ID3DXMesh* to);

// The first three components of one element of every vertex.
LargeVector<D3DXVECTOR3> GatherVec3(const BYTE* vertices, UINT stride, DWORD count,
                                    const D3DVERTEXELEMENT9& element);
