#include "tests/support/RecordingMeshFixture.h"

#include <cstring>

void RecordingMeshFixture::TearDown() {
    for (ID3DXMesh* mesh : kept)
        mesh->Release();
    kept.clear();
    RecordingDeviceFixture::TearDown();
}

ID3DXMesh* RecordingMeshFixture::Keep(ID3DXMesh* mesh) {
    if (mesh)
        kept.push_back(mesh);
    return mesh;
}

ID3DXMesh* RecordingMeshFixture::MakeMeshOfLayout(const D3DVERTEXELEMENT9* layout,
                                                  const void* vertices, size_t vertexCount,
                                                  size_t vertexSize,
                                                  const std::vector<DWORD>& indices, DWORD options,
                                                  const std::vector<DWORD>& attributes) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateMesh(DWORD(indices.size() / 3), DWORD(vertexCount), options, layout, device,
                             &mesh),
              D3D_OK);
    if (!mesh)
        return nullptr;
    Keep(mesh);
    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
    std::memcpy(data, vertices, vertexCount * vertexSize);
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

void RecordingMeshFixture::ReadVertexBytes(ID3DXMesh* mesh, void* out, size_t size) {
    void* data = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    std::memcpy(out, data, size);
    mesh->UnlockVertexBuffer();
}

std::vector<DWORD> RecordingMeshFixture::Indices(ID3DXMesh* mesh) {
    std::vector<DWORD> indices(size_t(mesh->GetNumFaces()) * 3);
    void* data = nullptr;
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    for (size_t i = 0; i < indices.size(); ++i)
        indices[i] = (mesh->GetOptions() & D3DXMESH_32BIT) ? static_cast<DWORD*>(data)[i]
                                                           : static_cast<WORD*>(data)[i];
    mesh->UnlockIndexBuffer();
    return indices;
}

std::vector<DWORD> RecordingMeshFixture::Attributes(ID3DXMesh* mesh) {
    DWORD* data = nullptr;
    EXPECT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    std::vector<DWORD> attributes(data, data + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    return attributes;
}

ULONG RecordingMeshFixture::RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}
