// The committed models load as the viewer loads them and have the shape the
// viewer's shading is meant to show: a text-encoded hard-surface solid with
// split normals, texture seams and mirrored mapping; a binary-encoded smooth
// creature mapped mirror-symmetrically; both closed, facing outward, and fit
// for the tangent preparation.
#include "default_data_fixture.h"

#include "framework/KvDX9.h"
#include "mesh/MeshSlot.h"
#include "mesh/ShadingLayout.h"
#include "utility/d3dx9mesh.h"

#include <cfloat>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

namespace {

using Point = std::tuple<float, float, float>;

Point PointOf(const D3DXVECTOR3& p) {
    return {p.x, p.y, p.z};
}

// The vertices at each position. The files keep a shared point bit for bit.
std::map<Point, std::vector<std::size_t>> VerticesByPoint(const LoadedModel& model) {
    std::map<Point, std::vector<std::size_t>> points;
    for (std::size_t i = 0; i < model.vertices.size(); ++i)
        points[PointOf(model.vertices[i].position)].push_back(i);
    return points;
}

float BoundingRadius(const LoadedModel& model) {
    float radius = 0;
    for (const auto& vertex : model.vertices)
        radius = std::fmax(radius, D3DXVec3Length(&vertex.position));
    return radius;
}

D3DXVECTOR3 FaceNormal(const LoadedModel& model, std::size_t face) {
    D3DXVECTOR3 ab = model.Corner(face, 1).position - model.Corner(face, 0).position;
    D3DXVECTOR3 ac = model.Corner(face, 2).position - model.Corner(face, 0).position;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &ab, &ac);
    return normal;
}

// Positive where the texture reads the right way round seen from outside
// (u to the right, v downward, faces clockwise), negative where it is
// mirrored.
float MappingArea(const LoadedModel& model, std::size_t face) {
    const D3DXVECTOR2& a = model.Corner(face, 0).texcoord;
    const D3DXVECTOR2& b = model.Corner(face, 1).texcoord;
    const D3DXVECTOR2& c = model.Corner(face, 2).texcoord;
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

struct PointNormals {
    int hardEdgePoints = 0;   // vertices of one point whose normals part by over 30 degrees
    int seamPoints = 0;       // vertices of one point apart in texture coordinate
    int smoothSeamPoints = 0; // the same, with one normal
    float leastAgreement = 1; // smallest dot product of two normals at one point
};

PointNormals ExaminePoints(const LoadedModel& model) {
    PointNormals result;
    for (const auto& [point, vertices] : VerticesByPoint(model)) {
        bool hard = false, seam = false, smoothSeam = false;
        for (std::size_t a : vertices)
            for (std::size_t b : vertices) {
                const auto& va = model.vertices[a];
                const auto& vb = model.vertices[b];
                float agreement = D3DXVec3Dot(&va.normal, &vb.normal);
                result.leastAgreement = std::fmin(result.leastAgreement, agreement);
                hard = hard || agreement < 0.87f;
                bool split = !(va.texcoord == vb.texcoord);
                seam = seam || split;
                smoothSeam = smoothSeam || (split && va.normal == vb.normal);
            }
        result.hardEdgePoints += hard;
        result.seamPoints += seam;
        result.smoothSeamPoints += smoothSeam;
    }
    return result;
}

std::string Header(const std::string& name) {
    std::vector<std::uint8_t> bytes = FileBytes(DataPath(name));
    return std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(16, bytes.size()));
}

} // namespace

TEST_F(DefaultDataTest, SolidIsATextModelWithHardEdgesSeamsAndMirroredFaces) {
    EXPECT_EQ(Header("solid.x").substr(0, 12), "xof 0303txt ");
    LoadedModel model;
    ASSERT_NO_FATAL_FAILURE(LoadModel("solid.x", model));
    EXPECT_GE(model.FaceCount(), 1000u);
    EXPECT_LE(model.FaceCount(), 5000u);
    EXPECT_EQ(model.materialCount, 2u);
    EXPECT_GT(BoundingRadius(model), 1.2f);
    EXPECT_LT(BoundingRadius(model), 1.6f);

    PointNormals points = ExaminePoints(model);
    EXPECT_GT(points.hardEdgePoints, 100);
    EXPECT_GT(points.seamPoints, 100);
    // The ring's texture wraps round it, with a seam across the smooth tube.
    EXPECT_GE(points.smoothSeamPoints, 10);
    // Smooth parts (ring, struts, dome) give many directions besides the
    // block's few facet normals.
    std::set<Point> directions;
    for (const auto& vertex : model.vertices)
        directions.insert(PointOf(vertex.normal));
    EXPECT_GT(directions.size(), 500u);

    int mirrored = 0, upright = 0;
    for (std::size_t face = 0; face < model.FaceCount(); ++face)
        (MappingArea(model, face) < 0 ? mirrored : upright)++;
    EXPECT_GT(mirrored, 100);
    EXPECT_GT(upright, 100);
}

