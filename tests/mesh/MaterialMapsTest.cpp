// The maps of the materials view: one set of four per material, made from
// its colours and texture, the flat normal map shared, all released once.
#include "mesh_test_support.h"

#include "framework/KvDX9.h"
#include "mesh/MaterialMaps.h"
#include "mesh/MeshSlot.h"

#include <cmath>
#include <cstring>

namespace {

using MaterialMapsTest = MeshTest;

struct Texel {
    int b, g, r, a;
    bool operator==(const Texel& o) const { return b == o.b && g == o.g && r == o.r && a == o.a; }
};

std::ostream& operator<<(std::ostream& out, const Texel& t) {
    return out << "(b " << t.b << " g " << t.g << " r " << t.r << " a " << t.a << ")";
}

// The first texel of the top level, as B, G, R, A bytes.
Texel FirstTexel(IDirect3DTexture9* texture) {
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    unsigned char bytes[4];
    std::memcpy(bytes, locked.pBits, 4);
    texture->UnlockRect(0);
    return Texel{bytes[0], bytes[1], bytes[2], bytes[3]};
}

D3DMATERIAL9 Material(D3DCOLORVALUE diffuse, D3DCOLORVALUE specular, float power,
                      D3DCOLORVALUE emissive) {
    D3DMATERIAL9 m{};
    m.Diffuse = diffuse;
    m.Specular = specular;
    m.Power = power;
    m.Emissive = emissive;
    return m;
}

} // namespace

TEST_F(MaterialMapsTest, EachMaterialGetsItsColoursAndItsTextureModulatedByItsDiffuse) {
    WriteTwoQuadFile("quad.x", "tex.bmp", nullptr);
    WriteTexture("tex.bmp", 5); // every channel 0x80
    MeshObj slot;
    ASSERT_TRUE(slot.Load("", "quad.x"));
    ASSERT_EQ(slot.materialCount, 2u);
    slot.materials[0] = Material({0.5f, 1, 0.25f, 1}, {0.2f, 0.4f, 0.6f, 1}, 51, {0, 0, 0, 1});
    slot.materials[1] = Material({0.75f, 0.5f, 0.25f, 1}, {1, 1, 1, 1}, 0, {1, 0, -1, 1});

    const long before = LiveDirect3DObjects();
    MaterialMaps maps;
    ASSERT_TRUE(maps.Create(sharedDevice, slot));
    ASSERT_EQ(maps.Count(), 2u);
    MaterialMaps::Subset textured = maps.Maps(0), plain = maps.Maps(1);

    // The texture, modulated: a copy of the same size, each texel times the
    // diffuse colour (B 0.25, G 1, R 0.5).
    ASSERT_NE(textured.maps[kDiffuse], slot.materialTextures[0]);
    EXPECT_EQ(TextureWidth(textured.maps[kDiffuse]), 5u);
    EXPECT_EQ(FirstTexel(textured.maps[kDiffuse]), (Texel{32, 128, 64, 255}));
    // No texture: the colour alone.
    EXPECT_EQ(TextureWidth(plain.maps[kDiffuse]), 1u);
    EXPECT_EQ(FirstTexel(plain.maps[kDiffuse]), (Texel{64, 128, 191, 255}));
    // The power in the specular map's alpha; none without a power.
    EXPECT_EQ(FirstTexel(textured.maps[kSpecular]), (Texel{153, 102, 51, 51}));
    EXPECT_EQ(FirstTexel(plain.maps[kSpecular]), (Texel{0, 0, 0, 0}));
    // Emission as the effect's signed 0.5 e + 0.5.
    EXPECT_EQ(FirstTexel(textured.maps[kEmissive]), (Texel{128, 128, 128, 255}));
    EXPECT_EQ(FirstTexel(plain.maps[kEmissive]), (Texel{0, 128, 255, 255}));
    // One flat normal map for all: the normal straight out, half height.
    EXPECT_EQ(textured.maps[kNormalMap], plain.maps[kNormalMap]);
    EXPECT_EQ(FirstTexel(plain.maps[kNormalMap]), (Texel{128, 128, 255, 128}));
    // Past the materials: nothing to bind.
    EXPECT_EQ(maps.Maps(2).maps[kDiffuse], nullptr);

    // One texture each, and the flat one.
    EXPECT_EQ(LiveDirect3DObjects() - before, 2 * 3 + 1);
    maps.Release();
    EXPECT_EQ(LiveDirect3DObjects(), before);
    EXPECT_EQ(maps.Count(), 0u);
    maps.Release();
    EXPECT_EQ(LiveDirect3DObjects(), before);
}

