#include "mesh_test_support.h"

#include "framework/KvDX9.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

ShadingVertex FlatVertex(float x, float y, float u, float v) {
    return ShadingVertex{{x, y, 0}, {0, 0, -1}, {0, 0, 0}, {u, v}};
}

void MeshTest::SetUp() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch = fs::absolute(::testing::TempDir()).string() + "/zq_mesh_" + info->test_suite_name() +
              "_" + info->name() + "/";
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    previousDirectory = fs::current_path().string();
    fs::current_path(scratch);

    RecordingMeshFixture::SetUp();
    sharedDevice = device;
}

void MeshTest::TearDown() {
    sharedDevice = nullptr;
    RecordingMeshFixture::TearDown();
    fs::current_path(previousDirectory);
    fs::remove_all(scratch);
}

void MeshTest::WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    fs::path file(path);
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string MeshTest::DeepDirectory(size_t length) {
    std::string path;
    for (char name = 'a'; path.size() < length; ++name)
        path += std::string(200, name) + "/";
    return path;
}

void MeshTest::WriteTexture(const std::string& path, UINT width) {
    UINT rowBytes = (width * 3 + 3) & ~3u;
    UINT fileSize = 54 + rowBytes;
    std::vector<std::uint8_t> bmp(fileSize, 0x80);
    auto put32 = [&](size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = std::uint8_t(value >> (8 * i));
    };
    std::memset(bmp.data(), 0, 54);
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, fileSize);
    put32(10, 54);    // pixel data offset
    put32(14, 40);    // info header size
    put32(18, width); // width
    put32(22, 1);     // height
    bmp[26] = 1;      // planes
    bmp[28] = 24;     // bits per pixel
    put32(34, rowBytes);
    WriteFile(path, bmp);
}

UINT MeshTest::TextureWidth(IDirect3DTexture9* texture) {
    if (!texture)
        return 0;
    D3DSURFACE_DESC desc{};
    EXPECT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    return desc.Width;
}

void MeshTest::WriteXFile(const std::string& path, const std::vector<ShadingVertex>& vertices,
                          const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes,
                          const std::vector<MaterialRow>& materials, DWORD format) {
    DWORD options = vertices.size() > 0xFFFF ? D3DXMESH_32BIT | D3DXMESH_MANAGED : D3DXMESH_MANAGED;
    ID3DXMesh* mesh = MakeMesh(vertices, indices, options, attributes);
    ASSERT_NE(mesh, nullptr);
    std::vector<D3DXMATERIAL> records(materials.size());
    for (size_t i = 0; i < materials.size(); ++i) {
        records[i] = D3DXMATERIAL{};
        records[i].MatD3D.Diffuse = D3DCOLORVALUE{materials[i].red, 0.5f, 0.25f, 1};
        records[i].pTextureFilename = const_cast<LPSTR>(materials[i].texture);
    }
    fs::path file(path);
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    ASSERT_EQ(D3DXSaveMeshToX(path.c_str(), mesh, nullptr, records.data(), nullptr,
                              DWORD(records.size()), format),
              D3D_OK)
        << path;
}

void MeshTest::WriteTwoQuadFile(const std::string& path, const char* texture0,
                                const char* texture1) {
    // Each quad on its own vertices, u along +x, v down:
    //
    //   2---3/6---7
    //   | \ |  | \ |     faces (0, 2, 1), (1, 2, 3), (4, 6, 5), (5, 6, 7)
    //   0---1/4---5
    std::vector<ShadingVertex> vertices = {
        FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1), FlatVertex(0, 1, 0, 0),
        FlatVertex(1, 1, 1, 0), FlatVertex(1, 0, 0, 1), FlatVertex(2, 0, 1, 1),
        FlatVertex(1, 1, 0, 0), FlatVertex(2, 1, 1, 0),
    };
    std::vector<DWORD> indices = {0, 2, 1, 1, 2, 3, 4, 6, 5, 5, 6, 7};
    WriteXFile(path, vertices, indices, {0, 0, 1, 1}, {{0.25f, texture0}, {0.75f, texture1}});
}
