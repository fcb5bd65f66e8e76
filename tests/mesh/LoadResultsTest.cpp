// The loader's results do not change when it is made faster: digests of the
// mesh that D3DXLoadMeshFromXA reads and of the mesh slot that LoadMeshSlot
// prepares, for the real files of the test data, the default data and
// generated models in every encoding, against the digests of the code that
// first passed these tests.
#include "mesh_test_support.h"

#include "mesh/MeshSlot.h"
#include "tools/common/height_field.h"
#include "utility/xfile/xfile_writer.h"

#include <cstring>
#include <string>

namespace {

// FNV-1a, 64 bits.
class Digest {
public:
    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        for (size_t i = 0; i < size; ++i)
            hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    }
    template <class T>
    void Add(const T& value) {
        Add(&value, sizeof value);
    }
    void Add(const char* text) { Add(text, text ? std::strlen(text) + 1 : 0); }
    void Add(ID3DXMesh* mesh);

    std::uint64_t hash = 0xcbf29ce484222325ull;
};

template <class Lock, class Unlock>
void AddLocked(Digest& digest, Lock lock, Unlock unlock, size_t size) {
    void* data = nullptr;
    ASSERT_EQ(lock(&data), D3D_OK);
    digest.Add(data, size);
    unlock();
}

// Layout, options, vertices, indices, attributes and attribute table.
void Digest::Add(ID3DXMesh* mesh) {
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(mesh->GetDeclaration(declaration), D3D_OK);
    Add(declaration, sizeof(D3DVERTEXELEMENT9) * (D3DXGetDeclLength(declaration) + 1));
    Add(mesh->GetOptions());
    Add(mesh->GetNumVertices());
    Add(mesh->GetNumFaces());
    size_t indexSize = (mesh->GetOptions() & D3DXMESH_32BIT) ? 4 : 2;
    AddLocked(
        *this, [&](void** data) { return mesh->LockVertexBuffer(D3DLOCK_READONLY, data); },
        [&] { mesh->UnlockVertexBuffer(); },
        size_t(mesh->GetNumVertices()) * mesh->GetNumBytesPerVertex());
    AddLocked(
        *this, [&](void** data) { return mesh->LockIndexBuffer(D3DLOCK_READONLY, data); },
        [&] { mesh->UnlockIndexBuffer(); }, size_t(mesh->GetNumFaces()) * 3 * indexSize);
    std::vector<DWORD> attributes = RecordingMeshFixture::Attributes(mesh);
    Add(attributes.data(), attributes.size() * sizeof(DWORD));
    DWORD ranges = 0;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &ranges), D3D_OK);
    std::vector<D3DXATTRIBUTERANGE> table(ranges);
    ASSERT_EQ(mesh->GetAttributeTable(table.data(), &ranges), D3D_OK);
    Add(table.data(), table.size() * sizeof(D3DXATTRIBUTERANGE));
}

struct Expected {
    const char* file;
    std::uint64_t load; // D3DXLoadMeshFromXA with materials and adjacency
    std::uint64_t slot; // LoadMeshSlot
};

// Frames with transforms, polygons of four and five corners, normals that
// split positions, a material list shorter than the faces, a material
// declared at the top and referenced by name, and a second mesh without
// materials.
const char kHandWritten[] = R"(xof 0303txt 0032
template Unused { <11111111-2222-3333-4444-555555555555> DWORD x; }
Material Shared { 0.5;0.25;0.125;1.0;; 8.0; 0.1;0.2;0.3;; 0.0;0.0;0.0;; TextureFilename { "t.png"; } }
# a comment
Frame Outer {
  FrameTransformMatrix { 2,0,0,0, 0,1,0,0, 0,0,1,0, 1,2,3,1;; }
  Frame Inner {
    FrameTransformMatrix { 0,1,0,0, -1,0,0,0, 0,0,1,0, 0,0,0,1;; }
    Mesh Polygons {
      7;
      0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;, 2;1;0;, 1.5;2;0.5;;
      3;
      4;0,1,2,3;,
      5;1,4,5,6,2;,
      3;3,2,6;;
      MeshNormals {
        4;
        0;0;1;, 0;0;-1;, 0.6;0;0.8;, 0;0;1;;
        3;
        4;0,0,0,0;,
        5;2,2,2,2,1;,
        3;3,1,0;;
      }
      MeshTextureCoords { 7; 0;0;, 1;0;, 1;1;, 0;1;, 2;0;, 2;1;, 1.5;2;; }
      MeshMaterialList {
        2; 2; 1, 0;;
        { Shared }
        Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }
      }
    }
  }
}
Mesh Loose {
  4;
  5;0;0;, 6;0;0;, 6;1;0;, 5;1;0;;
  2;
  3;0,2,1;,
  3;0,3,2;;
}
)";

// The height field with u mirrored every 8 columns, so that the repair
// rebuilds the tangents of every mirror column.
XMeshData MirroredField(std::uint32_t side) {
    XMeshData mesh = HeightField(side);
    for (std::uint32_t y = 0; y < side; ++y)
        for (std::uint32_t x = 0; x < side; ++x) {
            std::uint32_t phase = x % 16;
            mesh.vertices[size_t(y) * side + x].texcoord.x =
                float(phase <= 8 ? phase : 16 - phase) / 8;
        }
    return mesh;
}

