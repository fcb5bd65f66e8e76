#include "mesh_test_support.h"

#include "mesh/MeshObj.h"

#include <filesystem>

namespace {

using MeshObjTest = MeshTest;

size_t DrawCount(RecordingDevice* recording) {
    return recording->Calls("DrawIndexedPrimitive").size();
}

} // namespace

TEST_F(MeshObjTest, LoadsTheMaterialsAndTheTexturesTheyNameAndDrawsEachSubset) {
    WriteTwoQuadFile("models/quad.x", "tex.bmp", nullptr);
    WriteTexture("models/tex.bmp", 5);
    MeshObj obj;
    ASSERT_TRUE(obj.Load("models/", "quad.x"));
    ASSERT_NE(obj.mesh, nullptr);
    ASSERT_EQ(obj.materialCount, 2u);
    EXPECT_EQ(obj.materials[0].Diffuse.r, 0.25f);
    EXPECT_EQ(obj.materials[1].Diffuse.r, 0.75f);
    EXPECT_EQ(TextureWidth(obj.materialTextures[0]), 5u);
    // No name: no texture, but the subset is still drawn.
    EXPECT_EQ(obj.materialTextures[1], nullptr);

    recording->calls.clear();
    obj.Draw();
    EXPECT_EQ(DrawCount(recording), 2u);

    obj.Release();
    EXPECT_EQ(obj.mesh, nullptr);
    EXPECT_EQ(obj.materialCount, 0u);
    EXPECT_EQ(obj.materials, nullptr);
    EXPECT_EQ(obj.materialTextures, nullptr);
    obj.Release();
    recording->calls.clear();
    obj.Draw();
    EXPECT_EQ(DrawCount(recording), 0u);
}

TEST_F(MeshObjTest, ATextureThatCannotBeReadLeavesItsEntryEmpty) {
    WriteTwoQuadFile("quad.x", "missing.bmp", "broken.bmp");
    WriteFile("broken.bmp", {'B', 'M', 1, 2, 3});
    MeshObj obj;
    ASSERT_TRUE(obj.Load("", "quad.x"));
    EXPECT_EQ(obj.materialTextures[0], nullptr);
    EXPECT_EQ(obj.materialTextures[1], nullptr);
}

TEST_F(MeshObjTest, MeshesThatCannotBeReadLeaveTheObjectEmpty) {
    WriteFile("broken.x", {'x', 'o', 'f', ' ', '0',  '3', '0', '3', 't', 'x', 't', ' ',
                           '0', '0', '3', '2', '\n', 'M', 'e', 's', 'h', ' ', '{'});
    MeshObj obj;
    EXPECT_FALSE(obj.Load("", "absent.x"));
    EXPECT_FALSE(obj.Load("", "broken.x"));
    EXPECT_FALSE(obj.Load(nullptr, "broken.x"));
    EXPECT_EQ(obj.mesh, nullptr);
    EXPECT_EQ(obj.materialCount, 0u);
    EXPECT_EQ(obj.materials, nullptr);
}

TEST_F(MeshObjTest, NoMaterialsMeansNothingToDraw) {
    MeshObj obj;
    obj.mesh = MakeMesh({FlatVertex(0, 0, 0, 0), FlatVertex(1, 0, 0, 0), FlatVertex(0, 1, 0, 0)},
                        {0, 2, 1});
    obj.mesh->AddRef(); // one for the object, one for the test's own list
    recording->calls.clear();
    obj.Draw();
    EXPECT_EQ(DrawCount(recording), 0u);
    obj.Release();
    EXPECT_EQ(obj.mesh, nullptr);
}

