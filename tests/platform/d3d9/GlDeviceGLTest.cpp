#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/state_device.h"
#include "tests/support/GlTestDevice.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

namespace {

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

void DrawRect(IDirect3DDevice9* device, float x0, float y0, float x1, float y1, DWORD color,
              float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1) {
    ScreenVertex quad[4] = {{x0, y0, 0.5f, 1, color, u0, v0},
                            {x1, y0, 0.5f, 1, color, u1, v0},
                            {x1, y1, 0.5f, 1, color, u1, v1},
                            {x0, y1, 0.5f, 1, color, u0, v1}};
    device->SetFVF(kScreenFvf);
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ScreenVertex));
}

int CountPixels(const std::vector<std::uint32_t>& pixels, std::uint32_t rgb) {
    int n = 0;
    for (std::uint32_t p : pixels)
        n += (p & 0xFFFFFF) == rgb;
    return n;
}

// A managed A8R8G8B8 texture of one level with these texels, rows top-down.
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT width, UINT height,
                               std::initializer_list<std::uint32_t> texels) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     &texture, nullptr)))
        return nullptr;
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    auto texel = texels.begin();
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                             y * UINT(locked.Pitch))[x] = *texel++;
    texture->UnlockRect(0);
    return texture;
}

// A render-target texture bound as target 0, with the back buffer kept to
// bind again; everything released at the end.
struct BoundTarget {
    BoundTarget(IDirect3DDevice9* d, UINT width, UINT height, D3DFORMAT format) : device(d) {
        if (FAILED(device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, format,
                                         D3DPOOL_DEFAULT, &texture, nullptr)))
            return;
        texture->GetSurfaceLevel(0, &surface);
        device->GetRenderTarget(0, &back);
        device->SetRenderTarget(0, surface);
    }
    ~BoundTarget() {
        if (!texture)
            return;
        device->SetRenderTarget(0, back);
        back->Release();
        surface->Release();
        texture->Release();
    }
    BoundTarget(const BoundTarget&) = delete;
    BoundTarget& operator=(const BoundTarget&) = delete;

    IDirect3DDevice9* device;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DSurface9* surface = nullptr;
    IDirect3DSurface9* back = nullptr;
};

class GlDeviceGLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.Ok()); }
    GlTestDevice gl{64, 48};
};

} // namespace

TEST_F(GlDeviceGLTest, ClearColoursReadBackExactly) {
    for (DWORD color : {0xFF0F1419u, 0xFF0D1115u, 0xFF000000u, 0xFFFFFFFFu, 0xFF7F3F01u}) {
        ASSERT_EQ(gl.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0),
                  D3D_OK);
        std::vector<std::uint32_t> pixels = gl.ReadTarget();
        ASSERT_EQ(pixels.size(), 64u * 48u);
        EXPECT_EQ(pixels[0], color);
        EXPECT_EQ(pixels[64 * 48 - 1], color);
        EXPECT_EQ(CountPixels(pixels, color & 0xFFFFFF), 64 * 48);
    }
}

