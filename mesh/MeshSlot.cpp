#include "mesh/MeshSlot.h"

#include "mesh/Paths.h"
#include "mesh/ShadingLayout.h"
#include "mesh/TangentRepair.h"

#include <memory>
#include <new>

namespace {

// The clone's face adjacency, or null when it cannot be had.
std::unique_ptr<DWORD[]> FaceAdjacency(ID3DXMesh* mesh) {
    std::unique_ptr<DWORD[]> adjacency(new (std::nothrow) DWORD[size_t(mesh->GetNumFaces()) * 3]);
    if (adjacency && FAILED(mesh->GenerateAdjacency(kAdjacencyEpsilon, adjacency.get())))
        adjacency.reset();
    return adjacency;
}

// Takes over the reference to `mesh`; returns the cleaned mesh, or `mesh`
// itself when there is nothing to clean with or the cleaning fails. The
// split never changes face adjacency, so the one array serves as input and
// output.
ID3DXMesh* SplitBowties(ID3DXMesh* mesh, DWORD* adjacency) {
    if (!adjacency)
        return mesh;
    ID3DXMesh* cleaned = nullptr;
    if (FAILED(D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, adjacency, &cleaned, adjacency, nullptr)) ||
        !cleaned)
        return mesh;
    mesh->Release();
    return cleaned;
}

// Takes over the reference to the clone and returns the mesh to draw in its
// place.
ID3DXMesh* PrepareForShading(ID3DXMesh* clone) {
    std::unique_ptr<DWORD[]> adjacency = FaceAdjacency(clone);
    ID3DXMesh* mesh = SplitBowties(clone, adjacency.get());
    // Without adjacency the library works out its own. Its result is not
    // needed: whatever tangents it leaves degenerate, the repair rebuilds.
    D3DXComputeTangent(mesh, 0, 0, 0, 1, adjacency.get());
    RepairTangents(mesh);
    return mesh;
}

} // namespace

bool LoadMeshSlot(IDirect3DDevice9* device, MeshObj& slot, const char* path) {
    slot.Release();
    char directory[kMaxMeshDirectory + 1];
    char fileName[kMaxMeshFileName + 1];
    if (!SplitMeshPath(path, directory, fileName))
        return false;
    if (!slot.Load(directory, fileName)) {
        // Load keeps a mesh whose material arrays could not be allocated; a
        // slot that failed to load holds nothing.
        slot.Release();
        return false;
    }
    ID3DXMesh* clone = nullptr;
    if (FAILED(slot.mesh->CloneMesh(slot.mesh->GetOptions(), kShadingLayout, device, &clone)))
        return false;
    ID3DXMesh* prepared = PrepareForShading(clone);
    slot.mesh->Release();
    slot.mesh = prepared;
    return true;
}

bool PrepareMeshSlot(const char* path, UINT, UINT, PreparedMesh& out) {
    out.path = path;
    return true;
}
bool InstallMeshSlot(IDirect3DDevice9* device, MeshObj& slot, PreparedMesh& prepared) {
    return LoadMeshSlot(device, slot, prepared.path.c_str());
}
