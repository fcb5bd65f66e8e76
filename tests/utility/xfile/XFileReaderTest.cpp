#include "xfile_test_support.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"

#include <cstdio>
#include <fstream>

namespace {

D3DXVECTOR3 Position(const XMeshData& mesh, size_t vertex) {
    return mesh.vertices[vertex].position;
}

std::vector<std::uint32_t> Triangle(const XMeshData& mesh, size_t t) {
    return {mesh.indices[3 * t], mesh.indices[3 * t + 1], mesh.indices[3 * t + 2]};
}

// One triangle (0,0,0) (1,0,0) (0,1,0) facing -z, as a Mesh object body.
const char* kTriangle = "3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"
                        " MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }";

struct RealFile {
    const char* path;
    size_t vertices;
    size_t triangles;
    std::vector<std::string> textures; // one a material
};

} // namespace

TEST(XFileReaderTest, RealFilesLoadWithTheirCounts) {
    const std::string cubeC = "C:\\code\\sourceforge\\kwxport\\trunkMerged\\test\\data\\";
    const RealFile files[] = {
        {"assimp_cube_text/cube_text.x", 24, 12, {""}},
        {"assimp_bad_skinweights/bad_skinweights.x", 24, 12, {""}},
        {"assimp_maya/maya_test.x", 24, 12, {".\\test.png"}},
        {"assimp_kwxport/kwxport_vcolors.x",
         24,
         12,
         {cubeC + "bottom.tga", cubeC + "top.tga", cubeC + "updown.tga"}},
        // Three meshes in nested frames.
        {"b3d_pistol/pistol.x", 200, 287, {"gun.png", "gun.png", "gun.png"}},
        // 0302, 64-bit floats, CRLF, quads, 120 normals for 138 positions.
        {"jiji/jiji.x", 138, 236, {"jiji.dds"}},
    };
    for (const RealFile& file : files) {
        SCOPED_TRACE(file.path);
        std::vector<std::uint8_t> bytes = ReadBytes(DataPath(file.path));
        XMeshData mesh;
        ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, mesh), D3D_OK);
        EXPECT_EQ(mesh.vertices.size(), file.vertices);
        EXPECT_EQ(mesh.TriangleCount(), file.triangles);
        ASSERT_EQ(mesh.materials.size(), file.textures.size());
        for (size_t i = 0; i < file.textures.size(); ++i)
            EXPECT_EQ(mesh.materials[i].textureFile, file.textures[i]);
        for (std::uint32_t index : mesh.indices)
            ASSERT_LT(index, mesh.vertices.size());
        for (std::uint32_t attribute : mesh.attributes)
            ASSERT_LT(attribute, mesh.materials.size());
    }
}

TEST(XFileReaderTest, TheCubeReadsAlikeInTextBinaryAndBzip) {
    XMeshData text, binary, bzip;
    XFileHeader header;
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath("assimp_cube_text/cube_text.x"));
    ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), &header, text), D3D_OK);
    EXPECT_EQ(header.encoding, XEncoding::Text);
    bytes = ReadBytes(DataPath("assimp_cube_bin/cube_bin.x"));
    ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), &header, binary), D3D_OK);
    EXPECT_EQ(header.encoding, XEncoding::Binary);
    bytes = ReadBytes(DataPath("assimp_cube_bzip/cube_bzip.x"));
    ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), &header, bzip), D3D_OK);
    EXPECT_EQ(header.encoding, XEncoding::BinaryCompressed);
    // The exporter's six decimals are not always its binary floats: the
    // material colours agree to those decimals, everything else exactly.
    for (XMeshData* other : {&binary, &bzip}) {
        ASSERT_EQ(other->materials.size(), 1u);
        const float* a = &text.materials[0].colors.Diffuse.r;
        float* b = &other->materials[0].colors.Diffuse.r;
        for (size_t i = 0; i < sizeof(D3DMATERIAL9) / sizeof(float); ++i) {
            EXPECT_NEAR(a[i], b[i], 1e-5f);
            b[i] = a[i];
        }
        EXPECT_TRUE(SameMesh(text, *other));
    }

    // The root frame swaps y and z: vertex 0 at (-1, -1, 1) with normal
    // (0, -1, 0) lands at (-1, 1, -1) facing (0, 0, -1).
    EXPECT_EQ(Position(text, 0), D3DXVECTOR3(-1, 1, -1));
    EXPECT_EQ(text.vertices[0].normal, D3DXVECTOR3(0, 0, -1));
    // The material is declared at the top and referenced by name.
    const D3DMATERIAL9& m = text.materials[0].colors;
    EXPECT_FLOAT_EQ(m.Diffuse.r, 0.639216f);
    EXPECT_FLOAT_EQ(m.Diffuse.a, 1.0f);
    EXPECT_FLOAT_EQ(m.Power, 96.07843f);
    EXPECT_FLOAT_EQ(m.Specular.g, 0.498039f);
    EXPECT_EQ(m.Emissive.b, 0.0f);
    EXPECT_EQ(m.Ambient.r, 0.0f);
}

