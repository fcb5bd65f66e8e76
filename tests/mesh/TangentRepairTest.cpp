#include "mesh_test_support.h"

#include "mesh/TangentRepair.h"

#include <cmath>
#include <cstring>
#include <random>

namespace {

using TangentRepairTest = MeshTest;

// The repair pass written out plainly, comparing every vertex under repair
// with every other vertex: what the fast one must match bit for bit.
void ReferenceRepair(std::vector<ShadingVertex>& v, const std::vector<DWORD>& indices) {
    const size_t n = v.size();
    std::vector<bool> needs(n);
    std::vector<D3DXVECTOR3> sums(n, D3DXVECTOR3(0, 0, 0));
    bool any = false;
    for (size_t i = 0; i < n; ++i) {
        needs[i] = D3DXVec3Length(&v[i].tangent) < 0.5f;
        if (needs[i])
            v[i].tangent = D3DXVECTOR3(0, 0, 0);
        any = any || needs[i];
    }
    if (!any)
        return;
    for (size_t f = 0; f + 2 < indices.size(); f += 3) {
        DWORD i0 = indices[f], i1 = indices[f + 1], i2 = indices[f + 2];
        if (i0 >= n || i1 >= n || i2 >= n)
            continue;
        D3DXVECTOR3 t;
        if (!ComputeFaceTangent(v[i0].position, v[i0].uv, v[i1].position, v[i1].uv, v[i2].position,
                                v[i2].uv, &t))
            continue;
        for (DWORD corner : {i0, i1, i2})
            if (needs[corner])
                v[corner].tangent += t;
    }
    for (size_t a = 0; a < n; ++a) {
        if (!needs[a])
            continue;
        for (size_t b = 0; b < n; ++b) {
            if (b == a)
                continue;
            D3DXVECTOR3 d = v[a].position - v[b].position;
            if (D3DXVec3Length(&d) <= FLT_EPSILON &&
                D3DXVec3Dot(&v[a].normal, &v[b].normal) >= 0.999f) {
                D3DXVec3Normalize(&v[b].tangent, &v[b].tangent);
                sums[a] += v[b].tangent;
            }
        }
    }
    for (size_t i = 0; i < n; ++i) {
        if (!needs[i])
            continue;
        D3DXVECTOR3 t = v[i].tangent;
        D3DXVec3Normalize(&t, &t);
        t += sums[i];
        D3DXVec3Normalize(&t, &t);
        D3DXVECTOR3 side;
        D3DXVec3Cross(&side, &t, &v[i].normal);
        D3DXVec3Cross(&v[i].tangent, &v[i].normal, &side);
        if (v[i].tangent == D3DXVECTOR3(0, 0, 0))
            v[i].tangent = FallbackTangent(v[i].normal);
    }
}

// Every float bit for bit, but a NaN is a NaN: its sign and payload are
// left to the compiler.
bool SameVertexBits(const ShadingVertex& a, const ShadingVertex& b) {
    static_assert(sizeof(ShadingVertex) % sizeof(float) == 0, "a vertex is floats");
    const float* x = reinterpret_cast<const float*>(&a);
    const float* y = reinterpret_cast<const float*>(&b);
    for (size_t k = 0; k < sizeof(ShadingVertex) / sizeof(float); ++k)
        if (!(std::isnan(x[k]) && std::isnan(y[k])) && std::memcmp(&x[k], &y[k], sizeof(float)))
            return false;
    return true;
}

::testing::AssertionResult SameBits(const std::vector<ShadingVertex>& actual,
                                    const std::vector<ShadingVertex>& expected) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "vertex counts differ";
    for (size_t i = 0; i < actual.size(); ++i)
        if (!SameVertexBits(actual[i], expected[i]))
            return ::testing::AssertionFailure()
                   << "vertex " << i << " tangent (" << actual[i].tangent.x << ", "
                   << actual[i].tangent.y << ", " << actual[i].tangent.z << ") expected ("
                   << expected[i].tangent.x << ", " << expected[i].tangent.y << ", "
                   << expected[i].tangent.z << ")";
    return ::testing::AssertionSuccess();
}

std::vector<ShadingVertex> Repaired(MeshTest& test, const std::vector<ShadingVertex>& vertices,
                                    const std::vector<DWORD>& indices, DWORD options) {
    ID3DXMesh* mesh = test.MakeMesh(vertices, indices, options);
    RepairTangents(mesh);
    return MeshTest::Vertices(mesh);
}

