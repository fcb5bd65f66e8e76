// data/ never drifts from its generator: running it into a fresh folder
// gives the committed files byte for byte, and data/ holds nothing else.
#include "tools/datagen/default_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::vector<char> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder of its own under the system's temporary folder, removed again.
class ScratchFolder {
public:
    ScratchFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() /
               (std::string("zelqad-") + test->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~ScratchFolder() { fs::remove_all(path); }

    fs::path path;
};

} // namespace

TEST(DataGeneratorTest, RebuildsTheCommittedDataByteForByte) {
    ScratchFolder scratch;
    std::string error;
    ASSERT_TRUE(WriteDefaultData(scratch.path.string(), error)) << error;

    const fs::path committed = fs::path(ZQ_SOURCE_DIR) / "data";
    std::vector<std::string> names = DefaultDataFileNames();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Bytes(scratch.path / name) == Bytes(committed / name))
            << "data/" << name << " differs from its generator: run scripts/gendata";
    }

    std::vector<std::string> present;
    for (const auto& entry : fs::directory_iterator(committed))
        present.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    std::sort(present.begin(), present.end());
    EXPECT_EQ(present, names);
}
