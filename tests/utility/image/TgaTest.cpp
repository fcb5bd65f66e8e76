// TGA has no signature: every kind of real TGA file is recognised and read,
// while garbage, text and damaged files of other formats are refused, so
// that a loader falling back on failure does fall back.
#include "image_test_files.h"

#include "utility/core/load_report.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/image_file.h"

#include <array>
#include <random>
#include <string>

namespace {

using Bgra = std::array<std::uint8_t, 4>;

// A 3 x 2 image of palette entries, rows top-down, with runs for the
// run-length kinds to find.
constexpr int kWidth = 3, kHeight = 2;
constexpr int kIndices[kWidth * kHeight] = {0, 0, 1, 2, 2, 2};
const Bgra kPalette[3] = {{10, 20, 30, 40}, {50, 60, 70, 80}, {90, 100, 110, 120}};

enum class Kind { ColourMapped, TrueColour, Grey };

// The stored bytes of palette entry `index` as a pixel of `bits`.
Bytes StoredPixel(Kind kind, int index, int bits) {
    const Bgra& colour = kPalette[index];
    switch (kind) {
    case Kind::ColourMapped:
        return bits == 8 ? Bytes{std::uint8_t(index)} : Bytes{std::uint8_t(index), 0};
    case Kind::Grey:
        return {colour[1]};
    case Kind::TrueColour:
        break;
    }
    return bits == 24 ? Bytes{colour[0], colour[1], colour[2]}
                      : Bytes{colour[0], colour[1], colour[2], colour[3]};
}

// What the decoder gives for palette entry `index`.
Bgra Expected(Kind kind, int index, int colourBits) {
    Bgra colour = kPalette[index];
    if (kind == Kind::Grey)
        return {colour[1], colour[1], colour[1], 255};
    if (colourBits == 24)
        colour[3] = 255;
    return colour;
}

// Equal neighbours become run packets, the others literal packets.
Bytes RunLength(const std::vector<Bytes>& pixels) {
    Bytes out;
    for (std::size_t i = 0; i < pixels.size();) {
        std::size_t run = 1;
        while (i + run < pixels.size() && pixels[i + run] == pixels[i])
            ++run;
        if (run > 1) {
            out.push_back(std::uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), pixels[i].begin(), pixels[i].end());
            i += run;
            continue;
        }
        std::size_t start = i;
        while (i < pixels.size() && (i + 1 == pixels.size() || pixels[i + 1] != pixels[i]))
            ++i;
        out.push_back(std::uint8_t(i - start - 1));
        for (std::size_t j = start; j < i; ++j)
            out.insert(out.end(), pixels[j].begin(), pixels[j].end());
    }
    return out;
}

struct TgaCase {
    std::uint8_t imageType;
    std::uint8_t bits;       // bits per pixel: an index for colour-mapped kinds
    std::uint8_t colourBits; // of a colour: the colour map's entries, or the pixels'
    bool topDown;
    const char* id;
};

Kind KindOf(const TgaCase& test) {
    switch (test.imageType % 8) {
    case 1:
        return Kind::ColourMapped;
    case 3:
        return Kind::Grey;
    default:
        return Kind::TrueColour;
    }
}

Bytes MakeTga(const TgaCase& test) {
    Kind kind = KindOf(test);
    TgaLayout layout;
    layout.imageType = test.imageType;
    layout.width = kWidth;
    layout.height = kHeight;
    layout.bitsPerPixel = test.bits;
    layout.id.assign(test.id, test.id + std::string(test.id).size());
    if (kind == Kind::ColourMapped) {
        for (int i = 0; i < 3; ++i) {
            Bytes entry = StoredPixel(Kind::TrueColour, i, test.colourBits);
            layout.colourMap.insert(layout.colourMap.end(), entry.begin(), entry.end());
        }
        layout.colourMapBits = test.colourBits;
        layout.colourMapLength = 3;
    }
    layout.descriptor = std::uint8_t((test.colourBits == 32 ? 8 : 0) | (test.topDown ? 0x20 : 0));
    std::vector<Bytes> pixels;
    for (int row = 0; row < kHeight; ++row) {
        int y = test.topDown ? row : kHeight - 1 - row;
        for (int x = 0; x < kWidth; ++x)
            pixels.push_back(StoredPixel(kind, kIndices[y * kWidth + x], test.bits));
    }
    Bytes stored;
    if (test.imageType >= 9)
        stored = RunLength(pixels);
    else
        for (const Bytes& pixel : pixels)
            stored.insert(stored.end(), pixel.begin(), pixel.end());
    return TgaFile(layout, stored);
}

HRESULT Decode(const Bytes& file) {
    Image image;
    return DecodeImageFile(file.data(), file.size(), image);
}

} // namespace

