// Reading and writing one vertex element as four floats, so that vertices
// can move between layouts whose element types differ.
#pragma once

#include "utility/d3dx9math.h"

// The element's value; components its type lacks read as 0, and w as 1, the
// way a vertex program sees them. Unknown types read as (0, 0, 0, 1).
D3DXVECTOR4 ReadVertexElement(BYTE type, const BYTE* data);

// Stores the value in the element's type: integer and normalised types round
// to nearest and clamp to their range; components the type lacks are dropped.
void WriteVertexElement(BYTE type, const D3DXVECTOR4& value, BYTE* data);
