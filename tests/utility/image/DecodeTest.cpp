// JPEG, Radiance HDR, BMP, TGA and DDS decode to the pixels they were made
// with, whatever the file is called.
#include "image_test_files.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

Image Decode(const Bytes& file) {
    Image image;
    EXPECT_EQ(DecodeImageFile(file.data(), file.size(), image), D3D_OK);
    return image;
}

int LargestDifference(const Image& a, const Image& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.bgra.size(); ++i)
        largest = std::max(largest, std::abs(int(a.bgra[i]) - int(b.bgra[i])));
    return largest;
}

// The image as a file with `channels` stores it: grey keeps green,
// colour-only files are opaque.
Image AsStored(Image image, int channels) {
    for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
        if (channels == 1)
            image.bgra[i] = image.bgra[i + 2] = image.bgra[i + 1];
        if (channels != 4)
            image.bgra[i + 3] = 0xff;
    }
    return image;
}

// Pixels whose RGBE form is exact: the largest channel a power of two, the
// others multiples of 1/16 of it. Pixel 0 is black, which RGBE keeps as zero.
std::vector<float> HdrPixels(UINT width, UINT height) {
    std::vector<float> rgb;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            float scale = (x == 0 && y == 0) ? 0.0f : std::ldexp(1.0f, int(x % 5) - 2);
            rgb.insert(rgb.end(), {scale, scale * float(y % 8) / 8, scale * float(x % 16) / 16});
        }
    }
    return rgb;
}

void ExpectHdrPixels(UINT width, UINT height) {
    std::vector<float> rgb = HdrPixels(width, height);
    Image image = Decode(HdrFile(width, height, rgb));
    ASSERT_TRUE(image.IsFloat());
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (std::size_t i = 0; i < std::size_t(width) * height; ++i) {
        EXPECT_EQ(image.rgba[4 * i], rgb[3 * i]) << "pixel " << i;
        EXPECT_EQ(image.rgba[4 * i + 1], rgb[3 * i + 1]) << "pixel " << i;
        EXPECT_EQ(image.rgba[4 * i + 2], rgb[3 * i + 2]) << "pixel " << i;
        EXPECT_EQ(image.rgba[4 * i + 3], 1.0f);
    }
}

std::array<std::uint8_t, 4> PixelAt(const Image& image, UINT x, UINT y) {
    const std::uint8_t* p = &image.bgra[(std::size_t(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

using Bgra = std::array<std::uint8_t, 4>;

// 5:6:5 end points whose 8-bit forms and thirds are whole numbers:
// white (255) and black (0) give the thirds 170 and 85.
constexpr std::uint16_t kWhite = 0xffff, kBlack = 0x0000, kRed = 0xf800, kBlue = 0x001f;

// A colour block with its end points and the indices of its 16 pixels,
// listed row by row.
Bytes ColourBlock(std::uint16_t first, std::uint16_t second, const int (&indices)[16]) {
    std::uint32_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= std::uint32_t(indices[i]) << (2 * i);
    Bytes block(8);
    block[0] = std::uint8_t(first);
    block[1] = std::uint8_t(first >> 8);
    block[2] = std::uint8_t(second);
    block[3] = std::uint8_t(second >> 8);
    WriteLe32(&block[4], bits);
    return block;
}

constexpr int kIndexRamp[16] = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 1, 1, 2, 2, 3, 3};

// The palettes of white-and-black blocks: white > black gives four colours,
// black <= white gives black, white, their mean and transparent black.
const Bgra kFourColours[4] = {
    {255, 255, 255, 255}, {0, 0, 0, 255}, {170, 170, 170, 255}, {85, 85, 85, 255}};
const Bgra kThreeColours[4] = {
    {0, 0, 0, 255}, {255, 255, 255, 255}, {128, 128, 128, 255}, {0, 0, 0, 0}};

} // namespace

TEST(JpegDecodeTest, BaselineProgressiveAndGrayStayCloseToTheSource) {
    Image colour = SmoothImage(24, 16, false);
    Image gray = SmoothImage(24, 16, true);
    JpegOptions baseline;
    baseline.quality = 95;
    JpegOptions progressive = baseline;
    progressive.progressive = true;
    JpegOptions grayscale = baseline;
    grayscale.grayscale = true;

    for (const auto& [source, options] :
         {std::pair{&colour, baseline}, std::pair{&colour, progressive},
          std::pair{&gray, grayscale}}) {
        Bytes file = JpegFile(*source, options);
        ASSERT_EQ(DetectImageFileFormat(file.data(), file.size()), ImageFileFormat::Jpeg);
        Image image = Decode(file);
        ASSERT_EQ(image.width, 24u);
        ASSERT_EQ(image.height, 16u);
        EXPECT_LE(LargestDifference(image, *source), 6)
            << "progressive " << options.progressive << " gray " << options.grayscale;
    }
}

TEST(JpegDecodeTest, GrayFilesComeOutGray) {
    // A colour source written as one channel: every pixel has B = G = R.
    Image image = Decode(JpegFile(SmoothImage(8, 8, false), JpegOptions{90, false, true}));
    for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
        EXPECT_EQ(image.bgra[i], image.bgra[i + 1]);
        EXPECT_EQ(image.bgra[i + 2], image.bgra[i + 1]);
        EXPECT_EQ(image.bgra[i + 3], 255);
    }
}

TEST(JpegDecodeTest, AFileWithEndlessScansIsRefused) {
    // The last scan of a progressive file, repeated far more often than any
    // encoder would write it: each repeat costs a pass over the image.
    Bytes file = JpegFile(SmoothImage(8, 8, false), JpegOptions{90, true, false});
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xff && file[i + 1] == 0xda)
            lastScan = i;
    }
    ASSERT_GT(lastScan, 0u);
    Bytes scan(file.begin() + std::ptrdiff_t(lastScan), file.end() - 2);
    Bytes forged(file.begin(), file.end() - 2);
    for (int i = 0; i < 600; ++i)
        forged.insert(forged.end(), scan.begin(), scan.end());
    forged.insert(forged.end(), {0xff, 0xd9});
    Image image;
    EXPECT_EQ(DecodeImageFile(forged.data(), forged.size(), image), D3DXERR_INVALIDDATA);
}

