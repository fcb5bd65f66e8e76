#include "mesh_test_support.h"

#include "mesh/MeshSlot.h"
#include "mesh/TangentRepair.h"
#include "tools/common/height_field.h"
#include "utility/core/load_report.h"
#include "utility/xfile/xfile_writer.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <thread>

namespace {

using MeshSlotTest = MeshTest;

// Every tangent of unit length along the x axis, which is the direction of
// u (or of -u) in all these meshes.
::testing::AssertionResult TangentsAlongX(ID3DXMesh* mesh) {
    std::vector<ShadingVertex> vertices = MeshTest::Vertices(mesh);
    for (size_t i = 0; i < vertices.size(); ++i) {
        const D3DXVECTOR3& t = vertices[i].tangent;
        if (std::fabs(std::fabs(t.x) - 1) > 1e-5f || std::fabs(t.y) > 1e-5f ||
            std::fabs(t.z) > 1e-5f)
            return ::testing::AssertionFailure() << "vertex " << i << " has tangent (" << t.x
                                                 << ", " << t.y << ", " << t.z << ")";
    }
    return ::testing::AssertionSuccess();
}

// A grid of side x side vertices in the z = 0 plane; u grows along +x up to
// the middle column and falls after it, so that column is a mirrored seam
// whose corner tangents cancel out.
void MirroredGrid(DWORD side, std::vector<ShadingVertex>& vertices, std::vector<DWORD>& indices) {
    const DWORD middle = side / 2;
    for (DWORD y = 0; y < side; ++y)
        for (DWORD x = 0; x < side; ++x) {
            float u = float(x <= middle ? x : 2 * middle - x) / float(side);
            vertices.push_back(FlatVertex(float(x), float(y), u, float(y) / float(side)));
        }
    for (DWORD y = 0; y + 1 < side; ++y)
        for (DWORD x = 0; x + 1 < side; ++x) {
            DWORD v = y * side + x;
            indices.insert(indices.end(), {v, v + side, v + 1, v + 1, v + side, v + side + 1});
        }
}

// The file's mesh in the shading layout, as the slot clones it, with its
// face adjacency.
ID3DXMesh* ShadingClone(MeshTest& test, const char* path, std::vector<DWORD>& adjacency) {
    MeshObj raw;
    EXPECT_TRUE(raw.Load("", path));
    ID3DXMesh* clone = nullptr;
    EXPECT_EQ(raw.mesh->CloneMesh(0, kShadingLayout, test.device, &clone), D3D_OK);
    test.kept.push_back(clone);
    adjacency.resize(size_t(clone->GetNumFaces()) * 3);
    EXPECT_EQ(clone->GenerateAdjacency(kAdjacencyEpsilon, adjacency.data()), D3D_OK);
    return clone;
}

} // namespace

TEST_F(MeshSlotTest, TheSlotHoldsTheFilesMeshInTheShadingLayoutWithItsMaterials) {
    WriteTwoQuadFile("models/quad.x", "tex.bmp", nullptr);
    WriteTexture("models/tex.bmp", 5);
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "models/quad.x"));
    ASSERT_TRUE(HasShadingLayout(slot.mesh));
    EXPECT_EQ(Attributes(slot.mesh), (std::vector<DWORD>{0, 0, 1, 1}));
    ASSERT_EQ(slot.materialCount, 2u);
    EXPECT_EQ(slot.materials[1].Diffuse.r, 0.75f);
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 5u);
    EXPECT_TRUE(TangentsAlongX(slot.mesh));
    std::vector<ShadingVertex> vertices = Vertices(slot.mesh);
    ASSERT_EQ(vertices.size(), 8u);
    EXPECT_EQ(vertices[7].position, D3DXVECTOR3(2, 1, 0));
    EXPECT_EQ(vertices[7].uv, D3DXVECTOR2(1, 0));

    // A backslash ends the directory too; the slot's old mesh goes first.
    ID3DXMesh* old = slot.mesh;
    old->AddRef();
    ASSERT_TRUE(LoadMeshSlot(device, slot, "models\\quad.x"));
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 5u);
    EXPECT_EQ(old->Release(), 0u);

    // A bare file name is a file in the working directory, and so are its
    // textures.
    WriteTwoQuadFile("bare.x", "tex.bmp", nullptr);
    WriteTexture("tex.bmp", 6);
    ASSERT_TRUE(LoadMeshSlot(device, slot, "bare.x"));
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 6u);
}

