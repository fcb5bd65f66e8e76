// Writing a model as an X file through the utility library's mesh writer.
#pragma once

#include "tools/datagen/mesh_piece.h"
#include "utility/d3dx9mesh.h"

#include <vector>

// Builds the model as an ID3DXMesh (position, normal, texture coordinate;
// 16-bit indices, 32-bit when it has more vertices than they reach) on
// `device` and saves it with D3DXSaveMeshToX in `format`. Triangle materials
// index `materials`; no material names a texture file.
HRESULT SaveModel(IDirect3DDevice9* device, const char* path, const MeshPiece& model,
                  const std::vector<D3DMATERIAL9>& materials, DWORD format);