TEST(HdrDecodeTest, RunLengthAndFlatScanlinesGiveTheExactFloats) {
    ExpectHdrPixels(12, 3); // wide enough for run-length scanlines
    ExpectHdrPixels(5, 2);  // too narrow: flat scanlines
}

TEST(HdrDecodeTest, HeaderVariantsAndOtherPixelKinds) {
    // Two flat pixels: (1, 0.5, 0.25) and black.
    const char body[] = "\n\n-Y 1 +X 2\n\x80\x40\x20\x81\0\0\0\0";
    auto decode = [&](const std::string& header, Image& image) {
        std::string file = header + std::string(body, sizeof body - 1);
        return DecodeImageFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(),
                               image);
    };
    Image image;
    ASSERT_EQ(decode("#?RGBE", image), D3D_OK);
    EXPECT_EQ(image.rgba[0], 1.0f);
    EXPECT_EQ(image.rgba[1], 0.5f);
    EXPECT_EQ(image.rgba[2], 0.25f);
    EXPECT_EQ(image.rgba[4], 0.0f);
    EXPECT_EQ(decode("#?RADIANCE\nFORMAT=32-bit_rle_rgbe", image), D3D_OK);
    EXPECT_EQ(decode("#?RADIANCE\nFORMAT=32-bit_rle_xyze", image), D3DXERR_INVALIDDATA);
}

TEST(BmpDecodeTest, ColourAndAlphaFilesGiveTheirPixels) {
    Image source = PatternImage(7, 5); // rows of 21 bytes need padding
    for (int channels : {3, 4}) {
        Bytes file = BmpFile(source, channels);
        ASSERT_EQ(DetectImageFileFormat(file.data(), file.size()), ImageFileFormat::Bmp);
        Image image = Decode(file);
        EXPECT_EQ(image.bgra, AsStored(source, channels).bgra) << channels << " channels";
    }
}

TEST(TgaDecodeTest, RawAndRunLengthFilesGiveTheirPixels) {
    Image source = PatternImage(6, 4);
    // Runs of equal pixels for the run-length packets to find.
    for (UINT x = 0; x < 4; ++x)
        std::memcpy(&source.bgra[x * 4], &source.bgra[0], 4);
    for (int channels : {1, 3, 4}) {
        for (bool runLength : {false, true}) {
            Bytes file = TgaFile(source, channels, runLength);
            ASSERT_EQ(DetectImageFileFormat(file.data(), file.size()), ImageFileFormat::Tga);
            Image image = Decode(file);
            EXPECT_EQ(image.bgra, AsStored(source, channels).bgra)
                << channels << " channels, run-length " << runLength;
        }
    }
}

TEST(DdsDecodeTest, Dxt1FourColourAndThreeColourBlocks) {
    // Two blocks side by side, one of each mode.
    Bytes payload = ColourBlock(kWhite, kBlack, kIndexRamp);
    Bytes second = ColourBlock(kBlack, kWhite, kIndexRamp);
    payload.insert(payload.end(), second.begin(), second.end());
    Image image = Decode(DdsFile(8, 4, MAKEFOURCC('D', 'X', 'T', '1'), payload));
    ASSERT_EQ(image.width, 8u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(PixelAt(image, i % 4, i / 4), kFourColours[kIndexRamp[i]]) << i;
        EXPECT_EQ(PixelAt(image, 4 + i % 4, i / 4), kThreeColours[kIndexRamp[i]]) << i;
    }
}