TEST_F(GlDeviceGLTest, ClearCoversTheViewportAndTheRectanglesOnly) {
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    D3DVIEWPORT9 vp{8, 4, 16, 8, 0, 1};
    gl.device->SetViewport(&vp);
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
    std::vector<std::uint32_t> pixels = gl.ReadTarget();
    EXPECT_EQ(CountPixels(pixels, 0x00FF00), 16 * 8);
    EXPECT_EQ(pixels[4 * 64 + 8] & 0xFFFFFF, 0x00FF00u); // top-left of the viewport
    EXPECT_EQ(pixels[3 * 64 + 8] & 0xFFFFFF, 0u);        // the row above it
    D3DRECT rect{10, 5, 12, 6};
    gl.device->Clear(1, &rect, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
    pixels = gl.ReadTarget();
    EXPECT_EQ(CountPixels(pixels, 0xFF0000), 2);
    EXPECT_EQ(pixels[5 * 64 + 10] & 0xFFFFFF, 0xFF0000u);
}

TEST_F(GlDeviceGLTest, RenderTargetsSwitchAndComeBack) {
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
    std::vector<std::uint32_t> small;
    {
        BoundTarget target(gl.device, 32, 24, D3DFMT_X8R8G8B8);
        ASSERT_NE(target.surface, nullptr);
        D3DVIEWPORT9 vp;
        gl.device->GetViewport(&vp);
        EXPECT_EQ(vp.Width, 32u);
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1.0f, 0);
        gl.device->BeginScene();
        DrawRect(gl.device, -0.5f, -0.5f, 15.5f, 11.5f, 0xFF00FF00); // the top-left quarter
        gl.device->EndScene();
        small = gl.Read(target.surface);
    }
    ASSERT_EQ(small.size(), 32u * 24u);
    EXPECT_EQ(CountPixels(small, 0x00FF00), 16 * 12);
    EXPECT_EQ(small[0] & 0xFFFFFF, 0x00FF00u); // row 0 is the top row
    EXPECT_EQ(small[23 * 32 + 31] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(CountPixels(gl.ReadTarget(), 0x0000FF), 64 * 48);
}

TEST_F(GlDeviceGLTest, AOnePixelQuadFillsExactlyThePixelDirect3DWould) {
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    gl.device->BeginScene();
    // Pixel centres sit on whole numbers: a square around (10, 5) covers
    // exactly that pixel, and so does the square from (20, 7) to (21, 8),
    // whose top-left corner is the centre of pixel (20, 7).
    DrawRect(gl.device, 9.5f, 4.5f, 10.5f, 5.5f, 0xFFFF0000);
    DrawRect(gl.device, 20.0f, 7.0f, 21.0f, 8.0f, 0xFF00FF00);
    gl.device->EndScene();
    std::vector<std::uint32_t> pixels = gl.ReadTarget();
    EXPECT_EQ(CountPixels(pixels, 0xFF0000), 1);
    EXPECT_EQ(pixels[5 * 64 + 10] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(CountPixels(pixels, 0x00FF00), 1);
    EXPECT_EQ(pixels[7 * 64 + 20] & 0xFFFFFF, 0x00FF00u);
}

TEST_F(GlDeviceGLTest, TexturesMapTexelsToPixelsWithTheHalfPixelOffset) {
    IDirect3DTexture9* texture =
        MakeTexture(gl.device, 2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_NE(texture, nullptr);
    gl.device->SetTexture(0, texture);
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    gl.device->BeginScene();
    DrawRect(gl.device, -0.5f, -0.5f, 1.5f, 1.5f, 0xFFFFFFFF);
    gl.device->EndScene();
    std::vector<std::uint32_t> pixels = gl.ReadTarget();
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pixels[1] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixels[64] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(pixels[65] & 0xFFFFFF, 0xFFFFFFu);
    gl.device->SetTexture(0, nullptr);
    texture->Release();
}

TEST_F(GlDeviceGLTest, ResetWaitsForDefaultPoolObjectsAndThenWorks) {
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(gl.device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                       D3DPOOL_DEFAULT, &target, nullptr),
              D3D_OK);
    EXPECT_EQ(gl.device->Reset(&gl.params), D3DERR_INVALIDCALL);
    target->Release();
    ASSERT_EQ(gl.device->Reset(&gl.params), D3D_OK);
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0);
    EXPECT_EQ(gl.ReadTarget()[100], 0xFF123456u);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(GlDeviceGLTest, ALostDeviceDrawsNothingUntilItIsReset) {
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF111111, 1.0f, 0);
    RequestGlDeviceLoss();
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(gl.device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF222222, 1.0f, 0), D3D_OK);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    ASSERT_EQ(gl.device->Reset(&gl.params), D3D_OK);
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF333333, 1.0f, 0);
    EXPECT_EQ(gl.ReadTarget()[0], 0xFF333333u);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(GlDeviceGLTest, FloatTargetsKeepValuesAboveOne) {
    BoundTarget target(gl.device, 4, 4, D3DFMT_A32B32G32R32F);
    ASSERT_NE(target.surface, nullptr);
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FF4000, 1.0f, 0);
    std::vector<float> pixels = gl.ReadFloat(target.surface);
    ASSERT_EQ(pixels.size(), 64u);
    EXPECT_FLOAT_EQ(pixels[0], 1.0f);
    EXPECT_NEAR(pixels[1], 64.0f / 255.0f, 1e-6);
    EXPECT_NEAR(pixels[3], 128.0f / 255.0f, 1e-6);
}

