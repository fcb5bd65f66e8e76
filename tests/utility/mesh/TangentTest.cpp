#include "mesh_test_support.h"

#include <cfloat>
#include <cmath>

namespace {

using TangentTest = MeshFixture;

constexpr DWORD N = 0xFFFFFFFF;

std::vector<DWORD> Adjacency(ID3DXMesh* mesh) {
    std::vector<DWORD> adjacency(size_t(mesh->GetNumFaces()) * 3);
    EXPECT_EQ(mesh->GenerateAdjacency(FLT_EPSILON, adjacency.data()), D3D_OK);
    return adjacency;
}

HRESULT ComputeTangents(ID3DXMesh* mesh, DWORD wrap) {
    std::vector<DWORD> adjacency = Adjacency(mesh);
    return D3DXComputeTangent(mesh, 0, 0, 0, wrap, adjacency.data());
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-6f);
    EXPECT_NEAR(actual.y, expected.y, 1e-6f);
    EXPECT_NEAR(actual.z, expected.z, 1e-6f);
}

// The unit square, u along +x and v along +y:
//
//   2---3      (0,1) (1,1)
//   | \ |
//   0---1      (0,0) (1,0)
std::vector<ShadingVertex> Square(float normalZ) {
    std::vector<ShadingVertex> v = {FlatVertex(0, 0, 0, 0), FlatVertex(1, 0, 1, 0),
                                    FlatVertex(0, 1, 0, 1), FlatVertex(1, 1, 1, 1)};
    for (ShadingVertex& vertex : v) {
        vertex.normal = D3DXVECTOR3(0, 0, normalZ);
        vertex.tangent = D3DXVECTOR3(9, 9, 9);
    }
    return v;
}
const std::vector<DWORD> kSquare = {0, 1, 2, 1, 3, 2};

// The square split along its diagonal 1-2 into two faces on their own
// vertices: 4 and 5 stand where 1 and 2 do, with texture coordinates of
// their own.
//
//   2/5-3
//   | \ |
//   0--1/4
std::vector<ShadingVertex> SeamSquare(D3DXVECTOR2 uv3, D3DXVECTOR2 uv4, D3DXVECTOR2 uv5) {
    std::vector<ShadingVertex> v = Square(1);
    v[3].uv = uv3;
    v.push_back(FlatVertex(1, 0, uv4.x, uv4.y));
    v.push_back(FlatVertex(0, 1, uv5.x, uv5.y));
    return v;
}
const std::vector<DWORD> kSeamSquare = {0, 1, 2, 4, 3, 5};

} // namespace

TEST_F(TangentTest, ThePlainSquareFollowsUOnTheNormalsSide) {
    ID3DXMesh* front = MakeMesh(Square(1), kSquare);
    ASSERT_EQ(ComputeTangents(front, 0), D3D_OK);
    for (const ShadingVertex& v : Vertices(front))
        EXPECT_EQ(v.tangent, D3DXVECTOR3(1, 0, 0));

    ID3DXMesh* back = MakeMesh(Square(-1), kSquare);
    ASSERT_EQ(ComputeTangents(back, 0), D3D_OK);
    for (const ShadingVertex& v : Vertices(back))
        EXPECT_EQ(v.tangent, D3DXVECTOR3(-1, 0, 0));

    // Wrapped, u = 1 is u = 0: the square spans no texture at all, and its
    // zero tangents are left for the repair pass.
    ASSERT_EQ(ComputeTangents(front, 1), D3D_OK);
    for (const ShadingVertex& v : Vertices(front))
        EXPECT_EQ(v.tangent, D3DXVECTOR3(0, 0, 0));
}

