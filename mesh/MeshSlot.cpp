#include "mesh/MeshSlot.h"

#include "framework/KvDX9.h"
#include "mesh/Paths.h"
#include "mesh/ShadingLayout.h"
#include "mesh/TangentRepair.h"
#include "mesh/TextureLookup.h"
#include "platform/d3d9/com.h"
#include "platform/d3d9/memory_device.h"
#include "utility/core/load_report.h"
#include "utility/xfile/load_scene_mesh.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

namespace {

// The shares of the whole load, in permille, that reading the file and each
// preparation step report their progress in.
constexpr std::uint32_t kReadEnd = 600;
constexpr std::uint32_t kAdjacencyEnd = 750;
constexpr std::uint32_t kCleaningEnd = 800;
constexpr std::uint32_t kTangentsEnd = 920;

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

// Until its tangents are computed, a vertex's tangent is free: it carries
// the vertex's index in the mesh as loaded through the bowtie split, which
// appends whole copies of the vertices it splits.
bool StampLoadedIndices(ID3DXMesh* mesh) {
    void* bytes = nullptr;
    if (FAILED(mesh->LockVertexBuffer(0, &bytes)))
        return false;
    auto* vertices = static_cast<ShadingVertex*>(bytes);
    for (std::uint32_t i = 0, n = mesh->GetNumVertices(); i < n; ++i)
        std::memcpy(&vertices[i].tangent.x, &i, sizeof i);
    mesh->UnlockVertexBuffer();
    return true;
}

bool ReadLoadedIndices(ID3DXMesh* mesh, std::vector<std::uint32_t>& loadedVertexOf) {
    void* bytes = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &bytes)))
        return false;
    const auto* vertices = static_cast<const ShadingVertex*>(bytes);
    loadedVertexOf.resize(mesh->GetNumVertices());
    for (size_t i = 0; i < loadedVertexOf.size(); ++i)
        std::memcpy(&loadedVertexOf[i], &vertices[i].tangent.x, sizeof loadedVertexOf[i]);
    mesh->UnlockVertexBuffer();
    return true;
}

// Takes over the reference to the clone and returns the mesh to draw in its
// place. With `loadedVertexOf`, also which vertex of the clone each of the
// result's vertices came from; it is left empty when that is not known.
ID3DXMesh* PrepareForShading(ID3DXMesh* clone, std::vector<std::uint32_t>* loadedVertexOf) {
    std::unique_ptr<DWORD[]> adjacency;
    {
        LoadProgressSpan span(kReadEnd, kAdjacencyEnd);
        adjacency = FaceAdjacency(clone);
    }
    // A cancelled load goes no further: what it made is thrown away.
    if (LoadCancelled())
        return clone;
    const bool stamped = loadedVertexOf && StampLoadedIndices(clone);
    ID3DXMesh* mesh;
    {
        LoadProgressSpan span(kAdjacencyEnd, kCleaningEnd);
        mesh = SplitBowties(clone, adjacency.get());
    }
    if (stamped && !ReadLoadedIndices(mesh, *loadedVertexOf))
        loadedVertexOf->clear();
    if (LoadCancelled())
        return mesh;
    // Without adjacency the library works out its own. Its result is not
    // needed: whatever tangents it leaves degenerate, the repair rebuilds.
    {
        LoadProgressSpan span(kCleaningEnd, kTangentsEnd);
        D3DXComputeTangent(mesh, 0, 0, 0, 1, adjacency.get());
    }
    if (LoadCancelled())
        return mesh;
    LoadProgressSpan span(kTangentsEnd, 1000);
    RepairTangents(mesh);
    return mesh;
}

// The animation of a prepared mesh in the shading layout whose vertex i is
// loaded vertex loadedVertexOf[i]; null when its vertices cannot be read or
// the file's skins cannot be rigged for them.
std::unique_ptr<MeshAnimation> AnimationOf(ID3DXMesh* mesh, XAnimationData data,
                                           std::uint32_t loadedVertexCount,
                                           const std::vector<std::uint32_t>& loadedVertexOf) {
    if (loadedVertexOf.size() != mesh->GetNumVertices())
        return nullptr;
    auto animation = std::make_unique<MeshAnimation>();
    animation->data = std::move(data);
    if (!animation->poser.Build(animation->data, loadedVertexCount) ||
        !animation->poser.Remap(loadedVertexOf))
        return nullptr;
    void* bytes = nullptr;
    if (FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &bytes)))
        return nullptr;
    const auto* vertices = static_cast<const SkinVertex*>(bytes);
    animation->rest.assign(vertices, vertices + mesh->GetNumVertices());
    mesh->UnlockVertexBuffer();
    return animation;
}