class LoadResultsTest : public MeshTest {
protected:
    void SetUp() override {
        MeshTest::SetUp();
        WriteFile("handwritten.x",
                  std::vector<std::uint8_t>(kHandWritten, kHandWritten + sizeof kHandWritten - 1));
        WriteGenerated("field", HeightField(72),
                       {XEncoding::Text, XEncoding::Binary, XEncoding::TextCompressed,
                        XEncoding::BinaryCompressed},
                       4);
        WriteGenerated("field64", HeightField(40), {XEncoding::Text, XEncoding::Binary}, 8);
        WriteGenerated("wide", HeightField(260), {XEncoding::Binary}, 4);
        WriteGenerated("mirrored", MirroredField(90), {XEncoding::Text}, 4);
    }

    void WriteGenerated(const std::string& name, const XMeshData& mesh,
                        std::vector<XEncoding> encodings, int floatBytes) {
        for (XEncoding encoding : encodings) {
            std::vector<std::uint8_t> bytes;
            ASSERT_TRUE(::WriteXFile(mesh, encoding, floatBytes, bytes));
            WriteFile(name + "_" + XEncodingName(encoding) + ".x", bytes);
        }
    }

    static std::string Source(const char* file) {
        return file[0] == '@' ? std::string(ZQ_SOURCE_DIR) + "/" + (file + 1) : std::string(file);
    }

    std::uint64_t LoadDigest(const std::string& path) {
        Digest digest;
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        DWORD count = 0;
        HRESULT hr = D3DXLoadMeshFromXA(path.c_str(), 0, device, &adjacency, &materials, nullptr,
                                        &count, &mesh);
        digest.Add(hr);
        if (FAILED(hr))
            return digest.hash;
        digest.Add(mesh);
        digest.Add(count);
        const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
        for (DWORD i = 0; i < count; ++i) {
            digest.Add(records[i].MatD3D);
            digest.Add(static_cast<const char*>(records[i].pTextureFilename));
        }
        digest.Add(adjacency->GetBufferPointer(), adjacency->GetBufferSize());
        adjacency->Release();
        materials->Release();
        mesh->Release();
        return digest.hash;
    }

    std::uint64_t SlotDigest(const std::string& path) {
        Digest digest;
        MeshObj slot;
        digest.Add(LoadMeshSlot(device, slot, path.c_str()));
        if (slot.mesh)
            digest.Add(slot.mesh);
        digest.Add(slot.materialCount);
        for (DWORD i = 0; i < slot.materialCount; ++i) {
            digest.Add(slot.materials[i]);
            digest.Add(slot.materialTextures[i] != nullptr);
        }
        return digest.hash;
    }
};

const Expected kExpected[] = {
    {"@tests/utility/xfile/data/assimp_bad_bzip/bad_bzip.x", 0x0c1392552145ea4bull,
     0xe4bc4fd9252be94full},
    {"@tests/utility/xfile/data/assimp_bad_skinweights/bad_skinweights.x", 0x30da37751ccd832aull,
     0x031484ca9bd25fa5ull},
    {"@tests/utility/xfile/data/assimp_cube_bin/cube_bin.x", 0xf4a9753d0fc59ee8ull,
     0x2a8218b6c9b1cc03ull},
    {"@tests/utility/xfile/data/assimp_cube_bzip/cube_bzip.x", 0xf4a9753d0fc59ee8ull,
     0x2a8218b6c9b1cc03ull},
    {"@tests/utility/xfile/data/assimp_cube_text/cube_text.x", 0x30da37751ccd832aull,
     0x031484ca9bd25fa5ull},
    {"@tests/utility/xfile/data/assimp_kwxport/kwxport_vcolors.x", 0x6e50e27565aaeaabull,
     0xdb06384e2e3096d4ull},
    {"@tests/utility/xfile/data/assimp_maya/maya_test.x", 0xb7812abffa31ae06ull,
     0xe47b024b190e7900ull},
    {"@tests/utility/xfile/data/b3d_pistol/pistol.x", 0x0f89a574a51446a3ull, 0xb6391e378344120full},
    {"@tests/utility/xfile/data/jiji/jiji.x", 0x40365aa21fa35ab8ull, 0xbdb534c128e9836aull},
    {"@data/skin.x", 0x7ba275fb33a44712ull, 0x9dc8b725788ca8fbull},
    {"@data/solid.x", 0x88036c3df944ec1aull, 0xe5f4cb4ce64ff2adull},
    {"handwritten.x", 0xfb98058cc69d67cfull, 0x12bcf5b575c04e93ull},
    {"field_text.x", 0xd25bf21f4e64231bull, 0xfb123f260f8eaadaull},
    {"field_binary.x", 0xd25bf21f4e64231bull, 0xfb123f260f8eaadaull},
    {"field_tzip.x", 0xd25bf21f4e64231bull, 0xfb123f260f8eaadaull},
    {"field_bzip.x", 0xd25bf21f4e64231bull, 0xfb123f260f8eaadaull},
    {"field64_text.x", 0x149d53d749e8750dull, 0x59eed7b9328feba2ull},
    {"field64_binary.x", 0x149d53d749e8750dull, 0x59eed7b9328feba2ull},
    {"wide_binary.x", 0x284c7bae29a03afcull, 0x5287979bc4ecc062ull},
    {"mirrored_text.x", 0x2d775c3b5ecab08full, 0xb62188317f27911dull},
};

} // namespace

TEST_F(LoadResultsTest, MeshesAndSlotsComeOutAsTheyAlwaysHave) {
    for (const Expected& expected : kExpected) {
        std::string path = Source(expected.file);
        std::uint64_t load = LoadDigest(path);
        std::uint64_t slot = SlotDigest(path);
        EXPECT_EQ(load, expected.load) << expected.file;
        EXPECT_EQ(slot, expected.slot) << expected.file;
    }
}
