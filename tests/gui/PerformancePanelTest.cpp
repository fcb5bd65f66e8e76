#include "gui/PerformancePanel.h"
#include "tests/gui/OverlayFixture.h"

namespace {

const char* const kNames[2] = {"Update", "Draw"};
const float kPanelPosition[2] = {300, 10};
const float kPanelSize[2] = {250, 25};
const float kTextPosition[2] = {300, 40};

class PerformancePanelTest : public OverlayFixture {
protected:
    void At(DWORD time) { scripted.now = time; }
    void Draw() {
        DrawPerformancePanel(app, marker, kNames, kPanelPosition, kPanelSize, kTextPosition);
    }
    // One 20 ms frame starting at `start` in which section 0 runs from 1 to
    // 1 + update ms, then section 1 is begun, as the viewer's frame does.
    void ViewerFrame(DWORD start, DWORD update) {
        if (marker.open[1]) {
            At(start - 1);
            marker.End(1);
        }
        At(start);
        marker.NewFrame();
        At(start + 1);
        marker.Begin(0);
        At(start + 1 + update);
        marker.End(0);
        marker.Begin(1);
    }
    float Budget() const { return app.framePeriod; }

    PerformanceMarker marker;
};

} // namespace

TEST(PerformancePaletteTest, EightHalfTransparentBarsWithOpaqueBrighterTexts) {
    const D3DCOLOR bars[8] = {0x7F00B24C, 0x7FB2004C, 0x7F3333CC, 0x7FB2B200,
                              0x7F00B2B2, 0x7FB200B2, 0x7FCC6600, 0x7FCC7F7F};
    const D3DCOLOR texts[8] = {0xFE00D55B, 0xFED5005B, 0xFE3D3DF4, 0xFED5D500,
                               0xFE00D5D5, 0xFED500D5, 0xFEF47A00, 0xFEF49898};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(PerformanceBarColour(i), bars[i]) << i;
        EXPECT_EQ(PerformanceTextColour(i), texts[i]) << i;
        EXPECT_EQ(PerformanceBarColour(i + 8), bars[i]) << "wraps at eight";
    }
}

TEST_F(PerformancePanelTest, FirstFrameShowsAQuarterOfUpdateAndNothingOfTheOpenDraw) {
    ViewerFrame(1000, 10);
    At(1013);
    Draw();
    ASSERT_EQ(fonts->calls.size(), 4u);
    // 2.5 ms of a 16.67 ms budget.
    EXPECT_EQ(fonts->calls[0].text, "Update 2.5ms 15.0%");
    EXPECT_EQ(fonts->calls[2].text, "Draw 0.0ms 0.0%");
    struct Expected {
        LONG left, top;
        D3DCOLOR colour;
    } expected[4] = {
        {301, 41, 0xFF000000}, {300, 40, 0xFE00D55B}, {301, 61, 0xFF000000}, {300, 60, 0xFED5005B}};
    for (int i = 0; i < 4; ++i) {
        const TextCall& call = fonts->calls[size_t(i)];
        EXPECT_EQ(call.text, fonts->calls[size_t(i & ~1)].text) << "shadow and text agree";
        EXPECT_EQ(call.count, -1);
        EXPECT_EQ(call.format, DWORD(DT_NOCLIP));
        EXPECT_EQ(call.colour, expected[i].colour) << i;
        EXPECT_EQ(call.rect.left, expected[i].left) << i;
        EXPECT_EQ(call.rect.top, expected[i].top) << i;
        EXPECT_EQ(call.rect.right, 1024);
        EXPECT_EQ(call.rect.bottom, 768);
    }
}

TEST_F(PerformancePanelTest, ALineLongerThanItsTextIsCutToTheText) {
    // 256 bytes a line: a long name keeps its first 255 characters.
    std::string longName(300, 'n');
    const char* names[2] = {longName.c_str(), "Draw"};
    ViewerFrame(1000, 10);
    At(1013);
    DrawPerformancePanel(app, marker, names, kPanelPosition, kPanelSize, kTextPosition);
    ASSERT_EQ(fonts->calls.size(), 4u);
    EXPECT_EQ(fonts->calls[0].text, std::string(255, 'n'));
    EXPECT_EQ(fonts->calls[2].text, "Draw 0.0ms 0.0%");
}

