#include "text_to_encoding.h"
#include "xfile_test_support.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/xfile/xfile_writer.h"

namespace {

struct Encoding {
    XEncoding encoding;
    int floatBytes;
};

const Encoding kEncodings[] = {
    {XEncoding::Text, 4},
    {XEncoding::Text, 8},
    {XEncoding::Binary, 4},
    {XEncoding::Binary, 8},
    {XEncoding::TextCompressed, 4},
    {XEncoding::TextCompressed, 8},
    {XEncoding::BinaryCompressed, 4},
    {XEncoding::BinaryCompressed, 8},
};

std::string Describe(const Encoding& e) {
    return std::string(XEncodingName(e.encoding)) + (e.floatBytes == 8 ? " 64" : " 32");
}

std::vector<std::uint8_t> Write(const XMeshData& mesh, const Encoding& e) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(WriteXFile(mesh, e.encoding, e.floatBytes, bytes));
    return bytes;
}

// A strip of `quads` quads along x, two triangles each.
XMeshData Strip(int quads) {
    XMeshData mesh;
    for (int i = 0; i <= quads; ++i)
        for (int j = 0; j < 2; ++j) {
            XVertex v{};
            v.position = D3DXVECTOR3(float(i) * 0.37f, float(j), float(i % 7) / 3.0f);
            v.normal = D3DXVECTOR3(0, 0, -1);
            v.texcoord = D3DXVECTOR2(float(i) / float(quads), float(j));
            mesh.vertices.push_back(v);
        }
    for (std::uint32_t i = 0; i < std::uint32_t(quads); ++i) {
        std::uint32_t a = 2 * i, b = 2 * i + 2, c = 2 * i + 3, d = 2 * i + 1;
        mesh.indices.insert(mesh.indices.end(), {a, d, c, a, c, b});
        mesh.attributes.insert(mesh.attributes.end(), {0, 0});
    }
    XMaterial material{};
    material.colors.Diffuse = {1, 1, 1, 1};
    material.colors.Specular = {0, 0, 0, 1}; // the file keeps no alpha here
    material.colors.Emissive = {0, 0, 0, 1};
    mesh.materials.push_back(material);
    mesh.hasNormals = true;
    mesh.hasTexcoords = true;
    return mesh;
}

// Every index and attribute in range: what a reader that accepted
// damaged input must still guarantee.
void ExpectConsistent(const XMeshData& mesh) {
    for (std::uint32_t index : mesh.indices)
        ASSERT_LT(index, mesh.vertices.size());
    for (std::uint32_t attribute : mesh.attributes)
        ASSERT_LT(attribute, mesh.materials.size());
    ASSERT_EQ(mesh.indices.size(), 3 * mesh.attributes.size());
}

} // namespace

TEST(XFileEncodingTest, EveryEncodingReadsBackTheSameMesh) {
    const XMeshData original = SampleMesh();
    for (const Encoding& e : kEncodings) {
        SCOPED_TRACE(Describe(e));
        std::vector<std::uint8_t> bytes = Write(original, e);
        XFileHeader header;
        XMeshData mesh;
        ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), &header, mesh), D3D_OK);
        EXPECT_EQ(header.encoding, e.encoding);
        EXPECT_EQ(header.floatBytes, e.floatBytes);
        EXPECT_EQ(header.minorVersion, 3);
        EXPECT_TRUE(SameMesh(mesh, original));
    }
}

TEST(XFileEncodingTest, MeshesWithoutNormalsTexcoordsOrMaterialsReadBackWithDefaults) {
    XMeshData bare = SampleMesh();
    bare.hasNormals = false;
    bare.hasTexcoords = false;
    bare.materials.clear();
    bare.attributes.assign(bare.attributes.size(), 0);
    for (const Encoding& e : kEncodings) {
        SCOPED_TRACE(Describe(e));
        std::vector<std::uint8_t> bytes = Write(bare, e);
        XMeshData mesh;
        ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, mesh), D3D_OK);
        ASSERT_EQ(mesh.vertices.size(), bare.vertices.size());
        EXPECT_FALSE(mesh.hasNormals);
        EXPECT_EQ(mesh.vertices[3].normal, D3DXVECTOR3(0, 0, 0));
        EXPECT_EQ(mesh.vertices[3].texcoord, D3DXVECTOR2(0, 0));
        EXPECT_EQ(mesh.vertices[3].position, bare.vertices[3].position);
        ASSERT_EQ(mesh.materials.size(), 1u);
        EXPECT_EQ(mesh.materials[0].colors.Diffuse.b, 1.0f);
    }
}