// Two triangles that meet in vertex 1 only: cleaning gives the second one a
// copy of it.
//
//   2   3
//   | \ |      faces (0, 2, 1) and (1, 3, 4)
//   0---1---4
TEST_F(MeshSlotTest, BowtieVerticesAreSplitAndMirroredSeamsRepaired) {
    std::vector<ShadingVertex> bowtie = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                         FlatVertex(0, 1, 0, 0), FlatVertex(1, 1, 1, 0),
                                         FlatVertex(2, 0, 0, 1)};
    WriteXFile("bowtie.x", bowtie, {0, 2, 1, 1, 3, 4}, {0, 0}, {{1, nullptr}});
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "./bowtie.x"));
    EXPECT_EQ(slot.mesh->GetNumVertices(), 6u);
    EXPECT_EQ(Indices(slot.mesh)[3], 5u);

    // The corner tangents on either side of the seam cancel out in the
    // library; the repair gives the seam vertices one again.
    std::vector<ShadingVertex> vertices;
    std::vector<DWORD> indices;
    MirroredGrid(6, vertices, indices);
    WriteXFile("mirrored.x", vertices, indices, std::vector<DWORD>(indices.size() / 3, 0),
               {{1, nullptr}});
    std::vector<DWORD> adjacency;
    ID3DXMesh* library = ShadingClone(*this, "mirrored.x", adjacency);
    ASSERT_EQ(D3DXComputeTangent(library, 0, 0, 0, 1, adjacency.data()), D3D_OK);
    const DWORD seamVertex = 2 * 6 + 3;
    EXPECT_LT(D3DXVec3Length(&Vertices(library)[seamVertex].tangent), 0.5f);
    ASSERT_TRUE(LoadMeshSlot(device, slot, "./mirrored.x"));
    EXPECT_TRUE(TangentsAlongX(slot.mesh));
}

TEST_F(MeshSlotTest, AFileThatCannotBeReadLeavesTheSlotEmpty) {
    WriteTwoQuadFile("quad.x", nullptr, nullptr);
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "./quad.x"));
    EXPECT_FALSE(LoadMeshSlot(device, slot, "./absent.x"));
    EXPECT_EQ(slot.mesh, nullptr);
    EXPECT_EQ(slot.materialCount, 0u);
    EXPECT_FALSE(LoadMeshSlot(device, slot, nullptr));
    EXPECT_EQ(slot.mesh, nullptr);
}

TEST_F(MeshSlotTest, AMeshThatCannotBeConvertedStaysAsReadAndDraws) {
    WriteTwoQuadFile("quad.x", nullptr, nullptr);
    MeshObj slot;
    // The mesh is read on sharedDevice; the clone goes to a device that is
    // not there.
    EXPECT_FALSE(LoadMeshSlot(nullptr, slot, "./quad.x"));
    ASSERT_NE(slot.mesh, nullptr);
    EXPECT_FALSE(HasShadingLayout(slot.mesh));
    EXPECT_EQ(slot.mesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(slot.materialCount, 2u);
    recording->calls.clear();
    slot.Draw();
    EXPECT_EQ(recording->Calls("DrawIndexedPrimitive").size(), 2u);
}

// Face 1 uses vertex 3 twice, which the cleaning refuses, so the bowtie at
// vertex 1 stays; the clone goes on with its tangents computed and repaired.
//
//   2   3
//   | \ |      faces (0, 2, 1), (1, 3, 4) and (3, 3, 4)
//   0---1---4
TEST_F(MeshSlotTest, WhenCleaningFailsTheUncleanedCloneGetsTangents) {
    std::vector<ShadingVertex> vertices = {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1),
                                           FlatVertex(0, 1, 0, 0), FlatVertex(1, 1, 1, 0),
                                           FlatVertex(2, 0, 2, 1)};
    std::vector<DWORD> indices = {0, 2, 1, 1, 3, 4, 3, 3, 4};
    WriteXFile("odd.x", vertices, indices, {0, 0, 0}, {{1, nullptr}});

    // The premise: the library refuses to clean this mesh.
    std::vector<DWORD> adjacency;
    ID3DXMesh* clone = ShadingClone(*this, "odd.x", adjacency);
    ID3DXMesh* cleaned = nullptr;
    ASSERT_TRUE(FAILED(D3DXCleanMesh(D3DXCLEAN_BOWTIES, clone, adjacency.data(), &cleaned,
                                     adjacency.data(), nullptr)));

    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "./odd.x"));
    ASSERT_TRUE(HasShadingLayout(slot.mesh));
    EXPECT_EQ(slot.mesh->GetNumVertices(), 5u);
    EXPECT_TRUE(TangentsAlongX(slot.mesh));
}

