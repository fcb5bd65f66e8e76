#include "framework/KvDX9.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

IDirect3DDevice9* sharedDevice = nullptr;

namespace {

[[noreturn]] void EndAtOnce(int status) {
    std::_Exit(status);
}

// Status of an abnormal end, as the C runtime's abort gives it on Windows.
constexpr int kAbnormalEnd = 3;

template <class T>
void ReleaseField(T*& field) {
    if (field) {
        field->Release();
        field = nullptr;
    }
}

} // namespace

void (*KvDX9::endProcess)(int status) = EndAtOnce;

const char* ResetResultName(HRESULT result) {
    switch (result) {
    case D3DERR_DEVICELOST:
        return "D3DERR_DEVICELOST";
    case D3DERR_DRIVERINTERNALERROR:
        return "D3DERR_DRIVERINTERNALERROR";
    case D3DERR_INVALIDCALL:
        return "D3DERR_INVALIDCALL";
    case D3DERR_OUTOFVIDEOMEMORY:
        return "D3DERR_OUTOFVIDEOMEMORY";
    case E_OUTOFMEMORY:
        return "E_OUTOFMEMORY";
    default:
        return "unknown return value!";
    }
}

bool KvDX9::CreateDevice(bool vsync, bool multisample, std::int32_t cellHeight) {
    fontHeight = cellHeight;
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        ShowMessage("Failed", "Failed: Create D3D IF");
        return false;
    }
    D3DDISPLAYMODE mode{};
    d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);

    presentParams = D3DPRESENT_PARAMETERS{};
    presentParams.BackBufferWidth = UINT(width);
    presentParams.BackBufferHeight = UINT(height);
    presentParams.BackBufferFormat = mode.Format;
    presentParams.BackBufferCount = 1;
    presentParams.MultiSampleType = multisample ? D3DMULTISAMPLE_4_SAMPLES : D3DMULTISAMPLE_NONE;
    presentParams.MultiSampleQuality = 0;
    presentParams.SwapEffect = multisample ? D3DSWAPEFFECT_DISCARD : D3DSWAPEFFECT_COPY;
    presentParams.hDeviceWindow = hwnd;
    presentParams.Windowed = TRUE;
    presentParams.EnableAutoDepthStencil = TRUE;
    presentParams.AutoDepthStencilFormat = D3DFMT_D24X8;
    presentParams.PresentationInterval =
        vsync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;

    struct Try {
        D3DDEVTYPE type;
        DWORD behavior;
        const char* message; // shown on success
    };
    const Try tries[4] = {
        {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, nullptr},
        {D3DDEVTYPE_HAL, D3DCREATE_HARDWARE_VERTEXPROCESSING, "Info: Changed PresentParameters"},
        {D3DDEVTYPE_HAL, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "Info: HAL with Software vertexproc"},
        {D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, "Info: REF"},
    };
    bool created = false;
    for (int i = 0; i < 4 && !created; ++i) {
        if (i == 1) {
            // From the second try on, the modest parameters stay for every
            // later try and every reset.
            presentParams.AutoDepthStencilFormat = D3DFMT_D16;
            presentParams.MultiSampleType = D3DMULTISAMPLE_NONE;
            presentParams.SwapEffect = D3DSWAPEFFECT_COPY;
        }
        created = SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, tries[i].type, hwnd,
                                              tries[i].behavior, &presentParams, &device));
        if (created && tries[i].message)
            ShowMessage("Info", "%s", tries[i].message);
    }
    if (!created) {
        device = nullptr;
        ShowMessage("Failed", "Failed: Create D3D Device");
        return false;
    }
    if (overlayFont && !CreateFont())
        return false;
    sharedDevice = device;
    return true;
}

bool KvDX9::CreateFont() {
    HRESULT hr = D3DXCreateFontA(device, fontHeight, UINT(fontHeight / 2), FW_NORMAL, 1, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 FIXED_PITCH | FF_DONTCARE, "MS Gothic", &font);
    if (FAILED(hr))
        hr = D3DXCreateFontA(device, fontHeight, UINT(fontHeight / 2), FW_NORMAL, 1, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             FIXED_PITCH | FF_DONTCARE, "MS UI Gothic", &font);
    if (FAILED(hr)) {
        font = nullptr;
        ShowMessage("Failed", "Failed: Create Font");
        return false;
    }
    return true;
}

void KvDX9::ReleaseDevice() {
    ReleaseField(font);
    ReleaseField(device);
    ReleaseField(d3d);
}

void KvDX9::AddLostCallback(D3dDeviceLostCallback* callback) {
    for (D3dDeviceLostCallback*& slot : lostCallbacks) {
        if (!slot) {
            slot = callback;
            return;
        }
    }
    lostCallbacks.push_back(callback);
}

void KvDX9::ResetDevice() {
    // Only while the user looks at the window; the next failed present asks
    // again.
    if (GetForegroundWindow() != hwnd)
        return;
    ReleaseField(font);
    for (D3dDeviceLostCallback* callback : lostCallbacks)
        if (callback)
            callback->OnLost();
    HRESULT hr = device->Reset(&presentParams);
    if (FAILED(hr)) {
        Sleep(100);
        hr = device->Reset(&presentParams);
    }
    if (FAILED(hr)) {
        // The box names the code; why the device refused goes beside it.
        const char* refusal = device->GetRefusalText();
        if (hr == D3DERR_INVALIDCALL && std::strncmp(refusal, "Reset: ", 7) == 0)
            std::fprintf(stderr, "zelqad: %s\n", refusal);
        ShowMessage("Failed", "Failed: Reset D3D device (%s)", ResetResultName(hr));
        endProcess(kAbnormalEnd);
        return;
    }
    for (D3dDeviceLostCallback* callback : lostCallbacks)
        if (callback)
            callback->OnReset();
    if (!CreateFont())
        endProcess(kAbnormalEnd);
}
