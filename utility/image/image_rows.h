// Where a decoder puts the rows of the image it reads, top to bottom: into
// the image as they are when it fits, or through a box filter into the size
// it is kept at (see FitImageSize), so a file larger than the device takes
// is read whole without ever being whole in memory.
#pragma once

#include "utility/image/box_filter.h"
#include "utility/image/image.h"

class ImageRowWriter {
public:
    explicit ImageRowWriter(Image& out) : out(out) {}

    // A source of width x height pixels kept at the size that fits `fit`.
    // D3DXERR_INVALIDDATA for a size no file may declare, E_OUTOFMEMORY;
    // both leave the reason.
    HRESULT Start(UINT width, UINT height, bool floatPixels, const ImageFit& fit);
    // The same, kept at fitWidth x fitHeight, no larger than the source.
    HRESULT Start(UINT width, UINT height, bool floatPixels, UINT fitWidth, UINT fitHeight);

    // The next row to fill: width pixels of 8-bit BGRA, or of float RGBA
    // for a float image.
    std::uint8_t* BgraRow();
    float* RgbaRow();
    // The row is filled. False, with the reason left, when the load has been
    // asked to stop.
    bool FinishRow();

private:
    Image& out;
    UINT width = 0; // of a source row
    UINT row = 0;   // the next source row
    bool shrinking = false;
    // While shrinking, the row being filled waits here for the filter.
    std::vector<std::uint8_t> bgraRow;
    std::vector<float> rgbaRow;
    BoxShrinker<std::uint8_t, std::uint64_t> bgraShrinker;
    BoxShrinker<float, float> rgbaShrinker;
};
