// The generated model that the loader benchmarks and tests read: a rolling
// height field of side x side vertices with normals and texture
// coordinates, two triangles a cell; the left half takes material 0, the
// right half material 1.
#pragma once

#include "utility/xfile/xmesh_data.h"

XMeshData HeightField(std::uint32_t side);
