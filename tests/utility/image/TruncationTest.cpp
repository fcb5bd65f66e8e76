// Broken files fail cleanly: every cut of a small file of each kind, and
// headers that claim more than the data or the limits allow.
#include "image_test_files.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"

#include <cstring>
#include <string>

namespace {

struct NamedFile {
    const char* name;
    Bytes bytes;
};

std::vector<NamedFile> SmallFiles() {
    Image pattern = PatternImage(3, 2);
    Image smooth = SmoothImage(8, 8, false);
    Image runs = PatternImage(5, 2);
    std::memcpy(&runs.bgra[4], &runs.bgra[0], 4);
    std::memcpy(&runs.bgra[8], &runs.bgra[0], 4);

    PngLayout interlaced;
    interlaced.width = 5;
    interlaced.height = 5;
    interlaced.colorType = PngColorType::Palette;
    interlaced.bitDepth = 2;
    interlaced.interlaced = true;
    interlaced.palette = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    interlaced.paletteAlpha = {0, 99};
    Bytes interlacedPng;
    EXPECT_TRUE(EncodePngRows(interlaced, Bytes(PngRowBytes(interlaced) * 5, 0x6c), interlacedPng));

    std::vector<float> hdr(3 * 8 * 2, 0.75f);
    std::vector<float> flatHdr(3 * 3 * 2, 2.5f);
    return {
        {"png", PngFile(pattern)},
        {"interlaced palette png", interlacedPng},
        {"baseline jpeg", JpegFile(smooth, JpegOptions{})},
        {"progressive jpeg", JpegFile(smooth, JpegOptions{90, true, false})},
        {"gray jpeg", JpegFile(smooth, JpegOptions{90, false, true})},
        {"run-length hdr", HdrFile(8, 2, hdr)},
        {"flat hdr", HdrFile(3, 2, flatHdr)},
        {"24-bit bmp", BmpFile(pattern, 3)},
        {"32-bit bmp", BmpFile(pattern, 4)},
        {"raw tga", TgaFile(pattern, 4, false)},
        {"run-length tga", TgaFile(runs, 3, true)},
        {"gray tga", TgaFile(pattern, 1, false)},
        {"dxt1 dds", DdsFile(4, 4, MAKEFOURCC('D', 'X', 'T', '1'), Bytes(8, 0x5a))},
        {"dxt3 dds", DdsFile(4, 4, MAKEFOURCC('D', 'X', 'T', '3'), Bytes(16, 0x5a))},
        {"dxt5 dds", DdsFile(5, 4, MAKEFOURCC('D', 'X', 'T', '5'), Bytes(32, 0x5a))},
        {"argb dds", DdsFile(2, 2, 0, Bytes(16, 0x33), 0xff000000)},
    };
}

HRESULT DecodeCopy(const std::uint8_t* data, std::size_t size) {
    // A buffer of exactly `size` bytes, so that a read past it is caught by
    // the address sanitizer when the tests run under it.
    Bytes copy(data, data + size);
    Image image;
    return DecodeImageFile(copy.data(), copy.size(), image);
}

} // namespace

TEST(TruncationTest, EveryCutOfEveryFormatFails) {
    for (const NamedFile& file : SmallFiles()) {
        SCOPED_TRACE(file.name);
        EXPECT_EQ(DecodeCopy(file.bytes.data(), file.bytes.size()), D3D_OK);
        for (std::size_t size = 0; size < file.bytes.size(); ++size) {
            HRESULT hr = DecodeCopy(file.bytes.data(), size);
            if (hr != D3DXERR_INVALIDDATA) {
                ADD_FAILURE() << "cut to " << size << " of " << file.bytes.size() << " bytes gives "
                              << hr;
                break;
            }
        }
    }
}

TEST(TruncationTest, HeadersClaimingHugeImagesAreRefused) {
    auto refused = [](const Bytes& file) {
        return DecodeCopy(file.data(), file.size()) == D3DXERR_INVALIDDATA;
    };

    Bytes png = PngFile(PatternImage(2, 2));
    WriteBe32(&png[16], 16385); // IHDR width past the side limit
    FixPngChunkCrc(png, 8);
    EXPECT_TRUE(refused(png));
    WriteBe32(&png[16], 8192); // sides allowed, pixel count not
    WriteBe32(&png[20], 8192);
    FixPngChunkCrc(png, 8);
    EXPECT_TRUE(refused(png));

    Bytes jpeg = JpegFile(SmoothImage(8, 8, false), JpegOptions{});
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) { // frame header: height, width
            jpeg[i + 5] = jpeg[i + 7] = 0xea;
            jpeg[i + 6] = jpeg[i + 8] = 0x60;
        }
    }
    EXPECT_TRUE(refused(jpeg));

    std::string wide = "#?RADIANCE\n\n-Y 1 +X 16385\n" + std::string(16385 * 4, '\x10');
    EXPECT_TRUE(refused(Bytes(wide.begin(), wide.end())));
    std::string thin = "#?RADIANCE\n\n-Y 4000 +X 4000\n\x02\x02\x0f\xa0";
    EXPECT_TRUE(refused(Bytes(thin.begin(), thin.end()))) << "far more rows than the data holds";

    Bytes bmp = BmpFile(PatternImage(2, 2), 3);
    WriteLe32(&bmp[18], 20000);
    EXPECT_TRUE(refused(bmp));

    Bytes tga = TgaFile(PatternImage(2, 2), 3, true);
    tga[12] = tga[13] = tga[14] = tga[15] = 0xff;
    EXPECT_TRUE(refused(tga));

    Bytes dds = DdsFile(1u << 20, 4, MAKEFOURCC('D', 'X', 'T', '1'), Bytes(8, 0x5a));
    EXPECT_TRUE(refused(dds));
    dds = DdsFile(4096, 4096, MAKEFOURCC('D', 'X', 'T', '1'), Bytes(8, 0x5a));
    EXPECT_TRUE(refused(dds)) << "sizes allowed, blocks missing";
}
