// The glyphs that reach below the baseline (underscore, descenders) draw
// whole, also in a rectangle one line high.
#include "tests/support/GlTestDevice.h"
#include "utility/d3dx9font.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int kCell = 20;
constexpr RECT kLine{10, 10, 246, 10 + kCell};

class FontGlyphsGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.Ok());
        ASSERT_EQ(D3DXCreateFontA(gl.device, kCell, kCell / 2, FW_NORMAL, 1, FALSE,
                                  SHIFTJIS_CHARSET, 0, 0, FIXED_PITCH, "MS Gothic", &font),
                  D3D_OK);
    }
    void TearDown() override { font->Release(); }

    std::vector<std::uint32_t> Draw(const char* text, DWORD format) {
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        gl.device->BeginScene();
        RECT rect = kLine;
        font->DrawTextA(nullptr, text, -1, &rect, format, 0xFFFFFFFF);
        gl.device->EndScene();
        return gl.ReadTarget();
    }

    // The rows, top and bottom, of the pixels the text lit.
    std::pair<int, int> LitRows(const std::vector<std::uint32_t>& pixels) {
        int top = int(gl.height), bottom = -1;
        for (size_t i = 0; i < pixels.size(); ++i)
            if (Green(pixels[i]) > 0) {
                int y = int(i / gl.width);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        return {top, bottom};
    }

    GlTestDevice gl{256, 64};
    ID3DXFont* font = nullptr;
};

} // namespace

TEST_F(FontGlyphsGLTest, UnderscoreAndDescendersDrawWholeInOneLine) {
    const int baseline = LitRows(Draw("a", DT_NOCLIP)).second;
    for (const char* text : {"_", "g", "j", "p", "q", "y", ","}) {
        SCOPED_TRACE(text);
        std::vector<std::uint32_t> unclipped = Draw(text, DT_NOCLIP);
        auto [top, bottom] = LitRows(unclipped);
        ASSERT_GE(bottom, 0) << "nothing drawn";
        EXPECT_GT(bottom, baseline);
        EXPECT_LT(bottom, kLine.bottom);
        // Cut to the line's rectangle, nothing of it is lost.
        EXPECT_EQ(Draw(text, DT_LEFT), unclipped);
        if (text[0] == '_') {
            EXPECT_GT(top, baseline);
        }
    }
    WriteScreenshot(
        Draw("a_b gjpqy, \xD1\x81\xD0\xBB\xD0\xBE\xD0\xBC_\xC3\xBC\xE6\xA8\xA1.x", DT_LEFT),
        gl.width, gl.height, "font-glyphs.png");
}