TEST_F(GlDeviceGLTest, ReportsShaderModelsAndVertexProcessing) {
    D3DCAPS9 caps;
    ASSERT_EQ(gl.device->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_GE(caps.PixelShaderVersion, D3DPS_VERSION(2, 0));
    EXPECT_GE(caps.VertexShaderVersion, D3DVS_VERSION(1, 1));
    EXPECT_FALSE(gl.device->GetSoftwareVertexProcessing());
}

TEST_F(GlDeviceGLTest, ProgramsSampleEveryStageFromTheirFirstDraw) {
    const char* vertex = "layout(location = ZQ_ATTRIB_POSITION0) in vec4 position;\n"
                         "layout(location = ZQ_ATTRIB_TEXCOORD0) in vec2 texcoord;\n"
                         "out vec2 uv;\n"
                         "void VertexMain() { zq_Position = vec4(position.xy, 0.5, 1.0); "
                         "uv = texcoord; }\n";
    const char* pixel = "in vec2 uv;\n"
                        "vec4 PixelMain() { return vec4(texture(zq_Sampler0, uv).r, "
                        "texture(zq_Sampler1, uv).g, 0.0, 1.0); }\n";
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(gl.device->CreateVertexShader(reinterpret_cast<const DWORD*>(vertex), &vs), D3D_OK)
        << gl.device->GetShaderErrorText();
    ASSERT_EQ(gl.device->CreatePixelShader(reinterpret_cast<const DWORD*>(pixel), &ps), D3D_OK)
        << gl.device->GetShaderErrorText();
    // Two textures never drawn before: both upload during the one draw.
    IDirect3DTexture9* textures[2] = {MakeTexture(gl.device, 1, 1, {0xFFFF0000}),
                                      MakeTexture(gl.device, 1, 1, {0xFF00FF00})};
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(textures[i], nullptr);
        gl.device->SetTexture(DWORD(i), textures[i]);
    }
    struct ClipVertex {
        float x, y, z, u, v;
    } quad[4] = {
        {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
    gl.device->SetVertexShader(vs);
    gl.device->SetPixelShader(ps);
    gl.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    gl.device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    gl.device->BeginScene();
    gl.device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ClipVertex));
    gl.device->EndScene();
    EXPECT_EQ(gl.ReadTarget()[24 * 64 + 32] & 0xFFFFFF, 0xFFFF00u);
    gl.device->SetVertexShader(nullptr);
    gl.device->SetPixelShader(nullptr);
    for (int i = 0; i < 2; ++i) {
        gl.device->SetTexture(DWORD(i), nullptr);
        textures[i]->Release();
    }
    vs->Release();
    ps->Release();
}

TEST_F(GlDeviceGLTest, SamplersFilterAndAddressAsTheirStatesSay) {
    // Two texels, black and white, stretched over a 16-pixel quad.
    IDirect3DTexture9* texture = MakeTexture(gl.device, 2, 1, {0xFF000000, 0xFFFFFFFF});
    ASSERT_NE(texture, nullptr);
    gl.device->SetTexture(0, texture);
    auto drawRow = [&](float u0, float u1) {
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        gl.device->BeginScene();
        DrawRect(gl.device, -0.5f, -0.5f, 15.5f, 0.5f, 0xFFFFFFFF, u0, 0, u1, 1);
        gl.device->EndScene();
        std::vector<std::uint32_t> pixels = gl.ReadTarget();
        return std::vector<int>{Red(pixels[0]), Red(pixels[7]), Red(pixels[8]), Red(pixels[15])};
    };
    // Point: a hard step in the middle.
    std::vector<int> point = drawRow(0, 1);
    EXPECT_EQ(point, (std::vector<int>{0, 0, 255, 255}));
    // Linear: a ramp between the texel centres, flat beyond them (clamped).
    gl.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    gl.device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    gl.device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    std::vector<int> linear = drawRow(0, 1);
    EXPECT_EQ(linear[0], 0);
    EXPECT_GT(linear[1], 90);
    EXPECT_LT(linear[1], 160);
    EXPECT_EQ(linear[3], 255);
    // Wrap against clamp over two repeats: clamped, the second half stays white.
    gl.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    gl.device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    std::vector<int> clamped = drawRow(0, 2);
    EXPECT_EQ(clamped, (std::vector<int>{0, 255, 255, 255}));
    gl.device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    std::vector<int> wrapped = drawRow(0, 2);
    EXPECT_EQ(wrapped, (std::vector<int>{0, 255, 0, 255}));
    gl.device->SetTexture(0, nullptr);
    texture->Release();
}

