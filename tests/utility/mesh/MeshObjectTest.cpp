#include "mesh_test_support.h"

#include "platform/d3d9/com.h"
#include "platform/d3d9/resources.h"
#include "utility/mesh/vertex_element.h"

#include <cmath>
#include <cstring>

namespace {

using MeshObjectTest = MeshFixture;

// Two quads side by side, faces 0-1 on the left, 2-3 on the right:
//
//   3---4---5
//   | \ | \ |
//   0---1---2
std::vector<ShadingVertex> TwoQuads() {
    return {FlatVertex(0, 0, 0, 0), FlatVertex(1, 0, 0.5f, 0), FlatVertex(2, 0, 1, 0),
            FlatVertex(0, 1, 0, 1), FlatVertex(1, 1, 0.5f, 1), FlatVertex(2, 1, 1, 1)};
}
const std::vector<DWORD> kTwoQuadIndices = {0, 1, 3, 1, 4, 3, 1, 2, 4, 2, 5, 4};

double Ptr(const void* p) {
    return double(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace

TEST_F(MeshObjectTest, OptionsChoosePoolsUsagesAndIndexWidth) {
    struct Case {
        DWORD options;
        D3DPOOL vertexPool, indexPool;
        DWORD vertexUsage, indexUsage;
        D3DFORMAT format;
    };
    const Case cases[] = {
        {0, D3DPOOL_DEFAULT, D3DPOOL_DEFAULT, 0, 0, D3DFMT_INDEX16},
        {D3DXMESH_MANAGED, D3DPOOL_MANAGED, D3DPOOL_MANAGED, 0, 0, D3DFMT_INDEX16},
        {D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DPOOL_SYSTEMMEM, D3DPOOL_SYSTEMMEM, 0, 0,
         D3DFMT_INDEX32},
        {D3DXMESH_VB_MANAGED | D3DXMESH_IB_SYSTEMMEM | D3DXMESH_VB_WRITEONLY | D3DXMESH_IB_DYNAMIC,
         D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DUSAGE_WRITEONLY, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16},
    };
    for (const Case& c : cases) {
        ID3DXMesh* mesh = nullptr;
        ASSERT_EQ(D3DXCreateMesh(3, 7, c.options, kShadingLayout, device, &mesh), D3D_OK);
        Keep(mesh);
        EXPECT_EQ(mesh->GetOptions(), c.options);
        IDirect3DVertexBuffer9* vb = nullptr;
        IDirect3DIndexBuffer9* ib = nullptr;
        ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
        ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
        D3DVERTEXBUFFER_DESC vd;
        D3DINDEXBUFFER_DESC id;
        vb->GetDesc(&vd);
        ib->GetDesc(&id);
        EXPECT_EQ(vd.Pool, c.vertexPool);
        EXPECT_EQ(id.Pool, c.indexPool);
        EXPECT_EQ(vd.Usage, c.vertexUsage);
        EXPECT_EQ(id.Usage, c.indexUsage);
        EXPECT_EQ(vd.Size, 7u * 44);
        EXPECT_EQ(id.Format, c.format);
        EXPECT_EQ(id.Size, 9u * (c.format == D3DFMT_INDEX32 ? 4 : 2));
        vb->Release();
        ib->Release();
    }
}

TEST_F(MeshObjectTest, RefusesWhatItCannotHold) {
    const D3DVERTEXELEMENT9 secondStream[] = {
        {1, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    const D3DVERTEXELEMENT9 unknownType[] = {{0, 0, 99, 0, D3DDECLUSAGE_POSITION, 0},
                                             D3DDECL_END()};
    const D3DVERTEXELEMENT9 empty[] = {D3DDECL_END()};
    D3DVERTEXELEMENT9 unterminated[MAX_FVF_DECL_SIZE];
    for (UINT i = 0; i < MAX_FVF_DECL_SIZE; ++i)
        unterminated[i] = {0, WORD(i * 4), D3DDECLTYPE_FLOAT1, 0, D3DDECLUSAGE_TEXCOORD, BYTE(i)};

    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DXCreateMesh(1, 65536, 0, kShadingLayout, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(D3DXCreateMesh(0, 3, 0, kShadingLayout, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 0, 0, kShadingLayout, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, kShadingLayout, nullptr, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, nullptr, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, secondStream, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, unknownType, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, empty, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, unterminated, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMesh(1, 3, 0, kShadingLayout, device, nullptr), D3DERR_INVALIDCALL);
    // Buffer sizes beyond 32 bits.
    EXPECT_EQ(D3DXCreateMesh(0x60000000, 3, D3DXMESH_32BIT, kShadingLayout, device, &mesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_NORMAL, device, &mesh), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh, nullptr);

    ASSERT_EQ(D3DXCreateMesh(1, 65536, D3DXMESH_32BIT | D3DXMESH_SYSTEMMEM, kShadingLayout, device,
                             &mesh),
              D3D_OK);
    Keep(mesh);
}

TEST_F(MeshObjectTest, DescribesItselfAndCountsItsReferences) {
    ULONG deviceRefs = RefCount(device);
    ID3DXMesh* mesh = MakeMesh(TwoQuads(), kTwoQuadIndices);
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
    EXPECT_EQ(mesh->GetNumVertices(), 6u);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 44u);
    EXPECT_GT(RefCount(device), deviceRefs);

    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    ASSERT_EQ(mesh->GetDeclaration(decl), D3D_OK);
    EXPECT_EQ(0, std::memcmp(decl, kShadingLayout, sizeof kShadingLayout));

    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(mesh->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    owner->Release();

    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
    ULONG held = RefCount(vb);
    vb->Release();
    EXPECT_EQ(RefCount(vb), held - 1);

    // A vertex layout the device can draw with was made for the mesh.
    EXPECT_EQ(recording->Calls("CreateVertexDeclaration").size(), 1u);

    kept.clear();
    mesh->Release();
    EXPECT_EQ(RefCount(device), deviceRefs);
}

TEST_F(MeshObjectTest, FvfMeshesGetTheFormatsElements) {
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1,
                                device, &mesh),
              D3D_OK);
    Keep(mesh);
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    mesh->GetDeclaration(decl);
    ASSERT_EQ(D3DXGetDeclLength(decl), 3u);
    EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_NORMAL);
    EXPECT_EQ(decl[2].Offset, 24);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
    EXPECT_EQ(D3DXGetDeclVertexSize(kShadingLayout, 0), 44u);
    EXPECT_EQ(D3DXGetDeclVertexSize(kShadingLayout, 1), 0u);
}

TEST_F(MeshObjectTest, OnlyWritingLocksMarkTheBuffersChanged) {
    ID3DXMesh* mesh = MakeMesh(TwoQuads(), kTwoQuadIndices);
    IDirect3DVertexBuffer9* vb = nullptr;
    mesh->GetVertexBuffer(&vb);
    auto* buffer = static_cast<VertexBuffer*>(vb);
    std::uint32_t version = buffer->version;
    void* data = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    EXPECT_EQ(mesh->LockVertexBuffer(0, &data), D3DERR_INVALIDCALL); // no nested locks
    ASSERT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
    EXPECT_EQ(buffer->version, version);
    ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
    mesh->UnlockVertexBuffer();
    EXPECT_NE(buffer->version, version);
    vb->Release();

    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
    EXPECT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
    EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->UnlockIndexBuffer(), D3DERR_INVALIDCALL);
}

TEST_F(MeshObjectTest, AttributeTableIsCheckedAgainstTheMesh) {
    ID3DXMesh* mesh = MakeMesh(TwoQuads(), kTwoQuadIndices);
    DWORD size = 99;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(mesh->GetAttributeTable(nullptr, nullptr), D3DERR_INVALIDCALL);

    const D3DXATTRIBUTERANGE tooManyFaces[] = {{0, 2, 3, 0, 6}};
    const D3DXATTRIBUTERANGE tooManyVertices[] = {{0, 0, 4, 1, 6}};
    const D3DXATTRIBUTERANGE wrapping[] = {{0, 0xFFFFFFFF, 2, 0, 6}};
    EXPECT_EQ(mesh->SetAttributeTable(tooManyFaces, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->SetAttributeTable(tooManyVertices, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->SetAttributeTable(wrapping, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(mesh->SetAttributeTable(nullptr, 1), D3DERR_INVALIDCALL);

    const D3DXATTRIBUTERANGE table[] = {{0, 0, 2, 0, 5}, {7, 2, 2, 1, 5}};
    ASSERT_EQ(mesh->SetAttributeTable(table, 2), D3D_OK);
    D3DXATTRIBUTERANGE back[2];
    ASSERT_EQ(mesh->GetAttributeTable(back, &size), D3D_OK);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(back[1].AttribId, 7u);
    EXPECT_EQ(back[1].VertexStart, 1u);
    ASSERT_EQ(mesh->SetAttributeTable(nullptr, 0), D3D_OK);
    mesh->GetAttributeTable(nullptr, &size);
    EXPECT_EQ(size, 0u);
}

TEST_F(MeshObjectTest, CloneConvertsEachElementByUsageAndZeroFillsTheRest) {
    std::vector<ShadingVertex> vertices = TwoQuads();
    vertices[4].normal = D3DXVECTOR3(0.5f, -0.25f, 1);
    vertices[4].tangent = D3DXVECTOR3(1, 2, 3);
    ID3DXMesh* mesh = MakeMesh(vertices, kTwoQuadIndices, D3DXMESH_MANAGED, {3, 3, 9, 9});
    const D3DXATTRIBUTERANGE table[] = {{3, 0, 2, 0, 5}, {9, 2, 2, 1, 5}};
    mesh->SetAttributeTable(table, 2);

    // Texture coordinate first, then position; normal widened to four
    // floats; colour and a second texture coordinate the source lacks.
    struct Target {
        float u, v;
        float x, y, z;
        float nx, ny, nz, nw;
        DWORD colour;
        float u1, v1;
    };
    const D3DVERTEXELEMENT9 layout[] = {
        {0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
        {0, 8, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
        {0, 20, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_NORMAL, 0},
        {0, 36, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
        {0, 40, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
        D3DDECL_END(),
    };
    static_assert(sizeof(Target) == 48, "packed like the layout");

    // A second device: the clone lives there.
    IDirect3DDevice9* other = nullptr;
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = pp.BackBufferHeight = 8;
    pp.Windowed = TRUE;
    ASSERT_EQ(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &other), D3D_OK);

    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMesh(D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, layout, other, &clone), D3D_OK);
    Keep(clone);
    EXPECT_EQ(clone->GetOptions(), D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT);
    EXPECT_EQ(clone->GetNumBytesPerVertex(), 48u);
    IDirect3DDevice9* cloneDevice = nullptr;
    clone->GetDevice(&cloneDevice);
    EXPECT_EQ(cloneDevice, other);
    cloneDevice->Release();
    other->Release();

    void* data = nullptr;
    ASSERT_EQ(clone->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
    const Target& t = static_cast<const Target*>(data)[4];
    EXPECT_EQ(t.u, 0.5f);
    EXPECT_EQ(t.v, 1.0f);
    EXPECT_EQ(t.x, 1.0f);
    EXPECT_EQ(t.y, 1.0f);
    EXPECT_EQ(t.nx, 0.5f);
    EXPECT_EQ(t.ny, -0.25f);
    EXPECT_EQ(t.nz, 1.0f);
    EXPECT_EQ(t.nw, 1.0f); // a widened element reads as a vertex program would see it
    EXPECT_EQ(t.colour, 0u);
    EXPECT_EQ(t.u1, 0.0f);
    EXPECT_EQ(t.v1, 0.0f);
    clone->UnlockVertexBuffer();

    EXPECT_EQ(Indices(clone), kTwoQuadIndices);
    EXPECT_EQ(Attributes(clone), (std::vector<DWORD>{3, 3, 9, 9}));
    DWORD size = 0;
    D3DXATTRIBUTERANGE back[2];
    clone->GetAttributeTable(back, &size);
    ASSERT_EQ(size, 2u);
    EXPECT_EQ(back[1].AttribId, 9u);
    EXPECT_EQ(back[1].FaceStart, 2u);

    // And back to 16 bits in the shading layout: the round trip keeps the
    // elements both layouts share and zeroes the tangent.
    ID3DXMesh* back16 = nullptr;
    ASSERT_EQ(clone->CloneMesh(D3DXMESH_MANAGED, kShadingLayout, device, &back16), D3D_OK);
    Keep(back16);
    EXPECT_EQ(Indices(back16), kTwoQuadIndices);
    ShadingVertex v = Vertices(back16)[4];
    EXPECT_EQ(v.normal, vertices[4].normal);
    EXPECT_EQ(v.tangent, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(v.uv, vertices[4].uv);

    EXPECT_EQ(mesh->CloneMesh(0, layout, nullptr, &clone), D3DERR_INVALIDCALL);
    EXPECT_EQ(clone, nullptr);
    EXPECT_EQ(mesh->CloneMesh(0, nullptr, device, &clone), D3DERR_INVALIDCALL);
}

TEST_F(MeshObjectTest, CloneFailsCleanlyWhileTheSourceIsLocked) {
    ID3DXMesh* mesh = MakeMesh(TwoQuads(), kTwoQuadIndices);
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    ID3DXMesh* clone = nullptr;
    EXPECT_EQ(mesh->CloneMesh(D3DXMESH_MANAGED, kShadingLayout, device, &clone),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(clone, nullptr);
    mesh->UnlockVertexBuffer();
}

TEST_F(MeshObjectTest, ElementTypesConvertThroughFourFloats) {
    BYTE bytes[16] = {};
    WriteVertexElement(D3DDECLTYPE_FLOAT16_4, D3DXVECTOR4(1.5f, -2, 65504, 1e-7f), bytes);
    D3DXVECTOR4 half = ReadVertexElement(D3DDECLTYPE_FLOAT16_4, bytes);
    EXPECT_EQ(half.x, 1.5f);
    EXPECT_EQ(half.y, -2.0f);
    EXPECT_EQ(half.z, 65504.0f);
    EXPECT_NEAR(half.w, 1e-7f, 3e-8f); // a subnormal half
    WriteVertexElement(D3DDECLTYPE_FLOAT16_2, D3DXVECTOR4(1e6f, 0, 0, 0), bytes);
    EXPECT_TRUE(std::isinf(ReadVertexElement(D3DDECLTYPE_FLOAT16_2, bytes).x));

    // A colour word is 0xAARRGGBB and reads as (r, g, b, a).
    WriteVertexElement(D3DDECLTYPE_D3DCOLOR, D3DXVECTOR4(1, 0, 0.5f, 2), bytes);
    DWORD word;
    std::memcpy(&word, bytes, 4);
    EXPECT_EQ(word, 0xFFFF0080u);
    D3DXVECTOR4 colour = ReadVertexElement(D3DDECLTYPE_D3DCOLOR, bytes);
    EXPECT_EQ(colour.x, 1.0f);
    EXPECT_NEAR(colour.z, 0.5f, 0.003f);

    WriteVertexElement(D3DDECLTYPE_SHORT2N, D3DXVECTOR4(-3, 0.5f, 0, 0), bytes);
    D3DXVECTOR4 shorts = ReadVertexElement(D3DDECLTYPE_SHORT2N, bytes);
    EXPECT_EQ(shorts.x, -1.0f);
    EXPECT_NEAR(shorts.y, 0.5f, 1e-4f);
    EXPECT_EQ(shorts.w, 1.0f);

    WriteVertexElement(D3DDECLTYPE_DEC3N, D3DXVECTOR4(-1, 0, 1, 0), bytes);
    D3DXVECTOR4 packed = ReadVertexElement(D3DDECLTYPE_DEC3N, bytes);
    EXPECT_EQ(packed.x, -1.0f);
    EXPECT_EQ(packed.y, 0.0f);
    EXPECT_EQ(packed.z, 1.0f);
}

TEST_F(MeshObjectTest, DrawSubsetDrawsTheTableRangesOfTheSubset) {
    ID3DXMesh* mesh = MakeMesh(TwoQuads(), kTwoQuadIndices, D3DXMESH_MANAGED, {1, 2, 1, 2});
    const D3DXATTRIBUTERANGE table[] = {{1, 0, 1, 0, 4}, {2, 1, 1, 1, 4}, {1, 2, 1, 1, 5}};
    mesh->SetAttributeTable(table, 3);
    recording->calls.clear();

    ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
    std::vector<const RecordedCall*> draws = recording->Calls("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->args, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 4, 0, 1}));
    EXPECT_EQ(draws[1]->args, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 1, 5, 6, 1}));

    IDirect3DVertexBuffer9* vb = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    mesh->GetVertexBuffer(&vb);
    mesh->GetIndexBuffer(&ib);
    EXPECT_EQ(recording->Names(),
              (std::vector<std::string>{"SetVertexDeclaration", "SetStreamSource", "SetIndices",
                                        "DrawIndexedPrimitive", "DrawIndexedPrimitive"}));
    EXPECT_EQ(recording->Calls("SetStreamSource")[0]->args,
              (std::vector<double>{0, Ptr(vb), 0, 44}));
    EXPECT_EQ(recording->Calls("SetIndices")[0]->args, (std::vector<double>{Ptr(ib)}));
    IDirect3DVertexDeclaration9* bound = nullptr;
    device->GetVertexDeclaration(&bound);
    D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
    UINT count = 0;
    bound->GetDeclaration(elements, &count);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(0, std::memcmp(elements, kShadingLayout, sizeof kShadingLayout));
    bound->Release();
    vb->Release();
    ib->Release();

    // The table decides, not the attribute buffer.
    recording->calls.clear();
    ASSERT_EQ(mesh->DrawSubset(7), D3D_OK);
    EXPECT_TRUE(recording->calls.empty());
}

TEST_F(MeshObjectTest, DrawSubsetWithoutATableDrawsEachRunOfTheSubset) {
    // Attributes 5 5 6 5: runs of subset 5 are faces 0-1 and face 3.
    std::vector<ShadingVertex> vertices = TwoQuads();
    ID3DXMesh* mesh = MakeMesh(vertices, kTwoQuadIndices, D3DXMESH_MANAGED, {5, 5, 6, 5});
    recording->calls.clear();
    ASSERT_EQ(mesh->DrawSubset(5), D3D_OK);
    std::vector<const RecordedCall*> draws = recording->Calls("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0]->args, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 6, 0, 2}));
    EXPECT_EQ(draws[1]->args, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 6, 9, 1}));

    recording->calls.clear();
    ASSERT_EQ(mesh->DrawSubset(6), D3D_OK);
    draws = recording->Calls("DrawIndexedPrimitive");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->args, (std::vector<double>{D3DPT_TRIANGLELIST, 0, 0, 6, 6, 1}));

    recording->calls.clear();
    EXPECT_EQ(mesh->DrawSubset(0), D3D_OK);
    EXPECT_TRUE(recording->calls.empty());
}
