#include "mesh_test_support.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

namespace {

using CleanMeshTest = MeshFixture;

constexpr DWORD N = 0xFFFFFFFF;

std::vector<DWORD> Adjacency(ID3DXMesh* mesh) {
    std::vector<DWORD> adjacency(size_t(mesh->GetNumFaces()) * 3);
    EXPECT_EQ(mesh->GenerateAdjacency(FLT_EPSILON, adjacency.data()), D3D_OK);
    return adjacency;
}

// Cleans with bowtie splitting; the result is kept for release.
HRESULT Clean(MeshFixture& f, ID3DXMesh* mesh, const std::vector<DWORD>& adjacency, ID3DXMesh** out,
              std::vector<DWORD>* adjacencyOut = nullptr, std::string* errors = nullptr) {
    std::vector<DWORD> copied(adjacency.size(), 12345);
    ID3DXBuffer* buffer = nullptr;
    HRESULT hr = D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, adjacency.data(), out, copied.data(),
                               errors ? &buffer : nullptr);
    f.Keep(*out);
    if (adjacencyOut)
        *adjacencyOut = copied;
    if (errors)
        *errors = buffer ? static_cast<const char*>(buffer->GetBufferPointer()) : "";
    if (buffer)
        buffer->Release();
    return hr;
}

} // namespace

// Two triangles that meet only at vertex 1:
//
//   2       4
//   | \   / |
//   0---1---3
TEST_F(CleanMeshTest, ATriangleMeetingAnotherAtOneVertexGetsACopy) {
    std::vector<ShadingVertex> vertices = {FlatVertex(0, 0), FlatVertex(1, 0, 0.25f, 0.5f),
                                           FlatVertex(0, 1), FlatVertex(2, 0), FlatVertex(2, 1)};
    ID3DXMesh* mesh = MakeMesh(vertices, {0, 1, 2, 1, 3, 4}, D3DXMESH_SYSTEMMEM, {4, 6});
    const D3DXATTRIBUTERANGE table[] = {{4, 0, 1, 0, 3}, {6, 1, 1, 1, 4}};
    mesh->SetAttributeTable(table, 2);
    std::vector<DWORD> adjacency = Adjacency(mesh), copied;

    ID3DXMesh* cleaned = nullptr;
    ASSERT_EQ(Clean(*this, mesh, adjacency, &cleaned, &copied), D3D_OK);
    ASSERT_NE(cleaned, mesh);
    EXPECT_EQ(copied, adjacency);
    EXPECT_EQ(cleaned->GetOptions(), DWORD(D3DXMESH_SYSTEMMEM));
    EXPECT_EQ(Indices(cleaned), (std::vector<DWORD>{0, 1, 2, 5, 3, 4}));
    std::vector<ShadingVertex> out = Vertices(cleaned);
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[5].position, vertices[1].position);
    EXPECT_EQ(out[5].uv, vertices[1].uv);
    EXPECT_EQ(Attributes(cleaned), (std::vector<DWORD>{4, 6}));
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    cleaned->GetDeclaration(decl);
    EXPECT_EQ(D3DXGetDeclLength(decl), 4u);
    // The second range now reads vertex 5 as well.
    D3DXATTRIBUTERANGE back[2];
    DWORD size = 0;
    cleaned->GetAttributeTable(back, &size);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(back[0].VertexCount, 3u);
    EXPECT_EQ(back[1].VertexStart, 1u);
    EXPECT_EQ(back[1].VertexCount, 5u);
}

// Copies are numbered in the order the walks reach them, not by vertex:
// face 1 meets face 0 at vertex 2, then face 2 meets it at vertex 1.
//
//   2---5       (face 1: 3 2 4, touching face 0 only at 2)
//   | \         (face 2: 1 5 6, touching face 0 only at 1)
//   0---1
TEST_F(CleanMeshTest, CopiesFollowTheOrderOfTheWalks) {
    std::vector<ShadingVertex> vertices = {FlatVertex(0, 0),  FlatVertex(1, 0),  FlatVertex(0, 1),
                                           FlatVertex(-1, 2), FlatVertex(-1, 1), FlatVertex(2, 1),
                                           FlatVertex(2, 0)};
    ID3DXMesh* mesh = MakeMesh(vertices, {0, 1, 2, 3, 2, 4, 1, 6, 5});
    ID3DXMesh* cleaned = nullptr;
    ASSERT_EQ(Clean(*this, mesh, Adjacency(mesh), &cleaned), D3D_OK);
    EXPECT_EQ(Indices(cleaned), (std::vector<DWORD>{0, 1, 2, 3, 7, 4, 8, 6, 5}));
    std::vector<ShadingVertex> out = Vertices(cleaned);
    ASSERT_EQ(out.size(), 9u);
    EXPECT_EQ(out[7].position, vertices[2].position);
    EXPECT_EQ(out[8].position, vertices[1].position);
}