// The materials of the file and the texture names they give (empty: none).
void TakeMaterials(ID3DXBuffer* buffer, DWORD count, PreparedMesh& out,
                   std::vector<std::string>& textureNames) {
    const auto* records = static_cast<const D3DXMATERIAL*>(buffer->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        out.materials.push_back(records[i].MatD3D);
        textureNames.emplace_back(records[i].pTextureFilename ? records[i].pTextureFilename : "");
    }
}

bool Cancelled(PreparedMesh& out) {
    if (!LoadCancelled())
        return false;
    out = PreparedMesh();
    SetLoadFailure("cancelled");
    return true;
}

// What the mesh takes in the shading layout, for the load's budget.
std::size_t ShadingMeshBytes(ID3DXMesh* mesh) {
    const std::size_t indexBytes = (mesh->GetOptions() & D3DXMESH_32BIT) ? 4 : 2;
    return std::size_t(mesh->GetNumVertices()) * sizeof(ShadingVertex) +
           std::size_t(mesh->GetNumFaces()) * 3 * indexBytes;
}

bool OutOfMemory(HRESULT hr) {
    return hr == E_OUTOFMEMORY || hr == D3DERR_OUTOFVIDEOMEMORY;
}

// False when memory ran out; a texture the device refuses otherwise stays
// null, as one that cannot be read.
bool CreateMaterialTextures(const PreparedMesh& prepared, MeshObj& slot) {
    const MaterialTextures& textures = prepared.textures;
    if (!sharedDevice)
        return true;
    std::vector<IDirect3DTexture9*> created(textures.images.size(), nullptr);
    bool enough = true;
    for (std::size_t image = 0; enough && image < created.size(); ++image)
        if (!textures.images[image].levels.empty())
            enough = !OutOfMemory(CreateTextureFromTextureImage(
                sharedDevice, textures.images[image], &created[image]));
    for (DWORD i = 0; enough && i < slot.materialCount; ++i) {
        const std::size_t image = textures.imageOf[i];
        if (image != MaterialTextures::kNoTexture && created[image]) {
            created[image]->AddRef();
            slot.materialTextures[i] = created[image];
        }
    }
    for (IDirect3DTexture9*& texture : created)
        ReleaseRef(texture);
    return enough;
}

} // namespace

PreparedMesh::~PreparedMesh() {
    ReleaseRef(mesh);
}

PreparedMesh::PreparedMesh(PreparedMesh&& other) noexcept
    : mesh(std::exchange(other.mesh, nullptr)), fileLayout(std::move(other.fileLayout)),
      materials(std::move(other.materials)), textures(std::move(other.textures)),
      animation(std::move(other.animation)) {}

PreparedMesh& PreparedMesh::operator=(PreparedMesh&& other) noexcept {
    if (this != &other) {
        ReleaseRef(mesh);
        mesh = std::exchange(other.mesh, nullptr);
        fileLayout = std::move(other.fileLayout);
        materials = std::move(other.materials);
        textures = std::move(other.textures);
        animation = std::move(other.animation);
    }
    return *this;
}

