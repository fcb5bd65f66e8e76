// Copying a mesh into another vertex layout, index width or device.
#pragma once

#include "utility/d3dx9mesh.h"

// A new mesh on `device` with `options` and `declaration`: every vertex
// converted element by element, matched by usage and usage index (elements
// the source lacks are zero), the same faces, attributes and attribute table.
HRESULT CloneMeshInto(ID3DXMesh* source, DWORD options, const D3DVERTEXELEMENT9* declaration,
                      IDirect3DDevice9* device, ID3DXMesh** clone);