// Names from Windows: the file system they were written on ignores case, and
// exporters write the author's own paths.
TEST_F(MeshObjTest, TextureNamesAreFoundIgnoringCaseThenByTheirLastComponent) {
    WriteTexture("models/Textures/Rock.bmp", 3);
    WriteTexture("models/top.bmp", 4);
    WriteTexture("models/gone.bmp", 6);
    WriteTexture("models/pick.bmp", 7);
    WriteTexture("models/PICK.bmp", 8);
    const char* names[] = {
        "textures\\ROCK.BMP",      // each component in another case
        "C:\\models\\Top.bmp",     // the author's disk, base name in another case
        "..\\elsewhere\\gone.bmp", // a directory that is not there
        "PICK.bmp",                // an exact match beats one in another case
        "Pick.bmp",                // among matches in other cases, byte order decides
        "C:\\models\\absent.bmp",  // nowhere
        "textures/rock.bmp/",      // a directory-looking name
    };
    std::vector<ShadingVertex> vertices;
    std::vector<DWORD> indices, attributes;
    std::vector<MaterialRow> materials;
    for (DWORD i = 0; i < std::size(names); ++i) {
        vertices.push_back(FlatVertex(float(i), 0, 0, 0));
        vertices.push_back(FlatVertex(float(i) + 1, 0, 1, 0));
        vertices.push_back(FlatVertex(float(i), 1, 0, 1));
        indices.insert(indices.end(), {i * 3, i * 3 + 2, i * 3 + 1});
        attributes.push_back(i);
        materials.push_back({0.5f, names[i]});
    }
    WriteXFile("models/many.x", vertices, indices, attributes, materials);
    MeshObj obj;
    ASSERT_TRUE(obj.Load("models\\", "many.x"));
    ASSERT_EQ(obj.materialCount, std::size(names));
    std::vector<UINT> widths;
    for (DWORD i = 0; i < obj.materialCount; ++i)
        widths.push_back(TextureWidth(obj.materialTextures[i]));
    EXPECT_EQ(widths, (std::vector<UINT>{3, 4, 6, 8, 8, 0, 0}));
}

TEST_F(MeshObjTest, AbsoluteWindowsTexturePathsOfARealExportFindTheFilesBesideIt) {
    std::filesystem::copy_file(std::string(ZQ_SOURCE_DIR) +
                                   "/tests/utility/xfile/data/assimp_kwxport/kwxport_vcolors.x",
                               scratch + "kwxport_vcolors.x");
    WriteTexture("bottom.tga", 1); // the content decides the format, not the name
    WriteTexture("top.tga", 2);
    WriteTexture("updown.tga", 3);
    MeshObj obj;
    ASSERT_TRUE(obj.Load(scratch.c_str(), "kwxport_vcolors.x"));
    ASSERT_EQ(obj.materialCount, 3u);
    EXPECT_EQ(TextureWidth(obj.materialTextures[0]), 1u);
    EXPECT_EQ(TextureWidth(obj.materialTextures[1]), 2u);
    EXPECT_EQ(TextureWidth(obj.materialTextures[2]), 3u);
}

TEST_F(MeshObjTest, PathsAndTextureNamesOfAnyLengthTheSystemTakes) {
    // A mesh 4000 characters deep, with a texture named by as long a path.
    std::string directory = DeepDirectory(4000);
    std::string textureName = directory + "tex.bmp";
    std::string windowsName = textureName;
    for (char& c : windowsName)
        if (c == '/')
            c = '\\';
    WriteTwoQuadFile(directory + "q.x", "tex.bmp", nullptr);
    WriteTwoQuadFile("quad.x", windowsName.c_str(), nullptr);
    WriteTexture(textureName, 9);
    MeshObj obj;
    ASSERT_TRUE(obj.Load(directory.c_str(), "q.x"));
    EXPECT_EQ(TextureWidth(obj.materialTextures[0]), 9u);
    obj.Release();
    ASSERT_TRUE(obj.Load("", "quad.x"));
    EXPECT_EQ(TextureWidth(obj.materialTextures[0]), 9u);

    // What the system refuses fails as any unreadable file does: a file
    // name of 600 characters, a path longer than any it takes.
    EXPECT_FALSE(obj.Load("", std::string(600, 'q').c_str()));
    EXPECT_FALSE(obj.Load((directory + directory).c_str(), "q.x"));
    EXPECT_EQ(obj.mesh, nullptr);
    std::string longName(600, 'y');
    WriteTwoQuadFile("refused.x", longName.c_str(), nullptr);
    ASSERT_TRUE(obj.Load("", "refused.x"));
    EXPECT_EQ(obj.materialTextures[0], nullptr);
}