bool PrepareMeshSlot(const char* path, UINT maxTextureWidth, UINT maxTextureHeight,
                     PreparedMesh& out, std::size_t memoryBudget) {
    out = PreparedMesh();
    std::string directory, fileName;
    if (!SplitMeshPath(path, directory, fileName)) {
        SetLoadFailure("no file name");
        return false;
    }
    IDirect3DDevice9* device = CreateMemoryDevice();
    if (!device) {
        SetLoadFailure("out of memory");
        return false;
    }
    ID3DXMesh* read = nullptr;
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    XAnimationData animation;
    HRESULT hr;
    {
        LoadProgressSpan span(0, kReadEnd);
        hr = LoadSceneMeshFromX(path, 0, device, &materialBuffer, &count, &read, animation);
    }
    if (FAILED(hr)) {
        device->Release();
        return false;
    }
    try {
        std::vector<std::string> textureNames;
        TakeMaterials(materialBuffer, count, out, textureNames);
        D3DVERTEXELEMENT9 layout[MAX_FVF_DECL_SIZE];
        read->GetDeclaration(layout);
        out.fileLayout.assign(layout, layout + D3DXGetDeclLength(layout) + 1);
        ReleaseRef(materialBuffer);
        const std::size_t meshBytes = ShadingMeshBytes(read);
        MaterialTextureDecoding textures(directory, std::move(textureNames), out.materials,
                                         maxTextureWidth, maxTextureHeight,
                                         memoryBudget > meshBytes ? memoryBudget - meshBytes : 0);
        ID3DXMesh* clone = nullptr;
        if (SUCCEEDED(read->CloneMesh(read->GetOptions(), kShadingLayout, device, &clone))) {
            // The mesh as read is not needed beside its clone.
            const std::uint32_t loadedVertexCount = read->GetNumVertices();
            ReleaseRef(read);
            // Only a mesh that moves needs to know where its vertices came from.
            const bool animated = !animation.sets.empty();
            std::vector<std::uint32_t> loadedVertexOf;
            out.mesh = PrepareForShading(clone, animated ? &loadedVertexOf : nullptr);
            if (animated && !LoadCancelled())
                out.animation =
                    AnimationOf(out.mesh, std::move(animation), loadedVertexCount, loadedVertexOf);
        } else {
            out.mesh = std::exchange(read, nullptr);
        }
        out.textures = textures.Finish();
    } catch (const std::bad_alloc&) {
        ReleaseRef(materialBuffer);
        ReleaseRef(read);
        device->Release();
        out = PreparedMesh();
        SetLoadFailure("out of memory");
        return false;
    }
    device->Release();
    if (Cancelled(out))
        return false;
    ReportLoadProgress(1, 1);
    return true;
}

namespace {

bool NoMemoryForSlot(MeshObj& slot) {
    slot.Release();
    SetLoadFailure("out of memory");
    return false;
}

bool CopyToSlot(IDirect3DDevice9* device, MeshObj& slot, const PreparedMesh& taken) {
    if (!taken.mesh)
        return false;
    const DWORD count = DWORD(taken.materials.size());
    slot.materials = new (std::nothrow) D3DMATERIAL9[count];
    slot.materialTextures = new (std::nothrow) IDirect3DTexture9*[count]();
    if (!slot.materials || !slot.materialTextures)
        return NoMemoryForSlot(slot);
    // A mesh that `device` cannot take is kept as the file laid it out.
    bool shaded = HasShadingLayout(taken.mesh) &&
                  SUCCEEDED(taken.mesh->CloneMesh(taken.mesh->GetOptions(), kShadingLayout, device,
                                                  &slot.mesh));
    if (!shaded && FAILED(taken.mesh->CloneMesh(taken.mesh->GetOptions(), taken.fileLayout.data(),
                                                sharedDevice, &slot.mesh))) {
        slot.Release();
        return false;
    }
    slot.materialCount = count;
    std::copy(taken.materials.begin(), taken.materials.end(), slot.materials);
    if (!CreateMaterialTextures(taken, slot))
        return NoMemoryForSlot(slot);
    return shaded;
}

} // namespace

bool InstallMeshSlot(IDirect3DDevice9* device, MeshObj& slot, PreparedMesh& prepared) {
    slot.Release();
    // Copied from, not taken: what `prepared` holds, its owner frees where
    // it likes (the loader, off the frame thread).
    try {
        return CopyToSlot(device, slot, prepared);
    } catch (const std::bad_alloc&) {
        return NoMemoryForSlot(slot);
    }
}

bool LoadMeshSlot(IDirect3DDevice9* device, MeshObj& slot, const char* path) {
    slot.Release();
    UINT maxWidth = 0, maxHeight = 0;
    if (sharedDevice)
        MaxTextureSize(sharedDevice, maxWidth, maxHeight);
    PreparedMesh prepared;
    PrepareMeshSlot(path, maxWidth, maxHeight, prepared);
    return InstallMeshSlot(device, slot, prepared);
}

std::string MeshSlotFailure(const MeshObj& slot) {
    if (slot.mesh)
        return "shown as the file lays it out: it could not be prepared for shading";
    return LoadFailureReason();
}
