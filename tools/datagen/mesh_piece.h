// Triangle meshes assembled from parts for the default data: vertices with a
// position, a normal and a texture coordinate, triangles with a material.
// Faces are clockwise seen from outside, as Direct3D's default culling keeps
// them: the outward normal of a triangle a, b, c is (b - a) x (c - a).
#pragma once

#include "utility/d3dx9math.h"

#include <cstdint>
#include <vector>

struct MeshVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR2 texcoord;
};

struct MeshTriangle {
    std::uint32_t corners[3];
    DWORD material;
};

// One part of a model, or a whole model, in its own vertex numbering.
struct MeshPiece {
    std::vector<MeshVertex> vertices;
    std::vector<MeshTriangle> triangles;
};

// (b - a) x (c - a) of one triangle, not normalised.
D3DXVECTOR3 TriangleNormal(const MeshPiece& piece, const MeshTriangle& triangle);

// Six times the volume that the closed piece encloses: positive when its
// faces turn outward.
double SignedVolume6(const MeshPiece& piece);

// Turns every triangle and every normal of a closed piece around when the
// piece faces inward.
void OrientOutward(MeshPiece& piece);

// The mirror image through the plane x = 0, still facing outward. Texture
// coordinates are kept, so the copy's mapping is mirrored.
MeshPiece MirroredX(const MeshPiece& piece);

void AppendPiece(MeshPiece& to, const MeshPiece& piece);

// Makes the parts one mesh: positions closer than `tolerance` become one
// (parts computed by different formulas meet exactly), vertices equal in
// every component become one, triangles with two corners at one point are
// dropped, unused vertices removed, and triangles ordered by material with
// their order kept within one material.
void WeldVertices(MeshPiece& mesh, float tolerance);
