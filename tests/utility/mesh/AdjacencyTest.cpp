#include "mesh_test_support.h"

#include "utility/mesh/adjacency.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>

namespace {

using AdjacencyTest = MeshFixture;

constexpr DWORD N = 0xFFFFFFFF;

std::vector<DWORD> Adjacency(ID3DXMesh* mesh, float tolerance = FLT_EPSILON) {
    std::vector<DWORD> adjacency(size_t(mesh->GetNumFaces()) * 3, 12345);
    EXPECT_EQ(mesh->GenerateAdjacency(tolerance, adjacency.data()), D3D_OK);
    return adjacency;
}

// A grid of cells x cells quads in the z = 0 plane, two faces a quad. With
// `split`, every quad has its own four vertices (a seam along every edge).
ID3DXMesh* Grid(MeshFixture& f, int cells, bool split, float spacing) {
    std::vector<D3DXVECTOR3> positions;
    std::vector<DWORD> indices;
    auto point = [&](int x, int y) { return D3DXVECTOR3(x * spacing + 0.3f, y * spacing - 7, 0); };
    if (!split)
        for (int y = 0; y <= cells; ++y)
            for (int x = 0; x <= cells; ++x)
                positions.push_back(point(x, y));
    for (int y = 0; y < cells; ++y)
        for (int x = 0; x < cells; ++x) {
            DWORD c[4];
            for (int k = 0; k < 4; ++k) {
                int cx = x + (k & 1), cy = y + (k >> 1);
                if (split) {
                    c[k] = DWORD(positions.size());
                    positions.push_back(point(cx, cy));
                } else {
                    c[k] = DWORD(cy * (cells + 1) + cx);
                }
            }
            indices.insert(indices.end(), {c[0], c[1], c[2], c[1], c[3], c[2]});
        }
    return f.MakePositionMesh(positions, indices);
}

// The library's merge step, its result as a plain vector.
std::vector<DWORD> Merge(const std::vector<D3DXVECTOR3>& positions,
                         const std::vector<DWORD>& indices, float t) {
    LargeVector<DWORD> pointOf = MergeCoincidentVertices(positions, indices, t);
    return std::vector<DWORD>(pointOf.begin(), pointOf.end());
}

// The merge step exactly as described, in quadratic time: visit vertices by
// x, and let each unmapped one take every later unmapped one within t that
// no face shares with it. A tolerance of 0 takes equal positions instead.
std::vector<DWORD> ReferenceMerge(const std::vector<D3DXVECTOR3>& p,
                                  const std::vector<DWORD>& indices, float t) {
    std::vector<DWORD> order(p.size());
    for (DWORD v = 0; v < order.size(); ++v)
        order[v] = v;
    // NaN x last, as the library orders them.
    std::sort(order.begin(), order.end(), [&](DWORD a, DWORD b) {
        bool nanA = std::isnan(p[a].x), nanB = std::isnan(p[b].x);
        if (nanA != nanB)
            return nanB;
        return !nanA && p[a].x != p[b].x ? p[a].x < p[b].x : a < b;
    });
    auto share = [&](DWORD a, DWORD b) {
        for (size_t f = 0; f < indices.size(); f += 3) {
            bool hasA = false, hasB = false;
            for (size_t k = 0; k < 3; ++k)
                hasA |= indices[f + k] == a, hasB |= indices[f + k] == b;
            if (hasA && hasB)
                return true;
        }
        return false;
    };
    std::vector<DWORD> map(p.size(), N);
    for (size_t i = 0; i < order.size(); ++i) {
        DWORD a = order[i];
        if (map[a] != N)
            continue;
        map[a] = a;
        for (size_t j = i + 1; j < order.size(); ++j) {
            DWORD b = order[j];
            D3DXVECTOR3 d = p[b] - p[a];
            bool close = t > 0 ? d.x * d.x + d.y * d.y + d.z * d.z < t * t
                               : p[b].x == p[a].x && p[b].y == p[a].y && p[b].z == p[a].z;
            if (map[b] == N && close && !share(a, b))
                map[b] = a;
        }
    }
    return map;
}

// The pairing step as described: lists of records by first point, newest
// first, records removed as they are used.
std::vector<DWORD> ReferencePairing(const std::vector<D3DXVECTOR3>& p,
                                    const std::vector<DWORD>& corners,
                                    const std::vector<DWORD>& faceOrder) {
    struct Record {
        DWORD first, second, opposite, face, k;
    };
    auto usable = [&](DWORD f) {
        const DWORD* c = &corners[f * 3];
        return c[0] != c[1] && c[1] != c[2] && c[0] != c[2];
    };
    std::vector<std::vector<Record>> lists(p.size());
    for (DWORD f : faceOrder)
        if (usable(f))
            for (DWORD k = 0; k < 3; ++k)
                lists[corners[f * 3 + k]].insert(lists[corners[f * 3 + k]].begin(),
                                                 Record{corners[f * 3 + k],
                                                        corners[f * 3 + (k + 1) % 3],
                                                        corners[f * 3 + (k + 2) % 3], f, k});
    auto normal = [&](DWORD a, DWORD b, DWORD c) {
        D3DXVECTOR3 u = p[a] - p[b], v = p[a] - p[c], n;
        D3DXVec3Cross(&n, &u, &v);
        D3DXVec3Normalize(&n, &n);
        return n;
    };
    auto remove = [&](DWORD first, DWORD face, DWORD k) {
        std::vector<Record>& list = lists[first];
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].face == face && list[i].k == k) {
                list.erase(list.begin() + i);
                return;
            }
    };
    std::vector<DWORD> adjacency(corners.size(), N);
    for (DWORD f : faceOrder) {
        if (!usable(f))
            continue;
        for (DWORD k = 0; k < 3; ++k) {
            if (adjacency[f * 3 + k] != N)
                continue;
            DWORD a = corners[f * 3 + k], b = corners[f * 3 + (k + 1) % 3],
                  c = corners[f * 3 + (k + 2) % 3];
            D3DXVECTOR3 own = normal(a, b, c);
            const Record* chosen = nullptr;
            float best = 0;
            for (const Record& r : lists[b]) {
                if (r.second != a)
                    continue;
                D3DXVECTOR3 n = normal(r.first, r.second, r.opposite);
                float score = D3DXVec3Dot(&n, &own);
                if (!chosen || score > best)
                    chosen = &r, best = score;
            }
            if (!chosen)
                continue;
            Record g = *chosen;
            remove(b, g.face, g.k);
            remove(a, f, k);
            if ((k >= 1 && adjacency[f * 3] == g.face) ||
                (k == 2 && adjacency[f * 3 + 1] == g.face))
                continue;
            adjacency[f * 3 + k] = g.face;
            adjacency[g.face * 3 + g.k] = f;
        }
    }
    return adjacency;
}

} // namespace

