// Shared by the mesh tests: a recording device with a leak check, meshes in
// the shading layout built from small literal tables, and read-back helpers.
#pragma once

#include "platform/d3d9/recording_device.h"
#include "utility/d3dx9mesh.h"

#include <gtest/gtest.h>

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

class MeshFixture : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Released at the end of the test, once per call.
    ID3DXMesh* Keep(ID3DXMesh* mesh);

    // A mesh in the shading layout; attributes default to 0.
    ID3DXMesh* MakeMesh(const std::vector<ShadingVertex>& vertices,
                        const std::vector<DWORD>& indices, DWORD options = D3DXMESH_MANAGED,
                        const std::vector<DWORD>& attributes = {});
    // A mesh of only positions, for adjacency.
    ID3DXMesh* MakePositionMesh(const std::vector<D3DXVECTOR3>& positions,
                                const std::vector<DWORD>& indices,
                                DWORD options = D3DXMESH_MANAGED);

    static std::vector<ShadingVertex> Vertices(ID3DXMesh* mesh);
    static std::vector<DWORD> Indices(ID3DXMesh* mesh);
    static std::vector<DWORD> Attributes(ID3DXMesh* mesh);
    static ULONG RefCount(IUnknown* object);

    long startObjects = 0;
    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
    RecordingDevice* recording = nullptr;
    std::vector<ID3DXMesh*> kept;
};
