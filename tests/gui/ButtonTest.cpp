#include "gui/ButtonObj.h"
#include "tests/gui/OverlayFixture.h"

#include <algorithm>
#include <cstring>

namespace {

// One frame of input as the shell snapshots it: the cursor where it is now,
// the left button's previous level kept for the press edge.
void Frame(int mx, int my, bool leftDown) {
    std::memcpy(inputState.prevKeys, inputState.keys, sizeof inputState.keys);
    inputState.keys[VK_LBUTTON] = leftDown ? 0x80 : 0x00;
    inputState.mouseX = mx;
    inputState.mouseY = my;
}

// The owner's per-frame work: update, then settle the latch.
bool Step(ButtonObj& button, int mx, int my, bool leftDown) {
    Frame(mx, my, leftDown);
    button.Update();
    return ConsumeClick(button);
}

class ButtonTest : public OverlayFixture {
protected:
    void SetUp() override {
        OverlayFixture::SetUp();
        float position[2] = {100, 200}, size[2] = {50, 30};
        button.SetBounds(position, size);
        button.label.text = "OK";
    }
    ButtonObj button;
};

} // namespace

TEST(ButtonDefaultsTest, FaceGreyAtSeventyPercentWithAWhiteShadowedCaption) {
    ButtonObj button;
    EXPECT_EQ(button.colour, 0xB27F7F7Fu);
    EXPECT_EQ(button.colour, KvDX9Template::ColorFromFloats(0.5f, 0.5f, 0.5f, 0.7f));
    EXPECT_FALSE(button.hovered);
    EXPECT_FALSE(button.pressed);
    EXPECT_EQ(button.label.colour, 0xFFFFFFFFu);
    EXPECT_EQ(button.label.shadowColour, 0xCC000000u);
    EXPECT_EQ(button.label.shadowColour, KvDX9Template::ColorFromFloats(0, 0, 0, 0.8f));
    EXPECT_EQ(button.label.text, nullptr);
}

TEST_F(ButtonTest, EveryEdgeOfTheRectangleIsOutside) {
    // Button spans x 100..150, y 200..230.
    struct Point {
        int x, y;
        bool inside;
    } points[] = {{100, 215, false}, {150, 215, false}, {125, 200, false}, {125, 230, false},
                  {101, 201, true},  {149, 229, true},  {99, 215, false},  {125, 231, false}};
    for (const Point& p : points) {
        Frame(p.x, p.y, false);
        button.Update();
        EXPECT_EQ(button.hovered, p.inside) << p.x << ", " << p.y;
    }
    // A press on the edge does not latch.
    Frame(100, 215, true);
    button.Update();
    EXPECT_FALSE(button.pressed);
}

TEST_F(ButtonTest, UpdateNeverClearsTheLatchItself) {
    EXPECT_FALSE(Step(button, 120, 210, true));
    EXPECT_TRUE(button.pressed);
    Frame(300, 300, true); // out, still holding
    button.Update();
    EXPECT_FALSE(button.hovered);
    EXPECT_TRUE(button.pressed) << "only the owner cancels";
}

TEST_F(ButtonTest, ReleaseInsideClicksExactlyOnceOnTheReleaseFrame) {
    bool clicks[] = {Step(button, 10, 10, false),   Step(button, 120, 210, false),
                     Step(button, 120, 210, true),  Step(button, 121, 211, true),
                     Step(button, 125, 215, true),  Step(button, 125, 215, false),
                     Step(button, 125, 215, false), Step(button, 300, 300, false)};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(clicks[i], i == 5) << "frame " << i;
    EXPECT_FALSE(button.pressed);
}

TEST_F(ButtonTest, PressThatStartsOutsideNeverClicks) {
    EXPECT_FALSE(Step(button, 50, 210, true));  // goes down outside
    EXPECT_FALSE(Step(button, 120, 210, true)); // enters holding
    EXPECT_TRUE(button.hovered);
    EXPECT_FALSE(button.pressed);
    EXPECT_FALSE(Step(button, 120, 210, false)); // released over it
}

