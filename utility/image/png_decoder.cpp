#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"
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
        png_error(png, "truncated");
    std::memcpy(out, source->data + source->offset, count);
    source->offset += count;
}

// libpng allocates a chunk's declared length before it reads the chunk, so
// a few bytes claiming a text chunk of gigabytes would have it ask for that
// much: every chunk up to the end chunk must fit in the file.
bool ChunksFitFile(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSignatureBytes = 8, kChunkFrameBytes = 12; // length, type, CRC
    for (std::size_t offset = kSignatureBytes; offset + 8 <= size;) {
        std::size_t length = png_get_uint_32(data + offset);
        if (length + kChunkFrameBytes > size - offset)
            return false;
        if (std::memcmp(data + offset + 4, "IEND", 4) == 0)
            break;
        offset += length + kChunkFrameBytes;
    }
    return true;
}

// Owns libpng's structures on every path out of DecodePng.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemorySource source{};

    ~PngReader() { png_destroy_read_struct(&png, &info, nullptr); }
};

// Reads the header and asks for every colour type and depth to come out as
// 8-bit BGRA: palettes and sub-byte grey expanded, tRNS turned into alpha,
// 16-bit scaled down, grey widened, opaque alpha added where there is none.
bool ReadHeader(PngReader& reader) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_set_user_limits(reader.png, kMaxImageSide, kMaxImageSide);
    png_read_info(reader.png, reader.info);
    png_set_expand(reader.png);
    png_set_scale_16(reader.png);
    png_set_gray_to_rgb(reader.png);
    png_set_add_alpha(reader.png, 0xff, PNG_FILLER_AFTER);
    png_set_bgr(reader.png);
    png_set_interlace_handling(reader.png);
    png_read_update_info(reader.png, reader.info);
    return true;
}

// Reads every row, and the file on to its end chunk so that a cut-off file
// is refused even when all its pixels came before the cut.
bool ReadRows(PngReader& reader, png_bytepp rows) {
    if (setjmp(png_jmpbuf(reader.png)))
        return false;
    png_read_image(reader.png, rows);
    png_read_end(reader.png, nullptr);
    return true;
}

} // namespace

HRESULT DecodePng(const std::uint8_t* data, std::size_t size, Image& image) {
    if (!ChunksFitFile(data, size))
        return D3DXERR_INVALIDDATA;
    PngReader reader;
    reader.source = MemorySource{data, size, 0};
    reader.png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorJump, PngIgnoreWarning);
    if (!reader.png)
        return E_OUTOFMEMORY;
    reader.info = png_create_info_struct(reader.png);
    if (!reader.info)
        return E_OUTOFMEMORY;
    png_set_read_fn(reader.png, &reader.source, ReadFromMemory);
    if (!ReadHeader(reader))
        return D3DXERR_INVALIDDATA;

    UINT width = png_get_image_width(reader.png, reader.info);
    UINT height = png_get_image_height(reader.png, reader.info);
    if (png_get_rowbytes(reader.png, reader.info) != std::size_t(width) * 4)
        return D3DXERR_INVALIDDATA;
    HRESULT hr = AllocateImage(image, width, height, false);
    if (FAILED(hr))
        return hr;
    std::vector<png_bytep> rows;
    if (!TryResize(rows, height))
        return E_OUTOFMEMORY;
    for (UINT y = 0; y < height; ++y)
        rows[y] = image.bgra.data() + std::size_t(y) * width * 4;
    return ReadRows(reader, rows.data()) ? D3D_OK : D3DXERR_INVALIDDATA;
}
