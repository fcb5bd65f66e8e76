// The default organic model, "skin.x": a small creature built from smooth
// surfaces (head and body in one outline, arms, legs, antennae, eyes), mapped
// so that its left half mirrors its right half.
#pragma once

#include "tools/datagen/mesh_piece.h"

#include <vector>

MeshPiece BuildSkinModel();
std::vector<D3DMATERIAL9> SkinMaterials();

// Where a point on or near the body lies in the body's art: (fraction of the
// way from the front centre line round to the back one, fraction of the way
// from the top of the head down to the bottom). The painter places the
// features that must meet the geometry (eye sockets, joints) with it.
D3DXVECTOR2 BodyArtPoint(const D3DXVECTOR3& point);