TEST_F(TangentTest, BinormalsAreWrittenWhenTheLayoutHasThem) {
    // Tangent widened to four floats, binormal with usage index 2.
    struct Vertex {
        D3DXVECTOR3 position, normal;
        D3DXVECTOR2 uv;
        float tangent[4];
        D3DXVECTOR3 binormal;
    };
    const D3DVERTEXELEMENT9 layout[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
        {0, 32, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_TANGENT, 0},
        {0, 48, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BINORMAL, 2},
        D3DDECL_END(),
    };
    for (float z : {1.0f, -1.0f}) {
        ID3DXMesh* mesh = nullptr;
        ASSERT_EQ(MakeMesh(Square(z), kSquare)->CloneMesh(D3DXMESH_MANAGED, layout, device, &mesh),
                  D3D_OK);
        Keep(mesh);
        ASSERT_EQ(D3DXComputeTangent(mesh, 0, 0, 2, 0, nullptr), D3D_OK);
        void* data = nullptr;
        mesh->LockVertexBuffer(D3DLOCK_READONLY, &data);
        for (DWORD i = 0; i < 4; ++i) {
            const Vertex& v = static_cast<const Vertex*>(data)[i];
            EXPECT_EQ(v.tangent[0], z);
            EXPECT_EQ(v.tangent[3], 0.0f);
            EXPECT_EQ(v.binormal, D3DXVECTOR3(0, z, 0));
        }
        mesh->UnlockVertexBuffer();
    }
}

// One face whose u runs 0.9 -> 0.1 (that is 1.1) along +x: wrapped, that is
// +0.2 and the tangent points along +x; unwrapped it is -0.8.
TEST_F(TangentTest, WrappingTakesTextureDifferencesTheShortWayRound) {
    std::vector<ShadingVertex> face = {FlatVertex(0, 0, 0.9f, 0), FlatVertex(2, 0, 0.1f, 0),
                                       FlatVertex(0, 1, 0.9f, 1)};
    ID3DXMesh* mesh = MakeMesh(face, {0, 1, 2});
    ASSERT_EQ(ComputeTangents(mesh, 1), D3D_OK);
    for (const ShadingVertex& v : Vertices(mesh))
        ExpectNear(v.tangent, D3DXVECTOR3(1, 0, 0));
    ASSERT_EQ(ComputeTangents(mesh, 0), D3D_OK);
    for (const ShadingVertex& v : Vertices(mesh))
        ExpectNear(v.tangent, D3DXVECTOR3(-1, 0, 0));

    // Negative coordinates keep negative fractions: -0.25 to 0.25 is +0.5,
    // which stays as it is, not -0.5.
    face = {FlatVertex(0, 0, -0.25f, 0), FlatVertex(1, 0, 0.25f, 0), FlatVertex(0, 1, -0.25f, 1)};
    ID3DXMesh* negative = MakeMesh(face, {0, 1, 2});
    ASSERT_EQ(ComputeTangents(negative, 1), D3D_OK);
    for (const ShadingVertex& v : Vertices(negative))
        ExpectNear(v.tangent, D3DXVECTOR3(1, 0, 0));
}

// Two faces meeting along x = 1, where the texture is mirrored: u = x on
// the left, u = 2 - x on the right. The right face has its own copies 3
// and 5 of the seam points 1 and 2.
//
//       2/5
//     /  |  \   left face 0 1 2,
//   0--1/3---4  right face 3 4 5
std::vector<ShadingVertex> MirroredSeam() {
    return {FlatVertex(0, 0, 0, 0), FlatVertex(1, 0, 1, 0), FlatVertex(1, 1, 1, 1),
            FlatVertex(1, 0, 1, 0), FlatVertex(2, 0, 0, 0), FlatVertex(1, 1, 1, 1)};
}
const std::vector<DWORD> kMirroredSeam = {0, 1, 2, 3, 4, 5};

