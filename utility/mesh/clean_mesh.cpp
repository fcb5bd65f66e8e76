// D3DXCleanMesh: the bowtie split. Every fan of faces around a point claims
// the vertices it meets first; a vertex that a later, separate fan also uses
// is copied for that fan, so that afterwards every vertex belongs to one fan.
#include "platform/d3d9/com.h"
#include "utility/core/load_report.h"
#include "utility/mesh/fan_walk.h"
#include "utility/mesh/index_validation.h"
#include "utility/mesh/mesh_access.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr DWORD kNone = 0xFFFFFFFF;

struct BowtieSplit {
    LargeVector<DWORD> indices; // the input indices, redirected to copies; empty without copies
    std::vector<DWORD> copies;  // the input vertex of each copy, in order of creation
};

FanWalk SplitBowties(const LargeVector<DWORD>& indices, DWORD vertexCount, const DWORD* adjacency,
                     BowtieSplit& split) {
    const DWORD faceCount = DWORD(indices.size() / 3);
    split.indices.clear();
    split.copies.clear();
    split.copies.reserve(10);
    LargeVector<DWORD> owner(vertexCount, kNone);
    std::vector<bool> visited(indices.size(), false);
    std::vector<DWORD> fan;
    for (DWORD j = 0; j < faceCount; ++j) {
        if (LoadStepCancelled(j, faceCount))
            return FanWalk::Done;
        for (DWORD k = 0; k < 3; ++k) {
            if (visited[size_t(j) * 3 + k])
                continue;
            // Validated adjacency names no neighbour twice, so the walk
            // closes or ends on its own; the bound only guards that promise.
            FanWalk walk = WalkFan(adjacency, faceCount, j, k, 3 * faceCount + 3, fan);
            if (walk != FanWalk::Done)
                return walk;
            // Only the last copied vertex is remembered within one fan.
            DWORD lastCopied = kNone, currentCopy = kNone;
            for (DWORD corner : fan) {
                visited[corner] = true;
                DWORD x = indices[corner];
                if (x == lastCopied) {
                    split.indices[corner] = currentCopy;
                } else if (owner[x] == kNone) {
                    owner[x] = j;
                } else if (owner[x] != j) {
                    if (split.indices.empty())
                        split.indices = indices;
                    currentCopy = vertexCount + DWORD(split.copies.size());
                    split.copies.push_back(x);
                    lastCopied = x;
                    split.indices[corner] = currentCopy;
                }
            }
        }
    }
    return FanWalk::Done;
}

// Ranges keep their faces; their vertex spans grow to take in the copies
// their faces now use, so that drawing a subset covers every vertex it reads.
void WidenVertexSpans(std::vector<D3DXATTRIBUTERANGE>& table, const LargeVector<DWORD>& indices) {
    for (D3DXATTRIBUTERANGE& range : table) {
        if (range.FaceCount == 0)
            continue;
        auto first = indices.begin() + size_t(range.FaceStart) * 3;
        auto [low, high] = std::minmax_element(first, first + size_t(range.FaceCount) * 3);
        DWORD end = std::max(range.VertexStart + range.VertexCount, *high + 1);
        range.VertexStart = std::min(range.VertexStart, *low);
        range.VertexCount = end - range.VertexStart;
    }
}

HRESULT CopyAttributesAndTable(ID3DXMesh* from, ID3DXMesh* to, const LargeVector<DWORD>& indices) {
    std::vector<D3DXATTRIBUTERANGE> table;
    HRESULT hr = CopyAttributeBuffer(from, to);
    if (SUCCEEDED(hr))
        hr = ReadAttributeTable(from, table);
    if (FAILED(hr) || table.empty())
        return hr;
    WidenVertexSpans(table, indices);
    return to->SetAttributeTable(table.data(), DWORD(table.size()));
}

