#include "utility/core/deflate.h"
#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"
#include "utility/image/image_rows.h"
#include "utility/image/png_errors.h"

#include <csetjmp>
#include <cstring>

namespace {

struct MemorySource {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->size - source->offset)
        png_error(png, "unexpected end of file");
    std::memcpy(out, source->data + source->offset, count);
    source->offset += count;
}

// libpng's message is the reason of the failed load.
void ReportAndJump(png_structp png, png_const_charp message) {
    InvalidImage("PNG: %s", message);
    PngErrorJump(png, message);
}

bool IsChunkType(const std::uint8_t* type) {
    for (int i = 0; i < 4; ++i) {
        if (!((type[i] >= 'A' && type[i] <= 'Z') || (type[i] >= 'a' && type[i] <= 'z')))
            return false;
    }
    return true;
}

// libpng allocates a chunk's declared length before it reads the chunk, so
// a few bytes claiming a text chunk of gigabytes would have it ask for that
// much: every chunk up to the end chunk must fit in the file. Counts the
// bytes of compressed pixels on the way.
HRESULT CheckChunks(const std::uint8_t* data, std::size_t size, std::uint64_t& pixelBytes) {
    constexpr std::size_t kSignatureBytes = 8, kChunkFrameBytes = 12; // length, type, CRC
    pixelBytes = 0;
    for (std::size_t offset = kSignatureBytes; offset + 8 <= size;) {
        std::size_t length = png_get_uint_32(data + offset);
        const std::uint8_t* type = data + offset + 4;
        // Damage inside the file shows as a chunk that is not one.
        if (!IsChunkType(type))
            return InvalidImage("PNG: damaged chunk at byte %zu", offset);
        if (length + kChunkFrameBytes > size - offset)
            return InvalidImage("PNG: chunk %.4s runs past the end of the file",
                                reinterpret_cast<const char*>(type));
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
        if (std::memcmp(type, "IDAT", 4) == 0)
            pixelBytes += length;
        offset += length + kChunkFrameBytes;
    }
    return D3D_OK;
}

// Owns libpng's structures on every path out of DecodePng.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemorySource source{};
    int passes = 1;

    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

bool ReadInfo(PngReader& reader) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    // The sizes are checked here, with the reasons of this loader.
    png_set_user_limits(reader.png, 0x7fffffff, 0x7fffffff);
    png_read_info(reader.png, reader.info);
    return true;
}

// A header whose rows could not come out of the file's compressed pixels,
// however well they were compressed, is refused before anything is
// allocated for them.
HRESULT CheckHeader(const PngReader& reader, std::uint64_t compressedBytes) {
    std::uint64_t width = png_get_image_width(reader.png, reader.info);
    std::uint64_t height = png_get_image_height(reader.png, reader.info);
    HRESULT hr = CheckImageSize(width, height);
    if (FAILED(hr))
        return hr;
    std::uint64_t bitsPerPixel = std::uint64_t(png_get_channels(reader.png, reader.info)) *
                                 png_get_bit_depth(reader.png, reader.info);
    std::uint64_t rowBytes = 1 + (width * bitsPerPixel + 7) / 8; // with the filter byte
    if (rowBytes * height > (compressedBytes + 1) * kMaxInflateRatio)
        return InvalidImage("PNG: too little image data for %llu x %llu pixels",
                            static_cast<unsigned long long>(width),
                            static_cast<unsigned long long>(height));
    return D3D_OK;
}

// Asks for every colour type and depth to come out as 8-bit BGRA: palettes
// and sub-byte grey expanded, tRNS turned into alpha, 16-bit scaled down,
// grey widened, opaque alpha added where there is none.
bool AskForBgra(PngReader& reader) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_set_expand(reader.png);
    png_set_scale_16(reader.png);
    png_set_gray_to_rgb(reader.png);
    png_set_add_alpha(reader.png, 0xff, PNG_FILLER_AFTER);
    png_set_bgr(reader.png);
    reader.passes = png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    return png_get_rowbytes(reader.png, reader.info) ==
           std::size_t(png_get_image_width(reader.png, reader.info)) * 4;
}

// Reads the file on to its end chunk, so that a cut-off file is refused
// even when all its pixels came before the cut.
bool ReadEnd(PngReader& reader) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_read_end(reader.png, nullptr);
    return true;
}

// Rows one at a time, straight into the writer.
bool ReadRows(PngReader& reader, ImageRowWriter& writer) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    UINT height = png_get_image_height(reader.png, reader.info);
    for (UINT y = 0; y < height; ++y) {
        png_read_row(reader.png, writer.BgraRow(), nullptr);
        if (!writer.FinishRow())
            return false;
    }
    return true;
}

// Every pass of an interlaced image fills in pixels of rows all over the
// image, so the image is whole only after the last one.
bool ReadPasses(PngReader& reader, Image& whole) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    for (int pass = 0; pass < reader.passes; ++pass) {
        for (UINT y = 0; y < whole.height; ++y)
            png_read_row(reader.png, whole.bgra.data() + std::size_t(y) * whole.width * 4, nullptr);
        if (ImageLoadCancelled())
            return false;
    }
    return true;
}

HRESULT ReadInterlaced(PngReader& reader, ImageRowWriter& writer) {
    UINT width = png_get_image_width(reader.png, reader.info);
    UINT height = png_get_image_height(reader.png, reader.info);
    Image whole;
    HRESULT hr = AllocateImage(whole, width, height, false);
    if (FAILED(hr))
        return hr;
    if (!ReadPasses(reader, whole))
        return D3DXERR_INVALIDDATA;
    for (UINT y = 0; y < height; ++y) {
        std::memcpy(writer.BgraRow(), whole.bgra.data() + std::size_t(y) * width * 4,
                    std::size_t(width) * 4);
        if (!writer.FinishRow())
            return D3DXERR_INVALIDDATA;
    }
    return D3D_OK;
}

} // namespace

HRESULT DecodePng(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image) {
    std::uint64_t compressedBytes = 0;
    HRESULT hr = CheckChunks(data, size, compressedBytes);
    if (FAILED(hr))
        return hr;
    PngReader reader;
    reader.source = MemorySource{data, size, 0};
    reader.png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ReportAndJump, PngIgnoreWarning);
    if (!reader.png)
        return NoMemoryForDecoder();
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info)
        return NoMemoryForDecoder();
    png_set_read_fn(reader.png, &reader.source, ReadFromMemory);
    if (!ReadInfo(reader))
        return D3DXERR_INVALIDDATA;
    hr = CheckHeader(reader, compressedBytes);
    if (FAILED(hr))
        return hr;
    if (!AskForBgra(reader))
        return InvalidImage("PNG: unsupported pixel layout");
    UINT width = png_get_image_width(reader.png, reader.info);
    UINT height = png_get_image_height(reader.png, reader.info);
    if (reader.passes > 1 && std::uint64_t(width) * height > kMaxWholeImagePixels)
        return InvalidImage("PNG: interlaced image too large: %u x %u pixels", width, height);

    ImageRowWriter writer(image);
    hr = writer.Start(width, height, false, fit);
    if (FAILED(hr))
        return hr;
    if (reader.passes > 1)
        hr = ReadInterlaced(reader, writer);
    else if (!ReadRows(reader, writer))
        hr = D3DXERR_INVALIDDATA;
    if (SUCCEEDED(hr) && !ReadEnd(reader))
        hr = D3DXERR_INVALIDDATA;
    return hr;
}
