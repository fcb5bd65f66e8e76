// What the mesh operations promise about a mesh they hand out: indices that
// name its vertices and adjacency entries that name its faces.
#pragma once

#include "utility/d3dx9mesh.h"

void CheckMeshIndices(ID3DXMesh* mesh);
// Three entries a face, each a face of the mesh or 0xFFFFFFFF.
void CheckAdjacency(ID3DXMesh* mesh, const DWORD* adjacency);