TEST(DdsDecodeTest, Dxt3ExplicitAlphaOverFourColours) {
    // End points in "three-colour" order still give four colours here.
    Bytes payload(8);
    for (int i = 0; i < 8; ++i)
        payload[i] = std::uint8_t((2 * i) | (2 * i + 1) << 4); // pixel i has alpha i
    Bytes colours = ColourBlock(kBlue, kRed, kIndexRamp);
    payload.insert(payload.end(), colours.begin(), colours.end());
    Image image = Decode(DdsFile(4, 4, MAKEFOURCC('D', 'X', 'T', '3'), payload));
    const Bgra palette[4] = {{255, 0, 0, 0}, {0, 0, 255, 0}, {170, 0, 85, 0}, {85, 0, 170, 0}};
    for (int i = 0; i < 16; ++i) {
        Bgra expected = palette[kIndexRamp[i]];
        expected[3] = std::uint8_t(i * 17);
        EXPECT_EQ(PixelAt(image, i % 4, i / 4), expected) << i;
    }
}

TEST(DdsDecodeTest, Dxt5EightAndSixStepAlpha) {
    // 210 > 0: eight steps of 30. 0 <= 100: 0, 100, four steps of 20, then
    // 0 and 255.
    const int alphaIndex[16] = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
    auto block = [&](std::uint8_t first, std::uint8_t second) {
        Bytes bytes = {first, second, 0, 0, 0, 0, 0, 0};
        std::uint64_t bits = 0;
        for (int i = 0; i < 16; ++i)
            bits |= std::uint64_t(alphaIndex[i]) << (3 * i);
        for (int i = 0; i < 6; ++i)
            bytes[2 + i] = std::uint8_t(bits >> (8 * i));
        Bytes colours = ColourBlock(kWhite, kWhite, kIndexRamp);
        bytes.insert(bytes.end(), colours.begin(), colours.end());
        return bytes;
    };
    Bytes payload = block(210, 0);
    Bytes second = block(0, 100);
    payload.insert(payload.end(), second.begin(), second.end());
    Image image = Decode(DdsFile(4, 8, MAKEFOURCC('D', 'X', 'T', '5'), payload));
    const std::uint8_t eight[8] = {210, 0, 180, 150, 120, 90, 60, 30};
    const std::uint8_t six[8] = {0, 100, 20, 40, 60, 80, 0, 255};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(PixelAt(image, i % 4, i / 4), (Bgra{255, 255, 255, eight[alphaIndex[i]]})) << i;
        EXPECT_EQ(PixelAt(image, i % 4, 4 + i / 4), (Bgra{255, 255, 255, six[alphaIndex[i]]})) << i;
    }
}

TEST(DdsDecodeTest, BlocksOverTheEdgeAreCut) {
    // 5 x 2 pixels take two blocks; only their top-left parts are seen.
    Bytes payload = ColourBlock(kWhite, kBlack, kIndexRamp);
    Bytes second = ColourBlock(kBlack, kWhite, kIndexRamp);
    payload.insert(payload.end(), second.begin(), second.end());
    Image image = Decode(DdsFile(5, 2, MAKEFOURCC('D', 'X', 'T', '1'), payload));
    ASSERT_EQ(image.width, 5u);
    ASSERT_EQ(image.height, 2u);
    for (UINT y = 0; y < 2; ++y) {
        for (UINT x = 0; x < 5; ++x) {
            Bgra expected =
                x < 4 ? kFourColours[kIndexRamp[y * 4 + x]] : kThreeColours[kIndexRamp[y * 4]];
            EXPECT_EQ(PixelAt(image, x, y), expected) << x << "," << y;
        }
    }
}

TEST(DdsDecodeTest, UncompressedWithAndWithoutAlpha) {
    Image source = PatternImage(3, 2);
    Bytes argb = source.bgra; // A8R8G8B8 is BGRA in memory
    Image withAlpha = Decode(DdsFile(3, 2, 0, argb, 0xff000000));
    EXPECT_EQ(withAlpha.bgra, source.bgra);
    Image opaque = Decode(DdsFile(3, 2, 0, argb, 0));
    EXPECT_EQ(opaque.bgra, AsStored(source, 3).bgra);
}

TEST(ImageFileTest, FormatComesFromContentNotName) {
    const std::uint8_t text[] = "P6 not any image this loader knows";
    Image image;
    EXPECT_EQ(DetectImageFileFormat(text, sizeof text), ImageFileFormat::Unknown);
    EXPECT_EQ(DecodeImageFile(text, sizeof text, image), D3DXERR_INVALIDDATA);
    EXPECT_EQ(DecodeImageFile(text, 0, image), D3DXERR_INVALIDDATA);
    Bytes dds = DdsFile(4, 4, MAKEFOURCC('D', 'X', 'T', '2'), Bytes(16));
    EXPECT_EQ(DetectImageFileFormat(dds.data(), dds.size()), ImageFileFormat::Dds);
    EXPECT_EQ(DecodeImageFile(dds.data(), dds.size(), image), D3DXERR_INVALIDDATA)
        << "premultiplied DXT2 is not read";
}
