// Element tables of mesh vertices: which tables a mesh accepts, the element
// of a usage, and how many components an element type carries.
#pragma once

#include "utility/d3dx9mesh.h"

// The element with this usage and usage index, or null.
const D3DVERTEXELEMENT9* FindVertexElement(const D3DVERTEXELEMENT9* declaration, BYTE usage,
                                           DWORD usageIndex);

// Components an element type carries (FLOAT3: 3, D3DCOLOR: 4); 0 when unknown.
UINT ElementComponentCount(BYTE type);

// A table a mesh can hold: at least one element, the end marker within
// MAX_FVF_DECL_SIZE entries, every element in stream 0 with a known type.
bool IsMeshDeclaration(const D3DVERTEXELEMENT9* declaration);
