#include "xfile_test_support.h"

#include "tests/support/RecordingDeviceFixture.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/xfile_writer.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

// What a loaded mesh and its buffers hold, read back through the interfaces.
struct Loaded {
    DWORD options = 0;
    std::vector<XVertex> vertices;
    std::vector<DWORD> indices;
    std::vector<DWORD> attributes;
    std::vector<D3DXATTRIBUTERANGE> table;
    std::vector<D3DMATERIAL9> materials;
    std::vector<std::string> textures; // "(null)" for a null name
};

bool SameRanges(const std::vector<D3DXATTRIBUTERANGE>& a,
                const std::vector<D3DXATTRIBUTERANGE>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), a.size() * sizeof(D3DXATTRIBUTERANGE)) == 0;
}

class LoadMeshFromXTest : public RecordingDeviceFixture {
protected:
    LoadMeshFromXTest() { params.BackBufferHeight = 64; }

    void TearDown() override {
        for (const std::string& path : written)
            std::remove(path.c_str());
        RecordingDeviceFixture::TearDown();
    }

    // A file in the temporary folder, named after the test, removed at the end.
    std::string TempPath(const std::string& name) {
        std::string path = ::testing::TempDir() + "xfile_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                           name;
        written.push_back(path);
        return path;
    }

    std::string WriteTemp(const std::string& name, const XMeshData& mesh, XEncoding encoding,
                          int floatBytes = 4) {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(WriteXFile(mesh, encoding, floatBytes, bytes));
        std::string path = TempPath(name);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        EXPECT_TRUE(file);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return path;
    }

    // Loads with every output and reads it all back; the objects are released.
    HRESULT Load(const std::string& path, Loaded& out, DWORD options = 0) {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        ID3DXBuffer* effects = nullptr;
        DWORD count = 0;
        HRESULT hr = D3DXLoadMeshFromXA(path.c_str(), options, device, &adjacency, &materials,
                                        &effects, &count, &mesh);
        EXPECT_EQ(effects, nullptr);
        if (FAILED(hr)) {
            EXPECT_EQ(mesh, nullptr);
            EXPECT_EQ(materials, nullptr);
            EXPECT_EQ(adjacency, nullptr);
            EXPECT_EQ(count, 0u);
            return hr;
        }
        ReadBack(mesh, materials, count, out);
        EXPECT_EQ(adjacency->GetBufferSize(), mesh->GetNumFaces() * 3 * sizeof(DWORD));
        std::vector<DWORD> generated(mesh->GetNumFaces() * 3);
        EXPECT_EQ(mesh->GenerateAdjacency(0.0f, generated.data()), D3D_OK);
        EXPECT_EQ(std::memcmp(generated.data(), adjacency->GetBufferPointer(),
                              adjacency->GetBufferSize()),
                  0);
        ReleaseRef(adjacency);
        ReleaseRef(materials);
        ReleaseRef(mesh);
        return hr;
    }

