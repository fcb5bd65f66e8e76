// Ties the animation objects of a parsed file to its frames and to the
// vertices of the merged mesh, and repairs what does not fit.
#pragma once

#include "utility/xfile/merge.h"
#include "utility/xfile/scene.h"

// Moves scene.animation into `out`, with the meshes placed by `origins`:
// bones and animations of a frame the file lacks are dropped, weights of
// vertices the mesh lacks too, keys settled (key_settling.h); each repair
// adds a note.
void LinkAnimation(XScene& scene, const XVertexOrigins& origins, XAnimationData& out);
