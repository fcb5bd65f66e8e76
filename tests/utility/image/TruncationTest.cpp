// Broken files fail cleanly: every cut of a small file of each kind, and
// headers that claim more than the data or the limits allow.
#include "image_test_files.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"

#include <cstring>
#include <string>

namespace {

HRESULT DecodeCopy(const std::uint8_t* data, std::size_t size) {
    // A buffer of exactly `size` bytes, so that a read past it is caught by
    // the address sanitizer when the tests run under it.
    Bytes copy(data, data + size);
    Image image;
    return DecodeImageFile(copy.data(), copy.size(), image);
}

} // namespace

TEST(TruncationTest, EveryCutOfEveryFormatFails) {
    for (const NamedFile& file : SmallFilesOfEveryFormat()) {
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
    WriteBe32(&png[16], 70000); // IHDR width past the side limit
    FixPngChunkCrc(png, 8);
    EXPECT_TRUE(refused(png));
    WriteBe32(&png[16], 16384); // size allowed, far more rows than the data could inflate to
    WriteBe32(&png[20], 16384);
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

    std::string wide = "#?RADIANCE\n\n-Y 1 +X 65536\n" + std::string(65536 * 4, '\x10');
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