TEST_F(MeshSlotTest, PathsOfAnyLengthTheSystemTakesAreRead) {
    std::string directory = DeepDirectory(4000);
    std::string name = "q.x";
    WriteTwoQuadFile(directory + name, "tex.bmp", nullptr);
    WriteTexture(directory + "tex.bmp", 5);
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, (directory + name).c_str()));
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 5u);
    EXPECT_FALSE(LoadMeshSlot(device, slot, (directory + directory + name).c_str()));
    EXPECT_EQ(slot.mesh, nullptr);
}

TEST_F(MeshSlotTest, MeshesWithThirtyTwoBitIndicesArePreparedThroughThem) {
    std::vector<ShadingVertex> vertices;
    std::vector<DWORD> indices;
    MirroredGrid(260, vertices, indices);
    ASSERT_GT(vertices.size(), 65535u);
    WriteXFile("big.x", vertices, indices, std::vector<DWORD>(indices.size() / 3, 0),
               {{1, nullptr}}, D3DXF_FILEFORMAT_BINARY);
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "./big.x"));
    EXPECT_TRUE(slot.mesh->GetOptions() & D3DXMESH_32BIT);
    EXPECT_EQ(Indices(slot.mesh), indices);
    EXPECT_TRUE(TangentsAlongX(slot.mesh));
}

namespace {

// Everything a slot holds that drawing it reads.
struct SlotContent {
    std::vector<ShadingVertex> vertices;
    std::vector<DWORD> indices, attributes;
    std::vector<float> diffuseRed;
    std::vector<UINT> textureWidths;

    static SlotContent Of(const MeshObj& slot) {
        SlotContent c;
        c.vertices = MeshTest::Vertices(slot.mesh);
        c.indices = MeshTest::Indices(slot.mesh);
        c.attributes = MeshTest::Attributes(slot.mesh);
        for (DWORD i = 0; i < slot.materialCount; ++i) {
            c.diffuseRed.push_back(slot.materials[i].Diffuse.r);
            c.textureWidths.push_back(MeshTest::TextureWidth(slot.materialTextures[i]));
        }
        return c;
    }
    bool operator==(const SlotContent& o) const {
        return vertices.size() == o.vertices.size() &&
               std::memcmp(vertices.data(), o.vertices.data(),
                           vertices.size() * sizeof(ShadingVertex)) == 0 &&
               indices == o.indices && attributes == o.attributes && diffuseRed == o.diffuseRed &&
               textureWidths == o.textureWidths;
    }
};

} // namespace