    static void ReadBack(ID3DXMesh* mesh, ID3DXBuffer* materials, DWORD count, Loaded& out) {
        out.options = mesh->GetOptions();
        D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(mesh->GetDeclaration(declaration), D3D_OK);
        const D3DVERTEXELEMENT9 expected[] = {
            {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
            {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
            {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
            D3DDECL_END(),
        };
        ASSERT_EQ(std::memcmp(declaration, expected, sizeof expected), 0);

        void* data = nullptr;
        ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        auto* vertices = static_cast<const XVertex*>(data);
        out.vertices.assign(vertices, vertices + mesh->GetNumVertices());
        mesh->UnlockVertexBuffer();

        ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
        out.indices.resize(mesh->GetNumFaces() * 3);
        for (size_t i = 0; i < out.indices.size(); ++i)
            out.indices[i] = (out.options & D3DXMESH_32BIT) ? static_cast<DWORD*>(data)[i]
                                                            : static_cast<WORD*>(data)[i];
        mesh->UnlockIndexBuffer();

        DWORD* attributes = nullptr;
        ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
        out.attributes.assign(attributes, attributes + mesh->GetNumFaces());
        mesh->UnlockAttributeBuffer();

        DWORD ranges = 0;
        ASSERT_EQ(mesh->GetAttributeTable(nullptr, &ranges), D3D_OK);
        out.table.resize(ranges);
        ASSERT_EQ(mesh->GetAttributeTable(out.table.data(), &ranges), D3D_OK);

        // Every name lies in the buffer, after the records.
        auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        const char* begin = reinterpret_cast<const char*>(records + count);
        const char* end =
            static_cast<const char*>(materials->GetBufferPointer()) + materials->GetBufferSize();
        for (DWORD i = 0; i < count; ++i) {
            out.materials.push_back(records[i].MatD3D);
            const char* name = records[i].pTextureFilename;
            if (!name) {
                out.textures.push_back("(null)");
                continue;
            }
            ASSERT_GE(name, begin);
            ASSERT_LT(name + std::strlen(name), end);
            out.textures.push_back(name);
        }
    }

    std::vector<std::string> written;
};

} // namespace

// Two quads of two materials: the faces arrive sorted, one range a
// material, the texture name in the material buffer.
TEST_F(LoadMeshFromXTest, LoadsLayoutMaterialsSubsetsAndAdjacency) {
    const XMeshData sample = SampleMesh();
    Loaded loaded;
    ASSERT_EQ(Load(WriteTemp("sample.x", sample, XEncoding::Text), loaded), D3D_OK);
    EXPECT_EQ(loaded.options, 0u);
    ASSERT_EQ(loaded.vertices.size(), sample.vertices.size());
    EXPECT_EQ(std::memcmp(loaded.vertices.data(), sample.vertices.data(),
                          sample.vertices.size() * sizeof(XVertex)),
              0);
    EXPECT_EQ(loaded.indices, Values(sample.indices));
    EXPECT_EQ(loaded.attributes, (std::vector<DWORD>{0, 0, 1, 1}));
    EXPECT_TRUE(SameRanges(loaded.table, {{0, 0, 2, 0, 4}, {1, 2, 2, 4, 4}}));
    EXPECT_EQ(loaded.textures, (std::vector<std::string>{"(null)", "maps\\brick \"red\".png"}));
    EXPECT_EQ(loaded.materials[1].Diffuse.a, 0.5f);
    EXPECT_EQ(loaded.materials[1].Power, 12.5f);
}

// Faces of materials 1, 0, 1, 0 come out as the two of 0, then the two of
// 1, each pair in file order.
TEST_F(LoadMeshFromXTest, FacesAreSortedStablyByMaterial) {
    XMeshData mesh = SampleMesh();
    mesh.attributes = {1, 0, 1, 0};
    Loaded loaded;
    ASSERT_EQ(Load(WriteTemp("mixed.x", mesh, XEncoding::Binary), loaded), D3D_OK);
    EXPECT_EQ(loaded.indices, (std::vector<DWORD>{0, 3, 2, 4, 7, 6, 0, 2, 1, 4, 6, 5}));
    EXPECT_EQ(loaded.attributes, (std::vector<DWORD>{0, 0, 1, 1}));
    EXPECT_TRUE(SameRanges(loaded.table, {{0, 0, 2, 0, 8}, {1, 2, 2, 0, 7}}));
}

TEST_F(LoadMeshFromXTest, RealFilesLoadAsMeshes) {
    struct Expected {
        const char* path;
        DWORD vertices, faces, materials, ranges;
    };
    const Expected files[] = {
        {"assimp_cube_text/cube_text.x", 24, 12, 1, 1},
        {"assimp_cube_bin/cube_bin.x", 24, 12, 1, 1},
        {"assimp_cube_bzip/cube_bzip.x", 24, 12, 1, 1},
        {"assimp_bad_skinweights/bad_skinweights.x", 24, 12, 1, 1},
        {"assimp_maya/maya_test.x", 24, 12, 1, 1},
        {"assimp_kwxport/kwxport_vcolors.x", 24, 12, 3, 3},
        {"b3d_pistol/pistol.x", 200, 287, 3, 3},
        {"jiji/jiji.x", 138, 236, 1, 1},
    };
    for (const Expected& file : files) {
        SCOPED_TRACE(file.path);
        Loaded loaded;
        ASSERT_EQ(Load(DataPath(file.path), loaded), D3D_OK);
        EXPECT_EQ(loaded.vertices.size(), file.vertices);
        EXPECT_EQ(loaded.attributes.size(), file.faces);
        EXPECT_EQ(loaded.materials.size(), file.materials);
        EXPECT_EQ(loaded.table.size(), file.ranges);
    }
    Loaded broken;
    EXPECT_EQ(Load(DataPath("assimp_bad_bzip/bad_bzip.x"), broken), D3DXERR_INVALIDDATA);
}

// Save one loaded mesh in every format and load each file back: the same
// vertices, faces, subsets and materials every time.
TEST_F(LoadMeshFromXTest, SavedInEveryFormatLoadsBackAlike) {
    std::string source = WriteTemp("source.x", SampleMesh(), XEncoding::Text);
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXA(source.c_str(), D3DXMESH_MANAGED, device, nullptr, &materials,
                                 nullptr, &count, &mesh),
              D3D_OK);
    Loaded original;
    ReadBack(mesh, materials, count, original);
    auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());

