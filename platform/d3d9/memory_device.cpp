#include "platform/d3d9/memory_device.h"

#include "platform/d3d9/state_device.h"

#include <new>

namespace {

class MemoryDevice final : public StateDevice {
public:
    using StateDevice::StateDevice;

protected:
    void DrawFromMemory(D3DPRIMITIVETYPE, UINT, const void*, UINT) override {}
    void DrawFromBuffers(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {}
    void DrawUnindexed(D3DPRIMITIVETYPE, UINT, UINT) override {}
    void ClearTargets(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override {}
    void CopyTargetToMemory(Surface&, Surface&) override {}
    HRESULT PresentBackBuffer() override { return D3D_OK; }
};

// The root a memory device answers GetDirect3D with; it makes no devices
// of its own.
class MemoryDirect3D9 final : public RefCounted<IDirect3D9> {
public:
    UINT GetAdapterCount() override { return 0; }
    HRESULT GetAdapterDisplayMode(UINT, D3DDISPLAYMODE*) override {
        return refusal.Refuse("GetAdapterDisplayMode", "a memory device's root has no adapter");
    }
    HRESULT GetDeviceCaps(UINT, D3DDEVTYPE, D3DCAPS9*) override {
        return refusal.Refuse("GetDeviceCaps", "a memory device's root has no adapter");
    }
    HRESULT CreateDevice(UINT, D3DDEVTYPE, HWND, DWORD, D3DPRESENT_PARAMETERS*,
                         IDirect3DDevice9** device) override {
        if (device)
            *device = nullptr;
        return refusal.Refuse("CreateDevice", "a memory device's root makes no devices");
    }
    const char* GetRefusalText() override { return refusal.Get(); }

private:
    RefusalText refusal;
};

} // namespace

IDirect3DDevice9* CreateMemoryDevice() {
    // Nothing is drawn, so the smallest back buffer does.
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = params.BackBufferHeight = 1;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_COPY;
    params.Windowed = TRUE;
    MemoryDirect3D9* root = new (std::nothrow) MemoryDirect3D9;
    if (!root)
        return nullptr;
    MemoryDevice* device = new (std::nothrow)
        MemoryDevice(root, D3DDEVTYPE_REF, D3DCREATE_SOFTWARE_VERTEXPROCESSING, params);
    root->Release(); // the device holds its own reference
    if (device && !device->Initialize()) {
        device->Release();
        device = nullptr;
    }
    return device;
}