TEST_F(MeshSlotTest, PreparedOnAnotherThreadTheSlotHoldsWhatLoadingMakes) {
    std::vector<ShadingVertex> vertices;
    std::vector<DWORD> indices;
    MirroredGrid(40, vertices, indices);
    std::vector<DWORD> attributes(indices.size() / 3, 0);
    for (size_t f = attributes.size() / 2; f < attributes.size(); ++f)
        attributes[f] = 1;
    WriteXFile("models/grid.x", vertices, indices, attributes,
               {{0.25f, "a.bmp"}, {0.75f, nullptr}});
    WriteTexture("models/a.bmp", 7);

    MeshObj loaded;
    ASSERT_TRUE(LoadMeshSlot(device, loaded, "models/grid.x"));
    LoadProgress progress;
    PreparedMesh prepared;
    bool ready = false;
    std::thread worker([&] {
        LoadProgressScope scope(&progress);
        ready = PrepareMeshSlot("models/grid.x", 64, 64, prepared);
    });
    worker.join();
    ASSERT_TRUE(ready);
    EXPECT_EQ(progress.permille, 1000u);
    ASSERT_EQ(prepared.textures.images.size(), 1u);
    EXPECT_EQ(prepared.textures.images[0].levels.size(), 3u) << "7 x 1, 3 x 1, 1 x 1";
    EXPECT_EQ(prepared.textures.imageOf,
              (std::vector<std::size_t>{0, MaterialTextures::kNoTexture}));

    // Installing only copies: the device sees the mesh and the texture made.
    recording->calls.clear();
    MeshObj slot;
    ASSERT_TRUE(InstallMeshSlot(device, slot, prepared));
    EXPECT_NE(prepared.mesh, nullptr) << "left for its owner to free";
    EXPECT_EQ(recording->Calls("CreateVertexBuffer").size(), 1u);
    EXPECT_EQ(recording->Calls("CreateIndexBuffer").size(), 1u);
    EXPECT_EQ(recording->Calls("CreateTexture").size(), 1u);
    EXPECT_TRUE(SlotContent::Of(slot) == SlotContent::Of(loaded));
}

TEST_F(MeshSlotTest, ACancelledPreparationEndsWithNothingAndSaysSo) {
    WriteTwoQuadFile("quad.x", nullptr, nullptr);
    LoadProgress progress;
    progress.cancelled = true;
    LoadProgressScope scope(&progress);
    ClearLoadFailure();
    PreparedMesh prepared;
    EXPECT_FALSE(PrepareMeshSlot("quad.x", 64, 64, prepared));
    EXPECT_EQ(prepared.mesh, nullptr);
    EXPECT_STREQ(LoadFailure(), "cancelled");
    MeshObj slot;
    EXPECT_FALSE(LoadMeshSlot(device, slot, "quad.x"));
    EXPECT_EQ(slot.mesh, nullptr);
}

TEST_F(MeshSlotTest, APreparationCancelledOnItsWayStopsWithAFailure) {
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(::WriteXFile(HeightField(150), XEncoding::Text, 4, bytes));
    WriteFile("field.x", bytes);
    LoadProgress progress;
    // Cancelled by its first report of progress, on the thread that makes
    // it: the load is under way, and far from done.
    progress.onAdvance = [](LoadProgress& load, std::uint32_t) { load.cancelled = true; };
    bool prepared = true;
    std::string reason;
    std::thread worker([&] {
        LoadProgressScope scope(&progress);
        ClearLoadFailure();
        PreparedMesh out;
        prepared = PrepareMeshSlot("field.x", 64, 64, out);
        reason = LoadFailure();
    });
    worker.join();
    EXPECT_LT(progress.permille, 1000u);
    EXPECT_FALSE(prepared);
    EXPECT_EQ(reason, "cancelled");
}

