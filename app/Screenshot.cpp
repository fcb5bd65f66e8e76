#include "app/Screenshot.h"

#include "platform/d3d9/com.h"
#include "utility/core/file_bytes.h"
#include "utility/core/load_report.h"
#include "utility/image/image_writers.h"
#include "utility/image/mip_chain.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

bool Fail(const std::string& path, const char* why) {
    ReportFileFailure(path.c_str(), why);
    return false;
}

} // namespace

bool ReadBackBuffer(IDirect3DDevice9* device, Image& image) {
    IDirect3DSurface9* back = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)))
        return false;
    bool ok = ReadRenderTarget(device, back, image);
    ReleaseRef(back);
    return ok;
}

bool ReadRenderTarget(IDirect3DDevice9* device, IDirect3DSurface9* back, Image& image) {
    D3DSURFACE_DESC desc{};
    back->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    bool ok = (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
              SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                            D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
              SUCCEEDED(device->GetRenderTargetData(back, copy)) &&
              SUCCEEDED(AllocateImage(image, desc.Width, desc.Height, false));
    D3DLOCKED_RECT locked{};
    if (ok && SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        std::size_t rowBytes = std::size_t(desc.Width) * 4;
        for (UINT y = 0; y < desc.Height; ++y) {
            std::uint8_t* row = image.bgra.data() + y * rowBytes;
            std::memcpy(row, static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch,
                        rowBytes);
        }
        copy->UnlockRect();
    } else {
        ok = false;
    }
    ReleaseRef(copy);
    return ok;
}

void FitPictureSize(UINT width, UINT height, int size, UINT& fitWidth, UINT& fitHeight) {
    fitWidth = width;
    fitHeight = height;
    UINT longest = std::max(width, height);
    if (size <= 0 || longest <= UINT(size))
        return;
    fitWidth = std::max<UINT>(1, UINT(std::uint64_t(width) * UINT(size) / longest));
    fitHeight = std::max<UINT>(1, UINT(std::uint64_t(height) * UINT(size) / longest));
}

bool WritePicturePng(const Image& picture, const std::string& path, bool withAlpha) {
    PngLayout layout;
    layout.width = picture.width;
    layout.height = picture.height;
    layout.colorType = withAlpha ? PngColorType::Rgba : PngColorType::Rgb;
    const std::size_t channels = withAlpha ? 4 : 3;
    std::vector<std::uint8_t> rows(std::size_t(layout.width) * layout.height * channels);
    for (std::size_t i = 0, n = rows.size() / channels; i < n; ++i) {
        const std::uint8_t* bgra = &picture.bgra[4 * i];
        std::uint8_t* rgb = &rows[channels * i];
        rgb[0] = bgra[2];
        rgb[1] = bgra[1];
        rgb[2] = bgra[0];
        if (withAlpha)
            rgb[3] = bgra[3];
    }
    std::vector<std::uint8_t> png;
    if (!EncodePngRows(layout, rows, png))
        return Fail(path, "the picture could not be encoded");
    errno = 0;
    if (FAILED(WriteFileBytes(path.c_str(), png)))
        return Fail(path, errno ? std::strerror(errno) : "cannot be written");
    return true;
}

bool WriteBackBufferPng(IDirect3DDevice9* device, const std::string& path, int size) {
    Image frame;
    if (!ReadBackBuffer(device, frame))
        return Fail(path, "the frame could not be read back");
    UINT width, height;
    FitPictureSize(frame.width, frame.height, size, width, height);
    Image scaled;
    const Image* picture = &frame;
    if (width != frame.width || height != frame.height) {
        if (FAILED(ShrinkImage(frame, width, height, scaled)))
            return Fail(path, "out of memory");
        picture = &scaled;
    }
    return WritePicturePng(*picture, path, false);
}
