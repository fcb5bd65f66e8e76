#include "utility/mesh/clone.h"

#include "platform/d3d9/com.h"
#include "platform/d3d9/formats.h"
#include "utility/mesh/mesh_access.h"
#include "utility/mesh/vertex_declaration.h"
#include "utility/mesh/vertex_element.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

// One element of the target layout and where its value comes from.
struct ElementCopy {
    D3DVERTEXELEMENT9 from;
    D3DVERTEXELEMENT9 to;
};

std::vector<ElementCopy> PlanElementCopies(const D3DVERTEXELEMENT9* from,
                                           const D3DVERTEXELEMENT9* to) {
    std::vector<ElementCopy> plan;
    UINT count = D3DXGetDeclLength(to);
    for (UINT i = 0; i < count; ++i)
        if (const D3DVERTEXELEMENT9* source =
                FindVertexElement(from, to[i].Usage, to[i].UsageIndex))
            plan.push_back(ElementCopy{*source, to[i]});
    return plan;
}

void ConvertVertices(const BYTE* source, UINT sourceStride, BYTE* target, UINT targetStride,
                     DWORD count, const std::vector<ElementCopy>& plan) {
    for (DWORD v = 0; v < count; ++v) {
        const BYTE* in = source + size_t(v) * sourceStride;
        BYTE* out = target + size_t(v) * targetStride;
        std::memset(out, 0, targetStride);
        for (const ElementCopy& copy : plan) {
            if (copy.from.Type == copy.to.Type)
                std::memcpy(out + copy.to.Offset, in + copy.from.Offset,
                            DeclTypeSize(copy.to.Type));
            else
                WriteVertexElement(copy.to.Type,
                                   ReadVertexElement(copy.from.Type, in + copy.from.Offset),
                                   out + copy.to.Offset);
        }
    }
}

// Element by element conversion between the same layout is a copy of the
// bytes when the elements fill the vertex exactly, without gaps or overlaps,
// and no two of them share a usage (the conversion fills both from the
// first).
bool CopiesBytewise(const D3DVERTEXELEMENT9* from, const D3DVERTEXELEMENT9* to, UINT stride) {
    UINT count = D3DXGetDeclLength(from);
    if (count != D3DXGetDeclLength(to) ||
        std::memcmp(from, to, sizeof(D3DVERTEXELEMENT9) * count) != 0)
        return false;
    std::vector<bool> covered(stride, false);
    for (UINT i = 0; i < count; ++i) {
        for (UINT j = 0; j < i; ++j)
            if (from[j].Usage == from[i].Usage && from[j].UsageIndex == from[i].UsageIndex)
                return false;
        for (UINT b = from[i].Offset; b < UINT(from[i].Offset) + DeclTypeSize(from[i].Type); ++b) {
            if (b >= stride || covered[b])
                return false;
            covered[b] = true;
        }
    }
    return std::find(covered.begin(), covered.end(), false) == covered.end();
}

HRESULT CopyVertices(ID3DXMesh* source, ID3DXMesh* target) {
    D3DVERTEXELEMENT9 from[MAX_FVF_DECL_SIZE], to[MAX_FVF_DECL_SIZE];
    HRESULT hr = source->GetDeclaration(from);
    if (SUCCEEDED(hr))
        hr = target->GetDeclaration(to);
    if (FAILED(hr))
        return hr;
    std::vector<ElementCopy> plan = PlanElementCopies(from, to);
    MeshLock in(source, MeshBuffer::Vertices, D3DLOCK_READONLY);
    MeshLock out(target, MeshBuffer::Vertices, 0);
    if (FAILED(MeshLock::Either(in, out)))
        return MeshLock::Either(in, out);
    // A copy in the same layout is the same bytes.
    const UINT stride = source->GetNumBytesPerVertex();
    if (stride == target->GetNumBytesPerVertex() && CopiesBytewise(from, to, stride)) {
        std::memcpy(out.Bytes(), in.Bytes(), size_t(source->GetNumVertices()) * stride);
        return D3D_OK;
    }
    ConvertVertices(in.Bytes(), stride, out.Bytes(), target->GetNumBytesPerVertex(),
                    source->GetNumVertices(), plan);
    return D3D_OK;
}

HRESULT CopyIndices(ID3DXMesh* source, ID3DXMesh* target) {
    if (HasWideIndices(source) == HasWideIndices(target)) {
        MeshLock in(source, MeshBuffer::Indices, D3DLOCK_READONLY);
        MeshLock out(target, MeshBuffer::Indices, 0);
        if (SUCCEEDED(MeshLock::Either(in, out)))
            std::memcpy(out.Bytes(), in.Bytes(),
                        size_t(source->GetNumFaces()) * 3 * (HasWideIndices(source) ? 4 : 2));
        return MeshLock::Either(in, out);
    }
    LargeVector<DWORD> indices;
    HRESULT hr = ReadIndices(source, indices);
    if (FAILED(hr))
        return hr;
    MeshLock out(target, MeshBuffer::Indices, 0);
    if (FAILED(out.Result()))
        return out.Result();
    StoreIndices(indices.data(), indices.size(), HasWideIndices(target), out.Bytes());
    return D3D_OK;
}

HRESULT CopyAttributes(ID3DXMesh* source, ID3DXMesh* target) {
    std::vector<D3DXATTRIBUTERANGE> table;
    HRESULT hr = CopyAttributeBuffer(source, target);
    if (SUCCEEDED(hr))
        hr = ReadAttributeTable(source, table);
    if (FAILED(hr) || table.empty())
        return hr;
    return target->SetAttributeTable(table.data(), DWORD(table.size()));
}

HRESULT FillClone(ID3DXMesh* source, ID3DXMesh* clone) {
    try {
        HRESULT hr = CopyVertices(source, clone);
        if (SUCCEEDED(hr))
            hr = CopyIndices(source, clone);
        if (SUCCEEDED(hr))
            hr = CopyAttributes(source, clone);
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

} // namespace

HRESULT CloneMeshInto(ID3DXMesh* source, DWORD options, const D3DVERTEXELEMENT9* declaration,
                      IDirect3DDevice9* device, ID3DXMesh** clone) {
    if (!clone)
        return D3DERR_INVALIDCALL;
    *clone = nullptr;
    ID3DXMesh* made = nullptr;
    HRESULT hr = D3DXCreateMesh(source->GetNumFaces(), source->GetNumVertices(), options,
                                declaration, device, &made);
    if (FAILED(hr))
        return hr;
    hr = FillClone(source, made);
    if (FAILED(hr)) {
        ReleaseRef(made);
        return hr;
    }
    *clone = made;
    return D3D_OK;
}