TEST_F(DefaultDataTest, SkinIsABinaryModelOfSmoothSurfacesMappedMirrorSymmetrically) {
    const std::string header = Header("skin.x").substr(8, 4);
    EXPECT_TRUE(header == "bin " || header == "bzip") << header;
    LoadedModel model;
    ASSERT_NO_FATAL_FAILURE(LoadModel("skin.x", model));
    EXPECT_GE(model.FaceCount(), 1000u);
    EXPECT_LE(model.FaceCount(), 5000u);
    EXPECT_EQ(model.materialCount, 1u);
    EXPECT_GT(BoundingRadius(model), 1.2f);
    EXPECT_LT(BoundingRadius(model), 1.6f);

    // Smooth: wherever vertices share a point (poles), they share a normal.
    EXPECT_GE(ExaminePoints(model).leastAgreement, 0.999f);

    // Every vertex has its mirror image across x = 0 with the same texture
    // coordinate: the left half shows the right half's art mirrored.
    auto key = [](float x, const LoadedModel::Vertex& v) {
        return std::make_tuple(std::lround(x * 1e4f), std::lround(v.position.y * 1e4f),
                               std::lround(v.position.z * 1e4f), std::lround(v.texcoord.x * 1e4f),
                               std::lround(v.texcoord.y * 1e4f));
    };
    std::set<decltype(key(0, model.vertices[0]))> keys;
    for (const auto& vertex : model.vertices)
        keys.insert(key(vertex.position.x, vertex));
    int unmatched = 0;
    for (const auto& vertex : model.vertices)
        unmatched += keys.count(key(-vertex.position.x, vertex)) == 0;
    EXPECT_EQ(unmatched, 0);

    // So half the faces are mirrored, and down the centre lines the two
    // orientations share vertices: the seams the tangent generation meets.
    std::vector<int> sides(model.vertices.size(), 0);
    int mirrored = 0;
    for (std::size_t face = 0; face < model.FaceCount(); ++face) {
        int side = MappingArea(model, face) < 0 ? 1 : 2;
        mirrored += side == 1;
        for (int corner = 0; corner < 3; ++corner)
            sides[model.indices[face * 3 + corner]] |= side;
    }
    EXPECT_NEAR(mirrored * 2, int(model.FaceCount()), int(model.FaceCount()) / 50);
    int seamVertices = 0;
    for (int side : sides)
        seamVertices += side == 3;
    EXPECT_GT(seamVertices, 40);
}

// Every edge, taken between points, is run once each way (no holes, no
// faces turned against their neighbours), the enclosed volume is positive
// (clockwise seen from outside), and each corner's normal lies on the
// outward side of its face.
TEST_F(DefaultDataTest, ModelsAreClosedAndFaceOutward) {
    for (const char* name : {"solid.x", "skin.x"}) {
        SCOPED_TRACE(name);
        LoadedModel model;
        ASSERT_NO_FATAL_FAILURE(LoadModel(name, model));
        std::map<std::pair<Point, Point>, int> edges;
        double volume6 = 0;
        int wrongNormals = 0, badTexcoords = 0;
        for (std::size_t face = 0; face < model.FaceCount(); ++face) {
            for (int corner = 0; corner < 3; ++corner)
                ++edges[{PointOf(model.Corner(face, corner).position),
                         PointOf(model.Corner(face, (corner + 1) % 3).position)}];
            D3DXVECTOR3 a = model.Corner(face, 0).position, b = model.Corner(face, 1).position,
                        c = model.Corner(face, 2).position, bc;
            D3DXVec3Cross(&bc, &b, &c);
            volume6 += D3DXVec3Dot(&a, &bc);
            D3DXVECTOR3 normal = FaceNormal(model, face);
            for (int corner = 0; corner < 3; ++corner) {
                const auto& vertex = model.Corner(face, corner);
                wrongNormals += D3DXVec3Dot(&normal, &vertex.normal) <= 0 ||
                                std::fabs(D3DXVec3Length(&vertex.normal) - 1) > 1e-3f;
                badTexcoords += !std::isfinite(vertex.texcoord.x) || vertex.texcoord.y < 0 ||
                                vertex.texcoord.y > 1;
            }
        }
        int unpaired = 0;
        for (const auto& [edge, count] : edges) {
            auto reverse = edges.find({edge.second, edge.first});
            unpaired += count != 1 || reverse == edges.end() || reverse->second != 1;
        }
        EXPECT_EQ(unpaired, 0);
        EXPECT_GT(volume6, 0);
        EXPECT_EQ(wrongNormals, 0);
        EXPECT_EQ(badTexcoords, 0);
    }
}

// The viewer's own preparation (clone to the shading layout, adjacency,
// bowtie cleaning, library tangents, tangent repair) leaves every vertex a
// tangent the vertex program can use: finite, not zero and not along the
// normal (it normalises T and builds the binormal as N x T). Closed pieces
// have no bowties, so cleaning copies nothing.
TEST_F(DefaultDataTest, ModelsPrepareForShadingWithUsableTangents) {
    sharedDevice = device;
    for (const char* name : {"solid.x", "skin.x"}) {
        SCOPED_TRACE(name);
        LoadedModel model;
        ASSERT_NO_FATAL_FAILURE(LoadModel(name, model));
        MeshObj slot;
        ASSERT_TRUE(LoadMeshSlot(device, slot, DataPath(name).c_str()));
        ASSERT_TRUE(HasShadingLayout(slot.mesh));
        EXPECT_EQ(slot.mesh->GetNumVertices(), model.vertices.size());
        void* data = nullptr;
        ASSERT_EQ(slot.mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        const auto* vertices = static_cast<const ShadingVertex*>(data);
        int unusable = 0;
        for (DWORD i = 0; i < slot.mesh->GetNumVertices(); ++i) {
            const ShadingVertex& v = vertices[i];
            D3DXVECTOR3 across;
            D3DXVec3Cross(&across, &v.tangent, &v.normal);
            float length = D3DXVec3Length(&v.tangent);
            unusable +=
                !std::isfinite(length) || length < 1e-3f || D3DXVec3Length(&across) < 0.3f * length;
        }
        slot.mesh->UnlockVertexBuffer();
        EXPECT_EQ(unusable, 0);
    }
    sharedDevice = nullptr;
}
