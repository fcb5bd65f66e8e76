// Text drawn on the OpenGL device lands where its rectangle and alignment
// say, with the shadow one pixel right of and below the text.
#include "tests/support/GlTestDevice.h"
#include "utility/d3dx9font.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool Empty() const { return left > right; }
};

// The bounding box of pixels whose colour matches.
template <class Match>
Box Find(const std::vector<std::uint32_t>& pixels, int width, Match match) {
    Box box;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (!match(pixels[i]))
            continue;
        int x = int(i % size_t(width)), y = int(i / size_t(width));
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
    }
    return box;
}

bool White(std::uint32_t c) {
    return Red(c) > 250 && Green(c) > 250 && Blue(c) > 250;
}

class FontGLTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(gl.Ok());
        ASSERT_EQ(D3DXCreateFontA(gl.device, 20, 10, FW_NORMAL, 1, FALSE, SHIFTJIS_CHARSET, 0, 0,
                                  FIXED_PITCH, "MS Gothic", &font),
                  D3D_OK);
        RECT calc{0, 0, 0, 0};
        font->DrawTextA(nullptr, kText, -1, &calc, DT_CALCRECT, 0);
        textWidth = calc.right;
    }
    void TearDown() override { font->Release(); }

    // Draws the shadowed text as the overlay does and returns the pixels.
    std::vector<std::uint32_t> Draw(RECT rect, DWORD align) {
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
        gl.device->BeginScene();
        RECT shadow{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom};
        font->DrawTextA(nullptr, kText, -1, &shadow, align | DT_NOCLIP, 0xFF000000);
        font->DrawTextA(nullptr, kText, -1, &rect, align | DT_NOCLIP, 0xFFFFFFFF);
        gl.device->EndScene();
        return gl.ReadTarget();
    }

    std::vector<std::uint32_t> DrawOnly(RECT rect, D3DCOLOR colour) {
        gl.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
        gl.device->BeginScene();
        font->DrawTextA(nullptr, kText, -1, &rect, DT_LEFT | DT_NOCLIP, colour);
        gl.device->EndScene();
        return gl.ReadTarget();
    }

    static constexpr const char* kText = "Programmable";
    GlTestDevice gl{256, 64};
    ID3DXFont* font = nullptr;
    int textWidth = 0;
};

} // namespace

TEST_F(FontGLTest, AlignmentPlacesTheTextInItsRectangle) {
    RECT rect{10, 10, 246, 64};
    struct Case {
        DWORD align;
        int left; // where the line of text starts
    } cases[] = {
        {DT_LEFT, 10}, {DT_CENTER, (10 + 246 - textWidth) / 2}, {DT_RIGHT, 246 - textWidth}};
    ASSERT_GT(textWidth, 100);
    for (const Case& c : cases) {
        std::vector<std::uint32_t> pixels = Draw(rect, c.align);
        Box text = Find(pixels, 256, White);
        ASSERT_FALSE(text.Empty());
        EXPECT_GE(text.left, c.left) << c.align;
        EXPECT_LE(text.left, c.left + 3) << c.align;
        EXPECT_LT(text.right, c.left + textWidth) << c.align;
        EXPECT_GT(text.right, c.left + textWidth - 6) << c.align;
        EXPECT_GE(text.top, 10);
        EXPECT_LT(text.bottom, 30);
    }
}

TEST_F(FontGLTest, TheShadowLiesOnePixelRightAndBelow) {
    // Each drawn alone: every pixel that differs from the background.
    auto touched = [](std::uint32_t c) { return (c & 0xFFFFFF) != 0x808080; };
    Box text = Find(DrawOnly(RECT{10, 10, 246, 64}, 0xFFFFFFFF), 256, touched);
    Box shadow = Find(DrawOnly(RECT{11, 11, 247, 64}, 0xFF000000), 256, touched);
    ASSERT_FALSE(shadow.Empty());
    EXPECT_EQ(shadow.left, text.left + 1);
    EXPECT_EQ(shadow.top, text.top + 1);
    EXPECT_EQ(shadow.right, text.right + 1);
    EXPECT_EQ(shadow.bottom, text.bottom + 1);
}
