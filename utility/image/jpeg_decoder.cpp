#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"
#include "utility/image/jpeg_errors.h"

#include <jerror.h>

namespace {

// No encoder writes anywhere near this many scans; a file that has more is
// built to make a progressive decode run for minutes.
constexpr int kMaxScans = 500;

struct JpegReader {
    jpeg_decompress_struct info{};
    JpegErrorJump errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};

    // Safe on an object that was never created: libjpeg frees nothing then.
    ~JpegReader() { jpeg_destroy_decompress(&info); }
};

// The whole file is in the buffer from the start, so a request for more
// means the file was cut short: an error, not the padding that libjpeg would
// otherwise decode as grey.
void StartSource(j_decompress_ptr) {}
void EndSource(j_decompress_ptr) {}

boolean RefuseMoreInput(j_decompress_ptr info) {
    ERREXIT(info, JERR_INPUT_EOF);
    return FALSE;
}

void SkipInput(j_decompress_ptr info, long count) {
    jpeg_source_mgr* source = info->src;
    if (count <= 0)
        return;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer)
        ERREXIT(info, JERR_INPUT_EOF);
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void LimitScans(j_common_ptr common) {
    auto info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans)
        ERREXIT(info, JERR_BAD_PROGRESSION);
}

bool ReadHeader(JpegReader& reader, const std::uint8_t* data, std::size_t size) {
    if (setjmp(reader.errors.jump))
        return false;
    jpeg_create_decompress(&reader.info);
    reader.source.next_input_byte = data;
    reader.source.bytes_in_buffer = size;
    reader.source.init_source = StartSource;
    reader.source.fill_input_buffer = RefuseMoreInput;
    reader.source.skip_input_data = SkipInput;
    reader.source.resync_to_restart = jpeg_resync_to_restart;
    reader.source.term_source = EndSource;
    reader.info.src = &reader.source;
    reader.progress.progress_monitor = LimitScans;
    reader.info.progress = &reader.progress;
    jpeg_read_header(&reader.info, TRUE);
    switch (reader.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        reader.info.out_color_space = JCS_GRAYSCALE;
        return true;
    case JCS_YCbCr:
    case JCS_RGB:
        reader.info.out_color_space = JCS_RGB;
        return true;
    default: // CMYK and YCCK print files are not textures
        return false;
    }
}

void ExpandToBgra(const JSAMPLE* line, int components, UINT width, std::uint8_t* out) {
    for (UINT x = 0; x < width; ++x, out += 4, line += components) {
        out[0] = line[components == 3 ? 2 : 0];
        out[1] = line[components == 3 ? 1 : 0];
        out[2] = line[0];
        out[3] = 0xff;
    }
}

bool ReadPixels(JpegReader& reader, Image& image) {
    if (setjmp(reader.errors.jump))
        return false;
    jpeg_start_decompress(&reader.info);
    int components = reader.info.output_components;
    if (reader.info.output_width != image.width || reader.info.output_height != image.height ||
        (components != 1 && components != 3))
        return false;
    JSAMPARRAY line = (*reader.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&reader.info),
                                                       JPOOL_IMAGE, image.width * components, 1);
    while (reader.info.output_scanline < reader.info.output_height) {
        std::uint8_t* out =
            image.bgra.data() + std::size_t(reader.info.output_scanline) * image.width * 4;
        if (jpeg_read_scanlines(&reader.info, line, 1) != 1)
            return false;
        ExpandToBgra(line[0], components, image.width, out);
    }
    jpeg_finish_decompress(&reader.info);
    return true;
}

// libjpeg's own allocations fail through the same jump as broken data.
HRESULT FailureOf(const JpegReader& reader) {
    return reader.errors.manager.msg_code == JERR_OUT_OF_MEMORY ? E_OUTOFMEMORY
                                                                : D3DXERR_INVALIDDATA;
}

} // namespace

HRESULT DecodeJpeg(const std::uint8_t* data, std::size_t size, Image& image) {
    JpegReader reader;
    reader.info.err = UseJpegErrorJump(reader.errors);
    if (!ReadHeader(reader, data, size))
        return FailureOf(reader);
    HRESULT hr = AllocateImage(image, reader.info.image_width, reader.info.image_height, false);
    if (FAILED(hr))
        return hr;
    return ReadPixels(reader, image) ? D3D_OK : FailureOf(reader);
}