TEST_F(MaterialMapsTest, AWhiteMaterialShowsItsTextureAsItIs) {
    WriteTwoQuadFile("quad.x", "tex.bmp", "tex.bmp");
    WriteTexture("tex.bmp", 3);
    MeshObj slot;
    ASSERT_TRUE(slot.Load("", "quad.x"));
    slot.materials[0].Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    {
        MaterialMaps maps;
        ASSERT_TRUE(maps.Create(sharedDevice, slot));
        EXPECT_EQ(maps.Maps(0).maps[kDiffuse], slot.materialTextures[0]);
        EXPECT_NE(maps.Maps(1).maps[kDiffuse], slot.materialTextures[1]);
    }
    // The borrowed texture is still the slot's.
    EXPECT_EQ(TextureWidth(slot.materialTextures[0]), 3u);
}

TEST_F(MaterialMapsTest, MaterialsTintingOneTextureAlikeShareOneCopy) {
    WriteXFile("tiles.x", {FlatVertex(0, 0, 0, 1), FlatVertex(1, 0, 1, 1), FlatVertex(0, 1, 0, 0)},
               {0, 2, 1, 0, 2, 1, 0, 2, 1}, {0, 1, 2},
               {{0.5f, "tex.bmp"}, {0.5f, "tex.bmp"}, {0.75f, "tex.bmp"}});
    WriteTexture("tex.bmp", 3);
    MeshObj slot;
    ASSERT_TRUE(LoadMeshSlot(device, slot, "tiles.x"));
    const long before = LiveDirect3DObjects();
    MaterialMaps maps;
    ASSERT_TRUE(maps.Create(sharedDevice, slot));
    IDirect3DTexture9* first = maps.Maps(0).maps[kDiffuse];
    EXPECT_NE(first, slot.materialTextures[0]);
    EXPECT_EQ(maps.Maps(1).maps[kDiffuse], first);
    EXPECT_NE(maps.Maps(2).maps[kDiffuse], first) << "another colour";
    // The flat normal map, two tinted copies, three specular and three
    // emissive maps, each released once.
    EXPECT_EQ(LiveDirect3DObjects(), before + 9);
    maps.Release();
    EXPECT_EQ(LiveDirect3DObjects(), before);
}

TEST_F(MaterialMapsTest, AnEmptySlotHasNoMaps) {
    MeshObj slot;
    MaterialMaps maps;
    EXPECT_TRUE(maps.Create(sharedDevice, slot));
    EXPECT_EQ(maps.Count(), 0u);
    EXPECT_EQ(maps.Maps(0).maps[kNormalMap], nullptr);
}

TEST(MaterialTexelTest, ColoursAreClampedAndRounded) {
    D3DMATERIAL9 m{};
    m.Diffuse = D3DCOLORVALUE{2.0f, -1.0f, 0.5f, NAN};
    m.Specular = D3DCOLORVALUE{1, 1, 1, 1};
    m.Power = 1000;
    m.Emissive = D3DCOLORVALUE{3, -3, 0.5f, 1};
    MapTexel d = DiffuseTexel(m), s = SpecularTexel(m), e = EmissiveTexel(m);
    EXPECT_EQ((Texel{d.b, d.g, d.r, d.a}), (Texel{128, 0, 255, 0}));
    EXPECT_EQ((Texel{s.b, s.g, s.r, s.a}), (Texel{255, 255, 255, 255}));
    EXPECT_EQ((Texel{e.b, e.g, e.r, e.a}), (Texel{191, 0, 255, 255}));
    m.Power = -5;
    s = SpecularTexel(m);
    EXPECT_EQ((Texel{s.b, s.g, s.r, s.a}), (Texel{0, 0, 0, 0}));
}
