// A recording device fixture for mesh tests: meshes built from small literal
// tables in the fixture's vertex layout, read back through the interfaces,
// and released at the end of the test.
#pragma once

#include "tests/support/RecordingDeviceFixture.h"
#include "utility/d3dx9mesh.h"

#include <vector>

class RecordingMeshFixture : public RecordingDeviceFixture {
public:
    // Releases the meshes kept, then the device.
    void TearDown() override;

    // Released at the end of the test, once per call.
    ID3DXMesh* Keep(ID3DXMesh* mesh);

    static std::vector<DWORD> Indices(ID3DXMesh* mesh);
    static std::vector<DWORD> Attributes(ID3DXMesh* mesh);
    static ULONG RefCount(IUnknown* object);

    std::vector<ID3DXMesh*> kept;

protected:
    // A kept mesh of `layout` holding `vertexCount` vertices of `vertexSize`
    // bytes; attributes default to 0. Null when it cannot be made.
    ID3DXMesh* MakeMeshOfLayout(const D3DVERTEXELEMENT9* layout, const void* vertices,
                                size_t vertexCount, size_t vertexSize,
                                const std::vector<DWORD>& indices, DWORD options,
                                const std::vector<DWORD>& attributes);
    // Copies the vertex buffer, `size` bytes, to `out`.
    static void ReadVertexBytes(ID3DXMesh* mesh, void* out, size_t size);
};

// The fixture for one vertex type and the layout that describes it.
template <class Vertex, const D3DVERTEXELEMENT9* Layout>
class RecordingMeshFixtureOf : public RecordingMeshFixture {
public:
    ID3DXMesh* MakeMesh(const std::vector<Vertex>& vertices, const std::vector<DWORD>& indices,
                        DWORD options = D3DXMESH_MANAGED,
                        const std::vector<DWORD>& attributes = {}) {
        return MakeMeshOfLayout(Layout, vertices.data(), vertices.size(), sizeof(Vertex), indices,
                                options, attributes);
    }

    static std::vector<Vertex> Vertices(ID3DXMesh* mesh) {
        std::vector<Vertex> vertices(mesh->GetNumVertices());
        ReadVertexBytes(mesh, vertices.data(), vertices.size() * sizeof(Vertex));
        return vertices;
    }
};
