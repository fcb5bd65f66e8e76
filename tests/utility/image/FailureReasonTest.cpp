// A file that cannot be decoded leaves a reason a user can act on: what is
// wrong, in the decoder's words or ours.
#include "image_test_files.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"
#include "utility/image/texture_image.h"

#include <algorithm>
#include <string>

namespace {

std::string ReasonFor(const Bytes& file) {
    ClearLoadFailure();
    Image image;
    HRESULT hr = DecodeImageFile(file.data(), file.size(), image);
    std::string reason = LoadFailure();
    ClearLoadFailure();
    return FAILED(hr) ? reason : "decoded";
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

} // namespace

TEST(FailureReasonTest, EachFormatSaysWhatIsWrong) {
    EXPECT_EQ(ReasonFor({}), "the file is empty");
    EXPECT_EQ(ReasonFor(Text("just some text\n")), "not a recognised image format");

    Bytes png = PngFile(PatternImage(4, 4));
    Bytes crc = png;
    constexpr std::size_t kIdat = 8 + 25; // after the signature and the header chunk
    crc[kIdat + 8 + ReadBe32(&crc[kIdat])] ^= 0x55;
    EXPECT_EQ(ReasonFor(crc), "PNG: IDAT: CRC error");
    Bytes wide = png;
    WriteBe32(&wide[16], 70000);
    WriteBe32(&wide[20], 3);
    FixPngChunkCrc(wide, 8);
    EXPECT_EQ(ReasonFor(wide), "image too large: 70000 x 3 pixels");
    Bytes forged = png;
    WriteBe32(&forged[16], 16384);
    WriteBe32(&forged[20], 16384);
    FixPngChunkCrc(forged, 8);
    EXPECT_EQ(ReasonFor(forged), "PNG: too little image data for 16384 x 16384 pixels");
    EXPECT_EQ(ReasonFor(Bytes(png.begin(), png.end() - 20)),
              "PNG: chunk IDAT runs past the end of the file");
    Bytes zeroed = png;
    std::fill(zeroed.begin() + kIdat, zeroed.begin() + kIdat + 8, 0);
    EXPECT_EQ(ReasonFor(zeroed), "PNG: damaged chunk at byte 33");

    Bytes jpeg = JpegFile(SmoothImage(16, 16, false), JpegOptions{});
    EXPECT_EQ(ReasonFor(Bytes(jpeg.begin(), jpeg.end() - 40)), "JPEG: Premature end of input file");

    EXPECT_EQ(ReasonFor(Text("#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 1 +X 1\n")),
              "Radiance HDR: unsupported pixel format 32-bit_rle_xyze");
    EXPECT_EQ(ReasonFor(DdsFile(4, 4, MAKEFOURCC('D', 'X', 'T', '2'), Bytes(16))),
              "DDS: unsupported compression DXT2");
    EXPECT_EQ(ReasonFor(DdsFile(8, 8, MAKEFOURCC('D', 'X', 'T', '1'), Bytes(8))),
              "DDS: the file ends before the pixels of 8 x 8");

    Bytes bmp = BmpFile(PatternImage(4, 4), 3);
    WriteLe32(&bmp[30], 1); // 8-bit run-length
    EXPECT_EQ(ReasonFor(bmp), "BMP: run-length compressed files are not supported");
    Bytes tga = TgaFile(PatternImage(4, 4), 3, false);
    EXPECT_EQ(ReasonFor(Bytes(tga.begin(), tga.end() - 1)), "TGA: the file ends before its pixels");
}

TEST(FailureReasonTest, TheFirstReasonStaysUntilCleared) {
    // A texture set falls back to a neutral map when a companion fails: the
    // reason of the failure outlives the fallback's success.
    ClearLoadFailure();
    TextureImage texture;
    Bytes text = Text("not an image");
    EXPECT_EQ(LoadTextureImageFromMemory(text.data(), text.size(), 8192, 8192, texture),
              D3DXERR_INVALIDDATA);
    Bytes png = PngFile(PatternImage(2, 2));
    EXPECT_EQ(LoadTextureImageFromMemory(png.data(), png.size(), 8192, 8192, texture), D3D_OK);
    EXPECT_STREQ(LoadFailure(), "not a recognised image format");
    ClearLoadFailure();
}
