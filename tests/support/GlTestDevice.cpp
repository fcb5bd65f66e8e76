#include "tests/support/GlTestDevice.h"

#include "tests/support/PresentParameters.h"
#include "utility/core/file_bytes.h"
#include "utility/image/image.h"
#include "utility/image/image_writers.h"

#include <cstdlib>
#include <cstring>

namespace {

LRESULT TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterTestClass() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TestWindowProc;
    wc.lpszClassName = "GlTestWindow";
    registered = RegisterClassExA(&wc) != 0;
}

} // namespace

GlTestDevice::GlTestDevice(UINT w, UINT h, D3DFORMAT depth) : width(w), height(h) {
    RegisterTestClass();
    window = CreateWindowExA(0, "GlTestWindow", "test", 0, 0, 0, int(w), int(h), nullptr, nullptr,
                             nullptr, nullptr);
    if (!window)
        return;
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d)
        return;
    params = WindowedPresentParameters(w, h);
    params.hDeviceWindow = window;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = depth;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device)))
        device = nullptr;
}

GlTestDevice::~GlTestDevice() {
    if (device)
        device->Release();
    if (d3d)
        d3d->Release();
    if (window)
        DestroyWindow(window);
}

std::vector<std::uint32_t> GlTestDevice::Read(IDirect3DSurface9* target) {
    D3DSURFACE_DESC desc;
    target->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    std::vector<std::uint32_t> pixels;
    if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                   D3DPOOL_SYSTEMMEM, &copy, nullptr)))
        return pixels;
    if (SUCCEEDED(device->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            pixels.resize(size_t(desc.Width) * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y)
                std::memcpy(&pixels[size_t(y) * desc.Width],
                            static_cast<const std::uint8_t*>(locked.pBits) +
                                size_t(y) * locked.Pitch,
                            desc.Width * 4);
            copy->UnlockRect();
        }
    }
    copy->Release();
    return pixels;
}

std::vector<std::uint32_t> GlTestDevice::ReadTarget() {
    IDirect3DSurface9* target = nullptr;
    device->GetRenderTarget(0, &target);
    std::vector<std::uint32_t> pixels = Read(target);
    target->Release();
    return pixels;
}

std::vector<float> GlTestDevice::ReadFloat(IDirect3DSurface9* target) {
    D3DSURFACE_DESC desc;
    target->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    std::vector<float> pixels;
    if (FAILED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                   D3DPOOL_SYSTEMMEM, &copy, nullptr)))
        return pixels;
    if (SUCCEEDED(device->GetRenderTargetData(target, copy))) {
        D3DLOCKED_RECT locked;
        if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
            pixels.resize(size_t(desc.Width) * desc.Height * 4);
            std::memcpy(pixels.data(), locked.pBits, pixels.size() * sizeof(float));
            copy->UnlockRect();
        }
    }
    copy->Release();
    return pixels;
}

std::string WriteScreenshot(const std::vector<std::uint32_t>& pixels, UINT width, UINT height,
                            const char* name) {
    Image image;
    if (pixels.size() != size_t(width) * height ||
        FAILED(AllocateImage(image, width, height, false)))
        return std::string();
    for (size_t i = 0; i < pixels.size(); ++i) {
        std::uint32_t opaque = pixels[i] | 0xFF000000u; // targets without alpha read anything
        std::memcpy(&image.bgra[i * 4], &opaque, 4);
    }
    const char* folder = std::getenv("ZQ_SCREENSHOT_DIR");
    std::string path = std::string(folder && *folder ? folder : ".") + "/" + name;
    std::vector<std::uint8_t> png;
    if (!EncodePng(image, png) || FAILED(WriteFileBytes(path.c_str(), png)))
        return std::string();
    return path;
}
