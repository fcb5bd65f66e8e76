#include "utility/image/image_rows.h"

#include "utility/d3dx9mesh.h"

HRESULT ImageRowWriter::Start(UINT width, UINT height, bool floatPixels, const ImageFit& fit) {
    UINT fitWidth, fitHeight;
    FitImageSize(width, height, floatPixels, fit, fitWidth, fitHeight);
    return Start(width, height, floatPixels, fitWidth, fitHeight);
}

HRESULT ImageRowWriter::Start(UINT width, UINT height, bool floatPixels, UINT fitWidth,
                              UINT fitHeight) {
    HRESULT hr = CheckImageSize(width, height);
    if (FAILED(hr))
        return hr;
    if (fitWidth == 0 || fitHeight == 0 || fitWidth > width || fitHeight > height)
        return D3DERR_INVALIDCALL;
    hr = AllocateImage(out, fitWidth, fitHeight, floatPixels);
    if (FAILED(hr))
        return hr;
    this->width = width;
    row = 0;
    shrinking = fitWidth != width || fitHeight != height;
    if (!shrinking)
        return D3D_OK;
    std::size_t values = std::size_t(width) * 4;
    bool started =
        floatPixels ? TryResize(rgbaRow, values) &&
                          rgbaShrinker.Start(width, height, fitWidth, fitHeight, out.rgba.data())
                    : TryResize(bgraRow, values) &&
                          bgraShrinker.Start(width, height, fitWidth, fitHeight, out.bgra.data());
    return started ? D3D_OK : NoMemoryForImage(width, height);
}

std::uint8_t* ImageRowWriter::BgraRow() {
    return shrinking ? bgraRow.data() : out.bgra.data() + std::size_t(row) * width * 4;
}

float* ImageRowWriter::RgbaRow() {
    return shrinking ? rgbaRow.data() : out.rgba.data() + std::size_t(row) * width * 4;
}

bool ImageRowWriter::FinishRow() {
    if (shrinking) {
        if (out.IsFloat())
            rgbaShrinker.AddRow(rgbaRow.data());
        else
            bgraShrinker.AddRow(bgraRow.data());
    }
    ++row;
    return !ImageLoadCancelled();
}
