// A PNG chunk whose declared length passes the end of the file is refused
// before libpng sees it: libpng allocates a chunk's whole declared length
// before reading it, so 200 bytes could have it ask for gigabytes.
//
// Outside the sanitizers such a request succeeds silently (the memory is
// never touched) and the decoder refuses the cut file either way; the
// sanitized build caps single allocations below the request, so there the
// request itself fails the test.
#include "image_test_files.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"

#include <cstring>

extern "C" const char* __asan_default_options() {
    return "max_allocation_size_mb=1024";
}

namespace {

constexpr std::size_t kSignatureAndHeader = 8 + 25;

// The signature and header chunk of a small PNG, then a text chunk that
// claims about 1.7 GB but holds a dozen bytes.
Bytes PngWithHugeTextChunk() {
    Bytes png = PngFile(PatternImage(7, 5));
    Bytes cut(png.begin(), png.begin() + kSignatureAndHeader);
    Bytes chunk = {0, 0, 0, 0, 't', 'E', 'X', 't', 'd', 'a', 't', 'e', 0, '2', '0', '2', '6'};
    WriteBe32(chunk.data(), 0x65003225);
    cut.insert(cut.end(), chunk.begin(), chunk.end());
    return cut;
}

} // namespace

TEST(PngChunkLengthTest, ChunkLongerThanTheFileIsRefused) {
    Bytes png = PngWithHugeTextChunk();
    Image image;
    EXPECT_EQ(DecodePng(png.data(), png.size(), ImageFit{}, image), D3DXERR_INVALIDDATA);
}

// The check stops at the end chunk: whatever trails it is not read as chunks.
TEST(PngChunkLengthTest, BytesAfterTheEndChunkAreIgnored) {
    Bytes png = PngFile(PatternImage(3, 2));
    const std::uint8_t trailer[] = {0xff, 0xff, 0xff, 0xff, 'j', 'u', 'n', 'k'};
    png.insert(png.end(), std::begin(trailer), std::end(trailer));
    Image image;
    ASSERT_EQ(DecodePng(png.data(), png.size(), ImageFit{}, image), D3D_OK);
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
}
