// Loaders read regular files only: special files are refused at once with
// the reason, never waited on or read without end, and a file is read as
// large as it was when it was opened.
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class FileReadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Each test runs in its own process beside the others: a folder each.
        directory = fs::absolute(::testing::TempDir()).string() + "/zq_file_reading_" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        fs::remove_all(directory);
        fs::create_directories(directory);
        ClearLoadFailure();
    }
    void TearDown() override { fs::remove_all(directory); }

    void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // ReadFileBytes fails with E_FAIL, nothing read, and this reason.
    ::testing::AssertionResult Refused(const std::string& path, const std::string& reason) {
        ClearLoadFailure();
        std::vector<std::uint8_t> bytes{1, 2, 3};
        HRESULT hr = ReadFileBytes(path.c_str(), bytes);
        if (hr != E_FAIL || !bytes.empty() || LoadFailure() != reason)
            return ::testing::AssertionFailure() << path << ": " << hr << ", " << bytes.size()
                                                 << " bytes, \"" << LoadFailure() << "\"";
        return ::testing::AssertionSuccess();
    }

    std::string directory;
};

} // namespace

TEST_F(FileReadingTest, SpecialFilesAreRefusedWithoutWaitingOrReading) {
    // Nobody ever writes to the pipe: opening it must not wait for a writer.
    std::string fifo = directory + "pipe.x";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_TRUE(Refused(fifo, "not a regular file"));
    // A device that never ends.
    EXPECT_TRUE(Refused("/dev/zero", "not a regular file"));
    EXPECT_TRUE(Refused(directory, "not a regular file"));
    // The system's own words otherwise.
    EXPECT_TRUE(Refused(directory + "absent.x", "No such file or directory"));
    EXPECT_TRUE(Refused(std::string(5000, 'a'), "File name too long"));
}

TEST_F(FileReadingTest, AFileIsReadAsLargeAsItWasWhenOpened) {
    std::string path = directory + "growing.x";
    Write(path, "first part;");
    FileReader file;
    ASSERT_EQ(file.Open(path.c_str()), D3D_OK);
    EXPECT_EQ(file.Size(), 11u);
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(100000, 'x');
    std::string read;
    char piece[4096];
    for (size_t got = 1; got;) {
        ASSERT_EQ(file.Read(piece, sizeof piece, got), D3D_OK);
        read.append(piece, got);
    }
    EXPECT_EQ(read, "first part;");

    // One that shrinks ends where it ends.
    FileReader shrinking;
    ASSERT_EQ(shrinking.Open(path.c_str()), D3D_OK);
    fs::resize_file(path, 5);
    size_t got = 0;
    ASSERT_EQ(shrinking.Read(piece, sizeof piece, got), D3D_OK);
    EXPECT_EQ(got, 5u);
    ASSERT_EQ(shrinking.Read(piece, sizeof piece, got), D3D_OK);
    EXPECT_EQ(got, 0u);
}

TEST_F(FileReadingTest, PathsAsLongAsTheSystemTakesWithEitherSeparator) {
    std::string deep = directory;
    while (deep.size() < 4000)
        deep += std::string(100, 'd') + "/";
    Write(deep + "f.x", "content");
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadFileBytes((deep + "f.x").c_str(), bytes), D3D_OK);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "content");
    std::string windows = deep + "f.x";
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    ASSERT_EQ(ReadFileBytes(windows.c_str(), bytes), D3D_OK);
    EXPECT_EQ(bytes.size(), 7u);

    Write(directory + "empty.x", "");
    ASSERT_EQ(ReadFileBytes((directory + "empty.x").c_str(), bytes), D3D_OK);
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(bytes.data(), nullptr);
    EXPECT_EQ(ReadFileBytes((deep + "f.x").c_str(), bytes, 3), E_FAIL) << "over maxBytes";
}

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Entries(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// A file is replaced whole or not at all: a write that fails half way (the
// disk full, here a file size limit) leaves the old file as it was and no
// part beside it.
TEST_F(FileReadingTest, AWriteThatFailsLeavesTheOldFileAndNoPart) {
    const std::string target = directory + "picture.png";
    Write(target, "old picture");
    const std::vector<std::uint8_t> small(64, 'a'), big(1 << 16, 'b');
    ASSERT_EQ(WriteFileBytes(target.c_str(), small), D3D_OK);
    EXPECT_EQ(Contents(target), std::string(64, 'a'));

    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 4096;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    errno = 0;
    HRESULT hr = WriteFileBytes(target.c_str(), big);
    int error = errno;
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(hr, E_FAIL);
    EXPECT_EQ(error, EFBIG) << std::strerror(error);
    EXPECT_EQ(Contents(target), std::string(64, 'a'));
    EXPECT_EQ(Entries(directory), std::vector<std::string>{"picture.png"});

    // A folder that is not there: nothing made, the reason in errno.
    errno = 0;
    EXPECT_EQ(WriteFileBytes((directory + "absent/picture.png").c_str(), small), E_FAIL);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(Entries(directory), std::vector<std::string>{"picture.png"});
}

// Backslashes: part of a name that exists as written, folder separators
// only where it does not.
TEST_F(FileReadingTest, ANameThatExistsAsWrittenIsReadAsWritten) {
    Write(directory + "inner/..\\decoy.x", "the literal name");
    Write(directory + "decoy.x", "another file");
    Write(directory + "back\\slash.x", "a backslash in the name");
    Write(directory + "windows/style.x", "a Windows path");
    auto read = [](const std::string& path) {
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ReadFileBytes(path.c_str(), bytes), D3D_OK) << path;
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(read(directory + "inner/..\\decoy.x"), "the literal name");
    EXPECT_EQ(read(directory + "back\\slash.x"), "a backslash in the name");
    EXPECT_EQ(read(directory + "windows\\style.x"), "a Windows path");
    EXPECT_EQ(read(directory + "inner\\..\\decoy.x"), "another file");
}
