#include "platform/win32/message_box.h"
#include "platform/win32/scripted_win32.h"
#include "platform/win32/win32.h"

#include <gtest/gtest.h>

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { SetWin32Backend(&backend); }
    void TearDown() override { SetWin32Backend(nullptr); }

    // MessageBoxA's result and what it wrote to stderr.
    std::pair<int, std::string> Show(const char* text, const char* caption) {
        ::testing::internal::CaptureStderr();
        int result = MessageBoxA(nullptr, text, caption, MB_OK);
        return {result, ::testing::internal::GetCapturedStderr()};
    }

    ScriptedWin32 backend;
};

} // namespace

TEST(MessageLineTest, CaptionAppearsOnce) {
    EXPECT_EQ(MessageLine("Failed", "Failed: Load Mesh from X"),
              "zelqad: Failed: Load Mesh from X\n");
    EXPECT_EQ(MessageLine("HLSL Error", "Failed: Create Shader"),
              "zelqad: HLSL Error: Failed: Create Shader\n");
    // Only a whole caption followed by ": " counts as already said.
    EXPECT_EQ(MessageLine("Info", "Information"), "zelqad: Info: Information\n");
    EXPECT_EQ(MessageLine("Failed", "Failed"), "zelqad: Failed: Failed\n");
    EXPECT_EQ(MessageLine("Error", ""), "zelqad: Error: \n");
}

TEST(MessageLineTest, FurtherLinesAreIndentedAndBlankOnesDropped) {
    EXPECT_EQ(MessageLine("HLSL Error", "Failed: Create Shader\n\n0:1: error\n0:2: error\n"),
              "zelqad: HLSL Error: Failed: Create Shader\n  0:1: error\n  0:2: error\n");
}

TEST_F(MessageBoxTest, ShownBoxKeepsItsTextsAndWritesOneLine) {
    auto [result, err] = Show("Failed: Load Mesh from X", "Failed");
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(err, "zelqad: Failed: Load Mesh from X\n");
    ASSERT_EQ(backend.messageBoxes.size(), 1u);
    EXPECT_EQ(backend.messageBoxes[0].caption, "Failed");
    EXPECT_EQ(backend.messageBoxes[0].text, "Failed: Load Mesh from X");
}

TEST_F(MessageBoxTest, BoxThatCannotBeShownLeavesTheMessageAndWhy) {
    backend.failMessageBoxes = true;
    auto [result, err] = Show("Failed: Create D3D Device", "Failed");
    EXPECT_EQ(result, 0); // as Win32 answers a box that failed
    EXPECT_EQ(err, "zelqad: Failed: Create D3D Device\n"
                   "zelqad: no message box could be shown (no box in this test)\n");
    EXPECT_EQ(backend.messageBoxes.size(), 1u);
}

TEST_F(MessageBoxTest, MissingTextAndCaptionStillMakeAMessage) {
    auto [result, err] = Show(nullptr, nullptr);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(err, "zelqad: Error: \n");
}

TEST_F(MessageBoxTest, ARunWithoutBoxesWritesTheMessageAndGoesOn) {
    SetMessageBoxesShown(false);
    auto [result, err] = Show("Failed: Load Mesh from X", "Failed");
    SetMessageBoxesShown(true);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(err, "zelqad: Failed: Load Mesh from X\n");
    EXPECT_TRUE(backend.messageBoxes.empty());
}
