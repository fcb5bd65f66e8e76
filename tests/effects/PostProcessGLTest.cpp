// The post-processing effect drawn by the OpenGL device against its programs
// worked out on the processor. The chain runs as the viewer runs it, with
// blending enabled as the device's default states have it: scene -> half A
// (P0) -> half B (P1) -> half A (P2) -> scene (P3), each pass reading the
// previous pass's result and blending onto what its target held.
#include "effects/effect_resources.h"
#include "tests/effects/float_image.h"
#include "tests/effects/post_reference.h"
#include "utility/d3dx9effect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr UINT kWidth = 48;
constexpr UINT kHeight = 32;
constexpr float kTolerance = 2.0f / 255.0f;

struct QuadVertex {
    float x, y, z, u, v;
};
// The clip-space quad of the chain, as a triangle fan.
const QuadVertex kQuad[4] = {
    {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};

// Parameters made the viewer's way for this target size: the blur offset
// from the target's size and the weights 9/65 to 0/65.
PostParameters ViewerParameters() {
    PostParameters p{};
    p.pixelSize[0] = 1.0f / kWidth;
    p.pixelSize[1] = 1.0f / kHeight;
    float s = float(kWidth + kHeight) * 0.003f;
    p.blurOffset[0] = s / kWidth;
    p.blurOffset[1] = s / kHeight;
    float unit = 1.0f / 65.0f;
    for (int i = 0; i < 8; ++i)
        p.blurWeights[i] = unit * float(i == 0 ? 9 : 8 - i);
    p.blurWeights[8] = 0;
    p.brightRate = 0.65f;
    return p;
}

// A scene with bright and dark parts, smooth and sharp edges, and alpha from
// 0 to 1 (a quarter of it 1).
FloatImage TestScene() {
    FloatImage scene(int(kWidth), int(kHeight), D3DXVECTOR4(0, 0, 0, 1));
    for (int y = 0; y < int(kHeight); ++y) {
        for (int x = 0; x < int(kWidth); ++x) {
            float r = 0.5f + 0.5f * std::sin(float(x) * 0.4f + float(y) * 0.1f);
            float g = (x / 6 + y / 5) % 2 ? 0.95f : 0.1f;
            float b = float(y) / float(kHeight);
            float a = (x + y) % 4 == 0 ? 1.0f : float((x * 7 + y * 3) % 11) / 10.0f;
            scene.At(x, y) = D3DXVECTOR4(r, g, b, a);
        }
    }
    return scene;
}

void ExpectClose(const FloatImage& drawn, const FloatImage& expected, const char* what) {
    ASSERT_EQ(drawn.texels.size(), expected.texels.size()) << what;
    float worst = 0;
    size_t worstAt = 0;
    for (size_t i = 0; i < drawn.texels.size(); ++i) {
        const float* a = &drawn.texels[i].x;
        const float* b = &expected.texels[i].x;
        for (int k = 0; k < 4; ++k) {
            float error = std::fabs(a[k] - b[k]);
            if (!(error <= worst))
                worst = error, worstAt = i;
        }
    }
    const D3DXVECTOR4& a = drawn.texels[worstAt];
    const D3DXVECTOR4& b = expected.texels[worstAt];
    EXPECT_LE(worst, kTolerance) << what << ", pixel " << worstAt % size_t(drawn.width) << ","
                                 << worstAt / size_t(drawn.width) << ": drawn (" << a.x << " "
                                 << a.y << " " << a.z << " " << a.w << "), expected (" << b.x << " "
                                 << b.y << " " << b.z << " " << b.w << ")";
}

class PostProcessGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterEffectResources();
        ASSERT_TRUE(gl.Ok());
        ASSERT_EQ(D3DXCreateEffectFromResourceA(
                      gl.device, nullptr, MAKEINTRESOURCEA(kPostProcessEffectResource), nullptr,
                      nullptr, D3DXSHADER_SKIPVALIDATION, nullptr, &effect, nullptr),
                  D3D_OK);
        SetParameters(ViewerParameters());
        IDirect3DDevice9* d = gl.device;
        // No depth test, and no depth buffer, which would have to be as large
        // as each target.
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d->SetDepthStencilSurface(nullptr);
        d->SetRenderState(D3DRS_FOGENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    }

    void TearDown() override {
        if (effect)
            effect->Release();
    }

    void SetParameters(const PostParameters& p) {
        params = p;
        effect->SetValue("g_BrightRate", &p.brightRate, 4);
        effect->SetValue("g_PixelSize", p.pixelSize, 8);
        effect->SetValue("g_BlurOffset", p.blurOffset, 8);
        effect->SetValue("g_BlurWeights", p.blurWeights, 36);
    }

    // Fills a target with an image by clearing it and drawing nothing else:
    // a float target cleared to a colour holds that colour exactly.
    void ClearTo(const FloatTarget& target, D3DCOLOR colour) {
        gl.device->SetRenderTarget(0, target.surface);
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
    }

    // One pass of the technique begun: render target, source, draw.
    void Pass(UINT pass, const FloatTarget& target, IDirect3DTexture9* source) {
        gl.device->SetRenderTarget(0, target.surface);
        effect->SetTexture("g_Tex0", source);
        effect->BeginPass(pass);
        gl.device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, sizeof(QuadVertex));
        effect->EndPass();
    }

    GlTestDevice gl{kWidth, kHeight};
    ID3DXEffect* effect = nullptr;
    PostParameters params{};
};

} // namespace

