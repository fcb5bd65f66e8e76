// The recording backend: a device that keeps all state as Direct3D 9 does and
// logs every call with its arguments, but draws nothing, so that tests can
// assert call orders and vertex data without a GPU. Its root object can be
// told to fail device creation and its devices to fail resets or presents.
#pragma once

#include "platform/d3d9/state_device.h"

#include <deque>
#include <string>
#include <vector>

struct RecordedCall {
    std::string name;
    std::vector<double> args;
    std::vector<std::uint8_t> data; // vertex bytes, matrices, lights, constants
    // A refusal is logged as a call named "Refused", after the call refused,
    // with its reason ("DrawPrimitive: no primitives to draw") here.
    std::string reason;

    template <class T>
    const T& As(size_t index = 0) const {
        return reinterpret_cast<const T*>(data.data())[index];
    }
};

class RecordingDirect3D9;

class RecordingDevice final : public StateDevice {
public:
    RecordingDevice(RecordingDirect3D9* root, D3DDEVTYPE type, DWORD behavior,
                    const D3DPRESENT_PARAMETERS& params, const D3DCAPS9& caps);
    ~RecordingDevice() override;

    // Calls named `name`, in order.
    std::vector<const RecordedCall*> Calls(const std::string& name) const;
    // The names of all calls, in order.
    std::vector<std::string> Names() const;

    std::vector<RecordedCall> calls;
    // Scripted results: each Reset and Present takes the front entry while
    // there is one; without one they follow the device's own rules.
    std::deque<HRESULT> resetResults;
    std::deque<HRESULT> presentResults;
    // The next this-many CreateTexture calls fail with out-of-memory.
    int failTextureCreations = 0;
    // The next this-many program creations fail as a compile error would.
    int failShaderCreations = 0;

    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;

protected:
    void Record(const char* call, std::initializer_list<double> args, const void* data,
                size_t size) override;
    void RecordRefusal(const char* text) override;
    void DrawFromMemory(D3DPRIMITIVETYPE, UINT, const void*, UINT) override {}
    void DrawFromBuffers(D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT) override {}
    void DrawUnindexed(D3DPRIMITIVETYPE, UINT, UINT) override {}
    void ClearTargets(DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override {}
    void CopyTargetToMemory(Surface&, Surface&) override {}
    HRESULT PresentBackBuffer() override;
    void FillCaps(D3DCAPS9& out) override { out = caps; }
    bool CompileShader(VertexShader&) override { return ScriptedCompile(); }
    bool CompileShader(PixelShader&) override { return ScriptedCompile(); }

private:
    bool ScriptedCompile();

    RecordingDirect3D9* owner;
    D3DCAPS9 caps;
};

class RecordingDirect3D9 final : public RefCounted<IDirect3D9> {
public:
    struct CreateDeviceCall {
        D3DDEVTYPE type;
        DWORD behavior;
        D3DPRESENT_PARAMETERS params;
        HRESULT result;
    };

    RecordingDirect3D9();

    // Makes Direct3DCreate9 hand out this root (one more reference each
    // time); Uninstall restores the OpenGL backend.
    void Install();
    static void Uninstall();

    // Each CreateDevice takes the front entry while there is one: a failure
    // code makes it fail, D3D_OK lets it succeed.
    std::deque<HRESULT> createResults;
    std::vector<CreateDeviceCall> createCalls;
    D3DFORMAT displayFormat = D3DFMT_X8R8G8B8;
    // Passed to the next device made: that many of its texture creations,
    // or of its program creations, fail.
    int failTexturesOfNextDevice = 0;
    int failShadersOfNextDevice = 0;
    D3DCAPS9 caps{};
    // The device made last while it lives; not counted.
    RecordingDevice* lastDevice = nullptr;

    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behavior,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;
    const char* GetRefusalText() override { return refusal.Get(); }

private:
    RefusalText refusal;
};