TEST_F(ButtonTest, LeavingWhileHoldingCancelsAndComingBackDoesNotRestore) {
    EXPECT_FALSE(Step(button, 120, 210, true));
    EXPECT_TRUE(button.pressed);
    EXPECT_FALSE(Step(button, 200, 210, true)); // dragged out: cancelled
    EXPECT_FALSE(button.pressed);
    EXPECT_FALSE(Step(button, 120, 210, true)); // back in, still holding
    EXPECT_TRUE(button.hovered);
    EXPECT_FALSE(button.pressed);
    EXPECT_FALSE(Step(button, 120, 210, false));
}

TEST_F(ButtonTest, ReleaseOutsideAfterLeavingDoesNotClick) {
    EXPECT_FALSE(Step(button, 120, 210, true));
    EXPECT_FALSE(Step(button, 200, 210, false));
    EXPECT_FALSE(button.pressed);
}

TEST_F(ButtonTest, FaceColourFollowsTheStateAndAPressShiftsFaceAndCaptionTwoPixels) {
    struct State {
        bool hovered, pressed;
        D3DCOLOR face;
        float shift;
    } states[] = {{false, false, 0xB27F7F7F, 0},
                  {true, false, 0xFF8B8B8B, 0},
                  {true, true, 0xFFB1B1B1, 2},
                  {false, true, 0xFFB1B1B1, 2}};
    std::vector<std::vector<ScreenVertex>> restingGlyphs;
    for (const State& s : states) {
        device->calls.clear();
        button.hovered = s.hovered;
        button.pressed = s.pressed;
        button.Draw();
        auto panels = Draws(D3DPT_TRIANGLESTRIP);
        ASSERT_EQ(panels.size(), 1u);
        const std::vector<ScreenVertex>& face = panels[0];
        ASSERT_EQ(face.size(), 6u);
        EXPECT_EQ(face[0].color, s.face);
        EXPECT_EQ(face[0].x, 100 + s.shift);
        EXPECT_EQ(face[0].y, 200 + s.shift);
        EXPECT_EQ(face[5].x, 150 + s.shift);
        EXPECT_EQ(face[5].y, 230 + s.shift);

        auto glyphs = Draws(D3DPT_TRIANGLELIST);
        ASSERT_EQ(glyphs.size(), 2u) << "shadow and caption";
        if (restingGlyphs.empty()) {
            restingGlyphs = glyphs;
            continue;
        }
        for (size_t d = 0; d < glyphs.size(); ++d) {
            ASSERT_EQ(glyphs[d].size(), restingGlyphs[d].size());
            for (size_t v = 0; v < glyphs[d].size(); ++v) {
                EXPECT_EQ(glyphs[d][v].x, restingGlyphs[d][v].x + s.shift);
                EXPECT_EQ(glyphs[d][v].y, restingGlyphs[d][v].y + s.shift);
                EXPECT_EQ(glyphs[d][v].color, restingGlyphs[d][v].color);
            }
        }
    }
    // The caption's rectangle is the face's.
    EXPECT_EQ(button.label.x, 102.0f);
    EXPECT_EQ(button.label.y, 202.0f);
    EXPECT_EQ(button.label.w, 50.0f);
    EXPECT_EQ(button.label.h, 30.0f);
}

TEST_F(ButtonTest, CaptionIsWhiteOverItsShadow) {
    button.Draw();
    ASSERT_EQ(fonts->calls.size(), 2u);
    EXPECT_EQ(fonts->calls[0].colour, 0xCC000000u);
    EXPECT_EQ(fonts->calls[1].colour, 0xFFFFFFFFu);
    EXPECT_EQ(fonts->calls[1].text, "OK");
    // The panel comes first, the caption over it.
    auto names = device->Names();
    auto first = std::find(names.begin(), names.end(), "DrawPrimitiveUP");
    ASSERT_NE(first, names.end());
    EXPECT_EQ(device->calls[size_t(first - names.begin())].args[0], D3DPT_TRIANGLESTRIP);
}
