// The overlay drawn by the OpenGL device over a cleared frame: the viewer's
// three buttons (one hovered, one pressed) and its timing panel, read back,
// checked at a few telling pixels and written as gui-overlay.png.
#include "framework/KvDX9Template.h"
#include "gui/ButtonObj.h"
#include "gui/PerformancePanel.h"
#include "tests/support/GlTestDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr D3DCOLOR kClear = 0xFF0F1419;

class OverlayApp : public KvDX9Template {
public:
    ~OverlayApp() override { CloseIfOpen(); }
    bool OnInit() override { return true; }
    void OnTerm() override { ReleaseDevice(); }
    void OnFrame() override {}
};

// The framework object on the test device, with the overlay font the
// framework makes: a 20-pixel fixed-pitch Gothic face.
class GuiOverlayGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.Ok());
        app.width = kWidth;
        app.height = kHeight;
        app.aspect = float(kWidth) / float(kHeight);
        app.framePeriod = 1000.0f / 60.0f;
        app.device = gl.device;
        app.device->AddRef(); // one reference each for the test device and the framework
        app.fontHeight = 20;
        ASSERT_EQ(D3DXCreateFontA(app.device, 20, 10, FW_NORMAL, 1, FALSE, SHIFTJIS_CHARSET,
                                  OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_DONTCARE,
                                  "MS Gothic", &app.font),
                  D3D_OK);
    }
    void TearDown() override { app.ReleaseDevice(); }

    GlTestDevice gl{kWidth, kHeight};
    OverlayApp app;
};

void Place(ButtonObj& button, float x, float y, float w, float h, const char* caption) {
    float position[2] = {x, y}, size[2] = {w, h};
    button.SetBounds(position, size);
    button.label.text = caption;
}

// A marker as it stands while the viewer draws: "Update" closed after four
// frames of about 3 ms, "Draw" open with three complete spans of about 9 ms.
PerformanceMarker SettledMarker() {
    PerformanceMarker marker;
    const std::uint32_t starts[4] = {1050, 1033, 1017, 1000};
    std::memcpy(marker.frameStarts, starts, sizeof starts);
    const PerformanceMarker::Span update[4] = {{1, 4}, {1, 5}, {0, 3}, {1, 3}};
    const PerformanceMarker::Span draw[4] = {{4, 13}, {5, 14}, {3, 12}, {3, 13}};
    std::memcpy(marker.spans[0], update, sizeof update);
    std::memcpy(marker.spans[1], draw, sizeof draw);
    marker.open[1] = true;
    return marker;
}

std::uint32_t At(const std::vector<std::uint32_t>& pixels, int x, int y) {
    return pixels[size_t(y) * kWidth + size_t(x)] & 0xFFFFFF;
}

int Grey(std::uint32_t rgb) {
    return Red(rgb);
}

} // namespace

TEST_F(GuiOverlayGLTest, ButtonsAndTimingPanelOverAClearedFrame) {
    ButtonObj shading, grid, postProcessing;
    const float W = kWidth, H = kHeight;
    Place(shading, W - 170, H - 50, 150, 30, "Programmable");
    Place(grid, W - 220, H - 50, 40, 30, "5");
    Place(postProcessing, W - 350, H - 50, 120, 30, "PP Enable");
    grid.hovered = true;
    postProcessing.hovered = true;
    postProcessing.pressed = true;
    PerformanceMarker marker = SettledMarker();
    const char* const names[2] = {"Update", "Draw"};
    const float panelPosition[2] = {300, 10}, panelSize[2] = {250, 25};
    const float textPosition[2] = {300, 40};

    IDirect3DDevice9* device = app.device;
    app.SetDefaultRenderStates();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.0f, 0);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetFVF(kScreenVertexFvf);
    device->SetTexture(0, nullptr);
    for (ButtonObj* button : {&shading, &grid, &postProcessing})
        button->Draw();
    DrawPerformancePanel(app, marker, names, panelPosition, panelSize, textPosition);
    device->EndScene();

    std::vector<std::uint32_t> pixels = gl.ReadTarget();
    ASSERT_EQ(pixels.size(), size_t(kWidth) * kHeight);
    EXPECT_FALSE(WriteScreenshot(pixels, kWidth, kHeight, "gui-overlay.png").empty());

    // Far from the overlay the frame keeps its clear colour.
    EXPECT_EQ(At(pixels, 100, 400), kClear & 0xFFFFFF);
    // Top rows of the faces: the normal face is the grey at 70 % over the
    // clear colour, the hovered one opaque 0x8B.
    EXPECT_NEAR(Grey(At(pixels, int(W - 100), int(H - 50))), 0.7 * 0x7F + 0.3 * 0x0F, 3);
    EXPECT_NEAR(Grey(At(pixels, int(W - 210), int(H - 50))), 0x8B, 3);
    // The pressed face starts two rows and two columns later.
    EXPECT_EQ(At(pixels, int(W - 300), int(H - 49)), kClear & 0xFFFFFF);
    EXPECT_EQ(At(pixels, int(W - 349), int(H - 30)), kClear & 0xFFFFFF);
    EXPECT_NEAR(Grey(At(pixels, int(W - 300), int(H - 48))), 0xB1, 3);
    // The panel's background at its top edge, right of both bars.
    EXPECT_NEAR(Grey(At(pixels, 540, 10)), 0.75 * 0xBF + 0.25 * 0x0F, 3);
    // The text lines: green for "Update", crimson for "Draw".
    int green = 0, crimson = 0;
    for (int y = 40; y < 80; ++y)
        for (int x = 300; x < 500; ++x) {
            std::uint32_t p = At(pixels, x, y);
            green += y < 60 && Green(p) > 150 && Red(p) < 60;
            crimson += y >= 60 && Red(p) > 150 && Green(p) < 60;
        }
    EXPECT_GT(green, 20);
    EXPECT_GT(crimson, 20);
}
