#include "utility/image/image_writers.h"
#include "utility/image/jpeg_errors.h"

#include <jerror.h>

namespace {

// Compressed bytes gather in a small buffer and move to the vector in
// chunks.
struct VectorDestination {
    jpeg_destination_mgr manager; // first, so libjpeg's pointer to it is ours too
    std::vector<std::uint8_t>* out;
    JOCTET buffer[4096];
};

VectorDestination& DestinationOf(j_compress_ptr info) {
    return *reinterpret_cast<VectorDestination*>(info->dest);
}

void StartBuffer(j_compress_ptr info) {
    VectorDestination& destination = DestinationOf(info);
    destination.manager.next_output_byte = destination.buffer;
    destination.manager.free_in_buffer = sizeof destination.buffer;
}

void MoveToVector(j_compress_ptr info, std::size_t count) {
    VectorDestination& destination = DestinationOf(info);
    if (!AppendBytes(*destination.out, destination.buffer, count))
        ERREXIT(info, JERR_OUT_OF_MEMORY);
}

boolean MoveFullBuffer(j_compress_ptr info) {
    MoveToVector(info, sizeof DestinationOf(info).buffer);
    StartBuffer(info);
    return TRUE;
}

void MoveRest(j_compress_ptr info) {
    VectorDestination& destination = DestinationOf(info);
    MoveToVector(info, sizeof destination.buffer - destination.manager.free_in_buffer);
}

struct JpegWriter {
    jpeg_compress_struct info{};
    JpegErrorJump errors{};
    VectorDestination destination{};

    // Safe on an object that was never created: libjpeg frees nothing then.
    ~JpegWriter() { jpeg_destroy_compress(&info); }
};

bool Compress(JpegWriter& writer, const Image& image, const JpegOptions& options) {
    if (setjmp(writer.errors.jump))
        return false;
    jpeg_create_compress(&writer.info);
    writer.info.dest = &writer.destination.manager;
    writer.info.image_width = image.width;
    writer.info.image_height = image.height;
    writer.info.input_components = 3;
    writer.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&writer.info);
    if (options.grayscale)
        jpeg_set_colorspace(&writer.info, JCS_GRAYSCALE);
    jpeg_set_quality(&writer.info, options.quality, TRUE);
    if (options.progressive)
        jpeg_simple_progression(&writer.info);
    jpeg_start_compress(&writer.info, TRUE);
    JSAMPARRAY line = (*writer.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&writer.info),
                                                       JPOOL_IMAGE, image.width * 3, 1);
    while (writer.info.next_scanline < writer.info.image_height) {
        const std::uint8_t* bgra =
            image.bgra.data() + std::size_t(writer.info.next_scanline) * image.width * 4;
        for (UINT x = 0; x < image.width; ++x, bgra += 4) {
            line[0][3 * x] = bgra[2];
            line[0][3 * x + 1] = bgra[1];
            line[0][3 * x + 2] = bgra[0];
        }
        jpeg_write_scanlines(&writer.info, line, 1);
    }
    jpeg_finish_compress(&writer.info);
    return true;
}

} // namespace

bool EncodeJpeg(const Image& image, const JpegOptions& options, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!ImageSizeAllowed(image.width, image.height) ||
        image.bgra.size() != std::size_t(image.width) * image.height * 4)
        return false;
    JpegWriter writer;
    writer.info.err = UseJpegErrorJump(writer.errors);
    writer.destination.manager.init_destination = StartBuffer;
    writer.destination.manager.empty_output_buffer = MoveFullBuffer;
    writer.destination.manager.term_destination = MoveRest;
    writer.destination.out = &out;
    if (!Compress(writer, image, options)) {
        out.clear();
        return false;
    }
    return true;
}
