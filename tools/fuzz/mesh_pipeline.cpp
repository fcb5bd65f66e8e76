// The utility library's steps after loading, on whatever X file the loader
// accepts: the mesh is cloned to a layout with tangent and binormal, its
// adjacency generated, its bowties split and its tangents computed, each
// result checked before the next step takes it.
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/mesh_checks.h"

#include "platform/d3d9/com.h"

#include <algorithm>
#include <cfloat>
#include <vector>

namespace {

const D3DVERTEXELEMENT9 tangentLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 48, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

// Splits the bowties of `mesh`; the cleaned mesh keeps every face and the
// adjacency, and only ever adds vertices.
ID3DXMesh* Clean(ID3DXMesh* mesh, const std::vector<DWORD>& adjacency,
                 std::vector<DWORD>& cleanedAdjacency) {
    ID3DXMesh* cleaned = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, adjacency.data(), &cleaned,
                               cleanedAdjacency.data(), &errors);
    ReleaseRef(errors);
    if (FAILED(hr)) {
        FuzzCheck(!cleaned, "no mesh from a failed cleaning");
        return nullptr;
    }
    FuzzCheck(cleaned != nullptr, "a cleaned mesh on success");
    FuzzCheck(cleaned->GetNumFaces() == mesh->GetNumFaces(), "cleaning keeps the faces");
    FuzzCheck(cleaned->GetNumVertices() >= mesh->GetNumVertices(), "cleaning only adds vertices");
    FuzzCheck(cleanedAdjacency == adjacency, "cleaning keeps the adjacency");
    CheckMeshIndices(cleaned);
    return cleaned;
}

void Prepare(IDirect3DDevice9* device, ID3DXMesh* loaded) {
    ID3DXMesh* clone = nullptr;
    if (FAILED(loaded->CloneMesh(loaded->GetOptions(), tangentLayout, device, &clone)))
        return;
    FuzzCheck(clone->GetNumFaces() == loaded->GetNumFaces(), "cloning keeps the faces");
    std::vector<DWORD> adjacency(3 * size_t(clone->GetNumFaces()));
    if (SUCCEEDED(clone->GenerateAdjacency(FLT_EPSILON, adjacency.data()))) {
        CheckAdjacency(clone, adjacency.data());
        std::vector<DWORD> cleanedAdjacency(adjacency.size());
        if (ID3DXMesh* cleaned = Clean(clone, adjacency, cleanedAdjacency)) {
            D3DXComputeTangent(cleaned, 0, 0, 0, 1, cleanedAdjacency.data());
            cleaned->Release();
        }
    }
    // Without adjacency the library works out its own.
    D3DXComputeTangent(clone, 0, 0, 0, 0, nullptr);
    clone->Release();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* path = WriteScratchFile(data, size);
    IDirect3DDevice9* device = FuzzDevice();
    LiveObjectGuard guard;
    ID3DXMesh* mesh = nullptr;
    if (FAILED(D3DXLoadMeshFromXA(path, 0, device, nullptr, nullptr, nullptr, nullptr, &mesh)))
        return 0;
    Prepare(device, mesh);
    mesh->Release();
    return 0;
}
