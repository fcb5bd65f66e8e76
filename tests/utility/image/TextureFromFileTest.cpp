// The texture loader: managed textures with a box-filtered mip chain, float
// textures for HDR files, the path convention, and failures that leave
// nothing behind.
#include "image_test_files.h"

#include "tests/support/RecordingDeviceFixture.h"
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/d3dx9tex.h"

#include <cstring>
#include <filesystem>
#include <string>

namespace {

class TextureFromFileTest : public RecordingDeviceFixture {
protected:
    void TearDown() override {
        ReleaseRef(texture);
        RecordingDeviceFixture::TearDown();
    }

    HRESULT Load(const Bytes& file) {
        ReleaseRef(texture);
        return D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &texture);
    }

    // The bytes of one level, row after row.
    Bytes LevelBytes(UINT level) {
        D3DSURFACE_DESC desc;
        EXPECT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
        std::size_t rowBytes = desc.Width * (desc.Format == D3DFMT_A32B32G32R32F ? 16 : 4);
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        Bytes bytes;
        for (UINT y = 0; y < desc.Height; ++y) {
            auto* row = static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            bytes.insert(bytes.end(), row, row + rowBytes);
        }
        texture->UnlockRect(level);
        return bytes;
    }

    std::vector<float> LevelFloats(UINT level) {
        Bytes bytes = LevelBytes(level);
        std::vector<float> values(bytes.size() / sizeof(float));
        std::memcpy(values.data(), bytes.data(), bytes.size());
        return values;
    }

    void ExpectLevelSize(UINT level, UINT width, UINT height) {
        D3DSURFACE_DESC desc;
        ASSERT_EQ(texture->GetLevelDesc(level, &desc), D3D_OK);
        EXPECT_EQ(desc.Width, width) << "level " << level;
        EXPECT_EQ(desc.Height, height) << "level " << level;
    }

    IDirect3DTexture9* texture = nullptr;
};

Image ImageOf(UINT width, UINT height, std::initializer_list<std::uint8_t> bgra) {
    Image image;
    EXPECT_EQ(AllocateImage(image, width, height, false), D3D_OK);
    image.bgra.assign(bgra);
    return image;
}

} // namespace

TEST_F(TextureFromFileTest, ManagedTextureWithABoxFilteredChainDownToOnePixel) {
    // 4 x 2 pixels, B G R A each:
    //   (0,100,200,255) (40,100,180,255) (80,100,160,255) (120,100,140,255)
    //   (8,100,200,155) (48,100,180,155) (88,100,160,155) (128,100,140,155)
    Image source =
        ImageOf(4, 2, {0, 100, 200, 255, 40, 100, 180, 255, 80, 100, 160, 255, 120, 100, 140, 255,
                       8, 100, 200, 155, 48, 100, 180, 155, 88, 100, 160, 155, 128, 100, 140, 155});
    ASSERT_EQ(Load(PngFile(source)), D3D_OK);

    auto calls = recording->Calls("CreateTexture");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]->args,
              (std::vector<double>{4, 2, 0, 0, double(D3DFMT_A8R8G8B8), double(D3DPOOL_MANAGED)}));
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    ExpectLevelSize(1, 2, 1);
    ExpectLevelSize(2, 1, 1);
    EXPECT_EQ(LevelBytes(0), source.bgra);
    EXPECT_EQ(LevelBytes(1), (Bytes{24, 100, 190, 205, 104, 100, 150, 205}));
    EXPECT_EQ(LevelBytes(2), (Bytes{64, 100, 170, 205}));
}

TEST_F(TextureFromFileTest, OddSizesAverageEveryCoveredPixel) {
    // 5 x 1 blue ramp 0..40: the two pixels of level 1 cover columns 0-2 and
    // 2-4, so the last column is not dropped (a plain 2x2 filter would give
    // 5 and 25).
    Image source =
        ImageOf(5, 1, {0, 0, 0, 255, 10, 0, 0, 255, 20, 0, 0, 255, 30, 0, 0, 255, 40, 0, 0, 255});
    ASSERT_EQ(Load(PngFile(source)), D3D_OK);
    ASSERT_EQ(texture->GetLevelCount(), 3u);
    ExpectLevelSize(1, 2, 1);
    EXPECT_EQ(LevelBytes(1), (Bytes{10, 0, 0, 255, 30, 0, 0, 255}));
    EXPECT_EQ(LevelBytes(2), (Bytes{20, 0, 0, 255}));
}