    const DWORD formats[] = {D3DXF_FILEFORMAT_BINARY,
                             D3DXF_FILEFORMAT_TEXT,
                             D3DXF_FILEFORMAT_COMPRESSED,
                             D3DXF_FILEFORMAT_TEXT | D3DXF_FILEFORMAT_COMPRESSED,
                             D3DXF_FILEFORMAT_BINARY | D3DXF_FILEFORMAT_FLOAT64,
                             D3DXF_FILEFORMAT_TEXT | D3DXF_FILEFORMAT_FLOAT64,
                             D3DXF_FILEFORMAT_COMPRESSED | D3DXF_FILEFORMAT_FLOAT64,
                             D3DXF_FILEFORMAT_TEXT | D3DXF_FILEFORMAT_COMPRESSED |
                                 D3DXF_FILEFORMAT_FLOAT64};
    const char* headers[] = {"bin 0032", "txt 0032", "bzip0032", "tzip0032",
                             "bin 0064", "txt 0064", "bzip0064", "tzip0064"};
    for (size_t f = 0; f < std::size(formats); ++f) {
        SCOPED_TRACE(headers[f]);
        std::string path = TempPath(std::to_string(f) + ".x");
        ASSERT_EQ(D3DXSaveMeshToX(path.c_str(), mesh, nullptr, records, nullptr, count, formats[f]),
                  D3D_OK);
        std::vector<std::uint8_t> bytes = ReadBytes(path);
        ASSERT_GE(bytes.size(), 16u);
        EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), headers[f]);

        Loaded loaded;
        ASSERT_EQ(Load(path, loaded, D3DXMESH_MANAGED), D3D_OK);
        EXPECT_EQ(loaded.options, DWORD(D3DXMESH_MANAGED));
        ASSERT_EQ(loaded.vertices.size(), original.vertices.size());
        EXPECT_EQ(std::memcmp(loaded.vertices.data(), original.vertices.data(),
                              original.vertices.size() * sizeof(XVertex)),
                  0);
        EXPECT_EQ(loaded.indices, original.indices);
        EXPECT_EQ(loaded.attributes, original.attributes);
        EXPECT_TRUE(SameRanges(loaded.table, original.table));
        EXPECT_EQ(loaded.textures, original.textures);
        EXPECT_EQ(std::memcmp(loaded.materials.data(), original.materials.data(),
                              original.materials.size() * sizeof(D3DMATERIAL9)),
                  0);
    }
    ReleaseRef(materials);
    ReleaseRef(mesh);
}

// A mesh with positions alone and no materials: the file has neither
// normals nor texture coordinates nor a material list, and reads back with
// zeros and one white material.
TEST_F(LoadMeshFromXTest, SavesMeshesOfOtherLayoutsWithoutMaterials) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, device, &mesh), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
    const float positions[] = {0, 0, 0, 0, 1, 0, 1, 0, 0};
    std::memcpy(data, positions, sizeof positions);
    mesh->UnlockVertexBuffer();
    ASSERT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
    const WORD indices[] = {0, 1, 2};
    std::memcpy(data, indices, sizeof indices);
    mesh->UnlockIndexBuffer();

    std::string path = TempPath("positions.x");
    ASSERT_EQ(
        D3DXSaveMeshToX(path.c_str(), mesh, nullptr, nullptr, nullptr, 0, D3DXF_FILEFORMAT_TEXT),
        D3D_OK);
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.find("MeshNormals"), std::string::npos);
    EXPECT_EQ(text.find("MeshMaterialList"), std::string::npos);

    Loaded loaded;
    ASSERT_EQ(Load(path, loaded), D3D_OK);
    ASSERT_EQ(loaded.vertices.size(), 3u);
    EXPECT_EQ(loaded.vertices[1].position, D3DXVECTOR3(0, 1, 0));
    EXPECT_EQ(loaded.vertices[1].normal, D3DXVECTOR3(0, 0, 0));
    ASSERT_EQ(loaded.materials.size(), 1u);
    EXPECT_EQ(loaded.materials[0].Diffuse.r, 1.0f);
    EXPECT_EQ(loaded.textures, (std::vector<std::string>{"(null)"}));

    // Attributes that name no given material, unknown format bits, a
    // folder that does not exist.
    D3DXMATERIAL material{};
    EXPECT_EQ(D3DXSaveMeshToX(path.c_str(), mesh, nullptr, &material, nullptr, 1, 0x10),
              D3DERR_INVALIDCALL);
    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
    attributes[0] = 1;
    mesh->UnlockAttributeBuffer();
    EXPECT_EQ(D3DXSaveMeshToX(path.c_str(), mesh, nullptr, &material, nullptr, 1, 0),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        D3DXSaveMeshToX((path + "_missing/x.x").c_str(), mesh, nullptr, nullptr, nullptr, 0, 0),
        E_FAIL);
    EXPECT_EQ(D3DXSaveMeshToX(path.c_str(), nullptr, nullptr, nullptr, nullptr, 0, 0),
              D3DERR_INVALIDCALL);
    ReleaseRef(mesh);
}