// Two triangles sharing the edge 1-2:
//
//   2---3
//   | \ |
//   0---1
TEST_F(AdjacencyTest, TrianglesSharingAnEdgeNameEachOther) {
    ID3DXMesh* mesh =
        MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{N, 1, N, N, N, 0}));
}

// The same square with the right triangle on its own vertices 4 and 5 at
// the positions of 1 and 2, as along a texture seam.
TEST_F(AdjacencyTest, SeamVerticesAtOnePositionAreJoined) {
    const std::vector<D3DXVECTOR3> positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0},
                                                {1, 1, 0}, {1, 0, 0}, {0, 1, 0}};
    ID3DXMesh* mesh = MakePositionMesh(positions, {0, 1, 2, 4, 3, 5});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{N, 1, N, N, N, 0}));
    EXPECT_EQ(Adjacency(mesh, 0.0f), (std::vector<DWORD>{N, 1, N, N, N, 0}));

    // Within the tolerance still one point; beyond it two.
    std::vector<D3DXVECTOR3> near = positions;
    near[4].y += 5e-8f;
    EXPECT_EQ(Adjacency(MakePositionMesh(near, {0, 1, 2, 4, 3, 5})),
              (std::vector<DWORD>{N, 1, N, N, N, 0}));
    EXPECT_EQ(Adjacency(MakePositionMesh(near, {0, 1, 2, 4, 3, 5}), 0.0f),
              (std::vector<DWORD>(6, N)));
    std::vector<D3DXVECTOR3> far = positions;
    far[4].y += 1e-6f;
    EXPECT_EQ(Adjacency(MakePositionMesh(far, {0, 1, 2, 4, 3, 5})), (std::vector<DWORD>(6, N)));
}

