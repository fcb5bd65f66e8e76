// Faces grouped by material, as a loaded mesh keeps them so that each
// subset is one range of faces.
#pragma once

#include "utility/d3dx9mesh.h"
#include "utility/xfile/xmesh_data.h"

#include <vector>

// One range per attribute that has triangles, in ascending attribute order,
// of a mesh whose triangles are grouped by attribute (vertex start and count
// span the vertices those triangles use). May throw std::bad_alloc.
std::vector<D3DXATTRIBUTERANGE> AttributeRanges(const XMeshData& mesh);