// The outcomes of MeshSlot.h, through the two steps.
TEST_F(MeshSlotTest, EachOutcomeOfTheTwoStepsIsThatOfLoading) {
    WriteTwoQuadFile("quad.x", nullptr, nullptr);
    WriteFile("broken.x", {'x', 'o', 'f', ' ', '0', '3', '0', '3', 't', 'x', 't',
                           ' ', '0', '0', '3', '2', 'M', 'e', 's', 'h', ' ', '{'});
    std::filesystem::create_directories("folder.x");
    struct Case {
        const char* path;
        const char* reason; // of a preparation that fails
    } unreadable[] = {{"absent.x", "No such file or directory"},
                      {"folder.x", "not a regular file"},
                      {"/dev/zero", "not a regular file"},
                      {"broken.x", "line 1: Mesh: expected an unsigned 32-bit integer, found "
                                   "the end of the file"}};
    for (const Case& c : unreadable) {
        ClearLoadFailure();
        PreparedMesh prepared;
        EXPECT_FALSE(PrepareMeshSlot(c.path, 64, 64, prepared)) << c.path;
        EXPECT_STREQ(LoadFailure(), c.reason) << c.path;
        MeshObj slot;
        ASSERT_TRUE(LoadMeshSlot(device, slot, "quad.x"));
        EXPECT_FALSE(InstallMeshSlot(device, slot, prepared)) << c.path;
        EXPECT_EQ(slot.mesh, nullptr) << c.path;
        EXPECT_EQ(slot.materialCount, 0u) << c.path;
    }

    // A device that cannot take the mesh: the file's own layout on
    // sharedDevice, with the materials.
    PreparedMesh prepared;
    ASSERT_TRUE(PrepareMeshSlot("quad.x", 64, 64, prepared));
    MeshObj slot;
    EXPECT_FALSE(InstallMeshSlot(nullptr, slot, prepared));
    ASSERT_NE(slot.mesh, nullptr);
    EXPECT_EQ(slot.mesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(slot.materialCount, 2u);
}

// The bowtie of the test above, its right triangle carried by frame Bone,
// which slides 5 along z in one second; vertex 1 (the bowtie's, whose copy
// the right triangle gets) follows Bone too.
TEST_F(MeshSlotTest, AnAnimatedMeshIsPreparedWithAPoserForItsSplitVertices) {
    const char* text = "xof 0303txt 0032\n"
                       "Frame Bone { }\n"
                       "Mesh { 5; 0;0;0;, 1;0;0;, 0;1;0;, 1;1;0;, 2;0;0;;\n"
                       " 2; 3;0,2,1;, 3;1,3,4;;\n"
                       " SkinWeights { \"Bone\"; 3; 1,3,4; 1.0,1.0,1.0;\n"
                       "  1,0,0,0, 0,1,0,0, 0,0,1,0, 0,0,0,1;; } }\n"
                       "AnimationSet Slide { Animation { { Bone } AnimationKey { 2; 2;\n"
                       " 0; 3; 0,0,0;;, 4800; 3; 0,0,5;;; } } }\n";
    WriteFile("slide.x", std::vector<std::uint8_t>(text, text + std::strlen(text)));
    PreparedMesh prepared;
    ASSERT_TRUE(PrepareMeshSlot("./slide.x", 0, 0, prepared));
    ASSERT_EQ(prepared.mesh->GetNumVertices(), 6u);
    ASSERT_NE(prepared.animation, nullptr);
    MeshAnimation& animation = *prepared.animation;
    ASSERT_EQ(animation.rest.size(), 6u);
    ASSERT_EQ(animation.data.sets.size(), 1u);
    // The rest pose is the prepared mesh, tangents and all.
    std::vector<ShadingVertex> vertices = Vertices(prepared.mesh);
    EXPECT_EQ(std::memcmp(animation.rest.data(), vertices.data(), 6 * sizeof(ShadingVertex)), 0);

    std::vector<SkinVertex> posed(6);
    animation.poser.Pose(&animation.data.sets[0], 0.5, animation.rest.data(), posed.data());
    const float expected[6][3] = {{0, 0, 0},    {1, 0, 2.5f}, {0, 1, 0},
                                  {1, 1, 2.5f}, {2, 0, 2.5f}, {1, 0, 2.5f}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(posed[size_t(i)].position.x, expected[i][0], 1e-6f) << "vertex " << i;
        EXPECT_NEAR(posed[size_t(i)].position.y, expected[i][1], 1e-6f) << "vertex " << i;
        EXPECT_NEAR(posed[size_t(i)].position.z, expected[i][2], 1e-6f) << "vertex " << i;
    }

    // A file without sets moves nothing and keeps nothing for it.
    WriteTwoQuadFile("still.x", nullptr, nullptr);
    ASSERT_TRUE(PrepareMeshSlot("./still.x", 0, 0, prepared));
    EXPECT_EQ(prepared.animation, nullptr);
}
