#include "platform/d3d9/formats.h"
#include "tests/support/RecordingDeviceFixture.h"

#include <cstring>

namespace {

class StateDeviceTest : public RecordingDeviceFixture {
protected:
    StateDeviceTest() {
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D24X8;
    }
};

} // namespace

TEST_F(StateDeviceTest, StartsWithDirect3DDefaults) {
    DWORD value = 0;
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_TRUE));
    device->GetRenderState(D3DRS_CULLMODE, &value);
    EXPECT_EQ(value, DWORD(D3DCULL_CCW));
    device->GetRenderState(D3DRS_LIGHTING, &value);
    EXPECT_EQ(value, DWORD(TRUE));
    device->GetRenderState(D3DRS_FOGEND, &value);
    float fogEnd;
    std::memcpy(&fogEnd, &value, 4);
    EXPECT_EQ(fogEnd, 1.0f);
    device->GetTextureStageState(0, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, DWORD(D3DTOP_MODULATE));
    device->GetTextureStageState(1, D3DTSS_COLOROP, &value);
    EXPECT_EQ(value, DWORD(D3DTOP_DISABLE));
    device->GetSamplerState(3, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_POINT));
    D3DVIEWPORT9 vp;
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 64u);
    EXPECT_EQ(vp.Height, 48u);
}

TEST_F(StateDeviceTest, LightsComeBackAsSetAndUnsetOnesAreRefused) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = D3DCOLORVALUE{0.9f, 0.9f, 0.9f, 1};
    light.Direction = D3DVECTOR{0.3f, -1, 0.4f};
    ASSERT_EQ(device->SetLight(0, &light), D3D_OK);
    D3DLIGHT9 back{};
    ASSERT_EQ(device->GetLight(0, &back), D3D_OK);
    EXPECT_EQ(std::memcmp(&back, &light, sizeof light), 0);
    EXPECT_EQ(device->GetLight(5, &back), D3DERR_INVALIDCALL);
    light.Type = D3DLIGHTTYPE(9);
    EXPECT_EQ(device->SetLight(1, &light), D3DERR_INVALIDCALL);
}

TEST_F(StateDeviceTest, ResetIsRefusedWhileADefaultPoolTextureLives) {
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device->CreateTexture(32, 24, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                    D3DPOOL_DEFAULT, &target, nullptr),
              D3D_OK);
    IDirect3DTexture9* managed = nullptr;
    ASSERT_EQ(
        device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr),
        D3D_OK);
    EXPECT_EQ(managed->GetLevelCount(), 4u);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    EXPECT_STREQ(device->GetRefusalText(), "Reset: default-pool objects still alive: 1");
    // A texture that only the device's bindings still hold goes with them.
    device->SetTexture(0, target);
    target->Release();
    EXPECT_EQ(device->Reset(&params), D3D_OK);
    // One the application holds, bound or not, refuses the reset.
    ASSERT_EQ(device->CreateTexture(32, 24, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                    D3DPOOL_DEFAULT, &target, nullptr),
              D3D_OK);
    device->SetTexture(1, target);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    target->Release();
    EXPECT_EQ(device->Reset(&params), D3D_OK);
    managed->Release();
}

TEST_F(StateDeviceTest, ResetIsRefusedWhileTheBackBufferIsHeld) {
    IDirect3DSurface9* saved = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &saved), D3D_OK);
    IDirect3DSurface9* depth = nullptr;
    ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    EXPECT_STREQ(device->GetRefusalText(),
                 "Reset: the back buffer or the automatic depth buffer is still held");
    saved->Release();
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL);
    depth->Release();
    EXPECT_EQ(device->Reset(&params), D3D_OK);
}

TEST_F(StateDeviceTest, ResetClearsStateAndEndsALoss) {
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    recording->InjectDeviceLoss();
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    DWORD fog = TRUE;
    device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, DWORD(FALSE));
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(StateDeviceTest, RenderTargetsSwitchTheViewportToTheWholeTarget) {
    IDirect3DTexture9* half = nullptr;
    ASSERT_EQ(device->CreateTexture(32, 24, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                    D3DPOOL_DEFAULT, &half, nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    half->GetSurfaceLevel(0, &surface);
    IDirect3DSurface9* back = nullptr;
    device->GetRenderTarget(0, &back);
    ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
    D3DVIEWPORT9 vp;
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 32u);
    EXPECT_EQ(vp.Height, 24u);
    device->SetRenderTarget(0, back);
    device->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 64u);
    // The level surface counts through its texture.
    surface->Release();
    back->Release();
    EXPECT_EQ(half->Release(), 0u);
}