TEST(XFileReaderTest, BrokenBzipBlockFails) {
    std::vector<std::uint8_t> bytes = ReadBytes(DataPath("assimp_bad_bzip/bad_bzip.x"));
    XMeshData mesh;
    ClearLoadFailure();
    EXPECT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, mesh), D3DXERR_INVALIDDATA);
    EXPECT_TRUE(mesh.vertices.empty());
    // Named where it lies in the file: the first block, after the header
    // and the size field.
    EXPECT_STREQ(LoadFailure(), "byte 20: compressed data is damaged: a block does not inflate");
    ClearLoadFailure();
}

//  Outer: scale 2, then +10 in x       Inner: +5 in y
//    Inner mesh:  p * inner * outer
//    Outer mesh:  p * outer (its matrix comes after the mesh)
//    Bare frame:  no matrix, identity
//    Top mesh:    outside any frame, identity
TEST(XFileReaderTest, FramesTransformTheirMeshesAndAllMerge) {
    std::string text =
        std::string("xof 0303txt 0032\n"
                    "Frame Outer {\n"
                    "  Frame Inner {\n"
                    "    FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,5,0,1;; }\n"
                    "    Mesh { ") +
        kTriangle +
        " }\n"
        "  }\n"
        "  Mesh { " +
        kTriangle +
        " }\n"
        "  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 10,0,0,1;; }\n"
        "  Frame Bare { Mesh { " +
        kTriangle +
        " } }\n"
        "}\n"
        "Mesh Top { " +
        kTriangle + " }\n";
    XMeshData mesh;
    ASSERT_EQ(ReadText(text, mesh), D3D_OK);
    ASSERT_EQ(mesh.vertices.size(), 12u);
    ASSERT_EQ(mesh.TriangleCount(), 4u);
    // Inner: (1,0,0) -> (1,5,0) -> (12,10,0).
    EXPECT_EQ(Position(mesh, 1), D3DXVECTOR3(12, 10, 0));
    // Outer: (0,1,0) -> (10,2,0).
    EXPECT_EQ(Position(mesh, 5), D3DXVECTOR3(10, 2, 0));
    // Bare frame inside Outer: Outer's matrix still applies.
    EXPECT_EQ(Position(mesh, 7), D3DXVECTOR3(12, 0, 0));
    // Top-level mesh: untouched.
    EXPECT_EQ(Position(mesh, 10), D3DXVECTOR3(1, 0, 0));
    // Scaled normals come back to unit length.
    EXPECT_EQ(mesh.vertices[1].normal, D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(Triangle(mesh, 1), (std::vector<std::uint32_t>{3, 4, 5}));
    EXPECT_EQ(Triangle(mesh, 3), (std::vector<std::uint32_t>{9, 10, 11}));
    // No mesh names materials: one default material, white.
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].colors.Diffuse.g, 1.0f);
    EXPECT_EQ(Values(mesh.attributes), (std::vector<std::uint32_t>{0, 0, 0, 0}));
}