TEST_F(PostProcessGLTest, EveryPassOfTheChainBlendsWhatItsProgramComputes) {
    IDirect3DDevice9* d = gl.device;
    FloatImage sceneImage = TestScene();
    IDirect3DTexture9* sceneSource = CreateFloatTexture(d, sceneImage);
    FloatTarget scene(d, kWidth, kHeight), halfA(d, kWidth / 2, kHeight / 2),
        halfB(d, kWidth / 2, kHeight / 2);
    ASSERT_TRUE(sceneSource && scene.surface && halfA.surface && halfB.surface);
    // What the targets hold before the chain: half alpha, so that each
    // pass's blend with the destination shows.
    ClearTo(scene, 0x80203040);
    ClearTo(halfA, 0x80402010);
    ClearTo(halfB, 0x40104080);
    FloatImage before[3] = {ReadFloatImage(gl, scene.surface), ReadFloatImage(gl, halfA.surface),
                            ReadFloatImage(gl, halfB.surface)};

    int w = int(kWidth), h = int(kHeight);
    d->BeginScene();
    effect->SetTechnique("T_QHDR");
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
    ASSERT_EQ(passes, 4u);
    Pass(0, halfA, sceneSource);
    FloatImage brightPass = ReadFloatImage(gl, halfA.surface);
    ExpectClose(brightPass,
                Blend(RunPostPass(PostProgram::BrightPass, params, sceneImage, w / 2, h / 2),
                      before[1], false),
                "P0, bright pass");

    Pass(1, halfB, halfA.texture);
    FloatImage down = ReadFloatImage(gl, halfB.surface);
    ExpectClose(
        down,
        Blend(RunPostPass(PostProgram::BlurV, params, brightPass, w / 2, h / 2), before[2], false),
        "P1, blur down");

    Pass(2, halfA, halfB.texture);
    FloatImage across = ReadFloatImage(gl, halfA.surface);
    ExpectClose(
        across,
        Blend(RunPostPass(PostProgram::BlurH, params, down, w / 2, h / 2), brightPass, false),
        "P2, blur across");

    Pass(3, scene, halfA.texture);
    FloatImage composite = ReadFloatImage(gl, scene.surface);
    ExpectClose(composite,
                Blend(RunPostPass(PostProgram::Composite, params, across, w, h), before[0], true),
                "P3, composite");
    effect->End();
    d->EndScene();

    effect->SetTexture("g_Tex0", nullptr);
    sceneSource->Release();
}

TEST_F(PostProcessGLTest, BrightTechniqueScalesItsSource) {
    FloatImage sceneImage = TestScene();
    IDirect3DTexture9* source = CreateFloatTexture(gl.device, sceneImage);
    FloatTarget target(gl.device, kWidth, kHeight);
    gl.device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    gl.device->BeginScene();
    effect->SetTechnique("T_Bright");
    effect->Begin(nullptr, 0);
    Pass(0, target, source);
    effect->End();
    gl.device->EndScene();
    ExpectClose(ReadFloatImage(gl, target.surface),
                RunPostPass(PostProgram::Bright, params, sceneImage, int(kWidth), int(kHeight)),
                "T_Bright");
    effect->SetTexture("g_Tex0", nullptr);
    source->Release();
}

