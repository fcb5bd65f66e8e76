#include "platform/win32/drop.h"

#include <gtest/gtest.h>

TEST(DropTest, PlainPathsPassUnchangedButLoseLineEnds) {
    EXPECT_EQ(LocalPathFromDropItem("/home/a/mesh.x"), "/home/a/mesh.x");
    EXPECT_EQ(LocalPathFromDropItem("/home/a/mesh.x\r"), "/home/a/mesh.x");
    EXPECT_EQ(LocalPathFromDropItem("/home/a/mesh.x\r\n"), "/home/a/mesh.x");
    EXPECT_EQ(LocalPathFromDropItem("relative/file"), "relative/file");
}

TEST(DropTest, FileUrisBecomeLocalPaths) {
    EXPECT_EQ(LocalPathFromDropItem("file:///tmp/a%20b/c%25d.x"), "/tmp/a b/c%d.x");
    EXPECT_EQ(LocalPathFromDropItem("file://localhost/tmp/x.png\r\n"), "/tmp/x.png");
    // A broken escape is kept as it stands rather than guessed at.
    EXPECT_EQ(LocalPathFromDropItem("file:///tmp/100%"), "/tmp/100%");
    EXPECT_EQ(LocalPathFromDropItem("file:///tmp/%zz"), "/tmp/%zz");
    EXPECT_EQ(LocalPathFromDropItem("file://host-only"), "");
}

TEST(DropTest, QueryFileCountsCopiesAndCuts) {
    HDROP drop = MakeDrop({"/a/one", "/b/second"});
    EXPECT_EQ(DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0), 2u);
    EXPECT_EQ(DragQueryFileA(drop, 1, nullptr, 0), 9u);
    char buffer[6];
    EXPECT_EQ(DragQueryFileA(drop, 1, buffer, sizeof buffer), 5u);
    EXPECT_STREQ(buffer, "/b/se");
    char whole[16];
    EXPECT_EQ(DragQueryFileA(drop, 0, whole, sizeof whole), 6u);
    EXPECT_STREQ(whole, "/a/one");
    EXPECT_EQ(DragQueryFileA(drop, 2, whole, sizeof whole), 0u);
    EXPECT_EQ(DragQueryFileA(nullptr, 0xFFFFFFFFu, nullptr, 0), 0u);
    DragFinish(drop);
}

// What a text drop names: a list of local files, one a line, or nothing.
TEST(DropTest, TextThatListsLocalFilesIsThoseFiles) {
    using Paths = std::vector<std::string>;
    EXPECT_EQ(LocalPathsFromDroppedText("file:///tmp/a%20b.x\r\nfile://localhost/tmp/c.png\r\n"),
              (Paths{"/tmp/a b.x", "/tmp/c.png"}));
    EXPECT_EQ(LocalPathsFromDroppedText("/home/u/model.x\n\n/home/u/rock.png"),
              (Paths{"/home/u/model.x", "/home/u/rock.png"}));
    EXPECT_EQ(LocalPathsFromDroppedText("/only/one.x"), (Paths{"/only/one.x"}));
    // Anything else is not a drop of files, not even in part.
    for (const char* text :
         {"", "\r\n", "hello world", "https://example.org/model.x", "relative/model.x",
          "/tmp/a.x\nsome words", "file://host-only", "file:///tmp/cut%00/decoy.x"})
        EXPECT_TRUE(LocalPathsFromDroppedText(text).empty()) << text;
}