TEST_F(AdjacencyTest, FacesRunningAnEdgeTheSameWayAreNotNeighbours) {
    // Face 1 runs 1 -> 2 like face 0 does: the two are wound oppositely.
    ID3DXMesh* mesh =
        MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 2, 3});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>(6, N)));
}

// Edge 0-1 on the x axis is shared by three faces: face 0 above it in the
// plane, face 1 below it in the same plane, face 2 a fin standing up in z.
//
//        2
//       / \        4 (up in z, over the middle of 0-1)
//      0---1
//       \ /
//        3
TEST_F(AdjacencyTest, ANonManifoldEdgePairsTheMostCoplanarFaces) {
    const std::vector<D3DXVECTOR3> positions = {
        {0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.5f, 0, 1}};
    // The fin is the newest candidate, yet the coplanar face wins.
    EXPECT_EQ(Adjacency(MakePositionMesh(positions, {0, 1, 2, 1, 0, 3, 1, 0, 4})),
              (std::vector<DWORD>{1, N, N, 0, N, N, N, N, N}));
    // Listed the other way round the result is the same.
    EXPECT_EQ(Adjacency(MakePositionMesh(positions, {0, 1, 2, 1, 0, 4, 1, 0, 3})),
              (std::vector<DWORD>{2, N, N, N, N, N, 0, N, N}));
}

// Faces 1 and 2 lie on top of each other (vertices 3 and 4 coincide), so they
// score the same against face 0: the newest wins, and the attribute table
// decides which face is newest.
TEST_F(AdjacencyTest, EqualScoresGoToTheNewestFaceInAttributeOrder) {
    const std::vector<D3DXVECTOR3> positions = {
        {0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.5f, -1, 0}};
    ID3DXMesh* mesh = MakePositionMesh(positions, {0, 1, 2, 1, 0, 3, 1, 0, 4});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{2, N, N, N, N, N, 0, N, N}));

    const D3DXATTRIBUTERANGE table[] = {{0, 0, 1, 0, 3}, {1, 2, 1, 0, 5}, {2, 1, 1, 0, 4}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 3), D3D_OK);
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{1, N, N, 0, N, N, N, N, N}));
}

TEST_F(AdjacencyTest, DegenerateFacesTakePartInNothing) {
    // Face 1 uses vertex 1 twice.
    ID3DXMesh* twice = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 2, 1, 1});
    EXPECT_EQ(Adjacency(twice), (std::vector<DWORD>(6, N)));

    // Vertices 3 and 4 stand where vertex 1 does. Face 1 uses both, so they
    // are not merged with each other, but each is merged with vertex 1,
    // which face 1 does not use: after merging face 1 has two corners at
    // one point and would otherwise pair with face 0 across 1-2.
    ID3DXMesh* merged = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 0}},
                                         {0, 1, 2, 2, 3, 4});
    EXPECT_EQ(Adjacency(merged), (std::vector<DWORD>(6, N)));
}