// Small sources whose results are known in closed form: a uniform grey
// through the bright pass, a uniform image and a single bright texel through
// the blurs, and a zero blur offset.
TEST_F(PostProcessGLTest, KnownResultsOfTheBrightPassAndTheBlurs) {
    IDirect3DDevice9* d = gl.device;
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    auto run = [&](UINT pass, const FloatImage& image) {
        IDirect3DTexture9* source = CreateFloatTexture(d, image);
        FloatTarget target(d, UINT(image.width), UINT(image.height));
        d->BeginScene();
        effect->SetTechnique("T_QHDR");
        effect->Begin(nullptr, 0);
        Pass(pass, target, source);
        effect->End();
        d->EndScene();
        effect->SetTexture("g_Tex0", nullptr);
        source->Release();
        return ReadFloatImage(gl, target.surface);
    };

    for (float grey : {1.0f, 0.5f}) {
        FloatImage out = run(0, FloatImage(16, 16, D3DXVECTOR4(grey, grey, grey, 1)));
        float expected = grey * std::fmin(3 * grey * grey, 1.0f) * 0.65f; // 0.65 and 0.375 x 0.65
        EXPECT_NEAR(out.At(5, 7).x, expected, 1e-5f) << grey;
        EXPECT_NEAR(out.At(0, 0).z, expected, 1e-5f) << grey;
        EXPECT_EQ(out.At(5, 7).w, 1.0f);
    }

    // Clamped addressing repeats the edge, so a uniform image stays itself
    // up to the border.
    FloatImage uniform = run(1, FloatImage(16, 16, D3DXVECTOR4(0.3f, 0.6f, 0.9f, 1)));
    for (int y : {0, 7, 15})
        EXPECT_NEAR(uniform.At(3, y).y, 0.6f, 1e-5f) << y;

    // A bright line spreads to 17 positions one blur offset apart (here 3
    // texels, with equal weights so that the outermost taps show too), down
    // in P1 and across in P2. Each pixel samples half a texel before its own,
    // so each position lights two pixels at half strength:
    //   pixel  8  9 10 11 12 ... 32 33 34 35 36 ... 56 57
    //          *  *  .  *  *      *  *  .  *  *      *  *
    PostParameters p = params;
    p.blurOffset[0] = p.blurOffset[1] = 3.0f / 64.0f;
    for (float& w : p.blurWeights)
        w = 1.0f / 17.0f;
    SetParameters(p);
    for (UINT pass : {1u, 2u}) {
        bool down = pass == 1;
        FloatImage line(down ? 8 : 64, down ? 64 : 8, D3DXVECTOR4(0, 0, 0, 1));
        for (int i = 0; i < 8; ++i)
            (down ? line.At(i, 32) : line.At(32, i)) = D3DXVECTOR4(1, 1, 1, 1);
        FloatImage spread = run(pass, line);
        int lit = 0;
        for (int t = 0; t < 64; ++t) {
            int phase = ((t - 32) % 3 + 3) % 3; // 32 + 3m and 33 + 3m, m = -8..8
            bool onTap = phase != 2 && t >= 8 && t <= 57;
            float value = (down ? spread.At(4, t) : spread.At(t, 4)).x;
            EXPECT_NEAR(value, onTap ? 0.5f / 17.0f : 0.0f, kTolerance) << pass << " " << t;
            lit += value > 0.01f;
        }
        EXPECT_EQ(lit, 34) << pass;
    }

    // Zero offset: every tap is the centre, weighted w0 + 2 (w1 + ... + w8).
    p.blurOffset[0] = 0;
    SetParameters(p);
    FloatImage flat = run(2, FloatImage(8, 8, D3DXVECTOR4(0.5f, 0.5f, 0.5f, 1)));
    float sum = p.blurWeights[0];
    for (int k = 1; k < 9; ++k)
        sum += 2 * p.blurWeights[k];
    EXPECT_NEAR(flat.At(2, 3).x, 0.5f * sum, 1e-5f);
}