// Meshes made to find the corners of the neighbour search: clusters of
// copies of one point, offset along one axis or all three by amounts on both
// sides of the coincidence distance and across the hash grid's cell walls
// (half-way between multiples of 2^-19), with normals that agree or not,
// tangents that are degenerate or not, and a few positions that are not
// finite.
void RandomMesh(unsigned seed, size_t pointCount, std::vector<ShadingVertex>& vertices,
                std::vector<DWORD>& indices) {
    std::mt19937 random(seed);
    auto pick = [&](auto const& table) { return table[random() % table.size()]; };
    const std::vector<float> bases = {0.0f,
                                      1.0f,
                                      -3.5f,
                                      0.0078125f,
                                      1e-30f,
                                      0.00000191f,
                                      -0.00000191f,
                                      1000.0f,
                                      2e9f,
                                      1e38f,
                                      -1e38f,
                                      std::ldexp(5.0f, -19),
                                      std::ldexp(5.5f, -19),
                                      std::ldexp(-0.5f, -19)};
    const std::vector<float> offsets = {0.0f,    3e-8f,   -3e-8f,       6e-8f,
                                        1.1e-7f, 1.2e-7f, -FLT_EPSILON, FLT_EPSILON,
                                        2e-7f,   1e-6f,   -1.19209e-7f, 0.00006103515625f};
    const std::vector<float> tangentLengths = {0.0f, 1e-20f, 0.3f, 0.4999f, 0.5f, 1.0f, 7.0f};
    const std::vector<D3DXVECTOR3> normals = {{0, 0, 1},          {0, 0, -1},
                                              {0, 0.04f, 0.999f}, {0, 0.0447f, 0.999f},
                                              {1, 0, 0},          {0.6f, 0.8f, 0}};
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (size_t p = 0; p < pointCount; ++p) {
        D3DXVECTOR3 base(pick(bases), pick(bases), pick(bases));
        if (p % 5 == 0)
            base = D3DXVECTOR3(unit(random), unit(random), unit(random));
        size_t copies = 1 + random() % 4;
        for (size_t c = 0; c < copies; ++c) {
            ShadingVertex v;
            D3DXVECTOR3 offset(pick(offsets), pick(offsets), pick(offsets));
            if (random() % 3 != 0) {
                float along = offset.x;
                offset = D3DXVECTOR3(0, 0, 0);
                (&offset.x)[random() % 3] = along;
            }
            v.position = base + offset;
            v.normal = pick(normals);
            D3DXVECTOR3 direction(unit(random), unit(random), unit(random));
            D3DXVec3Normalize(&direction, &direction);
            v.tangent = direction * pick(tangentLengths);
            v.uv = D3DXVECTOR2(unit(random), unit(random));
            vertices.push_back(v);
        }
    }
    vertices[random() % vertices.size()].position.x = NAN;
    vertices[random() % vertices.size()].position.y = INFINITY;
    for (size_t f = 0; f < vertices.size(); ++f)
        for (int k = 0; k < 3; ++k)
            indices.push_back(DWORD(random() % vertices.size()));
}

} // namespace

// Corner order (0, 1, 2); u along +x, v along +y unless said otherwise.
TEST(FaceTangent, FollowsUAndRefusesDegenerateOrMirroredMappings) {
    D3DXVECTOR3 p0(0, 0, 0), p1(2, 0, 0), p2(2, 3, 0);
    D3DXVECTOR3 tangent(9, 9, 9);
    ASSERT_TRUE(ComputeFaceTangent(p0, {0, 0}, p1, {1, 0}, p2, {1, 1}, &tangent));
    EXPECT_EQ(tangent, D3DXVECTOR3(1, 0, 0));

    // u running along the face's y axis.
    ASSERT_TRUE(ComputeFaceTangent(p0, {0, 0}, p1, {0, -1}, p2, {1, -1}, &tangent));
    EXPECT_EQ(tangent, D3DXVECTOR3(0, 1, 0));

    // With t2 - t1 = (0, 2^-11) and t1 - t0 = (2^-12, 0) the area term is
    // exactly 2^-23 = FLT_EPSILON: not above the threshold. One step of v
    // more and it is.
    const float step = std::ldexp(1.0f, -12);
    tangent = D3DXVECTOR3(9, 9, 9);
    EXPECT_FALSE(ComputeFaceTangent(p0, {0, 0}, p1, {step, 0}, p2, {step, 2 * step}, &tangent));
    EXPECT_EQ(tangent, D3DXVECTOR3(9, 9, 9));
    ASSERT_TRUE(ComputeFaceTangent(p0, {0, 0}, p1, {step, 0}, p2,
                                   {step, std::nextafter(2 * step, 1.0f)}, &tangent));
    EXPECT_NEAR(tangent.x, 1, 1e-6);

    // Mirrored: the texture runs the other way round the face.
    EXPECT_FALSE(ComputeFaceTangent(p0, {0, 0}, p1, {1, 0}, p2, {1, -1}, &tangent));
    // All corners on one texel, and a NaN coordinate.
    EXPECT_FALSE(
        ComputeFaceTangent(p0, {0.5f, 0.5f}, p1, {0.5f, 0.5f}, p2, {0.5f, 0.5f}, &tangent));
    EXPECT_FALSE(ComputeFaceTangent(p0, {NAN, 0}, p1, {1, 0}, p2, {1, 1}, &tangent));
}