TEST(TgaTest, EveryKindOfRealFileIsRecognisedAndRead) {
    const TgaCase cases[] = {
        {1, 8, 24, false, ""},
        {1, 8, 32, true, "palette"},
        {1, 16, 24, true, ""},
        {2, 24, 24, false, ""},
        {2, 32, 32, true, "made by hand"},
        {2, 24, 24, true, "x"},
        {3, 8, 8, false, ""},
        {3, 8, 8, true, "grey"},
        {9, 8, 24, false, "run-length"},
        {9, 8, 32, true, ""},
        {10, 24, 24, false, ""},
        {10, 32, 32, true, "rle"},
        {11, 8, 8, false, ""},
        {11, 8, 8, true, "g"},
    };
    for (const TgaCase& test : cases) {
        SCOPED_TRACE(testing::Message()
                     << "type " << int(test.imageType) << ", " << int(test.bits)
                     << " bits, colours of " << int(test.colourBits) << ", top-down "
                     << test.topDown << ", id \"" << test.id << "\"");
        Bytes file = MakeTga(test);
        ASSERT_EQ(DetectImageFileFormat(file.data(), file.size()), ImageFileFormat::Tga);
        Image image;
        ASSERT_EQ(DecodeImageFile(file.data(), file.size(), image), D3D_OK) << LoadFailure();
        ASSERT_EQ(image.width, UINT(kWidth));
        ASSERT_EQ(image.height, UINT(kHeight));
        for (int i = 0; i < kWidth * kHeight; ++i) {
            Bgra pixel = {image.bgra[4 * i], image.bgra[4 * i + 1], image.bgra[4 * i + 2],
                          image.bgra[4 * i + 3]};
            EXPECT_EQ(pixel, Expected(KindOf(test), kIndices[i], test.colourBits)) << "pixel " << i;
        }
    }
}

TEST(TgaTest, HeadersNoRealFileHasAreNotTaken) {
    const TgaCase plain = {2, 24, 24, false, ""};
    auto refusedWith = [&](void (*change)(Bytes&)) {
        Bytes file = MakeTga(plain);
        change(file);
        return DetectImageFileFormat(file.data(), file.size()) != ImageFileFormat::Tga &&
               Decode(file) == D3DXERR_INVALIDDATA;
    };
    EXPECT_TRUE(refusedWith([](Bytes& f) { f[17] |= 0x40; })) << "interleaving";
    EXPECT_TRUE(refusedWith([](Bytes& f) { f[17] |= 0x0f; })) << "more alpha bits than a byte";
    EXPECT_TRUE(refusedWith([](Bytes& f) { f[16] = 8; })) << "true colour of 8 bits";
    EXPECT_TRUE(refusedWith([](Bytes& f) {
        f[2] = 3;
        f[16] = 24;
    })) << "grey of 24 bits";
    EXPECT_TRUE(refusedWith([](Bytes& f) { f[1] = 1; })) << "a colour map on true colour";
    EXPECT_TRUE(refusedWith([](Bytes& f) { f[12] = f[13] = 0; })) << "no width";
}

TEST(TgaTest, BrokenPixelDataIsRefused) {
    Bytes palette = MakeTga({1, 8, 24, false, ""});
    palette.back() = 3; // one past the three entries
    EXPECT_EQ(Decode(palette), D3DXERR_INVALIDDATA);
    Bytes runLength = MakeTga({10, 24, 24, false, ""});
    runLength.pop_back();
    EXPECT_EQ(Decode(runLength), D3DXERR_INVALIDDATA);
}

TEST(TgaTest, GarbageAndDamagedFilesAreNotImages) {
    std::mt19937 random(15);
    for (std::size_t size : {18, 19, 64, 1000, 4096, 65536}) {
        for (int seed = 0; seed < 200; ++seed) {
            Bytes garbage(size);
            for (std::uint8_t& byte : garbage)
                byte = std::uint8_t(random());
            EXPECT_EQ(Decode(garbage), D3DXERR_INVALIDDATA) << size << " random bytes, " << seed;
        }
    }
    EXPECT_EQ(Decode(Bytes(4096, 0)), D3DXERR_INVALIDDATA) << "zeros";
    std::string text = "xof 0303txt 0032\nMesh {\n 3;\n 0.0; 0.0; 0.0;,\n}\n";
    EXPECT_EQ(Decode(Bytes(text.begin(), text.end())), D3DXERR_INVALIDDATA) << "text";

    // A JPEG whose pixel data breaks off at an end marker: libjpeg fills in
    // the rest and only warns.
    Bytes jpeg = JpegFile(SmoothImage(64, 64, false), JpegOptions{});
    std::size_t scan = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xff && jpeg[i + 1] == 0xda)
            scan = i;
    ASSERT_GT(scan, 0u);
    Bytes broken(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(scan + (jpeg.size() - scan) / 3));
    broken.insert(broken.end(), {0xff, 0xd9});
    ClearLoadFailure();
    EXPECT_EQ(Decode(broken), D3DXERR_INVALIDDATA) << "damaged jpeg";
    EXPECT_STREQ(LoadFailure(), "JPEG: Corrupt JPEG data: premature end of data segment");
    ClearLoadFailure();
}
