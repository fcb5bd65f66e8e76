// The fixed-function pipeline of the OpenGL device against the Direct3D 9
// lighting, texturing, fog, alpha-test and blending equations worked out on
// the CPU, on a flat quad facing the camera (so every vertex gets the same
// colour and the pixels must match it).
#include "tests/support/GlTestDevice.h"
#include "utility/d3dx9math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// One vertex of the viewer's shading layout: position, normal, tangent,
// texture coordinate.
struct MeshVertex {
    float px, py, pz, nx, ny, nz, tx, ty, tz, u, v;
};

const D3DVERTEXELEMENT9 kShadingLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

struct Rgb {
    float r, g, b;
};

float Clamp01(float x) {
    return std::min(1.0f, std::max(0.0f, x));
}

DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

D3DLIGHT9 Directional(D3DVECTOR direction, D3DCOLORVALUE diffuse, D3DCOLORVALUE specular,
                      D3DCOLORVALUE ambient) {
    D3DLIGHT9 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Direction = direction;
    l.Diffuse = diffuse;
    l.Specular = specular;
    l.Ambient = ambient;
    return l;
}

// Direct3D 9 per-vertex lighting in camera space (identity view here) for a
// non-local viewer, whose view vector is (0, 0, -1) towards the eye.
void Light(const D3DMATERIAL9& m, const D3DLIGHT9* lights, int count, Rgb globalAmbient,
           D3DXVECTOR3 n, Rgb* diffuse, Rgb* specular) {
    Rgb amb = globalAmbient, dif{0, 0, 0}, spe{0, 0, 0};
    D3DXVec3Normalize(&n, &n);
    for (int i = 0; i < count; ++i) {
        const D3DLIGHT9& l = lights[i];
        D3DXVECTOR3 toLight = -D3DXVECTOR3(l.Direction);
        D3DXVec3Normalize(&toLight, &toLight);
        amb.r += l.Ambient.r, amb.g += l.Ambient.g, amb.b += l.Ambient.b;
        float nDotL = D3DXVec3Dot(&n, &toLight);
        if (nDotL <= 0)
            continue;
        dif.r += l.Diffuse.r * nDotL, dif.g += l.Diffuse.g * nDotL, dif.b += l.Diffuse.b * nDotL;
        D3DXVECTOR3 h = toLight + D3DXVECTOR3(0, 0, -1);
        D3DXVec3Normalize(&h, &h);
        float p = std::pow(std::max(0.0f, D3DXVec3Dot(&n, &h)), m.Power);
        spe.r += l.Specular.r * p, spe.g += l.Specular.g * p, spe.b += l.Specular.b * p;
    }
    *diffuse = Rgb{Clamp01(m.Emissive.r + m.Ambient.r * amb.r + m.Diffuse.r * dif.r),
                   Clamp01(m.Emissive.g + m.Ambient.g * amb.g + m.Diffuse.g * dif.g),
                   Clamp01(m.Emissive.b + m.Ambient.b * amb.b + m.Diffuse.b * dif.b)};
    *specular = Rgb{Clamp01(m.Specular.r * spe.r), Clamp01(m.Specular.g * spe.g),
                    Clamp01(m.Specular.b * spe.b)};
}

class FixedFunctionGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.Ok());
        IDirect3DDevice9* d = gl.device;
        ASSERT_EQ(d->CreateVertexDeclaration(kShadingLayout, &declaration), D3D_OK);
        ASSERT_EQ(d->CreateVertexBuffer(4 * sizeof(MeshVertex), 0, 0, D3DPOOL_MANAGED, &vertices,
                                        nullptr),
                  D3D_OK);
        ASSERT_EQ(
            d->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr),
            D3D_OK);
        // A 4 x 4 square at z = 5, facing the eye at the origin; clockwise as
        // seen from the eye, so the default culling keeps it.
        MeshVertex quad[4] = {{-2, 2, 5, 0, 0, -1, 1, 0, 0, 0, 0},
                              {2, 2, 5, 0, 0, -1, 1, 0, 0, 1, 0},
                              {2, -2, 5, 0, 0, -1, 1, 0, 0, 1, 1},
                              {-2, -2, 5, 0, 0, -1, 1, 0, 0, 0, 1}};
        void* data = nullptr;
        vertices->Lock(0, 0, &data, 0);
        std::memcpy(data, quad, sizeof quad);
        vertices->Unlock();
        const WORD order[6] = {0, 1, 2, 0, 2, 3};
        indices->Lock(0, 0, &data, 0);
        std::memcpy(data, order, sizeof order);
        indices->Unlock();
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, 1.0f, 0.1f, 100.0f);
        d->SetTransform(D3DTS_PROJECTION, &projection);
        d->SetRenderState(D3DRS_LOCALVIEWER, FALSE);
    }
    void TearDown() override {
        gl.device->SetVertexDeclaration(nullptr);
        gl.device->SetStreamSource(0, nullptr, 0, 0);
        gl.device->SetIndices(nullptr);
        gl.device->SetTexture(0, nullptr);
        declaration->Release();
        vertices->Release();
        indices->Release();
    }

    // Draws the quad over a background and returns the centre pixel.
    std::uint32_t Draw(D3DCOLOR background) {
        IDirect3DDevice9* d = gl.device;
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
        d->BeginScene();
        d->SetVertexDeclaration(declaration);
        d->SetStreamSource(0, vertices, 0, sizeof(MeshVertex));
        d->SetIndices(indices);
        d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
        d->EndScene();
        return gl.ReadTarget()[32 * 64 + 32];
    }

    static void ExpectColour(std::uint32_t pixel, Rgb expected) {
        EXPECT_NEAR(Red(pixel), expected.r * 255.0f, 2.0f);
        EXPECT_NEAR(Green(pixel), expected.g * 255.0f, 2.0f);
        EXPECT_NEAR(Blue(pixel), expected.b * 255.0f, 2.0f);
    }

    GlTestDevice gl{64, 64};
    IDirect3DVertexDeclaration9* declaration = nullptr;
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
};

D3DMATERIAL9 TestMaterial(float alpha = 1.0f) {
    D3DMATERIAL9 m{};
    m.Diffuse = D3DCOLORVALUE{0.8f, 0.6f, 0.4f, alpha};
    m.Ambient = D3DCOLORVALUE{1, 1, 1, 1};
    m.Specular = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 1};
    m.Emissive = D3DCOLORVALUE{0.05f, 0, 0.1f, 1};
    m.Power = 8;
    return m;
}

} // namespace

TEST_F(FixedFunctionGLTest, TwoDirectionalLightsMaterialAmbientAndSpecular) {
    IDirect3DDevice9* d = gl.device;
    D3DLIGHT9 lights[2] = {
        Directional({0.3f, -1, 0.4f}, {0.9f, 0.9f, 0.9f, 1}, {0.6f, 0.6f, 0.6f, 1}, {0, 0, 0, 1}),
        Directional({-0.8f, 0.5f, 1.0f}, {0.35f, 0.35f, 0.35f, 1}, {0.6f, 0.6f, 0.6f, 1},
                    {0.05f, 0.05f, 0.05f, 1})};
    for (DWORD i = 0; i < 2; ++i) {
        d->SetLight(i, &lights[i]);
        d->LightEnable(i, TRUE);
    }
    D3DMATERIAL9 m = TestMaterial();
    d->SetMaterial(&m);
    d->SetRenderState(D3DRS_AMBIENT, 0xFF191919);
    d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    Rgb diffuse, specular, global{25 / 255.0f, 25 / 255.0f, 25 / 255.0f};
    Light(m, lights, 2, global, D3DXVECTOR3(0, 0, -1), &diffuse, &specular);
    ExpectColour(Draw(0xFF000000), diffuse);

    d->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    ExpectColour(Draw(0xFF000000),
                 Rgb{Clamp01(diffuse.r + specular.r), Clamp01(diffuse.g + specular.g),
                     Clamp01(diffuse.b + specular.b)});
    EXPECT_GT(specular.r, 0.01f); // the test really has a highlight

    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    // Without lighting and without vertex colours the quad is white.
    ExpectColour(Draw(0xFF000000), Rgb{1, 1, 1});
}

