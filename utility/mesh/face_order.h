// The order in which adjacency and tangent generation visit faces: subset
// by subset as the attribute table lists them.
#pragma once

#include "platform/memory/large_allocator.h"
#include "utility/d3dx9mesh.h"

// Every face once: those of the attribute-table ranges in range order, then
// any face no range covers, in face order. Face order when there is no table.
HRESULT FacesInAttributeOrder(ID3DXMesh* mesh, LargeVector<DWORD>& order);
