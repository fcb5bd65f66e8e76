// The mesh and materials D3DXLoadMeshFromXA gives, with the frames, skins
// and animation sets that move it, from one reading of the file.
#pragma once

#include "utility/d3dx9mesh.h"
#include "utility/xfile/xfile_animation.h"

// As D3DXLoadMeshFromXA (no adjacency or effect instances); `animation`
// describes the returned mesh's vertices, and is empty on failure.
HRESULT LoadSceneMeshFromX(LPCSTR filename, DWORD options, IDirect3DDevice9* device,
                           ID3DXBuffer** materials, DWORD* numMaterials, ID3DXMesh** mesh,
                           XAnimationData& animation);