TEST_F(StateDeviceTest, DrawingFromMemoryRecordsTheVerticesAndClearsStreamZero) {
    struct LineVertex {
        float x, y, z;
        DWORD colour;
    } lines[2] = {{0, 0, 0, 0xFF00FF00}, {1, 2, 3, 0xFFFF0000}};
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 1, lines, 16), D3DERR_INVALIDCALL);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(device->DrawPrimitiveUP(D3DPT_LINELIST, 1, lines, 16), D3D_OK);
    auto draws = recording->Calls("DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 2u);
    ASSERT_EQ(draws[1]->data.size(), sizeof lines);
    EXPECT_EQ(draws[1]->As<LineVertex>(1).z, 3.0f);
    EXPECT_EQ(draws[1]->As<LineVertex>(1).colour, 0xFFFF0000u);
}

TEST_F(StateDeviceTest, BuffersLockWithinTheirSizeOnly) {
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(vb->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(65, 0, &data, 0), D3DERR_INVALIDCALL);
    ASSERT_EQ(vb->Lock(16, 0, &data, 0), D3D_OK);
    EXPECT_EQ(vb->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL); // already locked
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    vb->Release();
}

TEST_F(StateDeviceTest, DeclarationsNeedAnEndMarkerAndKnownTypes) {
    D3DVERTEXELEMENT9 good[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                D3DDECL_END()};
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(device->CreateVertexDeclaration(good, &decl), D3D_OK);
    UINT count = 0;
    decl->GetDeclaration(nullptr, &count);
    EXPECT_EQ(count, 2u);
    decl->Release();
    D3DVERTEXELEMENT9 bad[] = {{0, 0, 99, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    EXPECT_EQ(device->CreateVertexDeclaration(bad, &decl), D3DERR_INVALIDCALL);
}

TEST_F(StateDeviceTest, ResourcesOutlivingTheDeviceAreOrphanedSafely) {
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3D_OK);
    ReleaseRef(device);
    IDirect3DDevice9* owner = nullptr;
    EXPECT_EQ(texture->GetDevice(&owner), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    texture->UnlockRect(0);
    texture->Release();
}

TEST(FormatsTest, FlexibleFormatsBecomeElementTables) {
    EXPECT_EQ(FvfStride(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
    EXPECT_EQ(FvfStride(D3DFVF_XYZ | D3DFVF_DIFFUSE), 16u);
    EXPECT_EQ(FvfStride(D3DFVF_XYZ | D3DFVF_TEX1), 20u);
    auto elements = ElementsFromFvf(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX2);
    ASSERT_EQ(elements.size(), 5u);
    EXPECT_EQ(elements[3].Usage, D3DDECLUSAGE_TEXCOORD);
    EXPECT_EQ(elements[3].UsageIndex, 1);
    EXPECT_EQ(elements[3].Offset, 32);
    EXPECT_TRUE(ElementsFromFvf(D3DFVF_NORMAL).empty());
}

// The viewport lies inside the target; a corner past the end of a DWORD
// does not wrap round into it.
TEST_F(StateDeviceTest, ViewportsOutsideTheTargetAreRefusedAtTheEdgesOfADword) {
    const DWORD top = 0xFFFFFFFFu;
    const D3DVIEWPORT9 refused[] = {
        {1, 0, 64, 48, 0, 1},   // one column too far
        {0, 1, 64, 48, 0, 1},   // one row too far
        {top, 0, 2, 48, 0, 1},  // X + Width wraps to 1
        {0, top, 64, 2, 0, 1},  // Y + Height wraps to 1
        {1, 1, top, top, 0, 1}, // both wrap to 0
        {top, top, top, top, 0, 1},
    };
    for (const D3DVIEWPORT9& viewport : refused) {
        EXPECT_EQ(device->SetViewport(&viewport), D3DERR_INVALIDCALL)
            << viewport.X << "," << viewport.Y << " " << viewport.Width << "x" << viewport.Height;
    }
    D3DVIEWPORT9 kept{};
    device->GetViewport(&kept);
    EXPECT_EQ(kept.Width, 64u);
    const D3DVIEWPORT9 whole{0, 0, 64, 48, 0, 1}, corner{63, 47, 1, 1, 0, 1};
    EXPECT_EQ(device->SetViewport(&whole), D3D_OK);
    EXPECT_EQ(device->SetViewport(&corner), D3D_OK);
}
