// ID3DXMesh: a triangle list in the device's vertex and index buffers, with
// its own vertex declaration, one attribute per face kept in system memory,
// and an optional attribute table.
#include "platform/d3d9/com.h"
#include "platform/memory/large_allocator.h"
#include "utility/mesh/adjacency.h"
#include "utility/mesh/clone.h"
#include "utility/mesh/vertex_declaration.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

D3DPOOL PoolOf(DWORD options, DWORD systemMemory, DWORD managed) {
    if (options & systemMemory)
        return D3DPOOL_SYSTEMMEM;
    if (options & managed)
        return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

DWORD UsageOf(DWORD options, DWORD writeOnly, DWORD dynamic) {
    DWORD usage = 0;
    if (options & writeOnly)
        usage |= D3DUSAGE_WRITEONLY;
    if (options & dynamic)
        usage |= D3DUSAGE_DYNAMIC;
    return usage;
}

class Mesh final : public RefCounted<ID3DXMesh> {
public:
    Mesh(DWORD options, DWORD numFaces, DWORD numVertices, const D3DVERTEXELEMENT9* declaration)
        : options(options), numFaces(numFaces), numVertices(numVertices),
          elements(declaration, declaration + D3DXGetDeclLength(declaration) + 1),
          stride(D3DXGetDeclVertexSize(declaration, 0)), attributes(numFaces) {}

    ~Mesh() override {
        ReleaseRef(declaration);
        ReleaseRef(indexBuffer);
        ReleaseRef(vertexBuffer);
        ReleaseRef(device);
    }

    HRESULT CreateDeviceObjects(IDirect3DDevice9* owner) {
        ReplaceRef(device, owner);
        HRESULT hr = device->CreateVertexDeclaration(elements.data(), &declaration);
        if (FAILED(hr))
            return hr;
        hr = device->CreateVertexBuffer(
            numVertices * stride, UsageOf(options, D3DXMESH_VB_WRITEONLY, D3DXMESH_VB_DYNAMIC), 0,
            PoolOf(options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), &vertexBuffer, nullptr);
        if (FAILED(hr))
            return hr;
        bool wide = (options & D3DXMESH_32BIT) != 0;
        return device->CreateIndexBuffer(
            numFaces * 3 * (wide ? 4 : 2),
            UsageOf(options, D3DXMESH_IB_WRITEONLY, D3DXMESH_IB_DYNAMIC),
            wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
            PoolOf(options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED), &indexBuffer, nullptr);
    }

    HRESULT DrawSubset(DWORD attribId) override {
        bool bound = false;
        auto draw = [&](DWORD faceStart, DWORD faceCount, DWORD vertexStart, DWORD vertexCount) {
            if (!bound) {
                device->SetVertexDeclaration(declaration);
                device->SetStreamSource(0, vertexBuffer, 0, stride);
                device->SetIndices(indexBuffer);
                bound = true;
            }
            return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, vertexStart, vertexCount,
                                                faceStart * 3, faceCount);
        };
        if (!table.empty()) {
            for (const D3DXATTRIBUTERANGE& range : table) {
                if (range.AttribId != attribId || range.FaceCount == 0)
                    continue;
                HRESULT hr =
                    draw(range.FaceStart, range.FaceCount, range.VertexStart, range.VertexCount);
                if (FAILED(hr))
                    return hr;
            }
            return D3D_OK;
        }
        // Without a table, each run of consecutive faces of the subset is one
        // draw over the whole vertex range.
        for (DWORD face = 0; face < numFaces;) {
            if (attributes[face] != attribId) {
                ++face;
                continue;
            }
            DWORD start = face;
            while (face < numFaces && attributes[face] == attribId)
                ++face;
            HRESULT hr = draw(start, face - start, 0, numVertices);
            if (FAILED(hr))
                return hr;
        }
        return D3D_OK;
    }

    DWORD GetNumFaces() override { return numFaces; }
    DWORD GetNumVertices() override { return numVertices; }
    DWORD GetNumBytesPerVertex() override { return stride; }
    DWORD GetOptions() override { return options; }

    HRESULT GetDevice(IDirect3DDevice9** out) override {
        if (!out)
            return D3DERR_INVALIDCALL;
        device->AddRef();
        *out = device;
        return D3D_OK;
    }

    HRESULT GetDeclaration(D3DVERTEXELEMENT9* out) override {
        if (!out)
            return D3DERR_INVALIDCALL;
        std::copy(elements.begin(), elements.end(), out);
        return D3D_OK;
    }

    HRESULT CloneMesh(DWORD cloneOptions, const D3DVERTEXELEMENT9* cloneDeclaration,
                      IDirect3DDevice9* cloneDevice, ID3DXMesh** clone) override {
        return CloneMeshInto(this, cloneOptions, cloneDeclaration, cloneDevice, clone);
    }

    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** out) override {
        if (!out)
            return D3DERR_INVALIDCALL;
        vertexBuffer->AddRef();
        *out = vertexBuffer;
        return D3D_OK;
    }

    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** out) override {
        if (!out)
            return D3DERR_INVALIDCALL;
        indexBuffer->AddRef();
        *out = indexBuffer;
        return D3D_OK;
    }

    HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) override {
        return vertexBuffer->Lock(0, 0, data, flags);
    }
    HRESULT UnlockVertexBuffer() override { return vertexBuffer->Unlock(); }
    HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) override {
        return indexBuffer->Lock(0, 0, data, flags);
    }
    HRESULT UnlockIndexBuffer() override { return indexBuffer->Unlock(); }

    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* out, DWORD* size) override {
        if (!size)
            return D3DERR_INVALIDCALL;
        if (out)
            std::copy(table.begin(), table.end(), out);
        *size = DWORD(table.size());
        return D3D_OK;
    }

    HRESULT GenerateAdjacency(float epsilon, DWORD* adjacency) override {
        return GenerateMeshAdjacency(this, epsilon, adjacency);
    }

    // The attribute table is the caller's to keep in step with the
    // attributes; writing them does not change it.
    HRESULT LockAttributeBuffer(DWORD, DWORD** data) override {
        if (!data || attributesLocked)
            return D3DERR_INVALIDCALL;
        attributesLocked = true;
        *data = attributes.data();
        return D3D_OK;
    }

    HRESULT UnlockAttributeBuffer() override {
        if (!attributesLocked)
            return D3DERR_INVALIDCALL;
        attributesLocked = false;
        return D3D_OK;
    }

    HRESULT SetAttributeTable(const D3DXATTRIBUTERANGE* ranges, DWORD size) override {
        if (size && !ranges)
            return D3DERR_INVALIDCALL;
        for (DWORD i = 0; i < size; ++i) {
            const D3DXATTRIBUTERANGE& r = ranges[i];
            if ((unsigned long long)r.FaceStart + r.FaceCount > numFaces ||
                (unsigned long long)r.VertexStart + r.VertexCount > numVertices)
                return D3DERR_INVALIDCALL;
        }
        table.assign(ranges, ranges + size);
        return D3D_OK;
    }

