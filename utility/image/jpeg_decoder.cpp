#include "utility/d3dx9mesh.h"
#include "utility/image/decoders.h"
#include "utility/image/image_rows.h"
#include "utility/image/jpeg_errors.h"

#include <jerror.h>

namespace {

// No encoder writes anywhere near this many scans; a file that has more is
// built to make a progressive decode run for minutes.
constexpr int kMaxScans = 500;
// A progressive or multi-scan file keeps the coefficients of the whole image
// while it is read, 3 bytes a pixel for a colour photograph (chroma at half
// resolution): this takes one of 16384 x 16384 pixels.
constexpr long kMaxDecoderBytes = 1L << 30;

struct JpegReader {
    jpeg_decompress_struct info{};
    JpegErrorJump errors{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    JSAMPARRAY line = nullptr; // one output row, from libjpeg's pool

    // Safe on an object that was never created: libjpeg frees nothing then.
    ~JpegReader() { jpeg_destroy_decompress(&info); }
};

// libjpeg's message is the reason of the failed load, in its own words,
// except where they would not tell a user what happened.
void ReportAndJump(j_common_ptr common) {
    auto info = reinterpret_cast<j_decompress_ptr>(common);
    if (common->err->msg_code == JERR_NO_BACKING_STORE) {
        InvalidImage("JPEG: image too large to decode: %u x %u pixels", info->image_width,
                     info->image_height);
    } else {
        char message[JMSG_LENGTH_MAX];
        (*common->err->format_message)(common, message);
        InvalidImage("JPEG: %s", message);
    }
    JumpToJpegSetjmp(common);
}

// Bytes some encoders leave between the pixel data and the next marker: a
// longer run there means the pixel data was read out of step.
constexpr int kMaxPaddingBytes = 8;

// libjpeg decodes past broken pixel data, filling in what it could not
// read, and only warns: such a file is refused, so that a damaged texture is
// not taken for a good one. (JPEG has no checksum; damage that still decodes
// to codes in step goes unseen.)
void RefuseCorruptData(j_common_ptr common, int level) {
    if (level >= 0)
        return; // trace messages
    auto info = reinterpret_cast<j_decompress_ptr>(common);
    switch (common->err->msg_code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
        (*common->err->error_exit)(common);
        break;
    case JWRN_EXTRANEOUS_DATA:
        if (info->input_scan_number > 0 && common->err->msg_parm.i[0] > kMaxPaddingBytes)
            (*common->err->error_exit)(common);
        break;
    default: // unknown revisions and colour transforms: pixels intact
        break;
    }
    ++common->err->num_warnings;
}

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

// Called now and then while libjpeg reads, also inside the long read of a
// progressive file's scans.
void WatchProgress(j_common_ptr common) {
    auto info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxScans) {
        InvalidImage("JPEG: more than %d scans", kMaxScans);
        ERREXIT(info, JERR_BAD_PROGRESSION);
    }
    if (ImageLoadCancelled())
        JumpToJpegSetjmp(common);
}

bool ReadHeader(JpegReader& reader, const std::uint8_t* data, std::size_t size) {
    if (setjmp(reader.errors.jump))
        return false;
    jpeg_create_decompress(&reader.info);
    reader.info.mem->max_memory_to_use = kMaxDecoderBytes;
    reader.source.next_input_byte = data;
    reader.source.bytes_in_buffer = size;
    reader.source.init_source = StartSource;
    reader.source.fill_input_buffer = RefuseMoreInput;
    reader.source.skip_input_data = SkipInput;
    reader.source.resync_to_restart = jpeg_resync_to_restart;
    reader.source.term_source = EndSource;
    reader.info.src = &reader.source;
    reader.progress.progress_monitor = WatchProgress;
    reader.info.progress = &reader.progress;
    jpeg_read_header(&reader.info, TRUE);
    return true;
}

bool ChooseColours(JpegReader& reader) {
    switch (reader.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        reader.info.out_color_space = JCS_GRAYSCALE;
        return true;
    case JCS_YCbCr:
    case JCS_RGB:
        reader.info.out_color_space = JCS_RGB;
        return true;
    default:
        return false;
    }
}

// libjpeg shrinks by 1/2, 1/4 or 1/8 in its inverse DCT at a fraction of
// the cost of a full decode: the largest of these that keeps the image at
// least `fitWidth` x `fitHeight` (the box filter does the rest).
void ChooseScale(JpegReader& reader, UINT fitWidth, UINT fitHeight) {
    for (unsigned denominator = 8; denominator > 1; denominator /= 2) {
        if ((reader.info.image_width + denominator - 1) / denominator >= fitWidth &&
            (reader.info.image_height + denominator - 1) / denominator >= fitHeight) {
            reader.info.scale_num = 1;
            reader.info.scale_denom = denominator;
            return;
        }
    }
}

// For a progressive file this reads every scan.
bool StartDecompress(JpegReader& reader) {
    if (setjmp(reader.errors.jump))
        return false;
    jpeg_start_decompress(&reader.info);
    reader.line = (*reader.info.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&reader.info), JPOOL_IMAGE,
        reader.info.output_width * reader.info.output_components, 1);
    return true;
}

