#include "platform/win32/drop.h"

#include <gtest/gtest.h>

namespace {

using Paths = std::vector<std::string>;
constexpr const char* kHost = "studio";

std::string LocalPathOf(const char* item) {
    DroppedItem read = ReadDroppedItem(item, kHost);
    return read.kind == DroppedItem::Kind::LocalFile ? read.path : "(not local)";
}

} // namespace

TEST(DropTest, PathsStandForThemselvesAndFileUrisOfThisMachineAreDecoded) {
    EXPECT_EQ(LocalPathOf("/home/a/mesh.x"), "/home/a/mesh.x");
    EXPECT_EQ(LocalPathOf("/home/a/mesh.x\r\n"), "/home/a/mesh.x");
    // A path is already decoded: its % is a character of the name.
    EXPECT_EQ(LocalPathOf("/home/a/50%25.x"), "/home/a/50%25.x");
    EXPECT_EQ(LocalPathOf("file:///tmp/a%20b/c%25d.x"), "/tmp/a b/c%d.x");
    EXPECT_EQ(LocalPathOf("file://localhost/tmp/x.png\r\n"), "/tmp/x.png");
    EXPECT_EQ(LocalPathOf("FILE://LocalHost/tmp/x.png"), "/tmp/x.png");
    EXPECT_EQ(LocalPathOf("file://studio/tmp/x.png"), "/tmp/x.png");
    EXPECT_EQ(LocalPathOf("file:/tmp/x.png"), "/tmp/x.png");
    // A broken escape is kept as it stands rather than guessed at.
    EXPECT_EQ(LocalPathOf("file:///tmp/100%"), "/tmp/100%");
    EXPECT_EQ(LocalPathOf("file:///tmp/%zz"), "/tmp/%zz");
    for (const char* elsewhere : {"file://other/tmp/x.png", "file://studio.example/tmp/x.png",
                                  "file://host-only", "file:relative.x", "relative/file", "",
                                  "https://example.org/x.png", "smb://server/share/x.png"})
        EXPECT_EQ(LocalPathOf(elsewhere), "(not local)") << elsewhere;
    EXPECT_EQ(ReadDroppedItem("file:///tmp/cut%00/decoy.x", kHost).kind, DroppedItem::Kind::HasNul);
    EXPECT_EQ(ReadDroppedItem(std::string_view("/tmp/cut\0/decoy.x", 18), kHost).kind,
              DroppedItem::Kind::HasNul);
}

TEST(DropTest, UriListsGiveTheirLocalFilesAndNameTheRest) {
    DroppedFiles files = ReadUriList("# from a browser\r\nhttps://example.org/\r\n"
                                     "file://localhost/tmp/a.x\r\n\r\nfile:///tmp/b%20c.png\n",
                                     kHost);
    EXPECT_EQ(files.paths, (Paths{"/tmp/a.x", "/tmp/b c.png"}));
    EXPECT_EQ(files.ignored, (Paths{"https://example.org/"}));
    EXPECT_EQ(files.refusal, "");

    files = ReadUriList("https://example.org/\r\nfile://other/tmp/a.x\r\n", kHost);
    EXPECT_EQ(files.paths, Paths{});
    EXPECT_EQ(files.ignored, (Paths{"https://example.org/", "file://other/tmp/a.x"}));
    EXPECT_EQ(files.refusal, "it names no local files");
    EXPECT_EQ(ReadUriList("", kHost).refusal, "it names no local files");

    // One item with a NUL and nothing of the drop is taken.
    files = ReadUriList("file:///tmp/a.x\r\nfile:///tmp/cut%00/decoy.x\r\nfile:///tmp/b.x", kHost);
    EXPECT_EQ(files.paths, Paths{});
    EXPECT_EQ(files.refusal, "\"file:///tmp/cut%00/decoy.x\" names a path with a NUL in it");
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
    EXPECT_EQ(ReadDroppedText("file:///tmp/a%20b.x\r\nfile://localhost/tmp/c.png\r\n", kHost).paths,
              (Paths{"/tmp/a b.x", "/tmp/c.png"}));
    EXPECT_EQ(ReadDroppedText("/home/u/model.x\n\n/home/u/rock.png", kHost).paths,
              (Paths{"/home/u/model.x", "/home/u/rock.png"}));
    EXPECT_EQ(ReadDroppedText("/only/one.x", kHost).paths, (Paths{"/only/one.x"}));
    // Anything else is not a drop of files, not even in part.
    for (const char* text :
         {"", "\r\n", "hello world", "https://example.org/model.x", "relative/model.x",
          "/tmp/a.x\nsome words", "file://host-only", "file:///tmp/cut%00/decoy.x", "# /tmp/a.x"}) {
        DroppedFiles files = ReadDroppedText(text, kHost);
        EXPECT_EQ(files.paths, Paths{}) << text;
        EXPECT_EQ(files.refusal, "it names no local files") << text;
    }
}

TEST(DropTest, ItemsInMessagesShowNoControlCharactersAndStayShort) {
    EXPECT_EQ(PrintableItem("file:///a\tb\x1b[2J.x"), "file:///a?b?[2J.x");
    EXPECT_EQ(PrintableItem(std::string(250, 'x')), std::string(200, 'x') + "...");
}