// A body of several MSZIP blocks, each inflated with the one before as its
// dictionary.
TEST(XFileEncodingTest, CompressedFilesSpanSeveralBlocks) {
    const XMeshData strip = Strip(4000);
    for (XEncoding encoding : {XEncoding::TextCompressed, XEncoding::BinaryCompressed}) {
        SCOPED_TRACE(XEncodingName(encoding));
        std::vector<std::uint8_t> bytes = Write(strip, {encoding, 4});
        size_t blocks = 0;
        for (size_t at = XFileHeaderSize + XFileCompressedSizeField; at + 4 <= bytes.size();
             ++blocks)
            at += 4 + (bytes[at + 2] | bytes[at + 3] << 8);
        EXPECT_GT(blocks, 2u);
        XMeshData mesh;
        ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, mesh), D3D_OK);
        EXPECT_TRUE(SameMesh(mesh, strip));

        // A declared size that disagrees with the blocks fails.
        bytes[XFileHeaderSize] ^= 1;
        EXPECT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, mesh), D3DXERR_INVALIDDATA);
    }
}

// Each prefix goes into a buffer of exactly its size, so that a read past
// the end is seen by AddressSanitizer.
TEST(XFileEncodingTest, EveryTruncationFailsCleanly) {
    const XMeshData original = SampleMesh();
    for (const Encoding& e : kEncodings) {
        SCOPED_TRACE(Describe(e));
        std::vector<std::uint8_t> bytes = Write(original, e);
        // Text may lose its trailing line end and still be whole.
        size_t whole = bytes.size();
        while (IsText(e.encoding) && !IsCompressed(e.encoding) && bytes[whole - 1] == '\n')
            --whole;
        for (size_t length = 0; length < whole; ++length) {
            std::vector<std::uint8_t> prefix(bytes.begin(), bytes.begin() + long(length));
            XMeshData mesh;
            ASSERT_EQ(ReadXFile(prefix.data(), prefix.size(), nullptr, mesh), D3DXERR_INVALIDDATA)
                << "prefix of " << length << " bytes";
            ASSERT_TRUE(mesh.vertices.empty());
        }
    }
}

// Damage each byte of the binary forms: the reader may fail or, where the
// damage lands in a value, succeed, but never reads out of bounds and never
// hands out an index out of range.
TEST(XFileEncodingTest, DamagedBytesNeverBreakTheReader) {
    const XMeshData original = SampleMesh();
    for (XEncoding encoding : {XEncoding::Binary, XEncoding::BinaryCompressed, XEncoding::Text}) {
        SCOPED_TRACE(XEncodingName(encoding));
        const std::vector<std::uint8_t> bytes = Write(original, {encoding, 4});
        for (size_t at = 0; at < bytes.size(); ++at) {
            for (std::uint8_t value :
                 {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(bytes[at] + 1)}) {
                std::vector<std::uint8_t> damaged = bytes;
                damaged[at] = value;
                XMeshData mesh;
                if (ReadXFile(damaged.data(), damaged.size(), nullptr, mesh) == D3D_OK)
                    ExpectConsistent(mesh);
                else
                    ASSERT_TRUE(mesh.vertices.empty());
            }
        }
    }
}

// A failure names its place: the line of plain text, the byte of a binary
// file, the byte of the inflated body of a compressed one.
TEST(XFileEncodingTest, AFailureNamesItsPlaceInEachEncoding) {
    const std::string body = "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;;\n"
                             " 1; 3;0,1,3;; }\n";
    const struct {
        XEncoding encoding;
        const char* reason;
    } cases[] = {
        {XEncoding::Text, "line 2: Mesh: vertex index 3 past the 3 vertices"},
        {XEncoding::Binary, "byte 102: Mesh: vertex index 3 past the 3 vertices"},
        {XEncoding::TextCompressed,
         "byte 62 of the inflated body: Mesh: vertex index 3 past the 3 vertices"},
        {XEncoding::BinaryCompressed,
         "byte 86 of the inflated body: Mesh: vertex index 3 past the 3 vertices"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(XEncodingName(c.encoding));
        std::vector<std::uint8_t> bytes = EncodeXText(body, c.encoding);
        ClearLoadFailure();
        XMeshData mesh;
        EXPECT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, mesh), D3DXERR_INVALIDDATA);
        EXPECT_STREQ(LoadFailure(), c.reason);
    }
    ClearLoadFailure();
}