// Three fans around vertex 0: two copies of it, one for each later fan.
// Within the second fan the copy is reused for both of its faces.
TEST_F(CleanMeshTest, EachFurtherFanGetsItsOwnCopy) {
    std::vector<ShadingVertex> vertices = {FlatVertex(0, 0),  FlatVertex(1, 0),  FlatVertex(1, 1),
                                           FlatVertex(-1, 1), FlatVertex(-1, 0), FlatVertex(0, -1),
                                           FlatVertex(-1, -1)};
    // Fan A: face 0. Fan B: faces 1 and 2 sharing edge 0-4. Fan C: face 3.
    ID3DXMesh* mesh = MakeMesh(vertices, {0, 1, 2, 0, 3, 4, 0, 4, 6, 0, 5, 1});
    std::vector<DWORD> adjacency = Adjacency(mesh);
    // Faces 3 and 0 share the edge 0-1 too: undo it so fan C stands apart.
    ASSERT_EQ(adjacency[0], 3u);
    adjacency[0] = N;
    adjacency[3 * 3 + 2] = N;
    ID3DXMesh* cleaned = nullptr;
    ASSERT_EQ(Clean(*this, mesh, adjacency, &cleaned), D3D_OK);
    // Vertex 1 is shared by fans A and C across the cut edge too.
    EXPECT_EQ(Indices(cleaned), (std::vector<DWORD>{0, 1, 2, 7, 3, 4, 7, 4, 6, 8, 5, 9}));
}

// A closed fan around the centre whose lower faces use vertex 5 there, a
// texture seam beside vertex 0; on the rim at (1, 0) they use 6 beside 1.
//
//         2
//       / | \   faces 0 1 2 and 0 2 3 above,
//      3--0--1  5 3 4 and 5 4 6 below
//       \ | /
//         4
TEST_F(CleanMeshTest, SeamsAndClosedMeshesNeedNoCopies) {
    std::vector<ShadingVertex> vertices = {FlatVertex(0, 0),  FlatVertex(1, 0),  FlatVertex(0, 1),
                                           FlatVertex(-1, 0), FlatVertex(0, -1), FlatVertex(0, 0),
                                           FlatVertex(1, 0)};
    ID3DXMesh* mesh = MakeMesh(vertices, {0, 1, 2, 0, 2, 3, 5, 3, 4, 5, 4, 6});
    ULONG refs = RefCount(mesh);
    ID3DXMesh* cleaned = nullptr;
    std::vector<DWORD> adjacency = Adjacency(mesh);
    ASSERT_EQ(Clean(*this, mesh, adjacency, &cleaned), D3D_OK);
    EXPECT_EQ(cleaned, mesh);
    EXPECT_EQ(RefCount(mesh), refs + 1);

    // A tetrahedron.
    ID3DXMesh* closed = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
                                         {0, 2, 1, 0, 1, 3, 1, 2, 3, 0, 3, 2});
    ASSERT_EQ(Clean(*this, closed, Adjacency(closed), &cleaned), D3D_OK);
    EXPECT_EQ(cleaned, closed);
}

TEST_F(CleanMeshTest, FansLongerThanAnyStepLimitAreStillCleaned) {
    // A closed disc of 10001 triangles around vertex 0.
    const DWORD rim = 10001;
    std::vector<ShadingVertex> vertices = {FlatVertex(0, 0)};
    std::vector<DWORD> indices;
    for (DWORD i = 0; i < rim; ++i) {
        float a = 2 * D3DX_PI * float(i) / float(rim);
        vertices.push_back(FlatVertex(std::cos(a), std::sin(a)));
        indices.insert(indices.end(), {0, 1 + i, 1 + (i + 1) % rim});
    }
    ID3DXMesh* mesh = MakeMesh(vertices, indices);
    std::vector<DWORD> adjacency = Adjacency(mesh);
    EXPECT_EQ(std::count(adjacency.begin(), adjacency.end(), N), 10001);
    ID3DXMesh* cleaned = nullptr;
    ASSERT_EQ(Clean(*this, mesh, adjacency, &cleaned), D3D_OK);
    EXPECT_EQ(cleaned, mesh);
}

