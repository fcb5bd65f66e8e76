// The pass that rebuilds the tangents the utility library left degenerate:
// where the corner tangents of a point cancel out (a mirrored texture seam,
// a face without texture extent), the vertex gets the texture-space tangents
// of its own faces blended with the tangents of the vertices that stand at
// the same point facing the same way.
#pragma once

#include "mesh/ShadingLayout.h"

#include <cfloat>

// A tangent shorter than this needs repair.
constexpr float kDegenerateTangentLength = 0.5f;
// A face whose texture-space area term is not above this has no tangent.
constexpr float kTextureAreaThreshold = FLT_EPSILON;
// Two positions at most this far apart are one point ...
constexpr float kCoincidenceDistance = FLT_EPSILON;
// ... and two normals whose dot product is at least this one direction.
constexpr float kNormalAgreement = 0.999f;

// The unit texture-space tangent (direction of growing u) of a triangle
// from its corners in order. False, and *tangent untouched, when the texture
// mapping is degenerate or mirrored: the area term of edges 0->1 and 1->2
// in texture space is not above kTextureAreaThreshold.
bool ComputeFaceTangent(const D3DXVECTOR3& p0, const D3DXVECTOR2& t0, const D3DXVECTOR3& p1,
                        const D3DXVECTOR2& t1, const D3DXVECTOR3& p2, const D3DXVECTOR2& t2,
                        D3DXVECTOR3* tangent);

// Whether vertex b counts as standing at a's point facing a's way, so that
// a under repair takes b's tangent.
bool SharesTangent(const ShadingVertex& a, const ShadingVertex& b);

// Rebuilds, in place, every tangent shorter than kDegenerateTangentLength of
// a mesh in the shading layout (16- or 32-bit indices):
//   1. its tangent becomes the sum of the face tangents of its faces
//      (ComputeFaceTangent, faces in order);
//   2. every vertex b that SharesTangent with it, in ascending order, has
//      its own tangent normalised in place and added to an accumulator;
//   3. its tangent becomes normalise(normalise(sum) + accumulator), minus its
//      component along the normal: n x (T x n), not normalised again.
// A vertex that steps 1 to 3 leave with no tangent at all (every face at it
// mirrored or flat in texture space, no vertex at its point facing its way)
// gets FallbackTangent instead: a zero tangent would have the shading divide
// by zero and draw the surface black.
// Tangents at least that long are left alone, except that step 2 normalises
// them. Meshes in another layout, buffers that cannot be locked and work
// arrays that cannot be allocated leave the mesh unchanged; faces with an
// index past the vertices contribute nothing. A cancelled load (see
// load_report.h) stops the pass part way.
void RepairTangents(ID3DXMesh* mesh);

// A unit direction perpendicular to the normal: its least aligned axis less
// the part along the normal. Zero for a zero normal.
D3DXVECTOR3 FallbackTangent(const D3DXVECTOR3& normal);