void ExpandToBgra(const JSAMPLE* line, int components, UINT width, std::uint8_t* out) {
    for (UINT x = 0; x < width; ++x, out += 4, line += components) {
        out[0] = line[components == 3 ? 2 : 0];
        out[1] = line[components == 3 ? 1 : 0];
        out[2] = line[0];
        out[3] = 0xff;
    }
}

bool ReadRows(JpegReader& reader, ImageRowWriter& writer) {
    if (setjmp(reader.errors.jump))
        return false;
    while (reader.info.output_scanline < reader.info.output_height) {
        if (jpeg_read_scanlines(&reader.info, reader.line, 1) != 1)
            return false;
        ExpandToBgra(reader.line[0], reader.info.output_components, reader.info.output_width,
                     writer.BgraRow());
        if (!writer.FinishRow())
            return false;
    }
    jpeg_finish_decompress(&reader.info);
    return true;
}

// libjpeg's own allocations fail through the same jump as broken data.
HRESULT FailureOf(const JpegReader& reader) {
    if (reader.errors.manager.msg_code == JERR_OUT_OF_MEMORY)
        return NoMemoryForImage(reader.info.image_width, reader.info.image_height);
    return D3DXERR_INVALIDDATA;
}

} // namespace

HRESULT DecodeJpeg(const std::uint8_t* data, std::size_t size, const ImageFit& fit, Image& image) {
    JpegReader reader;
    reader.info.err = UseJpegErrorJump(reader.errors);
    reader.errors.manager.error_exit = ReportAndJump;
    reader.errors.manager.emit_message = RefuseCorruptData;
    if (!ReadHeader(reader, data, size))
        return FailureOf(reader);
    if (!ChooseColours(reader)) // CMYK and YCCK print files are not textures
        return InvalidImage("JPEG: CMYK images are not supported");
    HRESULT hr = CheckImageSize(reader.info.image_width, reader.info.image_height);
    if (FAILED(hr))
        return hr;
    UINT fitWidth, fitHeight;
    FitImageSize(reader.info.image_width, reader.info.image_height, false, fit, fitWidth,
                 fitHeight);
    ChooseScale(reader, fitWidth, fitHeight);
    if (!StartDecompress(reader))
        return FailureOf(reader);
    int components = reader.info.output_components;
    if (components != 1 && components != 3)
        return InvalidImage("JPEG: unsupported number of colour channels: %d", components);
    ImageRowWriter writer(image);
    hr = writer.Start(reader.info.output_width, reader.info.output_height, false, fitWidth,
                      fitHeight);
    if (FAILED(hr))
        return hr;
    return ReadRows(reader, writer) ? D3D_OK : FailureOf(reader);
}
