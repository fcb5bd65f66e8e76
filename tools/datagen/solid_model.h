// The default hard-surface model, "solid.x": a chamfered block whose faces
// are framed, recessed panels, a glass dome on top, and a ring around its
// equator held by four struts.
#pragma once

#include "tools/datagen/mesh_piece.h"

#include <vector>

// Material 0 is the block and the dome, material 1 the ring and its struts.
MeshPiece BuildSolidModel();
std::vector<D3DMATERIAL9> SolidMaterials();