// 3-----2
// |   / |   triangle A (0,1,2) faces -z with normal 0,
// | /   |   triangle B (0,2,3) carries normal 1: positions 0 and 2 are split.
// 0-----1
TEST(XFileReaderTest, NormalsSplitVerticesOnlyWhereTheyDiffer) {
    const char* folded = "xof 0303txt 0032\n"
                         "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n"
                         "  2; 3;0,2,1;, 3;0,3,2;;\n"
                         "  MeshNormals { 2; 0;0;-1;, 0;1;0;; 2; 3;0,0,0;, 3;1,1,1;; } }\n";
    XMeshData mesh;
    ASSERT_EQ(ReadText(folded, mesh), D3D_OK);
    ASSERT_EQ(mesh.vertices.size(), 6u);
    EXPECT_EQ(Triangle(mesh, 0), (std::vector<std::uint32_t>{0, 2, 1}));
    EXPECT_EQ(Triangle(mesh, 1), (std::vector<std::uint32_t>{4, 3, 5}));
    EXPECT_EQ(Position(mesh, 4), Position(mesh, 0));
    EXPECT_EQ(Position(mesh, 5), Position(mesh, 2));
    EXPECT_EQ(mesh.vertices[0].normal, D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(mesh.vertices[4].normal, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(mesh.vertices[3].normal, D3DXVECTOR3(0, 1, 0));

    // The same normal under two indices does not split anything.
    const char* flat = "xof 0303txt 0032\n"
                       "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n"
                       "  2; 3;0,2,1;, 3;0,3,2;;\n"
                       "  MeshNormals { 2; 0;0;-1;, 0;0;-1;; 2; 3;0,0,0;, 3;1,1,1;; } }\n";
    ASSERT_EQ(ReadText(flat, mesh), D3D_OK);
    EXPECT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(Triangle(mesh, 1), (std::vector<std::uint32_t>{0, 3, 2}));

    // A third triangle (0,1,3) whose normal 2 equals normal 1: position 0
    // reuses its copy for normal 1, position 1 gets one, 3 has it already.
    const char* shared = "xof 0303txt 0032\n"
                         "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n"
                         "  3; 3;0,2,1;, 3;0,3,2;, 3;0,1,3;;\n"
                         "  MeshNormals { 3; 0;0;-1;, 0;1;0;, 0;1;0;;\n"
                         "    3; 3;0,0,0;, 3;1,1,1;, 3;2,2,2;; } }\n";
    ASSERT_EQ(ReadText(shared, mesh), D3D_OK);
    ASSERT_EQ(mesh.vertices.size(), 7u);
    EXPECT_EQ(Triangle(mesh, 2), (std::vector<std::uint32_t>{4, 6, 3}));
    EXPECT_EQ(Position(mesh, 6), Position(mesh, 1));
    EXPECT_EQ(mesh.vertices[6].normal, D3DXVECTOR3(0, 1, 0));
}

//     3
//   /   \        the pentagon (0 1 2 3 4) becomes the fan
//  4     2       (0 1 2) (0 2 3) (0 3 4); the two-corner face gives nothing
//   0---1        but still takes its entry of the material list
TEST(XFileReaderTest, PolygonsBecomeFansThatKeepTheirMaterial) {
    const char* text = "xof 0303txt 0032\n"
                       "Mesh { 5; 0;0;0;, 2;0;0;, 3;2;0;, 1;3;0;, -1;2;0;;\n"
                       "  3; 2;0,1;, 5;0,1,2,3,4;, 3;4,3,0;;\n"
                       "  MeshMaterialList { 2; 3; 0, 1, 0;;\n"
                       "    Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }\n"
                       "    Material { 0;1;0;1;; 0; 0;0;0;; 0;0;0;; } } }\n";
    XMeshData mesh;
    ASSERT_EQ(ReadText(text, mesh), D3D_OK);
    EXPECT_EQ(Values(mesh.indices),
              (std::vector<std::uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 4, 3, 0}));
    EXPECT_EQ(Values(mesh.attributes), (std::vector<std::uint32_t>{1, 1, 1, 0}));
    // No normals or texture coordinates in the file: zeros.
    EXPECT_FALSE(mesh.hasNormals);
    EXPECT_EQ(mesh.vertices[2].normal, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(mesh.vertices[2].texcoord, D3DXVECTOR2(0, 0));
}

TEST(XFileReaderTest, MaterialsComeInlineOrByNameWithTheirTextures) {
    const char* text =
        "xof 0303txt 0032\n"
        "Material Shiny { 0.5;0.25;0.125;0.75;; 40; 0.1;0.2;0.3;; 0.4;0.5;0.6;;\n"
        "  TextureFileName { \"tex\\\\shiny.png\"; } }\n"
        "Mesh { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;\n"
        "  3; 3;0,2,1;, 3;0,3,2;, 3;0,1,3;;\n"
        "  MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }\n"
        "  MeshMaterialList { 3; 2; 2, 0;\n"
        "    Material Plain { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \"\"; } }\n"
        "    { Shiny }\n"
        "    { Later } } }\n"
        "Material Later { 0;0;1;1;; 1; 0;0;0;; 0;0;0;; }\n";
    XMeshData mesh;
    ASSERT_EQ(ReadText(text, mesh), D3D_OK);
    ASSERT_EQ(mesh.materials.size(), 3u);
    EXPECT_EQ(mesh.materials[0].textureFile, "");
    EXPECT_EQ(mesh.materials[1].textureFile, "tex\\shiny.png");
    const D3DMATERIAL9& shiny = mesh.materials[1].colors;
    EXPECT_EQ(shiny.Diffuse.g, 0.25f);
    EXPECT_EQ(shiny.Diffuse.a, 0.75f);
    EXPECT_EQ(shiny.Power, 40.0f);
    EXPECT_EQ(shiny.Specular.b, 0.3f);
    EXPECT_EQ(shiny.Emissive.r, 0.4f);
    EXPECT_EQ(mesh.materials[2].colors.Diffuse.b, 1.0f);
    // The list is shorter than the faces: its last entry repeats.
    EXPECT_EQ(Values(mesh.attributes), (std::vector<std::uint32_t>{2, 0, 0}));
    EXPECT_EQ(mesh.vertices[2].texcoord, D3DXVECTOR2(1, 1));
}

TEST(XFileReaderTest, MeshesWithAndWithoutMaterialsShareOneDefault) {
    std::string text =
        std::string("xof 0303txt 0032\n"
                    "Mesh { ") +
        kTriangle + " }\nMesh { " + kTriangle +
        " MeshMaterialList { 1; 1; 0;; Material { 0;0;1;1;; 0; 0;0;0;; 0;0;0;; } } }\n"
        "Mesh { " +
        kTriangle + " }\n";
    XMeshData mesh;
    ASSERT_EQ(ReadText(text, mesh), D3D_OK);
    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_EQ(mesh.materials[0].colors.Diffuse.r, 1.0f);
    EXPECT_EQ(mesh.materials[1].colors.Diffuse.r, 0.0f);
    EXPECT_EQ(Values(mesh.attributes), (std::vector<std::uint32_t>{0, 1, 0}));
}

// What exporters write besides the plain form: all of these read to the
// same mesh as the plain text.
TEST(XFileReaderTest, ExporterVariantsReadLikeThePlainForm) {
    const std::string plain = std::string("xof 0303txt 0032\nFrame F { Mesh { ") + kTriangle +
                              " MeshMaterialList { 1; 1; 0;; { M } } } }\n"
                              "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\n";
    const char* variants[] = {
        // CRLF, comments of both kinds, 0302, 64-bit floats.
        "xof 0302txt 0064\r\n// a comment { with a brace\r\n# another\r\n"
        "Frame F {\r\n Mesh { 3; 0.0;0;0;, 1e0;0;0;, 0;1.000000;0;;\r\n"
        " 1; 3;0,1,2;; MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }\r\n"
        " MeshMaterialList { 1; 1; 0;; { M } } } }\r\n"
        "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }\r\n",
        // Commas for semicolons and back, no whitespace at all.
        "xof 0303txt 0032Frame F{Mesh{3,0,0,0,1,0,0,0,1,0,1,3,0,1,2,MeshNormals{1,0,0,-1,1,3,0,0,"
        "0}MeshMaterialList{1;1;0;{M}}}}Material M{1,1,1,1,0,0,0,0,0,0,0}",
        // Templates, a Header, GUIDs, objects of unknown templates with
        // strings holding braces, and references to skip.
        "xof 0303txt 0032\n"
        "template Mesh { <3D82AB44-62DA-11cf-AB39-0020AF71E433> DWORD nVertices; [...] }\n"
        "Header { 1; 0; 1; }\n"
        "Custom thing <01234567-0000-0000-0000-000000000000> { \"}{\"; { F } Nested { 1; } }\n"
        "Frame F { { Elsewhere } Mesh named <3D82AB44-62DA-11cf-AB39-0020AF71E433> {\n"
        "  3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
        "  MeshVertexColors { 1; 0;1;1;1;1;; }\n"
        "  SkinWeights { \"bone\"; 1; 900; 1.0; 1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1;; }\n"
        "  MeshNormals { 1; 0;0;-1;; 1; 3;0,0,0;; }\n"
        "  MeshMaterialList { 1; 1; 0;; { M <3D82AB4D-62DA-11cf-AB39-0020AF71E433> } } } }\n"
        "AnimationSet { Animation { AnimationKey { 0; 1; 0; 3; 0,0,0;;; } { F } } }\n"
        "Material M { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; EffectInstance { \"x.fx\"; } }\n",
    };
    XMeshData expected;
    ASSERT_EQ(ReadText(plain, expected), D3D_OK);
    for (const char* variant : variants) {
        SCOPED_TRACE(variant);
        XMeshData mesh;
        ASSERT_EQ(ReadText(variant, mesh), D3D_OK);
        EXPECT_TRUE(SameMesh(mesh, expected));
    }
}

// Each broken file names what is wrong with it, and where: the line of text.
TEST(XFileReaderTest, BrokenContentFailsWithItsReasonAndLine) {
    const std::string head = "xof 0303txt 0032\n";
    const std::string triangle = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n";
    const struct {
        std::string text;
        const char* reason;
    } broken[] = {
        {"", "not an X file: the file is empty"},
        {"xof 0303txt", "not an X file: it ends within the 16-byte header"},
        {"XOF 0303txt 0032", "not an X file: it does not start with \"xof \""},
        {"xof 0a03txt 0032", "unsupported X file version \"0a03\""},
        {"xof 0303zip 0032 Mesh {}", "unknown X file encoding \"zip \""},
        {"xof 0303txt 0016 Mesh {}", "unknown X file float size \"0016\": neither 0032 nor 0064"},
        {head, "the file holds no mesh"},
        {head + "Header { 1; 0; 1; } Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }",
         "the file's meshes hold no triangle"},
        {head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,3;; }",
         "line 3: Mesh: vertex index 3 past the 3 vertices"},
        {head + triangle + "MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; } }",
         "line 3: MeshNormals: normal index 1 past the 1 normals"},
        {head + triangle + "MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; } }",
         "line 3: MeshNormals: 2 faces for the mesh's 1"},
        {head + triangle + "MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,0;; } }",
         "line 3: MeshNormals: face 0 has 4 corners where the mesh's has 3"},
        {head + triangle + "MeshTextureCoords { 2; 0;0;, 1;1;; } }",
         "line 3: MeshTextureCoords: 2 texture coordinates for the 3 vertices"},
        {head + triangle + "MeshMaterialList { 1; 2; 0, 0;; } }",
         "line 3: MeshMaterialList: 2 face materials for the 1 faces"},
        {head + triangle +
             "MeshMaterialList { 1; 1; 1;;\n Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         "line 3: MeshMaterialList: material index 1 past the 1 materials"},
        {head + triangle +
             "MeshMaterialList { 2; 1; 1;;\n Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         "line 3: MeshMaterialList: 2 materials declared, 1 given"},
        {head + triangle + "MeshMaterialList { 1; 1; 0;;\n\n { Nowhere } } }",
         "line 5: MeshMaterialList: no material is named \"Nowhere\""},
        {head + triangle +
             "MeshMaterialList { 1; 1; 0;; { <01234567-0000-0000-0000-000000000000> } } }",
         "line 3: MeshMaterialList: a material named by its GUID alone"},
        {head + triangle + "7; }", "line 3: Mesh: expected an object or \"}\", found 7"},
        {head + "Mesh { 3; 0;0;0;, 1;0;0;,\n 0;one;0;; 1; 3;0,1,2;; }",
         "line 3: Mesh: expected a number, found the name \"one\""},
        {head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2.5;; }",
         "line 2: Mesh: expected an unsigned 32-bit integer, found 2.5"},
        {head + triangle, "line 3: Mesh: expected an object or \"}\", found the end of the file"},
        {head + "Header {\n \"never closed; }", "line 3: a string with no closing quote"},
        {head + "Header <1234 { }", "line 2: a GUID with no closing \">\""},
        {head + "Header { 1;\x01 }", "line 2: control character 0x01 outside a string"},
        {head + "Mesh { 4294967295; 0;0;0;; }", "line 2: Mesh: expected a number, found \"}\""},
        {head + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 99999999999; }",
         "line 2: Mesh: expected an unsigned 32-bit integer, found 99999999999"},
        {head + "template Broken { DWORD x;",
         "line 2: template: expected \"}\", found the end of the file"},
        {head + "template { }", "line 2: template: expected the template's name, found \"{\""},
        {head + "Frame F Mesh { }", "line 2: Frame: expected \"{\", found the name \"Mesh\""},
        {head + "\n} Mesh { }", "line 3: expected an object, found \"}\""},
    };
    for (const auto& file : broken) {
        SCOPED_TRACE(file.text);
        ClearLoadFailure();
        XMeshData mesh;
        EXPECT_EQ(ReadText(file.text, mesh), D3DXERR_INVALIDDATA);
        EXPECT_STREQ(LoadFailure(), file.reason);
        EXPECT_TRUE(mesh.vertices.empty());
    }
    ClearLoadFailure();
}

// The pages behind the parser go back to the system as it reads a file: the
// lines are counted before they do.
TEST(XFileReaderTest, AFailureFarIntoABigFileNamesItsLine) {
    const std::string path = ::testing::TempDir() + "zq_far_failure.x";
    {
        std::ofstream file(path, std::ios::binary);
        file << "xof 0303txt 0032\r\n";
        const std::string comment = "// " + std::string(60, 'c') + "\r\n";
        for (int i = 0; i < 500000; ++i)
            file << comment;
        file << "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;;\n 1; 3;0,1,3;; }\n";
    }
    ClearLoadFailure();
    XMeshData mesh;
    EXPECT_EQ(ReadXFile(path.c_str(), XTriangleOrder::File, mesh), D3DXERR_INVALIDDATA);
    EXPECT_STREQ(LoadFailure(), "line 500003: Mesh: vertex index 3 past the 3 vertices");
    ClearLoadFailure();
    std::remove(path.c_str());
}

TEST(XFileReaderTest, FramesNestedTooDeeplyAreRefused) {
    auto nested = [](int depth) {
        std::string text = "xof 0303txt 0032\n";
        for (int i = 0; i < depth; ++i)
            text += "Frame{";
        text += std::string("Mesh{") + kTriangle + "}";
        return text + std::string(size_t(depth), '}');
    };
    XMeshData mesh;
    EXPECT_EQ(ReadText(nested(200), mesh), D3D_OK);
    EXPECT_EQ(ReadText(nested(100000), mesh), D3DXERR_INVALIDDATA);
    // Skipped objects nest without limit, as they do not recurse.
    std::string skipped = "xof 0303txt 0032\nCustom{" + std::string(100000, '{') +
                          std::string(100001, '}') + "Mesh{" + kTriangle + "}";
    EXPECT_EQ(ReadText(skipped, mesh), D3D_OK);
}