// Vertices 0 and 1 are closer than the tolerance but are corners of one
// triangle, so they stay apart and face 0 keeps its neighbour across 1-2.
TEST_F(AdjacencyTest, TwoCornersOfOneTriangleAreNeverMerged) {
    ID3DXMesh* mesh =
        MakePositionMesh({{0, 0, 0}, {5e-8f, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{N, 1, N, N, N, 0}));
}

TEST_F(AdjacencyTest, MergingFollowsXOrderAndIsNotTransitive) {
    const float t = 1e-3f;
    // Vertex 1 has the smallest x and so represents vertex 0; vertex 2 is
    // within t of vertex 0 but not of vertex 1, and stands alone.
    std::vector<D3DXVECTOR3> positions = {{0.0004f, 0, 0}, {0, 0, 0}, {0.0012f, 0, 0}};
    EXPECT_EQ(Merge(positions, {}, t), (std::vector<DWORD>{1, 1, 2}));
    // Exact matching with a tolerance of 0; -0 and 0 are one position.
    positions = {{0, 0, 0}, {-0.0f, 0, 0}, {1e-30f, 0, 0}};
    EXPECT_EQ(Merge(positions, {}, 0), (std::vector<DWORD>{0, 0, 2}));
    // Positions that are not numbers, or infinite, merge with nothing.
    positions = {{NAN, 0, 0}, {NAN, 0, 0}, {INFINITY, 0, 0}, {INFINITY, 0, 0}, {0, NAN, 0}};
    EXPECT_EQ(Merge(positions, {}, t), (std::vector<DWORD>{0, 1, 2, 3, 4}));
    EXPECT_EQ(Merge(positions, {}, INFINITY), (std::vector<DWORD>{0, 1, 2, 3, 4}));
}

// Clusters of vertices jittered by up to a tolerance in each axis, so that
// groups straddle the cells the merge step searches, with random faces.
TEST_F(AdjacencyTest, MergingMatchesTheQuadraticDescription) {
    std::mt19937 random(7);
    for (float t : {1e-3f, FLT_EPSILON, 0.25f}) {
        std::uniform_real_distribution<float> jitter(-t, t);
        std::uniform_int_distribution<int> lattice(-3, 3);
        std::vector<D3DXVECTOR3> positions;
        for (int i = 0; i < 600; ++i) {
            D3DXVECTOR3 centre(lattice(random) * 3 * t, lattice(random) * 3 * t,
                               lattice(random) * t);
            positions.push_back(centre +
                                D3DXVECTOR3(jitter(random), jitter(random), jitter(random)));
        }
        std::uniform_int_distribution<DWORD> vertex(0, DWORD(positions.size() - 1));
        std::vector<DWORD> indices(900);
        for (DWORD& index : indices)
            index = vertex(random);
        std::vector<DWORD> expected = ReferenceMerge(positions, indices, t);
        EXPECT_EQ(Merge(positions, indices, t), expected) << t;
        int merged = 0;
        for (DWORD v = 0; v < expected.size(); ++v)
            merged += expected[v] != v;
        EXPECT_GT(merged, 100) << "clusters too sparse to test merging";
    }
}

// Few points and many faces: non-manifold edges, both windings, degenerate
// faces, visited in a shuffled order.
TEST_F(AdjacencyTest, PairingMatchesTheListDescription) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-1, 1);
    for (int round = 0; round < 20; ++round) {
        std::vector<D3DXVECTOR3> positions(7);
        for (D3DXVECTOR3& p : positions)
            p = D3DXVECTOR3(coordinate(random), coordinate(random), coordinate(random));
        std::uniform_int_distribution<DWORD> vertex(0, 6);
        std::vector<DWORD> corners(60 * 3);
        for (DWORD& c : corners)
            c = vertex(random);
        std::vector<DWORD> order(60);
        for (DWORD f = 0; f < 60; ++f)
            order[f] = f;
        std::shuffle(order.begin(), order.end(), random);
        std::vector<DWORD> identity(7);
        for (DWORD v = 0; v < 7; ++v)
            identity[v] = v;
        std::vector<DWORD> adjacency(corners.size());
        PairFaceEdges(positions, identity, corners, order, adjacency.data());
        EXPECT_EQ(adjacency, ReferencePairing(positions, corners, order)) << round;
    }
}

