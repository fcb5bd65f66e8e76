// Where the default data is looked up: the working directory first, then
// the share folder beside the program.
#include "app/DataDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class DataDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("zq-data-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        fs::create_directories(root / "cwd");
        fs::create_directories(root / "prefix/bin");
    }
    void TearDown() override { fs::remove_all(root); }

    static void WriteDefaultMesh(const fs::path& directory) {
        fs::create_directories(directory / "data");
        std::ofstream(directory / "data/solid.x") << "xof 0303txt 0032\n";
    }

    std::string Cwd() const { return (root / "cwd").string(); }
    std::string Program() const { return (root / "prefix/bin/zelqad").string(); }
    std::string Installed() const { return (root / "prefix/share/zelqad").string(); }

    fs::path root;
};

} // namespace

TEST_F(DataDirectoryTest, TheWorkingDirectoryComesFirst) {
    WriteDefaultMesh(root / "cwd");
    WriteDefaultMesh(Installed());
    EXPECT_EQ(FindDataHome(Cwd(), Program()), "");
}

TEST_F(DataDirectoryTest, WithoutDataBelowTheWorkingDirectoryTheInstalledDataServe) {
    WriteDefaultMesh(Installed());
    EXPECT_EQ(FindDataHome(Cwd(), Program()), Installed());
    // A data folder of the user's own, without the default mesh, is not the
    // viewer's.
    fs::create_directories(root / "cwd/data");
    std::ofstream(root / "cwd/data/notes.txt") << "mine";
    EXPECT_EQ(FindDataHome(Cwd(), Program()), Installed());
    // Nor is a directory that only has the mesh's name.
    fs::create_directories(root / "cwd/data/solid.x");
    EXPECT_EQ(FindDataHome(Cwd(), Program()), Installed());
}

TEST_F(DataDirectoryTest, NeitherPlaceMeansStayingWhereTheProgramStarted) {
    EXPECT_EQ(FindDataHome(Cwd(), Program()), "");
    EXPECT_EQ(FindDataHome(Cwd(), ""), "");
}

TEST(ExecutablePathTest, NamesThisTestProgram) {
    std::string path = ExecutablePath();
    EXPECT_EQ(fs::path(path).filename(), "AppOptionsTest");
    EXPECT_TRUE(fs::exists(path));
}