private:
    DWORD options;
    DWORD numFaces;
    DWORD numVertices;
    std::vector<D3DVERTEXELEMENT9> elements; // closed by the end marker
    UINT stride;
    LargeVector<DWORD> attributes;
    bool attributesLocked = false;
    std::vector<D3DXATTRIBUTERANGE> table;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexDeclaration9* declaration = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

} // namespace

HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options,
                       const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                       ID3DXMesh** mesh) {
    if (!mesh)
        return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (!device || !IsMeshDeclaration(declaration) || numFaces == 0 || numVertices == 0)
        return D3DERR_INVALIDCALL;
    bool wide = (options & D3DXMESH_32BIT) != 0;
    if (!wide && numVertices > 0xFFFF)
        return D3DERR_INVALIDCALL;
    // Buffer sizes are 32-bit on the device.
    unsigned long long vertexBytes =
        (unsigned long long)numVertices * D3DXGetDeclVertexSize(declaration, 0);
    unsigned long long indexBytes = (unsigned long long)numFaces * 3 * (wide ? 4 : 2);
    if (vertexBytes > 0xFFFFFFFFull || indexBytes > 0xFFFFFFFFull)
        return D3DERR_INVALIDCALL;
    Mesh* created;
    try {
        created = new Mesh(options, numFaces, numVertices, declaration);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = created->CreateDeviceObjects(device);
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *mesh = created;
    return D3D_OK;
}

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                          IDirect3DDevice9* device, ID3DXMesh** mesh) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    HRESULT hr = D3DXDeclaratorFromFVF(fvf, declaration);
    if (FAILED(hr)) {
        if (mesh)
            *mesh = nullptr;
        return hr;
    }
    return D3DXCreateMesh(numFaces, numVertices, options, declaration, device, mesh);
}