TEST_F(CleanMeshTest, ValidationReportsEveryFindingInTheLibrarysWords) {
    // Face 0 names vertex 7 (of 3) and neighbour 5 (of 4); face 1 the
    // all-ones index; face 2 uses vertex 0 twice; face 3 names face 2 twice.
    ID3DXMesh* mesh = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                                       {0, 1, 7, 0xFFFF, 1, 2, 0, 0, 1, 0, 1, 2});
    std::vector<DWORD> adjacency = {5, N, N, N, N, N, N, N, N, 2, 2, N}, copied;
    ID3DXMesh* cleaned = reinterpret_cast<ID3DXMesh*>(1);
    std::string errors;
    EXPECT_EQ(Clean(*this, mesh, adjacency, &cleaned, &copied, &errors), D3DXERR_INVALIDMESH);
    EXPECT_EQ(cleaned, nullptr);
    EXPECT_EQ(copied, adjacency);
    EXPECT_EQ(errors,
              "D3DXValidIndices: An invalid index value(7) was found on face 0\n"
              "D3DXValidIndices: An invalid neighbor index value(5) was found on face 0\n"
              "D3DXValidIndices: An invalid index value(65535) was found on face 1\n"
              "D3DXValidIndices: A point(0) was found more than once in triangle 2\n"
              "D3DXValidIndices: A neighbor triangle index(2) was found more than once on "
              "triangle 3\n"
              "D3DXValidIndices:   (Likely problem is that two triangles share same points with "
              "opposite orientations)\n");

    // Without an errors buffer the result is the same; a 32-bit all-ones
    // index prints as -1.
    EXPECT_EQ(Clean(*this, mesh, adjacency, &cleaned), D3DXERR_INVALIDMESH);
    ID3DXMesh* wide = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, N},
                                       D3DXMESH_MANAGED | D3DXMESH_32BIT);
    EXPECT_EQ(Clean(*this, wide, {N, N, N}, &cleaned, nullptr, &errors), D3DXERR_INVALIDMESH);
    EXPECT_EQ(errors, "D3DXValidIndices: An invalid index value(-1) was found on face 0\n");
}

TEST_F(CleanMeshTest, RefusesMissingArgumentsAndOtherCleaningTypes) {
    ID3DXMesh* mesh = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    DWORD in[3] = {N, N, N}, out[3];
    ID3DXMesh* cleaned = nullptr;
    EXPECT_EQ(D3DXCleanMesh(D3DXCLEAN_BOWTIES, nullptr, in, &cleaned, out, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, nullptr, &cleaned, out, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, in, nullptr, out, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, in, &cleaned, nullptr, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCleanMesh(D3DXCLEAN_SIMPLIFICATION, mesh, in, &cleaned, out, nullptr),
              D3DERR_INVALIDCALL);

    ID3DXMesh* writeOnly = nullptr;
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_VB_WRITEONLY, kShadingLayout, device, &writeOnly),
              D3D_OK);
    Keep(writeOnly);
    EXPECT_EQ(D3DXCleanMesh(D3DXCLEAN_BOWTIES, writeOnly, in, &cleaned, out, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(cleaned, nullptr);

    // One array for both adjacencies is allowed.
    ASSERT_EQ(D3DXCleanMesh(D3DXCLEAN_BOWTIES, mesh, in, &cleaned, in, nullptr), D3D_OK);
    Keep(cleaned);
    EXPECT_EQ(cleaned, mesh);
}

TEST_F(CleanMeshTest, CopiesThatOverflowSixteenBitIndicesAreRefused) {
    // 65535 vertices, all used, and a bowtie at vertex 0: the copy would be
    // vertex 65535, which a 16-bit mesh cannot hold.
    std::vector<ShadingVertex> vertices(65535, FlatVertex(0, 0));
    std::vector<DWORD> indices;
    for (DWORD v = 1; v + 1 < 65535; v += 2) {
        vertices[v] = FlatVertex(float(v), 0);
        vertices[v + 1] = FlatVertex(float(v), 1);
        indices.insert(indices.end(), {0, v, v + 1});
    }
    ID3DXMesh* mesh = MakeMesh(vertices, indices, D3DXMESH_SYSTEMMEM);
    std::vector<DWORD> adjacency(indices.size(), N);
    ID3DXMesh* cleaned = nullptr;
    EXPECT_EQ(Clean(*this, mesh, adjacency, &cleaned), D3DERR_INVALIDCALL);
    EXPECT_EQ(cleaned, nullptr);
}
