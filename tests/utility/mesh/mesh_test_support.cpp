#include "mesh_test_support.h"

#include "platform/d3d9/com.h"

#include <cstring>

const D3DVERTEXELEMENT9 kShadingLayout[5] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

ShadingVertex FlatVertex(float x, float y, float u, float v) {
    return ShadingVertex{{x, y, 0}, {0, 0, 1}, {0, 0, 0}, {u, v}};
}

void MeshFixture::SetUp() {
    startObjects = LiveDirect3DObjects();
    root = new RecordingDirect3D9;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 64;
    pp.BackBufferHeight = 48;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    ASSERT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                 &pp, &device),
              D3D_OK);
    recording = root->lastDevice;
}

void MeshFixture::TearDown() {
    for (ID3DXMesh* mesh : kept)
        mesh->Release();
    kept.clear();
    ReleaseRef(device);
    ReleaseRef(root);
    EXPECT_EQ(LiveDirect3DObjects(), startObjects);
}

ID3DXMesh* MeshFixture::Keep(ID3DXMesh* mesh) {
    if (mesh)
        kept.push_back(mesh);
    return mesh;
}

ID3DXMesh* MeshFixture::MakeMesh(const std::vector<ShadingVertex>& vertices,
                                 const std::vector<DWORD>& indices, DWORD options,
                                 const std::vector<DWORD>& attributes) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMesh(DWORD(indices.size() / 3), DWORD(vertices.size()), options,
                             kShadingLayout, device, &mesh),
              D3D_OK);
    if (!mesh)
        return nullptr;
    Keep(mesh);
    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(ShadingVertex));
    mesh->UnlockVertexBuffer();
    EXPECT_EQ(mesh->LockIndexBuffer(0, &data), D3D_OK);
    for (size_t i = 0; i < indices.size(); ++i)
        if (options & D3DXMESH_32BIT)
            static_cast<DWORD*>(data)[i] = indices[i];
        else
            static_cast<WORD*>(data)[i] = WORD(indices[i]);
    mesh->UnlockIndexBuffer();
    DWORD* attributeData = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(0, &attributeData), D3D_OK);
    for (size_t f = 0; f < attributes.size(); ++f)
        attributeData[f] = attributes[f];
    mesh->UnlockAttributeBuffer();
    return mesh;
}

ID3DXMesh* MeshFixture::MakePositionMesh(const std::vector<D3DXVECTOR3>& positions,
                                         const std::vector<DWORD>& indices, DWORD options) {
    std::vector<ShadingVertex> vertices;
    for (const D3DXVECTOR3& p : positions)
        vertices.push_back(ShadingVertex{p, {0, 0, 1}, {0, 0, 0}, {0, 0}});
    return MakeMesh(vertices, indices, options);
}

std::vector<ShadingVertex> MeshFixture::Vertices(ID3DXMesh* mesh) {
    std::vector<ShadingVertex> vertices(mesh->GetNumVertices());
    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    std::memcpy(vertices.data(), data, vertices.size() * sizeof(ShadingVertex));
    mesh->UnlockVertexBuffer();
    return vertices;
}

std::vector<DWORD> MeshFixture::Indices(ID3DXMesh* mesh) {
    std::vector<DWORD> indices(size_t(mesh->GetNumFaces()) * 3);
    void* data = nullptr;
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = (mesh->GetOptions() & D3DXMESH_32BIT) ? static_cast<DWORD*>(data)[i]
                                                           : static_cast<WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return indices;
}

std::vector<DWORD> MeshFixture::Attributes(ID3DXMesh* mesh) {
    DWORD* data = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    std::vector<DWORD> attributes(data, data + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return attributes;
}

ULONG MeshFixture::RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}
