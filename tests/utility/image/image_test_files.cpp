#include "image_test_files.h"

#include <stb_image_write.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>

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
    Bytes file(128 + payload.size(), 0);
    std::memcpy(file.data(), "DDS ", 4);
    WriteLe32(&file[4], 124);
    WriteLe32(&file[8], 0x1 | 0x2 | 0x4 | 0x1000); // caps, height, width, pixel format
    WriteLe32(&file[12], height);
    WriteLe32(&file[16], width);
    WriteLe32(&file[28], 1);
    WriteLe32(&file[76], 32);
    if (fourCc) {
        WriteLe32(&file[80], 0x4);
        WriteLe32(&file[84], fourCc);
    } else {
        WriteLe32(&file[80], 0x40 | (alphaMask ? 0x1 : 0));
        WriteLe32(&file[88], 32);
        WriteLe32(&file[92], 0x00ff0000);
        WriteLe32(&file[96], 0x0000ff00);
        WriteLe32(&file[100], 0x000000ff);
        WriteLe32(&file[104], alphaMask);
    }
    WriteLe32(&file[108], 0x1000); // a texture
    std::copy(payload.begin(), payload.end(), file.begin() + 128);
    return file;
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
