// Face adjacency: which face lies across each edge of each face, with
// vertices at one point (within a tolerance) taken as the same corner.
#pragma once

#include "platform/memory/large_allocator.h"
#include "utility/core/array_view.h"
#include "utility/d3dx9mesh.h"

constexpr DWORD kNoFace = 0xFFFFFFFF;

// ID3DXMesh::GenerateAdjacency for any mesh: three entries a face, the face
// across the edge from corner k to corner k + 1, or kNoFace. A tolerance of 0
// (or less) joins only vertices at exactly the same position. Faces with an
// index outside the vertex range take part in nothing. Reports its progress;
// E_ABORT when the load is cancelled (see load_report.h).
HRESULT GenerateMeshAdjacency(ID3DXMesh* mesh, float tolerance, DWORD* adjacency);

// The merge step: for each vertex, the vertex that stands for its point.
// Vertices closer than the tolerance are joined unless one face uses both;
// each group is represented by its first vertex in order of x. A cancelled
// load stops it part way.
LargeVector<DWORD> MergeCoincidentVertices(ArrayView<D3DXVECTOR3> positions,
                                           ArrayView<DWORD> indices, float tolerance);

// The pairing step over faces visited in `faceOrder`: every edge meets the
// edge run the other way between the same two points on another face, the
// most coplanar one where several do. Fills 3 * faceCount entries, unless a
// cancelled load stops it part way.
void PairFaceEdges(ArrayView<D3DXVECTOR3> positions, ArrayView<DWORD> pointOf,
                   ArrayView<DWORD> indices, ArrayView<DWORD> faceOrder, DWORD* adjacency);
