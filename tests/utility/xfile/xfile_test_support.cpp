#include "xfile_test_support.h"

#include <cstring>
#include <fstream>
#include <iterator>

std::string DataPath(const std::string& relative) {
    return std::string(ZQ_SOURCE_DIR) + "/tests/utility/xfile/data/" + relative;
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

HRESULT ReadText(const std::string& text, XMeshData& mesh) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    return ReadXFile(bytes.data(), bytes.size(), nullptr, mesh);
}

//   3-----2   7-----6
//   |  0  |   |  1  |      two quads, material 0 and 1
//   0-----1   4-----5
XMeshData SampleMesh() {
    XMeshData mesh;
    const float odd[] = {0.1f, -0.0f, 1e-7f, 3.4e38f, 1.0f / 3.0f, -2.5e-39f, 16777217.0f, 7.0f};
    for (int i = 0; i < 8; ++i) {
        float x = float(i % 4 == 1 || i % 4 == 2) + (i >= 4 ? 2.0f : 0.0f);
        float y = float(i % 4 >= 2);
        XVertex v;
        v.position = D3DXVECTOR3(x + odd[i], y, odd[7 - i]);
        v.normal = D3DXVECTOR3(0, odd[i], -1);
        v.texcoord = D3DXVECTOR2(odd[(i + 3) % 8], y);
        mesh.vertices.push_back(v);
    }
    mesh.indices = {0, 2, 1, 0, 3, 2, 4, 6, 5, 4, 7, 6};
    mesh.attributes = {0, 0, 1, 1};
    XMaterial plain{};
    plain.colors.Diffuse = {0.25f, 0.5f, 0.75f, 1.0f};
    plain.colors.Specular = {0.1f, 0.2f, 0.3f, 1.0f};
    plain.colors.Emissive = {0.0f, 0.0f, 0.01f, 1.0f};
    plain.colors.Power = 12.5f;
    XMaterial textured = plain;
    textured.colors.Diffuse.a = 0.5f;
    textured.textureFile = "maps\\brick \"red\".png";
    mesh.materials = {plain, textured};
    mesh.hasNormals = true;
    mesh.hasTexcoords = true;
    return mesh;
}

namespace {

bool SameBits(const void* a, const void* b, size_t size) {
    return std::memcmp(a, b, size) == 0;
}

} // namespace

std::vector<std::uint32_t> Values(const LargeVector<std::uint32_t>& values) {
    return std::vector<std::uint32_t>(values.begin(), values.end());
}

::testing::AssertionResult SameMesh(const XMeshData& a, const XMeshData& b) {
    if (a.vertices.size() != b.vertices.size())
        return ::testing::AssertionFailure()
               << "vertices " << a.vertices.size() << " vs " << b.vertices.size();
    for (size_t i = 0; i < a.vertices.size(); ++i)
        if (!SameBits(&a.vertices[i], &b.vertices[i], sizeof(XVertex)))
            return ::testing::AssertionFailure() << "vertex " << i << " differs";
    if (a.indices != b.indices)
        return ::testing::AssertionFailure() << "indices differ";
    if (a.attributes != b.attributes)
        return ::testing::AssertionFailure() << "attributes differ";
    if (a.materials.size() != b.materials.size())
        return ::testing::AssertionFailure() << "material counts differ";
    for (size_t i = 0; i < a.materials.size(); ++i) {
        if (!SameBits(&a.materials[i].colors, &b.materials[i].colors, sizeof(D3DMATERIAL9)))
            return ::testing::AssertionFailure() << "material " << i << " colours differ";
        if (a.materials[i].textureFile != b.materials[i].textureFile)
            return ::testing::AssertionFailure() << "texture " << a.materials[i].textureFile
                                                 << " vs " << b.materials[i].textureFile;
    }
    return ::testing::AssertionSuccess();
}
