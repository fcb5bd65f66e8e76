// D3DXSaveMeshToX: the mesh's positions, normals, first texture
// coordinates, faces and materials written as one X file.
#include "utility/d3dx9mesh.h"

#include "utility/core/file_bytes.h"
#include "utility/mesh/mesh_access.h"
#include "utility/mesh/vertex_declaration.h"
#include "utility/mesh/vertex_element.h"
#include "utility/xfile/xfile_writer.h"

#include <new>

namespace {

constexpr DWORD KnownFormatBits =
    D3DXF_FILEFORMAT_TEXT | D3DXF_FILEFORMAT_COMPRESSED | D3DXF_FILEFORMAT_FLOAT64;

XEncoding EncodingOf(DWORD format) {
    bool text = (format & D3DXF_FILEFORMAT_TEXT) != 0;
    if (format & D3DXF_FILEFORMAT_COMPRESSED)
        return text ? XEncoding::TextCompressed : XEncoding::BinaryCompressed;
    return text ? XEncoding::Text : XEncoding::Binary;
}

D3DXVECTOR3 Vec3(const D3DXVECTOR4& v) {
    return D3DXVECTOR3(v.x, v.y, v.z);
}

HRESULT ReadVertices(ID3DXMesh* mesh, XMeshData& data) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    HRESULT hr = mesh->GetDeclaration(declaration);
    if (FAILED(hr))
        return hr;
    const D3DVERTEXELEMENT9* position = FindVertexElement(declaration, D3DDECLUSAGE_POSITION, 0);
    const D3DVERTEXELEMENT9* normal = FindVertexElement(declaration, D3DDECLUSAGE_NORMAL, 0);
    const D3DVERTEXELEMENT9* texcoord = FindVertexElement(declaration, D3DDECLUSAGE_TEXCOORD, 0);
    if (!position)
        return D3DXERR_INVALIDMESH;
    data.hasNormals = normal != nullptr;
    data.hasTexcoords = texcoord != nullptr;

    MeshLock lock(mesh, MeshBuffer::Vertices, D3DLOCK_READONLY);
    if (FAILED(lock.Result()))
        return lock.Result();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    data.vertices.resize(mesh->GetNumVertices());
    for (size_t i = 0; i < data.vertices.size(); ++i) {
        const BYTE* vertex = lock.Bytes() + i * stride;
        XVertex& out = data.vertices[i];
        out = XVertex{};
        out.position = Vec3(ReadVertexElement(position->Type, vertex + position->Offset));
        if (normal)
            out.normal = Vec3(ReadVertexElement(normal->Type, vertex + normal->Offset));
        if (texcoord) {
            D3DXVECTOR4 uv = ReadVertexElement(texcoord->Type, vertex + texcoord->Offset);
            out.texcoord = D3DXVECTOR2(uv.x, uv.y);
        }
    }
    return D3D_OK;
}

// Faces, and attributes that must each name one of the materials (when
// there are any: without materials the file gets no material list).
HRESULT ReadFaces(ID3DXMesh* mesh, DWORD numMaterials, XMeshData& data) {
    HRESULT hr = ReadIndices(mesh, data.indices);
    if (FAILED(hr))
        return hr;
    for (std::uint32_t index : data.indices)
        if (index >= data.vertices.size())
            return D3DXERR_INVALIDMESH;

    MeshLock lock(mesh, MeshBuffer::Attributes, D3DLOCK_READONLY);
    if (FAILED(lock.Result()))
        return lock.Result();
    data.attributes.assign(lock.Words(), lock.Words() + mesh->GetNumFaces());
    if (numMaterials)
        for (std::uint32_t attribute : data.attributes)
            if (attribute >= numMaterials)
                return D3DERR_INVALIDCALL;
    return D3D_OK;
}

void CopyMaterials(const D3DXMATERIAL* materials, DWORD numMaterials, XMeshData& data) {
    data.materials.resize(numMaterials);
    for (DWORD i = 0; i < numMaterials; ++i) {
        data.materials[i].colors = materials[i].MatD3D;
        if (materials[i].pTextureFilename)
            data.materials[i].textureFile = materials[i].pTextureFilename;
    }
}

HRESULT Save(LPCSTR filename, ID3DXMesh* mesh, const D3DXMATERIAL* materials, DWORD numMaterials,
             DWORD format) {
    XMeshData data;
    HRESULT hr = ReadVertices(mesh, data);
    if (SUCCEEDED(hr))
        hr = ReadFaces(mesh, numMaterials, data);
    if (FAILED(hr))
        return hr;
    CopyMaterials(materials, numMaterials, data);

    int floatBytes = (format & D3DXF_FILEFORMAT_FLOAT64) ? 8 : 4;
    std::vector<std::uint8_t> bytes;
    if (!WriteXFile(data, EncodingOf(format), floatBytes, bytes))
        return E_FAIL;
    return WriteFileBytes(filename, bytes);
}

} // namespace

// Adjacency and effect instances have no place in the file this writes.
HRESULT D3DXSaveMeshToX(LPCSTR filename, ID3DXMesh* mesh, const DWORD* /*adjacency*/,
                        const D3DXMATERIAL* materials,
                        const D3DXEFFECTINSTANCE* /*effectInstances*/, DWORD numMaterials,
                        DWORD format) {
    if (!filename || !mesh || (numMaterials && !materials) || (format & ~KnownFormatBits))
        return D3DERR_INVALIDCALL;
    try {
        return Save(filename, mesh, materials, numMaterials, format);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
