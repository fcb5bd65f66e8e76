#include "mesh_test_support.h"

#include "mesh/TextureSet.h"

#include <filesystem>

namespace {

using TextureSetTest = MeshTest;

std::vector<std::string> Names(const char* path) {
    std::vector<std::string> names;
    for (int role = 0; role < kTextureRoles; ++role) {
        std::string name;
        names.push_back(TextureSetName(name, path, TextureRole(role)) ? name : "(refused)");
    }
    return names;
}

std::vector<UINT> Widths(IDirect3DTexture9* (&set)[kTextureRoles]) {
    std::vector<UINT> widths;
    for (IDirect3DTexture9* texture : set)
        widths.push_back(MeshTest::TextureWidth(texture));
    return widths;
}

void ReleaseSet(IDirect3DTexture9* (&set)[kTextureRoles]) {
    for (IDirect3DTexture9*& texture : set)
        if (texture) {
            texture->Release();
            texture = nullptr;
        }
}

// The fallbacks of the four roles, told apart by their widths 1 to 4.
void WriteFallbacks() {
    for (int role = 0; role < kTextureRoles; ++role)
        MeshTest::WriteTexture(kTextureSetFallbacks[role], UINT(role + 1));
}

using Names4 = std::vector<std::string>;

} // namespace

TEST(TextureSetNames, SplitAtTheLastDotOfTheWholePath) {
    EXPECT_EQ(Names("./data/tex.tex"), (Names4{"./data/tex.tex", "./data/tex_np.tex",
                                               "./data/tex_sa.tex", "./data/tex_ea.tex"}));
    EXPECT_EQ(Names("a.b.png"), (Names4{"a.b.png", "a.b_np.png", "a.b_sa.png", "a.b_ea.png"}));
    // No dot: all base, empty extension.
    EXPECT_EQ(Names("rock"), (Names4{"rock.", "rock_np.", "rock_sa.", "rock_ea."}));
    // The only dot in a directory name.
    EXPECT_EQ(Names("C:\\my.maps\\rock"), (Names4{"C:\\my.maps\\rock", "C:\\my_np.maps\\rock",
                                                  "C:\\my_sa.maps\\rock", "C:\\my_ea.maps\\rock"}));
    // The path is an argument, never a format.
    EXPECT_EQ(Names("100%s%n.tex")[1], "100%s%n_np.tex");
}

TEST(TextureSetNames, NamesOfAnyLengthAreBuiltWhole) {
    std::string path = std::string(3000, 'p') + "." + std::string(1000, 'e');
    EXPECT_EQ(Names(path.c_str())[2], std::string(3000, 'p') + "_sa." + std::string(1000, 'e'));
    EXPECT_EQ(Names(nullptr)[0], "(refused)");
}

TEST_F(TextureSetTest, ASetDeepInNestedDirectoriesLoads) {
    WriteFallbacks();
    std::string directory = DeepDirectory(4000);
    WriteTexture(directory + "t.tex", 5);
    WriteTexture(directory + "t_ea.tex", 6);
    IDirect3DTexture9* set[kTextureRoles] = {};
    EXPECT_TRUE(LoadTextureSet(device, set, (directory + "t.tex").c_str()));
    EXPECT_EQ(Widths(set), (std::vector<UINT>{5, 2, 3, 6}));
    ReleaseSet(set);
}

TEST_F(TextureSetTest, MissingFilesAreReplacedByTheirFallbacksSilently) {
    WriteFallbacks();
    WriteTexture("tex.tex", 5);
    WriteTexture("tex_sa.tex", 7);
    IDirect3DTexture9* set[kTextureRoles] = {};
    EXPECT_TRUE(LoadTextureSet(device, set, "tex.tex"));
    EXPECT_EQ(Widths(set), (std::vector<UINT>{5, 2, 7, 4}));
    EXPECT_TRUE(LoadTextureSet(device, set, "nothing.tex"));
    EXPECT_EQ(Widths(set), (std::vector<UINT>{1, 2, 3, 4}));
    // A name the system refuses counts as a file that cannot be read.
    EXPECT_TRUE(LoadTextureSet(device, set, std::string(600, 'n').c_str()));
    EXPECT_EQ(Widths(set), (std::vector<UINT>{1, 2, 3, 4}));
    ReleaseSet(set);
}

TEST_F(TextureSetTest, AFailingFallbackStopsTheLoadWithTheLaterEntriesEmpty) {
    WriteFallbacks();
    std::filesystem::remove(kTextureSetFallbacks[kSpecular]);
    // The emissive file exists, but the load never gets that far.
    WriteTexture("tex_ea.tex", 8);
    IDirect3DTexture9* set[kTextureRoles] = {};
    EXPECT_FALSE(LoadTextureSet(device, set, "tex.tex"));
    EXPECT_EQ(Widths(set), (std::vector<UINT>{1, 2, 0, 0}));
    ReleaseSet(set);
}

TEST_F(TextureSetTest, TheOldTexturesAreReleasedFirstEvenWhenTheNewOnesFail) {
    WriteFallbacks();
    IDirect3DTexture9* set[kTextureRoles] = {};
    ASSERT_TRUE(LoadTextureSet(device, set, "any.tex"));
    IDirect3DTexture9* old = set[kDiffuse];
    old->AddRef();
    std::filesystem::remove_all("data");
    EXPECT_FALSE(LoadTextureSet(device, set, "any.tex"));
    EXPECT_EQ(Widths(set), (std::vector<UINT>{0, 0, 0, 0}));
    // Only the test's own reference is left.
    EXPECT_EQ(old->Release(), 0u);
}

TEST_F(TextureSetTest, AFallbackIsNamedByItsWholePath) {
    WriteFallbacks();
    WriteTexture("tex.tex", 5);
    IDirect3DTexture9* set[kTextureRoles] = {};
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadTextureSet(device, set, "tex.tex"));
    const std::string notes = ::testing::internal::GetCapturedStderr();
    // The working directory is the test's scratch folder.
    const std::string expected = "tex_np.tex: No such file or directory; using " +
                                 std::filesystem::current_path().string() + "/data/null_np.tex\n";
    EXPECT_NE(notes.find(expected), std::string::npos) << notes;
    EXPECT_EQ(notes.find("./data"), std::string::npos) << notes;
    ReleaseSet(set);
}
