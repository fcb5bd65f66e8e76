// Filling a mesh slot from an X file: the mesh is read with its materials,
// converted to the shading layout, its bowtie vertices split, its tangents
// computed by the utility library and the degenerate ones repaired.
//
// The work comes in two steps, so that a big file can be read and prepared
// off the frame loop: PrepareMeshSlot needs no device the window draws with
// and runs on any thread (the mesh is made on a memory device of its own,
// the material textures are decoded into images); InstallMeshSlot, on the
// device's thread, only copies the result onto the device. LoadMeshSlot
// does both in turn.
#pragma once

#include "mesh/MaterialTextureDecoding.h"
#include "mesh/MeshAnimation.h"
#include "mesh/MeshObj.h"

#include <cfloat>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Tolerance of the position-based face adjacency that joins the two sides of
// a texture seam.
constexpr float kAdjacencyEpsilon = FLT_EPSILON;

// The most memory one load of the viewer may give the mesh and its
// decoded textures together. Each byte of a texture is held again by the
// device (and once more by a software driver) while the viewer shows two
// such loads and prepares a third, so a budget of 1 GiB keeps the viewer
// within a few GiB however its models are made, and still takes 45 distinct
// 2048 x 2048 textures with their mip chains, far more than X-file models
// name.
constexpr std::size_t kViewerLoadBudget = std::size_t(1) << 30;

// Everything InstallMeshSlot puts in a slot, made without the slot's device.
// Moving it hands the mesh over; it releases what it still holds.
struct PreparedMesh {
    PreparedMesh() = default;
    ~PreparedMesh();
    PreparedMesh(PreparedMesh&& other) noexcept;
    PreparedMesh& operator=(PreparedMesh&& other) noexcept;
    PreparedMesh(const PreparedMesh&) = delete;
    PreparedMesh& operator=(const PreparedMesh&) = delete;

    // On a memory device: in the shading layout with its tangents repaired,
    // or in the file's own layout when it could not be converted; null when
    // the file could not be read.
    ID3DXMesh* mesh = nullptr;
    // The layout the file's mesh was read in, closed by the end marker.
    std::vector<D3DVERTEXELEMENT9> fileLayout;
    std::vector<D3DMATERIAL9> materials;
    // The materials' textures, each file decoded once (see
    // MaterialTextureDecoding).
    MaterialTextures textures;
    // The file's animation sets and what posing the mesh needs; null when
    // the file has none or the mesh is not in the shading layout.
    std::unique_ptr<MeshAnimation> animation;
};

// Reads the file at `path` (`\` and `/` both end its directory, where the
// materials' textures are looked up) and prepares it as the slot will hold
// it, textures decoded to fit maxTextureWidth x maxTextureHeight (0: none
// decoded), the mesh and textures within `memoryBudget` bytes (past it,
// materials show their colours). Any thread. Reports its progress and stops
// when cancelled (see load_report.h). False when the slot would end empty:
// the file cannot be read, memory ran out ("out of memory"), or the load
// was cancelled; the reason is then in LoadFailure().
bool PrepareMeshSlot(const char* path, UINT maxTextureWidth, UINT maxTextureHeight,
                     PreparedMesh& out, std::size_t memoryBudget = kViewerLoadBudget);

// On the device's thread: empties the slot, then fills it from `prepared`
// (which it leaves for its owner to free): the mesh copied to `device` when it is in the
// shading layout, to sharedDevice in the file's layout otherwise, and the
// material textures made on sharedDevice, one for each decoded image, each
// material that shows it holding a reference of its own. The result is
// LoadMeshSlot's; when memory runs out the slot ends empty, the reason
// "out of memory".
bool InstallMeshSlot(IDirect3DDevice9* device, MeshObj& slot, PreparedMesh& prepared);

// Empties the slot, then reads the file at `path` into it and prepares it
// for shading on `device`: PrepareMeshSlot, then InstallMeshSlot. True when
// the slot holds the file's mesh in the shading layout. Every outcome
// leaves a slot that draws safely:
// - the file cannot be read: the slot stays empty (false);
// - the mesh cannot be cloned into the shading layout, or `device` cannot
//   take it: the slot keeps it in the file's own layout, with its
//   materials (false);
// - the face adjacency cannot be had (no memory) or the cleaning fails
//   (indices it refuses): the clone goes on to the tangent steps uncleaned;
//   a bowtie vertex then serves both of its fans, which only blends their
//   tangents (true).
bool LoadMeshSlot(IDirect3DDevice9* device, MeshObj& slot, const char* path);

// Why LoadMeshSlot or InstallMeshSlot gave false, in a user's words: the
// slot's mesh is drawn as the file laid it out, or the reason left in
// LoadFailure() for a slot that ended empty.
std::string MeshSlotFailure(const MeshObj& slot);
