// Sizes of formats and vertex elements, and flexible vertex formats turned
// into element tables.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <vector>

// Bytes per pixel of an uncompressed colour or depth format; 0 when unknown.
UINT BytesPerPixel(D3DFORMAT format);
bool IsDepthFormat(D3DFORMAT format);
// A depth format that also holds a stencil.
bool HasStencil(D3DFORMAT format);
bool IsFloatFormat(D3DFORMAT format);
// Bytes of one element of the given declaration type; 0 for an unknown type.
UINT DeclTypeSize(BYTE type);
// The element table of a flexible vertex format, closed by the end marker;
// empty for a format without a position.
std::vector<D3DVERTEXELEMENT9> ElementsFromFvf(DWORD fvf);
// Bytes per vertex of a flexible vertex format.
UINT FvfStride(DWORD fvf);
// The count of elements before the end marker, at most MAXD3DDECLLENGTH.
UINT DeclLength(const D3DVERTEXELEMENT9* elements);
// Vertices used by a primitive count of a type; 0 for an unknown type.
UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT primitiveCount);
