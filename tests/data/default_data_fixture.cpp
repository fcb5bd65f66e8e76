#include "default_data_fixture.h"

#include "utility/d3dx9tex.h"

#include <cstring>
#include <fstream>
#include <iterator>

std::string DataPath(const std::string& name) {
    return std::string(ZQ_SOURCE_DIR) + "/data/" + name;
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

void DefaultDataTest::TearDown() {
    ReleaseRef(mesh);
    RecordingDeviceFixture::TearDown();
}

void DefaultDataTest::LoadModel(const std::string& name, LoadedModel& model) {
    ReleaseRef(mesh);
    ID3DXBuffer* materials = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXA(DataPath(name).c_str(), 0, device, nullptr, &materials, nullptr,
                                 &model.materialCount, &mesh),
              D3D_OK)
        << name;
    materials->Release();
    ASSERT_EQ(mesh->GetNumBytesPerVertex(), sizeof(LoadedModel::Vertex));

    void* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    model.vertices.resize(mesh->GetNumVertices());
    std::memcpy(model.vertices.data(), data, model.vertices.size() * sizeof(LoadedModel::Vertex));
    mesh->UnlockVertexBuffer();

    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    model.indices.resize(std::size_t(mesh->GetNumFaces()) * 3);
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (std::size_t i = 0; i < model.indices.size(); ++i)
        model.indices[i] = wide ? static_cast<const std::uint32_t*>(data)[i]
                                : static_cast<const std::uint16_t*>(data)[i];
    mesh->UnlockIndexBuffer();
}

void DefaultDataTest::LoadTexture(const std::string& name, TexelGrid& grid) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, DataPath(name).c_str(), &texture), D3D_OK) << name;
    D3DSURFACE_DESC desc;
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8) << name;
    grid.width = desc.Width;
    grid.height = desc.Height;
    D3DLOCKED_RECT locked;
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    grid.texels.clear();
    for (UINT y = 0; y < desc.Height; ++y) {
        auto* row = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch);
        grid.texels.insert(grid.texels.end(), row, row + desc.Width);
    }
    texture->UnlockRect(0);
    texture->Release();
}
