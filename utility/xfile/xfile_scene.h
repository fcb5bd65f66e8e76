// An X file read whole: the mesh D3DXLoadMeshFromXA makes, and beside it
// the frame tree, skins and animation sets that move it.
#pragma once

#include "utility/xfile/xfile_animation.h"
#include "utility/xfile/xmesh_data.h"

#include "platform/d3d9/d3d9.h"

struct XFileScene {
    XMeshData mesh; // vertex for vertex what D3DXLoadMeshFromXA loads (triangles by attribute)
    XAnimationData animation;
};

// The results of ReadXFile. Odd animation data (weights of vertices or
// frames that do not exist, keys out of order or repeated, rotations of
// other lengths than one) never fails the load: it is repaired or dropped
// and said so in animation.notes.
HRESULT LoadXFileScene(const char* path, XFileScene& scene);
HRESULT ReadXFileScene(const std::uint8_t* bytes, size_t size, XFileScene& scene);
