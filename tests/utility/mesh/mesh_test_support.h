// Shared by the mesh tests: a recording device with a leak check, meshes in
// the shading layout built from small literal tables, and read-back helpers.
#pragma once

#include "tests/support/RecordingMeshFixture.h"
#include "utility/d3dx9mesh.h"

#include <vector>

struct ShadingVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR3 tangent;
    D3DXVECTOR2 uv;
};
static_assert(sizeof(ShadingVertex) == 44, "shading vertices are 44 bytes");

extern const D3DVERTEXELEMENT9 kShadingLayout[5];

// A vertex at (x, y, 0) facing +z, with texture coordinate (u, v).
ShadingVertex FlatVertex(float x, float y, float u = 0, float v = 0);

// Meshes in the shading layout (MakeMesh, Vertices) on the recording device.
class MeshFixture : public RecordingMeshFixtureOf<ShadingVertex, kShadingLayout> {
public:
    // A mesh of only positions, for adjacency.
    ID3DXMesh* MakePositionMesh(const std::vector<D3DXVECTOR3>& positions,
                                const std::vector<DWORD>& indices,
                                DWORD options = D3DXMESH_MANAGED);
};
