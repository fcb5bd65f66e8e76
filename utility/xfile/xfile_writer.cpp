#include "utility/xfile/xfile_writer.h"

#include "utility/xfile/mszip.h"
#include "utility/xfile/xfile_sinks.h"

#include <cstddef>

namespace {

constexpr int XVertexFloats = sizeof(XVertex) / sizeof(float);
constexpr int CurrentMinorVersion = 3;

const float* VertexFloats(const XMeshData& mesh, size_t memberOffset) {
    const char* first = reinterpret_cast<const char*>(mesh.vertices.data());
    return reinterpret_cast<const float*>(first + memberOffset);
}

void WriteMaterial(const XMaterial& material, XSink& sink) {
    const D3DMATERIAL9& c = material.colors;
    const float faceColor[4] = {c.Diffuse.r, c.Diffuse.g, c.Diffuse.b, c.Diffuse.a};
    const float specular[3] = {c.Specular.r, c.Specular.g, c.Specular.b};
    const float emissive[3] = {c.Emissive.r, c.Emissive.g, c.Emissive.b};
    sink.Open("Material");
    sink.Floats(faceColor, 4);
    sink.Floats(&c.Power, 1);
    sink.Floats(specular, 3);
    sink.Floats(emissive, 3);
    if (!material.textureFile.empty()) {
        sink.Open("TextureFilename");
        sink.String(material.textureFile);
        sink.Close();
    }
    sink.Close();
}

void WriteMesh(const XMeshData& mesh, XSink& sink) {
    std::uint32_t vertexCount = std::uint32_t(mesh.vertices.size());
    std::uint32_t triangleCount = std::uint32_t(mesh.TriangleCount());
    sink.Open("Mesh");
    sink.Dword(vertexCount);
    sink.Records(VertexFloats(mesh, offsetof(XVertex, position)), vertexCount, 3, XVertexFloats);
    sink.Dword(triangleCount);
    sink.Triangles(mesh.indices.data(), triangleCount);
    if (mesh.hasNormals) {
        // Normals one a vertex, so the normal faces are the faces.
        sink.Open("MeshNormals");
        sink.Dword(vertexCount);
        sink.Records(VertexFloats(mesh, offsetof(XVertex, normal)), vertexCount, 3, XVertexFloats);
        sink.Dword(triangleCount);
        sink.Triangles(mesh.indices.data(), triangleCount);
        sink.Close();
    }
    if (mesh.hasTexcoords) {
        sink.Open("MeshTextureCoords");
        sink.Dword(vertexCount);
        sink.Records(VertexFloats(mesh, offsetof(XVertex, texcoord)), vertexCount, 2,
                     XVertexFloats);
        sink.Close();
    }
    if (!mesh.materials.empty()) {
        sink.Open("MeshMaterialList");
        sink.Dword(std::uint32_t(mesh.materials.size()));
        sink.Dword(triangleCount);
        sink.Dwords(mesh.attributes.data(), triangleCount);
        for (const XMaterial& material : mesh.materials)
            WriteMaterial(material, sink);
        sink.Close();
    }
    sink.Close();
}

std::vector<std::uint8_t> Body(const XMeshData& mesh, bool text, int floatBytes) {
    std::vector<std::uint8_t> body;
    if (text) {
        std::string out;
        TextSink sink(floatBytes, out);
        WriteMesh(mesh, sink);
        body.assign(out.begin(), out.end());
    } else {
        BinarySink sink(floatBytes, body);
        WriteMesh(mesh, sink);
        sink.Flush();
    }
    return body;
}

void AppendDword(std::vector<std::uint8_t>& out, size_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

} // namespace

bool WriteXFile(const XMeshData& mesh, XEncoding encoding, int floatBytes,
                std::vector<std::uint8_t>& out) {
    XFileHeader header{CurrentMinorVersion, encoding, floatBytes};
    char headerText[XFileHeaderSize];
    FormatXFileHeader(header, headerText);
    out.assign(headerText, headerText + XFileHeaderSize);

    std::vector<std::uint8_t> body = Body(mesh, IsText(encoding), floatBytes);
    if (!IsCompressed(encoding)) {
        out.insert(out.end(), body.begin(), body.end());
        return true;
    }
    // The size field counts the header as well as the inflated body.
    if (body.size() > 0xFFFFFFFFu - XFileHeaderSize)
        return false;
    AppendDword(out, body.size() + XFileHeaderSize);
    return DeflateMszip(body.data(), body.size(), out);
}