TEST_F(TextureFromFileTest, HdrFilesGiveFloatTextures) {
    // 2 x 2: (4, 2, 1) (1, 0.5, 0.25) / (0.5, 0.5, 0.5) (0, 0, 0)
    std::vector<float> rgb = {4, 2, 1, 1, 0.5f, 0.25f, 0.5f, 0.5f, 0.5f, 0, 0, 0};
    ASSERT_EQ(Load(HdrFile(2, 2, rgb)), D3D_OK);
    auto calls = recording->Calls("CreateTexture");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0]->args[4], double(D3DFMT_A32B32G32R32F));
    ASSERT_EQ(texture->GetLevelCount(), 2u);
    EXPECT_EQ(LevelFloats(0),
              (std::vector<float>{4, 2, 1, 1, 1, 0.5f, 0.25f, 1, 0.5f, 0.5f, 0.5f, 1, 0, 0, 0, 1}));
    EXPECT_EQ(LevelFloats(1), (std::vector<float>{1.375f, 0.75f, 0.4375f, 1}));
}

TEST_F(TextureFromFileTest, PathsMayUseEitherSeparator) {
    std::filesystem::path directory =
        std::filesystem::path(::testing::TempDir()) / "zq_texture_paths" / "sub";
    std::filesystem::create_directories(directory);
    std::string file = (directory / "colour.tex").string();
    ASSERT_EQ(D3D_OK, WriteFileBytes(file.c_str(), PngFile(PatternImage(3, 2))));

    std::string backslashed = file;
    for (char& c : backslashed)
        c = c == '/' ? '\\' : c;
    ASSERT_EQ(D3DXCreateTextureFromFileA(device, backslashed.c_str(), &texture), D3D_OK);
    EXPECT_EQ(LevelBytes(0), PatternImage(3, 2).bgra);
    std::filesystem::remove_all(directory.parent_path());
}

TEST_F(TextureFromFileTest, UnreadableFilesFailWithNothingMade) {
    std::filesystem::path directory =
        std::filesystem::path(::testing::TempDir()) / "zq_texture_failures";
    std::filesystem::create_directories(directory);
    std::string empty = (directory / "empty.tex").string();
    std::string cut = (directory / "cut.png").string();
    Bytes png = PngFile(PatternImage(3, 2));
    ASSERT_EQ(D3D_OK, WriteFileBytes(empty.c_str(), {}));
    ASSERT_EQ(D3D_OK, WriteFileBytes(cut.c_str(), Bytes(png.begin(), png.end() - 1)));
    std::string missing = (directory / "missing.png").string();
    std::string directoryPath = directory.string();
    std::string tooLong(4096, 'a'); // longer than the system takes

    int notATexture = 0;
    for (const std::string& path : {empty, cut, missing, directoryPath, tooLong}) {
        texture = reinterpret_cast<IDirect3DTexture9*>(&notATexture); // must be cleared
        EXPECT_EQ(D3DXCreateTextureFromFileA(device, path.c_str(), &texture), D3DXERR_INVALIDDATA)
            << path;
        EXPECT_EQ(texture, nullptr);
    }
    EXPECT_TRUE(recording->Calls("CreateTexture").empty());
    std::filesystem::remove_all(directory);
}

TEST_F(TextureFromFileTest, MissingArgumentsAndDeviceRefusals) {
    Bytes png = PngFile(PatternImage(3, 2));
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, "x.png", nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(nullptr, "x.png", &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileA(device, nullptr, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, nullptr, 10, &texture), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXCreateTextureFromFileInMemory(nullptr, png.data(), UINT(png.size()), &texture),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);

    recording->failTextureCreations = 1;
    ClearLoadFailure();
    EXPECT_EQ(Load(png), D3DERR_OUTOFVIDEOMEMORY) << "the device's own code comes back";
    EXPECT_EQ(texture, nullptr);
    EXPECT_STREQ(LoadFailure(), "the device cannot make a texture of 3 x 2 pixels");
    ClearLoadFailure();
    EXPECT_EQ(Load(png), D3D_OK);
}

TEST_F(TextureFromFileTest, ImagesWiderThanTheDeviceTakesAreHalvedToFit) {
    // The recording device takes 8192 pixels a side.
    Image source = PatternImage(9000, 2);
    ASSERT_EQ(Load(PngFile(source)), D3D_OK);
    ExpectLevelSize(0, 4500, 1);
    Bytes top = LevelBytes(0);
    // The first pixel is the mean of the 2 x 2 block at the top left.
    for (int channel = 0; channel < 4; ++channel) {
        unsigned sum = 0;
        for (std::size_t pixel : {0u, 1u, 9000u, 9001u})
            sum += source.bgra[pixel * 4 + channel];
        EXPECT_EQ(top[channel], (sum + 2) / 4) << "channel " << channel;
    }
}
