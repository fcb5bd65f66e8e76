// Faces grouped by material, as a loaded mesh keeps them so that each
// subset is one range of faces.
#pragma once

#include "utility/d3dx9mesh.h"
#include "utility/xfile/xmesh_data.h"

#include <vector>

// Sorts the triangles by attribute, keeping the order of the triangles of
// one attribute, and returns one range per attribute that has triangles, in
// ascending attribute order (vertex start and count span the vertices those
// triangles use). May throw std::bad_alloc.
std::vector<D3DXATTRIBUTERANGE> SortTrianglesByAttribute(XMeshData& mesh);