// Along the seam the two sides' unit tangents cancel, leaving a short
// tangent for the repair pass.
TEST_F(TangentTest, AMirroredSeamSumsToAShortTangent) {
    ID3DXMesh* mesh = MakeMesh(MirroredSeam(), kMirroredSeam);
    ASSERT_EQ(ComputeTangents(mesh, 0), D3D_OK);
    std::vector<ShadingVertex> v = Vertices(mesh);
    EXPECT_EQ(v[0].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(v[4].tangent, D3DXVECTOR3(-1, 0, 0));
    for (int seam : {1, 2, 3, 5})
        EXPECT_LT(D3DXVec3Length(&v[seam].tangent), 0.5f) << seam;
    EXPECT_EQ(v[3].tangent, v[1].tangent);
    EXPECT_EQ(v[5].tangent, v[2].tangent);
}

// The right face's copies 4 and 5 carry u = x + 6, but corners read through
// the representatives 1 and 2, whose u is x: so vertex 3 (u = 7) sees the
// differences -7 and -6 and ends along (7, 6, 0). Listing the right face
// first in the attribute table makes 4 and 5 the representatives instead.
TEST_F(TangentTest, SeamCopiesReadTheirRepresentativesInAttributeOrder) {
    ID3DXMesh* mesh = MakeMesh(SeamSquare({7, 1}, {7, 0}, {6, 1}), kSeamSquare);
    ASSERT_EQ(ComputeTangents(mesh, 0), D3D_OK);
    std::vector<ShadingVertex> v = Vertices(mesh);
    D3DXVECTOR3 skewed(7, 6, 0);
    D3DXVec3Normalize(&skewed, &skewed);
    ExpectNear(v[3].tangent, skewed);
    EXPECT_EQ(v[0].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(v[4].tangent, v[1].tangent);

    const D3DXATTRIBUTERANGE table[] = {{1, 1, 1, 3, 3}, {0, 0, 1, 0, 3}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 2), D3D_OK);
    ASSERT_EQ(ComputeTangents(mesh, 0), D3D_OK);
    v = Vertices(mesh);
    EXPECT_EQ(v[3].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(v[1].tangent, v[4].tangent);
}

TEST_F(TangentTest, WithoutAdjacencyOnlyExactPositionsAreJoined) {
    ID3DXMesh* exact = MakeMesh(MirroredSeam(), kMirroredSeam);
    ASSERT_EQ(D3DXComputeTangent(exact, 0, 0, 0, 0, nullptr), D3D_OK);
    EXPECT_LT(D3DXVec3Length(&Vertices(exact)[1].tangent), 0.5f);

    // Copies 5e-8 away are one point within FLT_EPSILON but not exactly.
    std::vector<ShadingVertex> apart = MirroredSeam();
    apart[3].position.y += 5e-8f;
    apart[5].position.z += 5e-8f;
    ID3DXMesh* near = MakeMesh(apart, kMirroredSeam);
    ASSERT_EQ(D3DXComputeTangent(near, 0, 0, 0, 0, Adjacency(near).data()), D3D_OK);
    EXPECT_LT(D3DXVec3Length(&Vertices(near)[1].tangent), 0.5f);
    ASSERT_EQ(D3DXComputeTangent(near, 0, 0, 0, 0, nullptr), D3D_OK);
    std::vector<ShadingVertex> v = Vertices(near);
    EXPECT_EQ(v[1].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(v[3].tangent, D3DXVECTOR3(-1, 0, 0));
}

TEST_F(TangentTest, RunawayFanWalksFailAsAnInvalidMesh) {
    // Adjacency that, turning around corner 0 of face 0, circles through
    // faces 1 and 2 without coming back.
    ID3DXMesh* mesh = MakeMesh(Square(1), {0, 1, 2, 1, 3, 2, 0, 3, 2});
    const DWORD circling[] = {1, 2, 0, 0, 1, 1, N, 0, 2};
    EXPECT_EQ(D3DXComputeTangent(mesh, 0, 0, 0, 1, circling), D3DXERR_INVALIDMESH);
    // Adjacency naming a face the mesh does not have.
    const DWORD missing[] = {7, N, N, N, N, N, N, N, N};
    EXPECT_EQ(D3DXComputeTangent(mesh, 0, 0, 0, 1, missing), D3DXERR_INVALIDMESH);
}

TEST_F(TangentTest, FansOfMoreThanTenThousandFacesAreRefused) {
    for (DWORD rim : {10000u, 10001u}) {
        std::vector<ShadingVertex> vertices = {FlatVertex(0, 0, 0.5f, 0.5f)};
        std::vector<DWORD> indices;
        for (DWORD i = 0; i < rim; ++i) {
            float a = 2 * D3DX_PI * float(i) / float(rim);
            float x = std::cos(a), y = std::sin(a);
            vertices.push_back(FlatVertex(x, y, 0.5f + x / 2, 0.5f + y / 2));
            indices.insert(indices.end(), {0, 1 + i, 1 + (i + 1) % rim});
        }
        ID3DXMesh* disc = MakeMesh(vertices, indices);
        EXPECT_EQ(ComputeTangents(disc, 1), rim == 10000 ? D3D_OK : D3DXERR_INVALIDMESH) << rim;
    }
}

TEST_F(TangentTest, FacesOutsideTheVerticesAddNothing) {
    // Face 1 names vertex 40, face 2 the all-ones index; vertex 3 belongs
    // to no usable face and ends with a zero tangent.
    ID3DXMesh* mesh = MakeMesh(Square(1), {0, 1, 2, 1, 40, 2, 0xFFFF, 3, 2});
    std::vector<DWORD> adjacency(9, N);
    ASSERT_EQ(D3DXComputeTangent(mesh, 0, 0, 0, 0, adjacency.data()), D3D_OK);
    std::vector<ShadingVertex> v = Vertices(mesh);
    EXPECT_EQ(v[0].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(v[3].tangent, D3DXVECTOR3(0, 0, 0));
    ASSERT_EQ(D3DXComputeTangent(mesh, 0, 0, 0, 1, nullptr), D3D_OK);
}

TEST_F(TangentTest, RefusesLayoutsWithoutWhatItNeeds) {
    EXPECT_EQ(D3DXComputeTangent(nullptr, 0, 0, 0, 1, nullptr), D3DERR_INVALIDCALL);
    ID3DXMesh* mesh = MakeMesh(Square(1), kSquare);
    EXPECT_EQ(D3DXComputeTangent(mesh, 1, 0, 0, 1, nullptr), D3DERR_INVALIDCALL); // no stage 1
    EXPECT_EQ(D3DXComputeTangent(mesh, 0, 3, N, 1, nullptr), D3DERR_INVALIDCALL); // neither

    auto layoutWith = [&](D3DVERTEXELEMENT9 changed) {
        std::vector<D3DVERTEXELEMENT9> layout(kShadingLayout, kShadingLayout + 5);
        for (D3DVERTEXELEMENT9& e : layout)
            if (e.Offset == changed.Offset && e.Stream == 0)
                e = changed;
        ID3DXMesh* clone = nullptr;
        EXPECT_EQ(mesh->CloneMesh(D3DXMESH_MANAGED, layout.data(), device, &clone), D3D_OK);
        return Keep(clone);
    };
    const D3DVERTEXELEMENT9 refused[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TEXCOORD, 5},  // no position
        {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_COLOR, 0},    // no normal
        {0, 36, D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_TEXCOORD, 0}, // one coordinate
        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TANGENT, 0},  // two components
        {0, 24, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_BINORMAL, 0}, // two, and no tangent
    };
    for (const D3DVERTEXELEMENT9& e : refused)
        EXPECT_EQ(D3DXComputeTangent(layoutWith(e), 0, 0, 0, 1, nullptr), D3DERR_INVALIDCALL)
            << int(e.Offset);

    // A binormal alone is enough.
    ID3DXMesh* binormalOnly = layoutWith({0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_BINORMAL, 0});
    ASSERT_EQ(D3DXComputeTangent(binormalOnly, 0, 0, 0, 0, nullptr), D3D_OK);
    EXPECT_EQ(Vertices(binormalOnly)[0].tangent, D3DXVECTOR3(0, 1, 0));
}