TEST_F(PerformancePanelTest, TextFirstThenTheBackgroundThenOneBarPerSection) {
    for (DWORD frame = 0; frame < 4; ++frame)
        ViewerFrame(1000 + 20 * frame, 5);
    // Section 0: begin 1, 5 ms. Section 1, open: its spans run from 6 to 19.
    device->SetFVF(D3DFVF_XYZ);
    device->calls.clear();
    Draw();
    // The text leaves the format as it found it; the rectangles then set
    // their own format and no texture right before the background.
    auto names = device->Names();
    size_t firstPanel = names.size(), lastGlyphs = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != "DrawPrimitiveUP")
            continue;
        if (device->calls[i].args[0] == D3DPT_TRIANGLELIST)
            lastGlyphs = i;
        else if (firstPanel == names.size())
            firstPanel = i;
    }
    ASSERT_LT(firstPanel, names.size());
    ASSERT_GE(firstPanel, 2u);
    EXPECT_LT(lastGlyphs, firstPanel) << "all text comes before the rectangles";
    EXPECT_EQ(names[firstPanel - 2], "SetFVF");
    EXPECT_EQ(device->calls[firstPanel - 2].args[0], double(kScreenVertexFvf));
    EXPECT_EQ(names[firstPanel - 1], "SetTexture");
    EXPECT_EQ(device->calls[firstPanel - 1].args, (std::vector<double>{0, 0}));

    auto panels = Draws(D3DPT_TRIANGLESTRIP);
    ASSERT_EQ(panels.size(), 3u);
    EXPECT_EQ(panels[0][0].x, 300.0f);
    EXPECT_EQ(panels[0][0].y, 10.0f);
    EXPECT_EQ(panels[0][5].x, 550.0f);
    EXPECT_EQ(panels[0][5].y, 35.0f);
    EXPECT_EQ(panels[0][0].color, 0xBFBFBFBFu);

    float scale = 250.0f / Budget();
    // Bars 18.75 high, the second 6.25 below the first.
    EXPECT_NEAR(panels[1][0].x, 300 + 1 * scale, 1e-3);
    EXPECT_NEAR(panels[1][5].x, 300 + 6 * scale, 1e-3);
    EXPECT_EQ(panels[1][0].y, 10.0f);
    EXPECT_EQ(panels[1][5].y, 28.75f);
    EXPECT_EQ(panels[1][0].color, 0x7F00B24Cu);
    EXPECT_NEAR(panels[2][0].x, 300 + 6 * scale, 1e-3);
    EXPECT_NEAR(panels[2][5].x, 300 + 19 * scale, 1e-3);
    EXPECT_EQ(panels[2][0].y, 16.25f);
    EXPECT_EQ(panels[2][5].y, 35.0f);
    EXPECT_EQ(panels[2][0].color, 0x7FB2004Cu);
}

TEST_F(PerformancePanelTest, SectionOverBudgetIsWiderThanThePanel) {
    for (DWORD frame = 0; frame < 4; ++frame)
        ViewerFrame(1000 + 30 * frame, 25);
    Draw();
    ASSERT_EQ(fonts->calls.size(), 4u);
    EXPECT_EQ(fonts->calls[0].text, "Update 25.0ms 150.0%");
    auto panels = Draws(D3DPT_TRIANGLESTRIP);
    ASSERT_EQ(panels.size(), 3u);
    EXPECT_NEAR(panels[1][5].x - panels[1][0].x, 375.0f, 1e-3);
    EXPECT_GT(panels[1][5].x, 550.0f);
}

TEST_F(PerformancePanelTest, BarCentredBeforeThePanelMovesOnByTheMeanFrame) {
    // Section 0 starts 3 ms before each 20 ms frame and ends 2 ms into it;
    // section 1 starts 1 ms before and ends 3 ms into it.
    At(1000);
    marker.NewFrame();
    for (DWORD start = 1020; start <= 1080; start += 20) {
        At(start - 3);
        marker.Begin(0);
        At(start - 1);
        marker.Begin(1);
        At(start);
        marker.NewFrame();
        At(start + 2);
        marker.End(0);
        At(start + 3);
        marker.End(1);
    }
    // Four complete spans each; frames 1020..1080, mean 20 ms.
    ASSERT_EQ(marker.spans[0][3].begin, -3);
    ASSERT_EQ(marker.spans[1][3].begin, -1);
    Draw();
    auto panels = Draws(D3DPT_TRIANGLESTRIP);
    ASSERT_EQ(panels.size(), 3u);
    float scale = 250.0f / Budget();
    // Centre at 300 - 0.5 * scale, left of the panel: moved on by 20 ms.
    EXPECT_NEAR(panels[1][0].x, 300 + (-3 + 20) * scale, 1e-3);
    EXPECT_NEAR(panels[1][5].x, 300 + (2 + 20) * scale, 1e-3);
    // Begun before the frame too, but centred inside the panel: not moved.
    EXPECT_NEAR(panels[2][0].x, 300 - 1 * scale, 1e-3);
    EXPECT_NEAR(panels[2][5].x, 300 + 3 * scale, 1e-3);
}