HRESULT FillSplitMesh(ID3DXMesh* from, ID3DXMesh* to, const BowtieSplit& split) {
    const size_t stride = from->GetNumBytesPerVertex();
    const DWORD vertexCount = from->GetNumVertices();
    {
        MeshLock in(from, MeshBuffer::Vertices, D3DLOCK_READONLY);
        MeshLock out(to, MeshBuffer::Vertices, 0);
        if (FAILED(MeshLock::Either(in, out)))
            return MeshLock::Either(in, out);
        std::memcpy(out.Bytes(), in.Bytes(), vertexCount * stride);
        for (size_t c = 0; c < split.copies.size(); ++c)
            std::memcpy(out.Bytes() + (vertexCount + c) * stride,
                        in.Bytes() + split.copies[c] * stride, stride);
    }
    {
        MeshLock out(to, MeshBuffer::Indices, 0);
        if (FAILED(out.Result()))
            return out.Result();
        StoreIndices(split.indices.data(), split.indices.size(), HasWideIndices(to), out.Bytes());
    }
    return CopyAttributesAndTable(from, to, split.indices);
}

HRESULT MakeSplitMesh(ID3DXMesh* from, const BowtieSplit& split, ID3DXMesh** made) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    IDirect3DDevice9* device = nullptr;
    HRESULT hr = from->GetDeclaration(declaration);
    if (SUCCEEDED(hr))
        hr = from->GetDevice(&device);
    if (FAILED(hr))
        return hr;
    ID3DXMesh* mesh = nullptr;
    hr = D3DXCreateMesh(from->GetNumFaces(), from->GetNumVertices() + DWORD(split.copies.size()),
                        from->GetOptions(), declaration, device, &mesh);
    ReleaseRef(device);
    if (SUCCEEDED(hr))
        hr = FillSplitMesh(from, mesh, split);
    if (FAILED(hr)) {
        ReleaseRef(mesh);
        return hr;
    }
    *made = mesh;
    return D3D_OK;
}

HRESULT ReportFindings(const std::vector<std::string>& findings, ID3DXBuffer** errors) {
    if (!errors)
        return D3D_OK;
    std::string text;
    for (const std::string& finding : findings)
        text += finding + "\n";
    HRESULT hr = D3DXCreateBuffer(DWORD(text.size() + 1), errors);
    if (SUCCEEDED(hr))
        std::memcpy((*errors)->GetBufferPointer(), text.c_str(), text.size() + 1);
    return hr;
}

HRESULT Clean(ID3DXMesh* mesh, const DWORD* adjacency, bool splitBowties, ID3DXMesh** meshOut,
              ID3DXBuffer** errors) {
    LargeVector<DWORD> indices;
    HRESULT hr = ReadIndices(mesh, indices);
    if (FAILED(hr))
        return hr;
    std::vector<std::string> findings = ValidateIndices(indices, mesh->GetNumVertices(), adjacency);
    if (!findings.empty()) {
        hr = ReportFindings(findings, errors);
        return FAILED(hr) ? hr : D3DXERR_INVALIDMESH;
    }
    BowtieSplit split;
    if (splitBowties &&
        SplitBowties(indices, mesh->GetNumVertices(), adjacency, split) != FanWalk::Done)
        return D3DXERR_INVALIDMESH;
    if (LoadCancelled())
        return E_ABORT;
    if (split.copies.empty()) {
        mesh->AddRef();
        *meshOut = mesh;
        return D3D_OK;
    }
    return MakeSplitMesh(mesh, split, meshOut);
}

} // namespace

HRESULT D3DXCleanMesh(D3DXCLEANTYPE cleanType, ID3DXMesh* meshIn, const DWORD* adjacencyIn,
                      ID3DXMesh** meshOut, DWORD* adjacencyOut, ID3DXBuffer** errorsAndWarnings) {
    if (errorsAndWarnings)
        *errorsAndWarnings = nullptr;
    if (meshOut)
        *meshOut = nullptr;
    if (!meshIn || !adjacencyIn || !meshOut || !adjacencyOut || (cleanType & ~D3DXCLEAN_BOWTIES))
        return D3DERR_INVALIDCALL;
    if (adjacencyOut != adjacencyIn)
        std::memmove(adjacencyOut, adjacencyIn, size_t(meshIn->GetNumFaces()) * 3 * sizeof(DWORD));
    if (IsWriteOnly(meshIn))
        return D3DERR_INVALIDCALL;
    try {
        return Clean(meshIn, adjacencyOut, (cleanType & D3DXCLEAN_BOWTIES) != 0, meshOut,
                     errorsAndWarnings);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
