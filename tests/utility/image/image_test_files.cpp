#include "image_test_files.h"

#include <stb_image_write.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

void AppendToBytes(void* context, void* data, int size) {
    auto* out = static_cast<Bytes*>(context);
    auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

// The image's pixels as stb_image_write takes them: RGB(A) or grey, top-down.
Bytes StbPixels(const Image& image, int channels) {
    Bytes pixels;
    for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
        const std::uint8_t* bgra = &image.bgra[i];
        if (channels == 1) {
            pixels.push_back(bgra[1]);
            continue;
        }
        pixels.insert(pixels.end(), {bgra[2], bgra[1], bgra[0]});
        if (channels == 4)
            pixels.push_back(bgra[3]);
    }
    return pixels;
}

void WriteLe16(std::uint8_t* bytes, std::uint32_t value) {
    bytes[0] = std::uint8_t(value);
    bytes[1] = std::uint8_t(value >> 8);
}

// The header with an empty pixel format, then `payload`.
Bytes DdsFrame(UINT width, UINT height, const Bytes& payload) {
    Bytes file(128 + payload.size(), 0);
    std::memcpy(file.data(), "DDS ", 4);
    WriteLe32(&file[4], 124);
    WriteLe32(&file[8], 0x1 | 0x2 | 0x4 | 0x1000); // caps, height, width, pixel format
    WriteLe32(&file[12], height);
    WriteLe32(&file[16], width);
    WriteLe32(&file[28], 1);
    WriteLe32(&file[76], 32);
    WriteLe32(&file[108], 0x1000); // a texture
    std::copy(payload.begin(), payload.end(), file.begin() + 128);
    return file;
}

} // namespace

Image PatternImage(UINT width, UINT height) {
    Image image;
    EXPECT_EQ(AllocateImage(image, width, height, false), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            std::uint8_t* pixel = &image.bgra[(std::size_t(y) * width + x) * 4];
            pixel[0] = std::uint8_t(x * 37 + y * 11);
            pixel[1] = std::uint8_t(x * 5 + y * 71 + 3);
            pixel[2] = std::uint8_t(x * 101 + y * 29 + 7);
            pixel[3] = std::uint8_t(255 - x * 13 - y * 17);
        }
    }
    return image;
}

Image SmoothImage(UINT width, UINT height, bool gray) {
    Image image;
    EXPECT_EQ(AllocateImage(image, width, height, false), D3D_OK);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            std::uint8_t* pixel = &image.bgra[(std::size_t(y) * width + x) * 4];
            pixel[0] = std::uint8_t(gray ? 40 + 4 * x + 3 * y : 200 - 3 * y);
            pixel[1] = std::uint8_t(gray ? pixel[0] : 60 + 4 * x);
            pixel[2] = std::uint8_t(gray ? pixel[0] : 90 + 2 * x + 2 * y);
            pixel[3] = 0xff;
        }
    }
    return image;
}

Bytes BmpFile(const Image& image, int channels) {
    Bytes out;
    Bytes pixels = StbPixels(image, channels);
    EXPECT_TRUE(stbi_write_bmp_to_func(AppendToBytes, &out, int(image.width), int(image.height),
                                       channels, pixels.data()));
    return out;
}

Bytes TgaFile(const Image& image, int channels, bool runLength) {
    Bytes out;
    Bytes pixels = StbPixels(image, channels);
    stbi_write_tga_with_rle = runLength ? 1 : 0;
    EXPECT_TRUE(stbi_write_tga_to_func(AppendToBytes, &out, int(image.width), int(image.height),
                                       channels, pixels.data()));
    stbi_write_tga_with_rle = 1;
    return out;
}

Bytes HdrFile(UINT width, UINT height, const std::vector<float>& rgb) {
    Bytes out;
    EXPECT_TRUE(
        stbi_write_hdr_to_func(AppendToBytes, &out, int(width), int(height), 3, rgb.data()));
    return out;
}

Bytes DdsFile(UINT width, UINT height, std::uint32_t fourCc, const Bytes& payload,
              std::uint32_t alphaMask) {
    if (!fourCc)
        return DdsFile(width, height,
                       DdsMasks{0x40u | (alphaMask ? 0x1u : 0u), 32, 0x00ff0000, 0x0000ff00,
                                0x000000ff, alphaMask},
                       payload);
    Bytes file = DdsFrame(width, height, payload);
    WriteLe32(&file[80], 0x4);
    WriteLe32(&file[84], fourCc);
    return file;
}

Bytes DdsFile(UINT width, UINT height, const DdsMasks& masks, const Bytes& payload) {
    Bytes file = DdsFrame(width, height, payload);
    const std::uint32_t fields[] = {masks.flags, 0,          masks.bits, masks.red,
                                    masks.green, masks.blue, masks.alpha};
    for (std::size_t i = 0; i < std::size(fields); ++i)
        WriteLe32(&file[80 + 4 * i], fields[i]);
    return file;
}