// More vertices than 16-bit indices reach: the mesh takes 32-bit indices
// on top of the options asked for.
TEST_F(LoadMeshFromXTest, LargeMeshesGet32BitIndices) {
    XMeshData big;
    const std::uint32_t columns = 300, rows = 230; // 69000 vertices
    for (std::uint32_t r = 0; r < rows; ++r)
        for (std::uint32_t c = 0; c < columns; ++c)
            big.vertices.push_back(
                {D3DXVECTOR3(float(c), float(r), 0), D3DXVECTOR3(0, 0, -1), D3DXVECTOR2(0, 0)});
    for (std::uint32_t r = 0; r + 1 < rows; ++r)
        for (std::uint32_t c = 0; c + 1 < columns; ++c) {
            std::uint32_t a = r * columns + c;
            big.indices.insert(big.indices.end(), {a, a + columns, a + 1});
            big.attributes.push_back(0);
        }
    big.materials.push_back(SampleMesh().materials[0]);
    big.hasNormals = true;

    Loaded loaded;
    ASSERT_EQ(Load(WriteTemp("big.x", big, XEncoding::Binary), loaded, D3DXMESH_SYSTEMMEM), D3D_OK);
    EXPECT_EQ(loaded.options, DWORD(D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT));
    EXPECT_EQ(loaded.vertices.size(), 69000u);
    EXPECT_EQ(loaded.indices, Values(big.indices));
}

// `\` separates directories as `/` does.
TEST_F(LoadMeshFromXTest, BackslashesSeparateDirectories) {
    std::string path = WriteTemp("slashes.x", SampleMesh(), XEncoding::BinaryCompressed);
    for (char& c : path)
        if (c == '/')
            c = '\\';
    Loaded loaded;
    EXPECT_EQ(Load(path, loaded), D3D_OK);
    EXPECT_EQ(loaded.vertices.size(), 8u);
}

TEST_F(LoadMeshFromXTest, FailuresLeaveNothingBehind) {
    Loaded loaded;
    EXPECT_EQ(Load(TempPath("missing.x"), loaded), E_FAIL);
    EXPECT_EQ(Load(::testing::TempDir(), loaded), E_FAIL); // a folder
    std::string notX = TempPath("notx.x");
    std::FILE* file = std::fopen(notX.c_str(), "wb");
    std::fputs("xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }\n", file);
    std::fclose(file);
    EXPECT_EQ(Load(notX, loaded), D3DXERR_INVALIDDATA);

    std::string good = WriteTemp("good.x", SampleMesh(), XEncoding::Text);
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXLoadMeshFromXA(nullptr, 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        D3DXLoadMeshFromXA(good.c_str(), 0, nullptr, nullptr, nullptr, nullptr, nullptr, &mesh),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    ID3DXBuffer* materials = nullptr;
    EXPECT_EQ(
        D3DXLoadMeshFromXA(good.c_str(), 0, device, nullptr, &materials, nullptr, nullptr, nullptr),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(materials, nullptr);
    // The bare minimum of outputs works.
    ASSERT_EQ(
        D3DXLoadMeshFromXA(good.c_str(), 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
        D3D_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
    ReleaseRef(mesh);
}
