#include "mesh_test_support.h"

#include "mesh/MeshSlot.h"
#include "mesh/TangentRepair.h"

#include <cmath>

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