Bytes TgaFile(const TgaLayout& layout, const Bytes& pixels) {
    // Sized once and filled in place: GCC 12 at -O3 takes appending to the
    // 18-byte header for a write past it (a false -Warray-bounds).
    constexpr std::size_t kHeader = 18;
    Bytes file(kHeader + layout.id.size() + layout.colourMap.size() + pixels.size(), 0);
    file[0] = std::uint8_t(layout.id.size());
    file[1] = layout.colourMap.empty() ? 0 : 1;
    file[2] = layout.imageType;
    WriteLe16(&file[5], layout.colourMapLength);
    file[7] = layout.colourMapBits;
    WriteLe16(&file[12], layout.width);
    WriteLe16(&file[14], layout.height);
    file[16] = layout.bitsPerPixel;
    file[17] = layout.descriptor;
    auto out = std::copy(layout.id.begin(), layout.id.end(), file.begin() + kHeader);
    out = std::copy(layout.colourMap.begin(), layout.colourMap.end(), out);
    std::copy(pixels.begin(), pixels.end(), out);
    return file;
}

Bytes LargeGreyPng(UINT width, UINT height, std::uint8_t (*grey)(UINT x, UINT y)) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&file](const char* type, const Bytes& data) {
        std::size_t start = file.size();
        file.resize(start + 12 + data.size());
        WriteBe32(&file[start], std::uint32_t(data.size()));
        std::memcpy(&file[start + 4], type, 4);
        std::copy(data.begin(), data.end(), file.begin() + std::ptrdiff_t(start + 8));
        FixPngChunkCrc(file, start);
    };
    Bytes header(13, 0); // 8-bit grey, no interlace
    WriteBe32(&header[0], width);
    WriteBe32(&header[4], height);
    header[8] = 8;
    chunk("IHDR", header);

    z_stream stream{};
    EXPECT_EQ(deflateInit(&stream, Z_BEST_SPEED), Z_OK);
    Bytes row(std::size_t(width) + 1), compressed(std::size_t(1) << 16), pixels;
    for (UINT y = 0; y <= height; ++y) {
        bool last = y == height;
        for (UINT x = 0; !last && x < width; ++x)
            row[x + 1] = grey(x, y); // row[0]: filter type none
        stream.next_in = row.data();
        stream.avail_in = last ? 0 : uInt(row.size());
        do {
            stream.next_out = compressed.data();
            stream.avail_out = uInt(compressed.size());
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            pixels.insert(pixels.end(), compressed.data(), stream.next_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    chunk("IDAT", pixels);
    chunk("IEND", {});
    return file;
}

std::vector<NamedFile> SmallFilesOfEveryFormat() {
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

    TgaLayout paletteTga;
    paletteTga.imageType = 1;
    paletteTga.width = 2;
    paletteTga.height = 2;
    paletteTga.bitsPerPixel = 8;
    paletteTga.id = {'i', 'd'};
    paletteTga.colourMap = {10, 20, 30, 40, 50, 60};
    paletteTga.colourMapBits = 24;
    paletteTga.colourMapLength = 2;

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
        {"24-bit dds", DdsFile(2, 2, DdsMasks{0x40, 24, 0xff0000, 0xff00, 0xff, 0}, Bytes(12, 9))},
        {"565 dds", DdsFile(3, 1, DdsMasks{0x40, 16, 0xf800, 0x07e0, 0x001f, 0}, Bytes(6, 0x21))},
        {"a8l8 dds", DdsFile(2, 1, DdsMasks{0x20001, 16, 0xff, 0, 0, 0xff00}, Bytes(4, 0x80))},
        {"palette tga", TgaFile(paletteTga, {0, 1, 1, 0})},
    };
}

Bytes PngFile(const Image& image) {
    Bytes out;
    EXPECT_TRUE(EncodePng(image, out));
    return out;
}

Bytes JpegFile(const Image& image, const JpegOptions& options) {
    Bytes out;
    EXPECT_TRUE(EncodeJpeg(image, options, out));
    return out;
}

std::uint32_t ReadBe32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
           std::uint32_t(bytes[2]) << 8 | bytes[3];
}

void WriteBe32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = std::uint8_t(value >> (24 - 8 * i));
}

void WriteLe32(std::uint8_t* bytes, std::uint32_t value) {
    WriteLe16(bytes, value);
    WriteLe16(bytes + 2, value >> 16);
}

void FixPngChunkCrc(Bytes& png, std::size_t offset) {
    std::uint32_t length = ReadBe32(&png[offset]);
    uLong crc = crc32(0, &png[offset + 4], uInt(length + 4));
    WriteBe32(&png[offset + 8 + length], std::uint32_t(crc));
}
