// The one vertex layout every drawn mesh is converted to when it is loaded:
// position, normal, tangent and one texture coordinate in one 44-byte
// stream. The effects' vertex programs read exactly these four elements.
#pragma once

#include "utility/d3dx9math.h"
#include "utility/d3dx9mesh.h"

struct ShadingVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR3 tangent;
    D3DXVECTOR2 uv;
};
static_assert(sizeof(ShadingVertex) == 44, "shading vertices are 44 bytes");

// Closed by the end marker. Used to clone meshes and by the application for
// its vertex declaration.
extern const D3DVERTEXELEMENT9 kShadingLayout[5];

// True when the mesh's vertices are laid out as kShadingLayout says.
bool HasShadingLayout(ID3DXMesh* mesh);
