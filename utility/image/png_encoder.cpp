#include "utility/image/image_writers.h"
#include "utility/image/png_errors.h"

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t count) {
    if (!AppendBytes(*static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png)), data, count))
        png_error(png, "out of memory");
}

void FlushNothing(png_structp) {}

// Owns libpng's structures on every path out of EncodePngRows.
struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;

    ~PngWriter() { png_destroy_write_struct(&png, &info); }
};

// libpng checks the header itself: a depth the colour type does not allow
// fails here.
bool Compress(PngWriter& writer, const PngLayout& layout, const std::vector<png_color>& palette,
              png_bytepp rows) {
    if (setjmp(png_jmpbuf(writer.png)))
        return false;
    png_set_IHDR(writer.png, writer.info, layout.width, layout.height, layout.bitDepth,
                 int(layout.colorType),
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(writer.png, writer.info, palette.data(), int(palette.size()));
    if (!layout.paletteAlpha.empty())
        png_set_tRNS(writer.png, writer.info, layout.paletteAlpha.data(),
                     int(layout.paletteAlpha.size()), nullptr);
    png_write_info(writer.png, writer.info);
    png_write_image(writer.png, rows);
    png_write_end(writer.png, nullptr);
    return true;
}

} // namespace

int PngChannels(PngColorType type) {
    switch (type) {
    case PngColorType::GrayAlpha:
        return 2;
    case PngColorType::Rgb:
        return 3;
    case PngColorType::Rgba:
        return 4;
    case PngColorType::Gray:
    case PngColorType::Palette:
        break;
    }
    return 1;
}

std::size_t PngRowBytes(const PngLayout& layout) {
    return (std::size_t(layout.width) * PngChannels(layout.colorType) * layout.bitDepth + 7) / 8;
}

bool EncodePngRows(const PngLayout& layout, const std::vector<std::uint8_t>& rows,
                   std::vector<std::uint8_t>& out) {
    out.clear();
    std::size_t rowBytes = PngRowBytes(layout);
    if (!ImageSizeAllowed(layout.width, layout.height) || rows.size() != rowBytes * layout.height ||
        layout.palette.size() % 3 != 0)
        return false;
    std::vector<png_color> palette;
    std::vector<png_bytep> rowPointers;
    if (!TryResize(palette, layout.palette.size() / 3) || !TryResize(rowPointers, layout.height))
        return false;
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette[i] =
            png_color{layout.palette[3 * i], layout.palette[3 * i + 1], layout.palette[3 * i + 2]};
    // libpng copies each row before it transforms it; the rows stay as given.
    for (UINT y = 0; y < layout.height; ++y)
        rowPointers[y] = const_cast<png_bytep>(rows.data() + y * rowBytes);

    PngWriter writer;
    writer.png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorJump, PngIgnoreWarning);
    if (!writer.png)
        return false;
    writer.info = png_create_info_struct(writer.png);
    if (!writer.info)
        return false;
    png_set_write_fn(writer.png, &out, AppendToVector, FlushNothing);
    if (!Compress(writer, layout, palette, rowPointers.data())) {
        out.clear();
        return false;
    }
    return true;
}

bool EncodePng(const Image& image, std::vector<std::uint8_t>& out) {
    out.clear();
    if (image.bgra.size() != std::size_t(image.width) * image.height * 4)
        return false;
    PngLayout layout;
    layout.width = image.width;
    layout.height = image.height;
    std::vector<std::uint8_t> rgba;
    if (!TryResize(rgba, image.bgra.size()))
        return false;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = image.bgra[i + 2];
        rgba[i + 1] = image.bgra[i + 1];
        rgba[i + 2] = image.bgra[i];
        rgba[i + 3] = image.bgra[i + 3];
    }
    return EncodePngRows(layout, rgba, out);
}
