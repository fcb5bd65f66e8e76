#include "platform/d3d9/recording_device.h"

RecordingDevice::RecordingDevice(RecordingDirect3D9* root, D3DDEVTYPE type, DWORD behavior,
                                 const D3DPRESENT_PARAMETERS& params, const D3DCAPS9& deviceCaps)
    : StateDevice(root, type, behavior, params), owner(root), caps(deviceCaps) {}

RecordingDevice::~RecordingDevice() {
    if (owner->lastDevice == this)
        owner->lastDevice = nullptr;
}

std::vector<const RecordedCall*> RecordingDevice::Calls(const std::string& name) const {
    std::vector<const RecordedCall*> found;
    for (const RecordedCall& call : calls)
        if (call.name == name)
            found.push_back(&call);
    return found;
}

std::vector<std::string> RecordingDevice::Names() const {
    std::vector<std::string> names;
    for (const RecordedCall& call : calls)
        names.push_back(call.name);
    return names;
}

void RecordingDevice::Record(const char* call, std::initializer_list<double> args, const void* data,
                             size_t size) {
    RecordedCall entry{call, args, {}, {}};
    if (data && size)
        entry.data.assign(static_cast<const std::uint8_t*>(data),
                          static_cast<const std::uint8_t*>(data) + size);
    calls.push_back(std::move(entry));
}

void RecordingDevice::RecordRefusal(const char* text) {
    calls.push_back(RecordedCall{"Refused", {}, {}, text});
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* newParams) {
    if (!resetResults.empty()) {
        HRESULT scripted = resetResults.front();
        resetResults.pop_front();
        if (FAILED(scripted)) {
            Record("Reset", {}, nullptr, 0);
            return scripted;
        }
    }
    return StateDevice::Reset(newParams);
}

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                       D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out,
                                       HANDLE* shared) {
    if (failTextureCreations > 0) {
        --failTextureCreations;
        Record("CreateTexture", {double(width), double(height)}, nullptr, 0);
        if (out)
            *out = nullptr;
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    return StateDevice::CreateTexture(width, height, levels, usage, format, pool, out, shared);
}

bool RecordingDevice::ScriptedCompile() {
    if (failShaderCreations <= 0)
        return true;
    --failShaderCreations;
    shaderErrorText = "(1) : error: scripted compile failure";
    return false;
}

HRESULT RecordingDevice::PresentBackBuffer() {
    if (presentResults.empty())
        return D3D_OK;
    HRESULT scripted = presentResults.front();
    presentResults.pop_front();
    return scripted;
}

// ---- Root ------------------------------------------------------------------------

namespace {
RecordingDirect3D9* installedRoot = nullptr;

IDirect3D9* CreateInstalledRoot(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION || !installedRoot)
        return nullptr;
    installedRoot->AddRef();
    return installedRoot;
}
} // namespace

RecordingDirect3D9::RecordingDirect3D9() {
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.MaxTextureWidth = caps.MaxTextureHeight = 8192;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxStreams = 4;
}

void RecordingDirect3D9::Install() {
    installedRoot = this;
    SetDirect3DFactory(CreateInstalledRoot);
}

void RecordingDirect3D9::Uninstall() {
    installedRoot = nullptr;
    SetDirect3DFactory(nullptr);
}

HRESULT RecordingDirect3D9::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (HRESULT refused = CheckAdapter(refusal, "GetAdapterDisplayMode", adapter); FAILED(refused))
        return refused;
    if (!mode)
        return refusal.Refuse("GetAdapterDisplayMode", "null mode");
    *mode = D3DDISPLAYMODE{1920, 1080, 60, displayFormat};
    return D3D_OK;
}

HRESULT RecordingDirect3D9::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* out) {
    if (HRESULT refused = CheckAdapter(refusal, "GetDeviceCaps", adapter); FAILED(refused))
        return refused;
    if (!out)
        return refusal.Refuse("GetDeviceCaps", "null caps");
    *out = caps;
    out->DeviceType = type;
    return D3D_OK;
}

HRESULT RecordingDirect3D9::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow,
                                         DWORD behavior, D3DPRESENT_PARAMETERS* params,
                                         IDirect3DDevice9** out) {
    HRESULT result = D3D_OK;
    if (!createResults.empty()) {
        result = createResults.front();
        createResults.pop_front();
    }
    if (adapter != 0)
        result = CheckAdapter(refusal, "CreateDevice", adapter);
    else if (!params)
        result = refusal.Refuse("CreateDevice", "null present parameters");
    else if (!out)
        result = refusal.Refuse("CreateDevice", "null device");
    createCalls.push_back(
        CreateDeviceCall{type, behavior, params ? *params : D3DPRESENT_PARAMETERS{}, result});
    if (FAILED(result)) {
        if (out)
            *out = nullptr;
        return result;
    }
    D3DPRESENT_PARAMETERS used = *params;
    if (!used.hDeviceWindow)
        used.hDeviceWindow = focusWindow;
    D3DCAPS9 deviceCaps = caps;
    deviceCaps.DeviceType = type;
    auto* device = new RecordingDevice(this, type, behavior, used, deviceCaps);
    device->failTextureCreations = failTexturesOfNextDevice;
    failTexturesOfNextDevice = 0;
    device->failShaderCreations = failShadersOfNextDevice;
    failShadersOfNextDevice = 0;
    if (!device->Initialize()) {
        device->Release();
        *out = nullptr;
        return refusal.Refuse("CreateDevice",
                              "the present parameters give no back buffer or depth buffer that "
                              "can be made");
    }
    *params = device->PresentParameters();
    lastDevice = device;
    *out = device;
    return D3D_OK;
}