// Coordinates from 1e-30 to 1e30 and infinities, a third of them repeating
// an earlier vertex exactly or within a hair of it.
TEST_F(AdjacencyTest, MergingHoldsAcrossAllMagnitudes) {
    std::mt19937 random(3);
    const float scales[] = {1e-30f, 1e-3f, 1, 3e3f, 1e6f, 1e20f, 1e30f, INFINITY};
    std::uniform_int_distribution<int> pick(0, 7), lattice(-2, 2), repeat(0, 2);
    std::uniform_real_distribution<float> hair(-2e-7f, 2e-7f);
    for (float t : {FLT_EPSILON, 1e-30f, 1e-3f, 0.0f}) {
        std::vector<D3DXVECTOR3> positions;
        for (int i = 0; i < 600; ++i) {
            if (i > 0 && repeat(random) == 0) {
                D3DXVECTOR3 p = positions[size_t(random() % positions.size())];
                if (repeat(random) == 0)
                    p.y += hair(random);
                positions.push_back(p);
                continue;
            }
            auto c = [&] { return float(lattice(random)) * scales[pick(random)]; };
            positions.push_back(D3DXVECTOR3(c(), c(), c()));
        }
        EXPECT_EQ(Merge(positions, {}, t), ReferenceMerge(positions, {}, t)) << t;
    }
}

TEST_F(AdjacencyTest, ASeamOnEveryEdgeGivesTheSameAdjacencyAsSharedVertices) {
    for (float spacing : {1.0f, 0.37f, 1e-5f}) {
        std::vector<DWORD> shared = Adjacency(Grid(*this, 12, false, spacing));
        std::vector<DWORD> split = Adjacency(Grid(*this, 12, true, spacing));
        EXPECT_EQ(shared, split) << spacing;
        // Interior faces have all three neighbours; 12 * 4 border edges.
        EXPECT_EQ(std::count(shared.begin(), shared.end(), N), 48) << spacing;
    }
}

TEST_F(AdjacencyTest, FacesWithIndicesOutsideTheMeshAreLeftOut) {
    // Face 1 names vertex 9 (there are 4); face 2 the all-ones index.
    ID3DXMesh* mesh = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}},
                                       {0, 1, 2, 1, 9, 2, 0xFFFF, 2, 1, 1, 3, 2});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{N, 3, N, N, N, N, N, N, N, N, N, 0}));
    // A single vertex used by a single face.
    EXPECT_EQ(Adjacency(MakePositionMesh({{0, 0, 0}}, {0, 0, 0})), (std::vector<DWORD>(3, N)));
}

TEST_F(AdjacencyTest, RefusesMeshesItCannotRead) {
    ID3DXMesh* mesh = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2});
    EXPECT_EQ(mesh->GenerateAdjacency(FLT_EPSILON, nullptr), D3DERR_INVALIDCALL);

    DWORD adjacency[3];
    ID3DXMesh* writeOnly = nullptr;
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_MANAGED | D3DXMESH_IB_WRITEONLY, kShadingLayout, device,
                             &writeOnly),
              D3D_OK);
    Keep(writeOnly);
    EXPECT_EQ(writeOnly->GenerateAdjacency(FLT_EPSILON, adjacency), D3DERR_INVALIDCALL);

    const D3DVERTEXELEMENT9 noPosition[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                            D3DDECL_END()};
    ID3DXMesh* normalsOnly = nullptr;
    ASSERT_EQ(D3DXCreateMesh(1, 3, D3DXMESH_MANAGED, noPosition, device, &normalsOnly), D3D_OK);
    Keep(normalsOnly);
    EXPECT_EQ(normalsOnly->GenerateAdjacency(FLT_EPSILON, adjacency), D3DERR_INVALIDCALL);

    // A buffer the caller still holds locked cannot be read either.
    void* data = nullptr;
    mesh->LockIndexBuffer(0, &data);
    EXPECT_EQ(mesh->GenerateAdjacency(FLT_EPSILON, adjacency), D3DERR_INVALIDCALL);
    mesh->UnlockIndexBuffer();
}

// A two-sided triangle: face 1 has the points of face 0 in the other order,
// so the two meet across all three edges, but are neighbours across the
// first only.
TEST_F(AdjacencyTest, TwoFacesAreNeighboursAcrossOneEdgeAtMost) {
    ID3DXMesh* mesh = MakePositionMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 2, 1});
    EXPECT_EQ(Adjacency(mesh), (std::vector<DWORD>{1, N, N, N, N, 0}));
}
