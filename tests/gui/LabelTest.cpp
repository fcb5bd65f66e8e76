#include "gui/LabelObj.h"
#include "tests/gui/OverlayFixture.h"

#include <cstring>

namespace {

using LabelTest = OverlayFixture;

} // namespace

TEST_F(LabelTest, TextIsCentredOnTheRectangleWithItsShadowOnePixelRightAndDown) {
    LabelObj label;
    label.colour = 0xFF20C040;
    label.shadowColour = 0x80000000;
    label.text = "Label";
    float position[2] = {100.75f, 200.75f}, size[2] = {50.5f, 30};
    label.SetBounds(position, size);
    app.fontHeight = 21; // halved by integer division
    label.Draw();
    // left 100, right trunc(151.25) = 151, centre trunc(215.75) = 215, top 215 - 10.
    ASSERT_EQ(fonts->calls.size(), 2u);
    const TextCall& shadow = fonts->calls[0];
    const TextCall& text = fonts->calls[1];
    EXPECT_EQ(shadow.text, "Label");
    EXPECT_EQ(shadow.count, -1);
    EXPECT_EQ(shadow.format, DWORD(DT_CENTER | DT_NOCLIP));
    EXPECT_EQ(shadow.colour, 0x80000000u);
    EXPECT_EQ(shadow.rect.left, 101);
    EXPECT_EQ(shadow.rect.top, 206);
    EXPECT_EQ(shadow.rect.right, 152);
    EXPECT_EQ(shadow.rect.bottom, 768);
    EXPECT_EQ(text.format, DWORD(DT_CENTER | DT_NOCLIP));
    EXPECT_EQ(text.colour, 0xFF20C040u);
    EXPECT_EQ(text.rect.left, 100);
    EXPECT_EQ(text.rect.top, 205);
    EXPECT_EQ(text.rect.right, 151);
    EXPECT_EQ(text.rect.bottom, 768);

    // On the device: the same quads, the shadow's one pixel right and down.
    auto draws = Draws(D3DPT_TRIANGLELIST);
    ASSERT_EQ(draws.size(), 2u);
    ASSERT_EQ(draws[0].size(), draws[1].size());
    ASSERT_FALSE(draws[1].empty());
    for (size_t v = 0; v < draws[1].size(); ++v) {
        EXPECT_EQ(draws[0][v].x, draws[1][v].x + 1);
        EXPECT_EQ(draws[0][v].y, draws[1][v].y + 1);
        EXPECT_EQ(draws[0][v].color, 0x80000000u);
        EXPECT_EQ(draws[1][v].color, 0xFF20C040u);
    }
}

TEST_F(LabelTest, FollowsItsTextPointerAndDrawsNothingWithoutText) {
    LabelObj label;
    float position[2] = {0, 0}, size[2] = {200, 20};
    label.SetBounds(position, size);
    label.Draw();
    EXPECT_TRUE(fonts->calls.empty());
    EXPECT_TRUE(device->calls.empty());

    char caption[8] = "one";
    label.text = caption;
    label.Draw();
    std::strcpy(caption, "two");
    label.Draw();
    ASSERT_EQ(fonts->calls.size(), 4u);
    EXPECT_EQ(fonts->calls[1].text, "one");
    EXPECT_EQ(fonts->calls[3].text, "two");
}