// An error some earlier call left behind is not the creation's own: render
// targets of both kinds are still made.
TEST_F(GlDeviceGLTest, AnEarlierOpenGLErrorDoesNotFailTargetCreation) {
    for (bool texture : {true, false}) {
        SCOPED_TRACE(texture ? "texture target" : "depth surface");
        epoxy_glEnable(0xFFFF); // GL_INVALID_ENUM, left pending
        if (texture) {
            IDirect3DTexture9* target = nullptr;
            EXPECT_EQ(gl.device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                               D3DPOOL_DEFAULT, &target, nullptr),
                      D3D_OK);
            if (target)
                target->Release();
        } else {
            IDirect3DSurface9* target = nullptr;
            EXPECT_EQ(gl.device->CreateDepthStencilSurface(
                          16, 16, D3DFMT_D24X8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr),
                      D3D_OK);
            if (target)
                target->Release();
        }
    }
}

// A pair of programs that cannot be linked says why each time it is tried,
// not only the first.
TEST_F(GlDeviceGLTest, EveryValidationOfABrokenPairGivesTheReason) {
    const char* vertex = "layout(location = ZQ_ATTRIB_POSITION0) in vec4 position;\n"
                         "out vec3 shared;\n"
                         "void VertexMain() { zq_Position = position; shared = vec3(1.0); }\n";
    // The same name of another type: each compiles, the two do not link.
    const char* pixel = "in vec4 shared;\n"
                        "vec4 PixelMain() { return shared; }\n";
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    ASSERT_EQ(gl.device->CreateVertexShader(reinterpret_cast<const DWORD*>(vertex), &vs), D3D_OK)
        << gl.device->GetShaderErrorText();
    ASSERT_EQ(gl.device->CreatePixelShader(reinterpret_cast<const DWORD*>(pixel), &ps), D3D_OK)
        << gl.device->GetShaderErrorText();
    gl.device->SetVertexShader(vs);
    gl.device->SetPixelShader(ps);
    DWORD passes = 0;
    ASSERT_NE(gl.device->ValidateDevice(&passes), D3D_OK);
    const std::string first = gl.device->GetShaderErrorText();
    EXPECT_FALSE(first.empty());
    ASSERT_NE(gl.device->ValidateDevice(&passes), D3D_OK);
    EXPECT_EQ(gl.device->GetShaderErrorText(), first);
    gl.device->SetVertexShader(nullptr);
    gl.device->SetPixelShader(nullptr);
    vs->Release();
    ps->Release();
}

namespace {

// A program that writes the red of stages 0 and 2 and the green of stages
// 1 and 3 into four quarters of the target, drawn over all of it.
struct FourStageDraw {
    explicit FourStageDraw(IDirect3DDevice9* device) : device(device) {
        const char* vertex = "layout(location = ZQ_ATTRIB_POSITION0) in vec4 position;\n"
                             "layout(location = ZQ_ATTRIB_TEXCOORD0) in vec2 texcoord;\n"
                             "out vec2 uv;\n"
                             "void VertexMain() { zq_Position = vec4(position.xy, 0.5, 1.0); "
                             "uv = texcoord; }\n";
        const char* pixel =
            "in vec2 uv;\n"
            "vec4 PixelMain() {\n"
            "  if (uv.x < 0.5) return uv.y < 0.5 ? texture(zq_Sampler0, uv) "
            ": texture(zq_Sampler1, uv);\n"
            "  return uv.y < 0.5 ? texture(zq_Sampler2, uv) : texture(zq_Sampler3, uv);\n"
            "}\n";
        device->CreateVertexShader(reinterpret_cast<const DWORD*>(vertex), &vs);
        device->CreatePixelShader(reinterpret_cast<const DWORD*>(pixel), &ps);
        const std::uint32_t colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};
        for (int i = 0; i < 4; ++i)
            textures[i] = MakeTexture(device, 1, 1, {colours[i]});
    }
    ~FourStageDraw() {
        for (int i = 0; i < 4; ++i) {
            device->SetTexture(DWORD(i), nullptr);
            if (textures[i])
                textures[i]->Release();
        }
        device->SetVertexShader(nullptr);
        device->SetPixelShader(nullptr);
        if (vs)
            vs->Release();
        if (ps)
            ps->Release();
    }
    bool Ok() const { return vs && ps && textures[0] && textures[1] && textures[2] && textures[3]; }