TEST_F(FixedFunctionGLTest, StageZeroModulatesTheTextureByTheLitColour) {
    IDirect3DDevice9* d = gl.device;
    D3DLIGHT9 light = Directional({0, 0, 1}, {1, 1, 1, 1}, {0, 0, 0, 1}, {0, 0, 0, 1});
    d->SetLight(0, &light);
    d->LightEnable(0, TRUE);
    D3DMATERIAL9 m = TestMaterial();
    m.Emissive = D3DCOLORVALUE{0, 0, 0, 1};
    d->SetMaterial(&m);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3D_OK);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    *static_cast<std::uint32_t*>(locked.pBits) = 0xFF80FF40; // r 0.5, g 1, b 0.25
    texture->UnlockRect(0);
    d->SetTexture(0, texture);
    Rgb diffuse, specular;
    Light(m, &light, 1, Rgb{0, 0, 0}, D3DXVECTOR3(0, 0, -1), &diffuse, &specular);
    ExpectColour(Draw(0xFF000000),
                 Rgb{diffuse.r * 128 / 255.0f, diffuse.g, diffuse.b * 64 / 255.0f});
    texture->Release();
}

TEST_F(FixedFunctionGLTest, AlphaTestDropsPixelsBelowTheReferenceAndBlendingMixesTheRest) {
    IDirect3DDevice9* d = gl.device;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_ALPHAREF, 3);
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(d->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3D_OK);
    d->SetTexture(0, texture);
    auto setTexel = [&](std::uint32_t argb) {
        D3DLOCKED_RECT locked;
        texture->LockRect(0, &locked, nullptr, 0);
        *static_cast<std::uint32_t*>(locked.pBits) = argb;
        texture->UnlockRect(0);
    };
    setTexel(0x02FFFFFF); // alpha 2 of 255: dropped
    EXPECT_EQ(Draw(0xFF204060) & 0xFFFFFF, 0x204060u);
    setTexel(0x03FFFFFF); // alpha 3: kept, and blended by it
    ExpectColour(Draw(0xFF204060), Rgb{(0x20 + (255 - 0x20) * 3 / 255.0f) / 255.0f,
                                       (0x40 + (255 - 0x40) * 3 / 255.0f) / 255.0f,
                                       (0x60 + (255 - 0x60) * 3 / 255.0f) / 255.0f});
    setTexel(0x80FF0000); // half transparent red over the background
    float a = 128 / 255.0f;
    ExpectColour(Draw(0xFF204060), Rgb{a + (1 - a) * 0x20 / 255.0f, (1 - a) * 0x40 / 255.0f,
                                       (1 - a) * 0x60 / 255.0f});
    texture->Release();
}

TEST_F(FixedFunctionGLTest, LinearVertexFogMixesTowardsTheFogColourByDepthOrByRange) {
    IDirect3DDevice9* d = gl.device;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, TRUE);
    d->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    d->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
    d->SetRenderState(D3DRS_FOGSTART, Bits(1.0f));
    d->SetRenderState(D3DRS_FOGEND, Bits(9.0f));
    // The quad lies at depth 5: half way through the fog.
    ExpectColour(Draw(0xFF000000), Rgb{0.5f, 0.5f, 1.0f});
    d->SetRenderState(D3DRS_FOGEND, Bits(5.0f)); // at the end: pure fog colour
    ExpectColour(Draw(0xFF000000), Rgb{0, 0, 1});
    d->SetRenderState(D3DRS_FOGSTART, Bits(6.0f)); // before the start: no fog
    d->SetRenderState(D3DRS_FOGEND, Bits(10.0f));
    ExpectColour(Draw(0xFF000000), Rgb{1, 1, 1});
    // Range fog, as the viewer has it: each vertex's distance from the eye,
    // here sqrt(2 * 2 + 2 * 2 + 5 * 5) for all four corners, not its depth.
    d->SetRenderState(D3DRS_RANGEFOGENABLE, TRUE);
    d->SetRenderState(D3DRS_FOGSTART, Bits(1.0f));
    d->SetRenderState(D3DRS_FOGEND, Bits(9.0f));
    float f = (9.0f - std::sqrt(33.0f)) / 8.0f;
    ExpectColour(Draw(0xFF000000), Rgb{f, f, 1});
}

TEST_F(FixedFunctionGLTest, CullingCounterClockwiseHidesTheBackOfTheQuad) {
    IDirect3DDevice9* d = gl.device;
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    EXPECT_EQ(Draw(0xFF000000) & 0xFFFFFF, 0xFFFFFFu);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(Draw(0xFF000000) & 0xFFFFFF, 0u);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(Draw(0xFF000000) & 0xFFFFFF, 0xFFFFFFu);
}
