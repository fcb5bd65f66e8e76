// One image decoder on whole files of its format. ZQ_FUZZ_DECODER is set by
// the build: the decoder of this target.
#include "tools/fuzz/fuzz_support.h"
#include "utility/image/decoders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LiveObjectGuard guard;
    Image image;
    // Small enough that large images take the shrinking path too.
    const ImageFit fit{512, 512};
    if (FAILED(ZQ_FUZZ_DECODER(data, size, fit, image)))
        return 0;
    FuzzCheck(image.width > 0 && image.height > 0, "a decoded image has pixels");
    FuzzCheck(image.width <= fit.maxWidth && image.height <= fit.maxHeight,
              "a decoded image fits what was asked");
    std::size_t values = std::size_t(image.width) * image.height * 4;
    FuzzCheck(image.IsFloat() ? image.rgba.size() == values && image.bgra.empty()
                              : image.bgra.size() == values,
              "one array holds four values a pixel");
    return 0;
}
