#include "tests/framework/TemplateFixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

using PrimitivesTest = TemplateFixture;

float FloatOf(double bits) {
    DWORD word = DWORD(bits);
    float f;
    std::memcpy(&f, &word, sizeof f);
    return f;
}

std::vector<std::pair<double, double>> States(const RecordingDevice& device,
                                              const std::string& call) {
    std::vector<std::pair<double, double>> out;
    for (const RecordedCall* c : device.Calls(call))
        out.emplace_back(c->args[c->args.size() - 2], c->args.back());
    return out;
}

} // namespace

TEST(ColorWordsTest, ColorFromFloatsTruncatesAndWrapsWithoutClamping) {
    EXPECT_EQ(KvDX9Template::ColorFromFloats(0.1f, 0.1f, 0.1f, 1.0f), 0xFF191919u);
    EXPECT_EQ(KvDX9Template::ColorFromFloats(1, 1, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(KvDX9Template::ColorFromFloats(0.5f, 0.5f, 0.5f, 64.0f), 0xC07F7F7Fu);
    EXPECT_EQ(KvDX9Template::ColorFromFloats(0.06f, 0.08f, 0.1f, 1.0f), 0xFF0F1419u);
    EXPECT_EQ(KvDX9Template::ColorFromFloats(0.06f * 0.85f, 0.08f * 0.85f, 0.1f * 0.85f, 1.0f),
              0xFF0D1115u);
    // Negative components keep the low byte of their truncated value.
    EXPECT_EQ(KvDX9Template::ColorFromFloats(-0.5f, 0, 0, 0) & 0x00FF0000u, 0x00810000u);
    // A value no integer holds gives nothing rather than undefined bits.
    EXPECT_EQ(KvDX9Template::ColorFromFloats(1e30f, 0, 0, 0), 0u);
}

TEST(ColorWordsTest, ScaleColorTruncatesAndClampsEachChannel) {
    D3DCOLOR c = 0xFF808080;
    KvDX9Template::ScaleColor(c, 2, 2, 2, 1);
    EXPECT_EQ(c, 0xFFFFFFFFu);
    c = 0xFF808080;
    KvDX9Template::ScaleColor(c, 0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(c, 0x7F404040u);
    c = 0xB27F7F7F;
    KvDX9Template::ScaleColor(c, 1.4f, 1.4f, 1.4f, 1.5f);
    EXPECT_EQ(c, 0xFFB1B1B1u);
    c = 0xB27F7F7F;
    KvDX9Template::ScaleColor(c, 1.1f, 1.1f, 1.1f, 1.5f);
    EXPECT_EQ(c, 0xFF8B8B8Bu);
    c = 0xFF102030;
    KvDX9Template::ScaleColor(c, -1, 0, 1, 1);
    EXPECT_EQ(c, 0xFF000030u);
}

TEST_F(PrimitivesTest, DefaultStatesAreSetInOrder) {
    app.SetDefaultRenderStates();
    std::vector<std::pair<double, double>> expected = {
        {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_SPECULARENABLE, TRUE},
        {D3DRS_AMBIENT, 0xFF191919},
        {D3DRS_ALPHATESTENABLE, TRUE},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
        {D3DRS_ALPHAREF, 3},
        {D3DRS_ALPHABLENDENABLE, TRUE},
        {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
        {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_NORMALIZENORMALS, TRUE},
    };
    EXPECT_EQ(States(*device, "SetRenderState"), expected);
    std::vector<std::pair<double, double>> stage = {
        {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {D3DTSS_COLORARG2, D3DTA_DIFFUSE}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
        {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE}};
    EXPECT_EQ(States(*device, "SetTextureStageState"), stage);
    std::vector<std::pair<double, double>> sampler = {{D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                                      {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                                      {D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}};
    EXPECT_EQ(States(*device, "SetSamplerState"), sampler);
}

TEST_F(PrimitivesTest, LinearFogStoresItsRangeAsFloatBits) {
    app.SetLinearFog(200, 950, 0xFF101010);
    auto states = States(*device, "SetRenderState");
    ASSERT_EQ(states.size(), 7u);
    EXPECT_EQ(states[0], std::make_pair(double(D3DRS_FOGENABLE), 1.0));
    EXPECT_EQ(states[1], std::make_pair(double(D3DRS_RANGEFOGENABLE), 1.0));
    EXPECT_EQ(states[2], std::make_pair(double(D3DRS_FOGVERTEXMODE), double(D3DFOG_LINEAR)));
    EXPECT_EQ(states[3], std::make_pair(double(D3DRS_FOGTABLEMODE), double(D3DFOG_NONE)));
    EXPECT_EQ(states[4], std::make_pair(double(D3DRS_FOGCOLOR), double(0xFF101010)));
    EXPECT_EQ(FloatOf(states[5].second), 200.0f);
    EXPECT_EQ(FloatOf(states[6].second), 950.0f);
    DWORD end = 0;
    device->GetRenderState(D3DRS_FOGEND, &end);
    EXPECT_EQ(FloatOf(end), 950.0f);
}

TEST_F(PrimitivesTest, PanelShadesFromTheColourThroughALightBandToADarkBottom) {
    device->SetFVF(kScreenVertexFvf);
    struct Case {
        D3DCOLOR colour, light, dark;
    } cases[] = {{0xFF808080, 0xFFD9D9D9, 0xFF262626},
                 {0xFF000000, 0xFF333333, 0xFF000000},
                 {0xFFFFFFFF, 0xFFFFFFFF, 0xFF7F7F7F},
                 {0xB27F7F7F, 0xB2D8D8D8, 0xB2252525}};
    for (const Case& c : cases) {
        device->calls.clear();
        float p0[2] = {100, 200}, p1[2] = {250, 230};
        app.DrawPanel(p0, p1, c.colour);
        auto draws = device->Calls("DrawPrimitiveUP");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0]->args, (std::vector<double>{D3DPT_TRIANGLESTRIP, 4, 28}));
        ASSERT_EQ(draws[0]->data.size(), 6 * sizeof(ScreenVertex));
        const ScreenVertex* v = &draws[0]->As<ScreenVertex>();
        float ym = 0.7f * 200 + 0.3f * 230;
        ScreenVertex expected[6] = {
            {100, 200, 0.5f, 1, c.colour, 0, 0},  {250, 200, 0.5f, 1, c.colour, 1, 0},
            {100, ym, 0.5f, 1, c.light, 0, 0.3f}, {250, ym, 0.5f, 1, c.light, 1, 0.3f},
            {100, 230, 0.5f, 1, c.dark, 0, 1},    {250, 230, 0.5f, 1, c.dark, 1, 1}};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(std::memcmp(&v[i], &expected[i], sizeof(ScreenVertex)), 0)
                << std::hex << c.colour << " vertex " << i << " colour " << v[i].color;
    }
}

TEST_F(PrimitivesTest, ScreenQuadReachesTheFarCornerLessHalfAPixel) {
    float p0[2] = {0, 0};
    app.DrawScreenQuad(p0);
    auto draws = device->Calls("DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->args, (std::vector<double>{D3DPT_TRIANGLEFAN, 2, 28}));
    const ScreenVertex* v = &draws[0]->As<ScreenVertex>();
    EXPECT_EQ(v[0].x, 0.0f);
    EXPECT_EQ(v[1].x, 1023.5f);
    EXPECT_EQ(v[2].x, 1023.5f);
    EXPECT_EQ(v[2].y, 767.5f);
    EXPECT_EQ(v[3].y, 767.5f);
    EXPECT_EQ(v[2].u, 1.0f);
    EXPECT_EQ(v[2].v, 1.0f);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(v[i].color, 0xFFFFFFFFu);
}

TEST_F(PrimitivesTest, AxesFadeFromPaleTintsToPureColours) {
    app.DrawAxes();
    auto draws = device->Calls("DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->args, (std::vector<double>{D3DPT_LINELIST, 3, 16}));
    const LineVertex* v = &draws[0]->As<LineVertex>();
    LineVertex expected[6] = {{-1, 0, 0, 0x00FF7F7F}, {1, 0, 0, 0xFFFF0000},
                              {0, -1, 0, 0x007FFF7F}, {0, 1, 0, 0xFF00FF00},
                              {0, 0, -1, 0x007F7FFF}, {0, 0, 1, 0xFF0000FF}};
    EXPECT_EQ(std::memcmp(v, expected, sizeof expected), 0);
}

TEST_F(PrimitivesTest, GridOfSizeThousandDrawsFiftyOneCallsOfTwoLinesTwentyUnitsApart) {
    float a[3] = {0, 0, 1}, b[3] = {1, 0, 0}, centre[3] = {0, -20, 0};
    app.DrawGrid(a, b, centre, 1000, 0xC07F7F7F);
    auto draws = device->Calls("DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 51u);
    for (size_t i = 0; i < draws.size(); ++i) {
        EXPECT_EQ(draws[i]->args, (std::vector<double>{D3DPT_LINELIST, 2, 16}));
        const LineVertex* q = &draws[i]->As<LineVertex>();
        float offset = -500.0f + 20.0f * float(i);
        // q0-q1 along B (x) at z = offset; q2-q3 along A (z) at x = offset.
        EXPECT_NEAR(q[0].x, -500.0f, 1e-3f);
        EXPECT_NEAR(q[1].x, 500.0f, 1e-3f);
        EXPECT_NEAR(q[0].z, offset, 1e-3f);
        EXPECT_NEAR(q[1].z, offset, 1e-3f);
        EXPECT_NEAR(q[2].x, offset, 1e-3f);
        EXPECT_NEAR(q[3].x, offset, 1e-3f);
        EXPECT_NEAR(q[2].z, -500.0f, 1e-3f);
        EXPECT_NEAR(q[3].z, 500.0f, 1e-3f);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(q[k].y, -20.0f);
            EXPECT_EQ(q[k].color, 0xC07F7F7Fu);
        }
    }
}
