// Filling a mesh slot from an X file: the mesh is read with its materials,
// converted to the shading layout, its bowtie vertices split, its tangents
// computed by the utility library and the degenerate ones repaired.
#pragma once

#include "mesh/MeshObj.h"

#include <cfloat>

// Tolerance of the position-based face adjacency that joins the two sides of
// a texture seam.
constexpr float kAdjacencyEpsilon = FLT_EPSILON;

// Empties the slot, then reads the file at `path` into it (`\` and `/` both
// end its directory, where the materials' textures are looked up) and
// prepares it for shading on `device`: cloned into the shading layout,
// bowties split, tangents computed by the library and the degenerate ones
// repaired. True when the slot holds the file's mesh in the shading layout.
// Every outcome leaves a slot that draws safely:
// - the file cannot be read, or its directory or name is too long: the slot
//   stays empty (false);
// - the mesh cannot be cloned: the slot keeps it as read, in the file's own
//   layout, with its materials (false);
// - the face adjacency cannot be had (no memory) or the cleaning fails
//   (indices it refuses): the clone goes on to the tangent steps uncleaned;
//   a bowtie vertex then serves both of its fans, which only blends their
//   tangents (true).
bool LoadMeshSlot(IDirect3DDevice9* device, MeshObj& slot, const char* path);

#include <string>

// LoadMeshSlot in two steps, for loading off the device's thread. For now
// the first step only takes the path and the second reads the file on the
// device's thread.
struct PreparedMesh {
    std::string path;
};
bool PrepareMeshSlot(const char* path, UINT maxTextureWidth, UINT maxTextureHeight,
                     PreparedMesh& out);
bool InstallMeshSlot(IDirect3DDevice9* device, MeshObj& slot, PreparedMesh& prepared);
