#include "gui/PerformanceMarker.h"
#include "platform/win32/scripted_win32.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class PerformanceMarkerTest : public ::testing::Test {
protected:
    PerformanceMarkerTest() { SetWin32Backend(&scripted); }
    ~PerformanceMarkerTest() override { SetWin32Backend(nullptr); }

    void At(DWORD time) { scripted.now = time; }

    ScriptedWin32 scripted;
    PerformanceMarker marker;
};

} // namespace

TEST_F(PerformanceMarkerTest, FirstFrameCountsTheMissingSamplesAsEmpty) {
    At(1000);
    marker.NewFrame();
    At(1002);
    marker.Begin(0);
    At(1012);
    marker.End(0);
    marker.Begin(1);
    At(1015);
    EXPECT_FLOAT_EQ(marker.AverageDuration(0), 2.5f); // a quarter of 10 ms
    EXPECT_FLOAT_EQ(marker.AverageBegin(0), 0.5f);
    EXPECT_FLOAT_EQ(marker.AverageDuration(1), 0.0f); // open: its three older samples
    EXPECT_FLOAT_EQ(marker.AverageBegin(1), 0.0f);
    EXPECT_TRUE(marker.open[1]);
    EXPECT_FALSE(marker.open[0]);
}

TEST_F(PerformanceMarkerTest, OpenSectionAveragesItsThreeCompleteSpansNotTheStaleEnd) {
    // Frames every 20 ms; section 1 lasts 4, 6, 8, 10 ms in frames 0..3.
    for (DWORD frame = 0; frame < 4; ++frame) {
        At(1000 + 20 * frame);
        marker.NewFrame();
        At(1000 + 20 * frame + 1);
        marker.Begin(1);
        At(1000 + 20 * frame + 1 + 4 + 2 * frame);
        marker.End(1);
    }
    EXPECT_FLOAT_EQ(marker.AverageDuration(1), (4 + 6 + 8 + 10) / 4.0f);
    At(1080);
    marker.NewFrame();
    At(1083);
    marker.Begin(1);
    // The newest span is (3, 11): begun now, its end still that of frame 3.
    EXPECT_EQ(marker.spans[1][0].begin, 3);
    EXPECT_EQ(marker.spans[1][0].end, 11);
    EXPECT_FLOAT_EQ(marker.AverageDuration(1), (6 + 8 + 10) / 3.0f);
    EXPECT_FLOAT_EQ(marker.AverageBegin(1), 1.0f);
}

TEST_F(PerformanceMarkerTest, SectionOpenAcrossNewFrameBeginsBeforeTheNewFrame) {
    At(1000);
    marker.NewFrame();
    At(1010);
    marker.Begin(0);
    At(1016);
    marker.NewFrame(); // the frame that ended was 16 ms long
    EXPECT_EQ(marker.spans[0][0].begin, -6);
    At(1020);
    marker.End(0);
    EXPECT_EQ(marker.spans[0][0].end, 4);
    EXPECT_FLOAT_EQ(marker.AverageDuration(0), 10 / 4.0f);
    EXPECT_FLOAT_EQ(marker.AverageBegin(0), -6 / 4.0f);
    // Closed sections are left alone by the next frame.
    At(1036);
    marker.NewFrame();
    EXPECT_EQ(marker.spans[0][0].begin, -6);
}

TEST_F(PerformanceMarkerTest, TimerWrapDoesNotDisturbTheDifferences) {
    At(0xFFFFFFE8u);
    marker.NewFrame();
    At(0xFFFFFFF0u);
    marker.NewFrame();
    At(0xFFFFFFF8u);
    marker.Begin(0);
    At(0x00000004u);
    marker.End(0);
    EXPECT_EQ(marker.spans[0][0].begin, 8);
    EXPECT_EQ(marker.spans[0][0].end, 20);
    At(0x00000006u);
    marker.Begin(1);
    At(0x0000000Cu);
    marker.NewFrame(); // 28 ms after the last, across the wrap
    EXPECT_EQ(marker.spans[1][0].begin, 22 - 28);
    At(0x00000010u);
    marker.End(1);
    EXPECT_EQ(marker.spans[1][0].end, 4);
    EXPECT_FLOAT_EQ(marker.AverageDuration(1), 10 / 4.0f);
    At(0x00000020u);
    marker.NewFrame();
    // Frames of 8, 28 and 20 ms.
    EXPECT_FLOAT_EQ(marker.MeanFrameLength(), 56 / 3.0f);
}

TEST_F(PerformanceMarkerTest, SectionsOutsideTheTableAreIgnored) {
    At(5);
    marker.NewFrame();
    PerformanceMarker before = marker;
    At(9);
    for (int section : {-1, 16, 1 << 30}) {
        marker.Begin(section);
        marker.End(section);
        EXPECT_EQ(marker.AverageDuration(section), 0.0f);
        EXPECT_EQ(marker.AverageBegin(section), 0.0f);
    }
    EXPECT_EQ(std::memcmp(&before, &marker, sizeof marker), 0);
}
