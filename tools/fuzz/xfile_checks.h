// What a successful read promises about the mesh it fills: whole triangles,
// every index naming a vertex and every attribute naming a material.
#pragma once

#include "utility/xfile/xmesh_data.h"

void CheckXMeshData(const XMeshData& mesh);