    // The four quarters' colours after a draw.
    std::vector<std::uint32_t> Draw(GlTestDevice& gl) {
        struct ClipVertex {
            float x, y, z, u, v;
        } quad[4] = {
            {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};
        for (int i = 0; i < 4; ++i)
            device->SetTexture(DWORD(i), textures[i]);
        device->SetVertexShader(vs);
        device->SetPixelShader(ps);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(ClipVertex));
        device->EndScene();
        std::vector<std::uint32_t> pixels = gl.ReadTarget();
        const UINT w = gl.width, h = gl.height;
        return {pixels[h / 4 * w + w / 4], pixels[3 * h / 4 * w + w / 4],
                pixels[h / 4 * w + 3 * w / 4], pixels[3 * h / 4 * w + 3 * w / 4]};
    }

    IDirect3DDevice9* device;
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    IDirect3DTexture9* textures[4] = {};
};

const std::vector<std::uint32_t> kFourStages = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00};

} // namespace

// A context the driver reports reset is made anew by Reset: managed
// textures and programs come back on every stage, and the pixels with them.
TEST_F(GlDeviceGLTest, AResetContextIsMadeAnewAndDrawsTheSamePixels) {
    FourStageDraw draw(gl.device);
    ASSERT_TRUE(draw.Ok()) << gl.device->GetShaderErrorText();
    ASSERT_EQ(draw.Draw(gl), kFourStages);
    // The last stage bound is 3; the new context starts on unit 0.
    SimulateGlContextReset(gl.device);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    ASSERT_EQ(gl.device->Reset(&gl.params), D3D_OK);
    EXPECT_EQ(draw.Draw(gl), kFourStages);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    // Again, and this time the first texture bound in the new context is a
    // render target on the stage that was bound last in the old one.
    ASSERT_EQ(draw.Draw(gl), kFourStages);
    SimulateGlContextReset(gl.device);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    ASSERT_EQ(gl.device->Reset(&gl.params), D3D_OK);
    std::vector<std::uint32_t> quarters;
    {
        BoundTarget target(gl.device, 1, 1, D3DFMT_A8R8G8B8);
        ASSERT_NE(target.surface, nullptr);
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FFFF, 1.0f, 0);
        gl.device->SetRenderTarget(0, target.back);
        draw.textures[3]->Release();
        draw.textures[3] = target.texture;
        target.texture->AddRef();
        for (DWORD stage = 0; stage < 3; ++stage) {
            draw.textures[stage]->Release();
            draw.textures[stage] = nullptr;
        }
        quarters = draw.Draw(gl);
        draw.textures[3]->Release();
        draw.textures[3] = nullptr;
        gl.device->SetTexture(3, nullptr);
    }
    ASSERT_EQ(quarters.size(), 4u);
    EXPECT_EQ(quarters[3], 0xFF00FFFFu) << std::hex << quarters[3];
}

// Two devices side by side (a window and a thumbnail renderer, say): one
// losing its context leaves the other's names and pictures alone.
TEST_F(GlDeviceGLTest, ANewContextOfOneDeviceLeavesAnotherDrawing) {
    GlTestDevice other(32, 32);
    ASSERT_TRUE(other.Ok());
    FourStageDraw mine(gl.device), theirs(other.device);
    ASSERT_TRUE(mine.Ok() && theirs.Ok());
    ASSERT_EQ(mine.Draw(gl), kFourStages);
    ASSERT_EQ(theirs.Draw(other), kFourStages);
    SimulateGlContextReset(gl.device);
    EXPECT_EQ(gl.device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    ASSERT_EQ(gl.device->Reset(&gl.params), D3D_OK);
    EXPECT_EQ(theirs.Draw(other), kFourStages);
    EXPECT_EQ(other.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(mine.Draw(gl), kFourStages);
    EXPECT_EQ(theirs.Draw(other), kFourStages);
}