// One face with u along +x: its face tangent is (1, 0, 0).
//
//   2
//   | \    face (0, 2, 1)
//   0---1
TEST_F(TangentRepairTest, OnlyTangentsShorterThanAHalfAreRebuilt) {
    std::vector<ShadingVertex> v = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                    FlatVertex(0, 1, 0, 0)};
    v[0].tangent = D3DXVECTOR3(0, 0.5f, 0);
    v[1].tangent = D3DXVECTOR3(0, 0.4999f, 0);
    v[2].tangent = D3DXVECTOR3(0, 0, 0);
    std::vector<ShadingVertex> out = Repaired(*this, v, {0, 2, 1}, D3DXMESH_MANAGED);
    EXPECT_EQ(out[0].tangent, D3DXVECTOR3(0, 0.5f, 0));
    EXPECT_EQ(out[1].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(out[2].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_TRUE(SameBits(out, [&] {
        ReferenceRepair(v, {0, 2, 1});
        return v;
    }()));
}

// Vertex 3 stands on vertex 1 (a texture seam) with its own tangent (0, 2, 0)
// and no face; vertex 1 is degenerate and its face gives (1, 0, 0).
//
//   2
//   | \    face (0, 2, 1)
//   0---1/3
TEST_F(TangentRepairTest, CoincidentVerticesFacingOneWayShareTheirTangents) {
    auto seam = [](D3DXVECTOR3 position3, D3DXVECTOR3 normal3) {
        std::vector<ShadingVertex> v = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                        FlatVertex(0, 1, 0, 0), FlatVertex(1, 0, 0.5f, 0.5f)};
        v[0].tangent = v[2].tangent = D3DXVECTOR3(1, 0, 0);
        v[3].position = position3;
        v[3].normal = normal3;
        v[3].tangent = D3DXVECTOR3(0, 2, 0);
        return v;
    };
    const std::vector<DWORD> face = {0, 2, 1};
    const D3DXVECTOR3 front(0, 0, -1);
    const float half = std::sqrt(0.5f);

    // Sharing: normalise(normalise(1, 0, 0) + (0, 1, 0)), and the neighbour's
    // stored tangent is normalised.
    std::vector<ShadingVertex> out = Repaired(*this, seam({1, 0, 0}, front), face, 0);
    EXPECT_NEAR(out[1].tangent.x, half, 1e-6f);
    EXPECT_NEAR(out[1].tangent.y, half, 1e-6f);
    EXPECT_EQ(out[1].tangent.z, 0);
    EXPECT_EQ(out[3].tangent, D3DXVECTOR3(0, 1, 0));

    // Exactly FLT_EPSILON apart still shares, twice that does not (1 + eps
    // is the next float after 1).
    out = Repaired(*this, seam({1 + FLT_EPSILON, 0, 0}, front), face, 0);
    EXPECT_NEAR(out[1].tangent.y, half, 1e-6f);
    out = Repaired(*this, seam({1 + 2 * FLT_EPSILON, 0, 0}, front), face, 0);
    EXPECT_EQ(out[1].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(out[3].tangent, D3DXVECTOR3(0, 2, 0));

    // Normals whose dot product is exactly 0.999 agree; one step less and
    // they do not, as at a hard edge, where the neighbour keeps its
    // tangent as it was.
    out = Repaired(*this, seam({1, 0, 0}, {0.04f, 0, -0.999f}), face, 0);
    EXPECT_NEAR(out[1].tangent.y, half, 1e-6f);
    out = Repaired(*this, seam({1, 0, 0}, {0.04f, 0, -std::nextafter(0.999f, 0.0f)}), face, 0);
    EXPECT_EQ(out[1].tangent, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(out[3].tangent, D3DXVECTOR3(0, 2, 0));
    out = Repaired(*this, seam({1, 0, 0}, {1, 0, 0}), face, 0);
    EXPECT_EQ(out[1].tangent, D3DXVECTOR3(1, 0, 0));
}

TEST_F(TangentRepairTest, TheRebuiltTangentIsMadePerpendicularToTheNormalButNotRescaled) {
    // The face tangent (1, 0, 0) against a normal tilted towards +x.
    std::vector<ShadingVertex> v = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                    FlatVertex(0, 1, 0, 0)};
    for (ShadingVertex& vertex : v)
        vertex.normal = D3DXVECTOR3(0.6f, 0, -0.8f);
    std::vector<ShadingVertex> out = Repaired(*this, v, {0, 2, 1}, 0);
    for (const ShadingVertex& vertex : out) {
        EXPECT_NEAR(D3DXVec3Dot(&vertex.tangent, &vertex.normal), 0, 1e-6f);
        // (1, 0, 0) less its part along n: length 0.8, left that short.
        EXPECT_NEAR(D3DXVec3Length(&vertex.tangent), 0.8f, 1e-6f);
    }
}

// Both faces mirrored in texture space, no other vertex at their points:
// nothing gives a direction, and a zero tangent would draw black.
//
//   2---3
//   | \ |   faces (0, 2, 1) and (2, 3, 1), u running against x
//   0---1
TEST_F(TangentRepairTest, AVertexWithNoTangentToFindGetsOnePerpendicularToItsNormal) {
    std::vector<ShadingVertex> v = {FlatVertex(0, 0, 1, 1), FlatVertex(1, 0, 0, 1),
                                    FlatVertex(0, 1, 1, 0), FlatVertex(1, 1, 0, 0)};
    for (ShadingVertex& vertex : v) {
        vertex.tangent = D3DXVECTOR3(0, 0, 0);
        vertex.normal = D3DXVECTOR3(0.6f, 0, -0.8f);
    }
    std::vector<ShadingVertex> out = Repaired(*this, v, {0, 2, 1, 2, 3, 1}, 0);
    for (const ShadingVertex& vertex : out) {
        EXPECT_NEAR(D3DXVec3Length(&vertex.tangent), 1.0f, 1e-6f);
        EXPECT_NEAR(D3DXVec3Dot(&vertex.tangent, &vertex.normal), 0.0f, 1e-6f);
    }
    EXPECT_EQ(FallbackTangent(D3DXVECTOR3(0, 0, 0)), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(FallbackTangent(D3DXVECTOR3(0, 0, -2)), D3DXVECTOR3(1, 0, 0));
}

TEST_F(TangentRepairTest, AMeshWithoutDegenerateTangentsIsLeftBitForBit) {
    // Coincident vertices with tangents that are not of unit length: with
    // nothing to repair, not even they are normalised.
    std::vector<ShadingVertex> v = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                    FlatVertex(0, 1, 0, 0), FlatVertex(1, 0, 0, 0)};
    v[0].tangent = D3DXVECTOR3(0, 0.5f, 0);
    v[1].tangent = D3DXVECTOR3(3, 0, 0);
    v[2].tangent = D3DXVECTOR3(0.3f, 0.4f, 0.3f);
    v[3].tangent = D3DXVECTOR3(0, -2, 0);
    std::vector<ShadingVertex> out = Repaired(*this, v, {0, 2, 1, 3, 2, 1}, 0);
    EXPECT_TRUE(SameBits(out, v));
}

TEST_F(TangentRepairTest, MatchesTheAllPairsScanBitForBitWithEitherIndexSize) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::vector<ShadingVertex> vertices;
        std::vector<DWORD> indices;
        RandomMesh(seed, 400, vertices, indices);
        // A face that names a vertex past the end is skipped by both.
        indices[3] = DWORD(vertices.size() + 7);
        std::vector<ShadingVertex> expected = vertices;
        ReferenceRepair(expected, indices);
        DWORD options = seed % 2 ? D3DXMESH_MANAGED : D3DXMESH_MANAGED | D3DXMESH_32BIT;
        EXPECT_TRUE(SameBits(Repaired(*this, vertices, indices, options), expected))
            << "seed " << seed;
    }
}

TEST_F(TangentRepairTest, LeavesMeshesInOtherLayoutsAlone) {
    RepairTangents(nullptr);
    ID3DXMesh* other = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                                device, &other),
              D3D_OK);
    kept.push_back(other);
    void* data = nullptr;
    ASSERT_EQ(other->LockVertexBuffer(0, &data), D3D_OK);
    std::vector<std::uint8_t> before(3 * 32, 0);
    before[4] = 0x3F; // a position component, not a tangent
    std::memcpy(data, before.data(), before.size());
    other->UnlockVertexBuffer();
    RepairTangents(other);
    ASSERT_EQ(other->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    EXPECT_EQ(std::memcmp(data, before.data(), before.size()), 0);
    other->UnlockVertexBuffer();
}
