#include "platform/d3d9/state_device.h"

#include "platform/d3d9/formats.h"

#include <cstring>
#include <new>

namespace {

DWORD FloatBits(float f) {
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

D3DMATRIX Identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

double Ptr(const void* p) {
    return double(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace

StateDevice::StateDevice(IDirect3D9* rootObject, D3DDEVTYPE deviceType, DWORD behaviorFlags,
                         const D3DPRESENT_PARAMETERS& presentParams)
    : root(rootObject), type(deviceType), behavior(behaviorFlags), params(presentParams) {
    root->AddRef();
}

StateDevice::~StateDevice() {
    Shutdown();
    root->Release();
}

void StateDevice::Shutdown() {
    ReleaseBindings();
    ReleaseImplicitTargets();
    // Whatever the application still holds outlives the device's GPU side.
    for (DeviceChild* child : children)
        child->Orphan();
    children.clear();
    defaultPoolObjects = 0;
}

void StateDevice::AddChild(DeviceChild* child) {
    children.insert(child);
    if (child->pool == D3DPOOL_DEFAULT && !child->internal)
        ++defaultPoolObjects;
}

void StateDevice::RemoveChild(DeviceChild* child) {
    children.erase(child);
    if (child->pool == D3DPOOL_DEFAULT && !child->internal)
        --defaultPoolObjects;
}

bool StateDevice::CreateImplicitTargets() {
    if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) {
        RECT client{0, 0, 0, 0};
        GetClientRect(params.hDeviceWindow, &client);
        if (params.BackBufferWidth == 0)
            params.BackBufferWidth = UINT(client.right);
        if (params.BackBufferHeight == 0)
            params.BackBufferHeight = UINT(client.bottom);
    }
    if (params.BackBufferFormat == D3DFMT_UNKNOWN)
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (params.BackBufferCount == 0)
        params.BackBufferCount = 1;
    if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0 ||
        BytesPerPixel(params.BackBufferFormat) == 0)
        return false;
    D3DSURFACE_DESC desc{params.BackBufferFormat, D3DRTYPE_SURFACE,       D3DUSAGE_RENDERTARGET,
                         D3DPOOL_DEFAULT,         params.MultiSampleType, params.MultiSampleQuality,
                         params.BackBufferWidth,  params.BackBufferHeight};
    backBuffer = new Surface(this, desc, true);
    if (!CreateTargetObject(*backBuffer))
        return false;
    if (params.EnableAutoDepthStencil) {
        if (!IsDepthFormat(params.AutoDepthStencilFormat))
            return false;
        desc.Format = params.AutoDepthStencilFormat;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        autoDepth = new Surface(this, desc, true);
        if (!CreateTargetObject(*autoDepth))
            return false;
    }
    return true;
}

void StateDevice::ReleaseImplicitTargets() {
    ReleaseRef(backBuffer);
    ReleaseRef(autoDepth);
}

bool StateDevice::ApplicationHoldsImplicitTargets() const {
    auto extra = [this](Surface* s) {
        if (!s)
            return false;
        ULONG own = 1 + (state.renderTarget == s ? 1 : 0) + (state.depthStencil == s ? 1 : 0);
        return s->RefCount() > own;
    };
    return extra(backBuffer) || extra(autoDepth);
}

void StateDevice::ReleaseBindings() {
    for (auto& texture : state.textures)
        ReleaseRef(texture);
    for (auto& stream : state.streams)
        ReleaseRef(stream.buffer);
    ReleaseRef(state.indices);
    ReleaseRef(state.declaration);
    ReleaseRef(state.vertexShader);
    ReleaseRef(state.pixelShader);
    ReleaseRef(state.renderTarget);
    ReleaseRef(state.depthStencil);
}

void StateDevice::ResetState() {
    ReleaseBindings();
    DWORD* rs = state.renderStates;
    std::memset(rs, 0, sizeof state.renderStates);
    rs[D3DRS_ZENABLE] = params.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGTABLEMODE] = D3DFOG_NONE;
    rs[D3DRS_FOGSTART] = FloatBits(0.0f);
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_COLORWRITEENABLE] = 0xF;
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

    for (DWORD s = 0; s < kMaxTextureStages; ++s) {
        DWORD* ts = state.stageStates[s];
        std::memset(ts, 0, sizeof state.stageStates[s]);
        ts[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ts[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ts[D3DTSS_TEXCOORDINDEX] = s;
        ts[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        DWORD* ss = state.samplerStates[s];
        std::memset(ss, 0, sizeof state.samplerStates[s]);
        ss[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        ss[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DSAMP_MAXANISOTROPY] = 1;
    }
    state.world = state.view = state.projection = Identity();
    state.material = D3DMATERIAL9{};
    state.lights.clear();
    state.fvf = 0;
    std::memset(state.vertexConstants, 0, sizeof state.vertexConstants);
    std::memset(state.pixelConstants, 0, sizeof state.pixelConstants);
    ++state.constantsVersion;
    state.vertexConstantsUsed = state.pixelConstantsUsed = 0;
    ReplaceRef(state.renderTarget, backBuffer);
    ReplaceRef(state.depthStencil, autoDepth);
    state.viewport =
        D3DVIEWPORT9{0, 0, params.BackBufferWidth, params.BackBufferHeight, 0.0f, 1.0f};
}

bool StateDevice::CanDraw() const {
    if (state.declaration)
        return true;
    return (state.fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZ ||
           (state.fvf & D3DFVF_POSITION_MASK) == D3DFVF_XYZRHW;
}

void StateDevice::FillCaps(D3DCAPS9& caps) {
    caps = D3DCAPS9{};
    caps.DeviceType = type;
    caps.MaxTextureWidth = 8192;
    caps.MaxTextureHeight = 8192;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxPrimitiveCount = 0xFFFFFF;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxStreams = kMaxStreams;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
    caps.MaxVertexShaderConst = kVertexConstantCount;
    caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
    caps.NumSimultaneousRTs = 1;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
}

// ---- Device status -----------------------------------------------------------

HRESULT StateDevice::TestCooperativeLevel() {
    Record("TestCooperativeLevel");
    return lost ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT StateDevice::GetDirect3D(IDirect3D9** d3d) {
    if (!d3d)
        return D3DERR_INVALIDCALL;
    root->AddRef();
    *d3d = root;
    return D3D_OK;
}

HRESULT StateDevice::GetDeviceCaps(D3DCAPS9* caps) {
    Record("GetDeviceCaps");
    if (!caps)
        return D3DERR_INVALIDCALL;
    FillCaps(*caps);
    return D3D_OK;
}

BOOL StateDevice::GetSoftwareVertexProcessing() {
    Record("GetSoftwareVertexProcessing");
    return (behavior & D3DCREATE_SOFTWARE_VERTEXPROCESSING) ? TRUE : FALSE;
}

HRESULT StateDevice::Reset(D3DPRESENT_PARAMETERS* newParams) {
    Record("Reset");
    if (!newParams)
        return D3DERR_INVALIDCALL;
    // A reset clears every binding, so what only the device's own state still
    // references goes now. As on Direct3D 9, any default-pool object or
    // back-buffer reference the application still holds refuses the reset.
    ReleaseBindings();
    if (defaultPoolObjects > 0 || ApplicationHoldsImplicitTargets())
        return D3DERR_INVALIDCALL;
    ReleaseImplicitTargets();
    params = *newParams;
    if (!ResetTargets() || !CreateImplicitTargets())
        return D3DERR_DRIVERINTERNALERROR;
    *newParams = params;
    ResetState();
    lost = false;
    inScene = false;
    return D3D_OK;
}

HRESULT StateDevice::Present(const RECT* source, const RECT* dest, HWND window, const void* dirty) {
    Record("Present", {Ptr(source), Ptr(dest), Ptr(window), Ptr(dirty)});
    if (lost)
        return D3DERR_DEVICELOST;
    HRESULT hr = PresentBackBuffer();
    if (hr == D3DERR_DEVICELOST)
        lost = true;
    return hr;
}

HRESULT StateDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE,
                                   IDirect3DSurface9** surface) {
    Record("GetBackBuffer", {double(swapChain), double(index)});
    if (!surface || swapChain != 0 || index != 0 || !backBuffer)
        return D3DERR_INVALIDCALL;
    backBuffer->AddRef();
    *surface = backBuffer;
    return D3D_OK;
}

// ---- Resources -----------------------------------------------------------------

HRESULT StateDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                   D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out,
                                   HANDLE*) {
    Record("CreateTexture", {double(width), double(height), double(levels), double(usage),
                             double(format), double(pool)});
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    bool target = (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
    if (width == 0 || height == 0 || width > 8192 || height > 8192 || BytesPerPixel(format) == 0 ||
        (target && pool != D3DPOOL_DEFAULT) ||
        ((usage & D3DUSAGE_DEPTHSTENCIL) && !IsDepthFormat(format)))
        return D3DERR_INVALIDCALL;
    // The levels' memory is the application's to run out of, as under
    // Direct3D: it gets a result code, never an exception.
    Texture* texture = nullptr;
    try {
        texture = new Texture(this, width, height, levels, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (target && !CreateTargetObject(*texture)) {
        texture->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *out = texture;
    return D3D_OK;
}

HRESULT StateDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                        IDirect3DVertexBuffer9** out, HANDLE*) {
    Record("CreateVertexBuffer", {double(length), double(usage), double(fvf), double(pool)});
    if (!out || length == 0)
        return D3DERR_INVALIDCALL;
    try {
        *out = new VertexBuffer(this, length, usage, fvf, pool);
    } catch (const std::bad_alloc&) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT StateDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                       IDirect3DIndexBuffer9** out, HANDLE*) {
    Record("CreateIndexBuffer", {double(length), double(usage), double(format), double(pool)});
    if (!out || length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    try {
        *out = new IndexBuffer(this, length, usage, format, pool);
    } catch (const std::bad_alloc&) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT StateDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                               D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                               BOOL discard, IDirect3DSurface9** out, HANDLE*) {
    Record("CreateDepthStencilSurface", {double(width), double(height), double(format),
                                         double(multiSample), double(quality), double(discard)});
    if (!out || width == 0 || height == 0 || width > 8192 || height > 8192 ||
        !IsDepthFormat(format))
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    D3DSURFACE_DESC desc{format,
                         D3DRTYPE_SURFACE,
                         D3DUSAGE_DEPTHSTENCIL,
                         D3DPOOL_DEFAULT,
                         multiSample,
                         quality,
                         width,
                         height};
    auto* surface = new Surface(this, desc, false);
    if (!CreateTargetObject(*surface)) {
        surface->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *out = surface;
    return D3D_OK;
}

HRESULT StateDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format,
                                                 D3DPOOL pool, IDirect3DSurface9** out, HANDLE*) {
    Record("CreateOffscreenPlainSurface",
           {double(width), double(height), double(format), double(pool)});
    if (!out || width == 0 || height == 0 || BytesPerPixel(format) == 0 || IsDepthFormat(format) ||
        pool == D3DPOOL_MANAGED)
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width, height};
    try {
        *out = new Surface(this, desc, false);
    } catch (const std::bad_alloc&) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT StateDevice::GetRenderTargetData(IDirect3DSurface9* target, IDirect3DSurface9* dest) {
    Record("GetRenderTargetData", {Ptr(target), Ptr(dest)});
    auto* from = static_cast<Surface*>(target);
    auto* to = static_cast<Surface*>(dest);
    if (!from || !to || !(from->desc.Usage & D3DUSAGE_RENDERTARGET) ||
        to->desc.Pool != D3DPOOL_SYSTEMMEM || from->desc.Width != to->desc.Width ||
        from->desc.Height != to->desc.Height || from->desc.Format != to->desc.Format)
        return D3DERR_INVALIDCALL;
    if (lost)
        return D3DERR_DEVICELOST;
    CopyTargetToMemory(*from, *to);
    ++to->version;
    return D3D_OK;
}

// ---- Targets and scenes -----------------------------------------------------------

HRESULT StateDevice::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
    Record("SetRenderTarget", {double(index), Ptr(surface)});
    auto* target = static_cast<Surface*>(surface);
    if (index != 0 || !target || !(target->desc.Usage & D3DUSAGE_RENDERTARGET))
        return D3DERR_INVALIDCALL;
    ReplaceRef(state.renderTarget, target);
    // Binding a target makes the viewport the whole target.
    state.viewport = D3DVIEWPORT9{0, 0, target->desc.Width, target->desc.Height, 0.0f, 1.0f};
    return D3D_OK;
}

HRESULT StateDevice::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    Record("GetRenderTarget", {double(index)});
    if (!surface || index != 0)
        return D3DERR_INVALIDCALL;
    *surface = state.renderTarget;
    if (!state.renderTarget)
        return D3DERR_NOTFOUND;
    state.renderTarget->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    Record("SetDepthStencilSurface", {Ptr(surface)});
    auto* depth = static_cast<Surface*>(surface);
    if (depth && !(depth->desc.Usage & D3DUSAGE_DEPTHSTENCIL))
        return D3DERR_INVALIDCALL;
    ReplaceRef(state.depthStencil, depth);
    return D3D_OK;
}

HRESULT StateDevice::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    Record("GetDepthStencilSurface");
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = state.depthStencil;
    if (!state.depthStencil)
        return D3DERR_NOTFOUND;
    state.depthStencil->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::BeginScene() {
    Record("BeginScene");
    if (inScene)
        return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT StateDevice::EndScene() {
    Record("EndScene");
    if (!inScene)
        return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

HRESULT StateDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                           DWORD stencil) {
    Record("Clear", {double(count), double(flags), double(color), double(z), double(stencil)});
    if ((count && !rects) || ((flags & D3DCLEAR_ZBUFFER) && !state.depthStencil))
        return D3DERR_INVALIDCALL;
    if (!lost)
        ClearTargets(count, rects, flags, color, z, stencil);
    return D3D_OK;
}

// ---- Fixed-function state -----------------------------------------------------------

HRESULT StateDevice::SetTransform(D3DTRANSFORMSTATETYPE which, const D3DMATRIX* matrix) {
    Record("SetTransform", {double(which)}, matrix, matrix ? sizeof *matrix : 0);
    if (!matrix)
        return D3DERR_INVALIDCALL;
    switch (which) {
    case D3DTS_WORLD:
        state.world = *matrix;
        return D3D_OK;
    case D3DTS_VIEW:
        state.view = *matrix;
        return D3D_OK;
    case D3DTS_PROJECTION:
        state.projection = *matrix;
        return D3D_OK;
    default:
        return D3D_OK; // texture and extra world matrices are not used
    }
}

HRESULT StateDevice::GetTransform(D3DTRANSFORMSTATETYPE which, D3DMATRIX* matrix) {
    if (!matrix)
        return D3DERR_INVALIDCALL;
    switch (which) {
    case D3DTS_WORLD:
        *matrix = state.world;
        return D3D_OK;
    case D3DTS_VIEW:
        *matrix = state.view;
        return D3D_OK;
    case D3DTS_PROJECTION:
        *matrix = state.projection;
        return D3D_OK;
    default:
        *matrix = Identity();
        return D3D_OK;
    }
}

HRESULT StateDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    Record("SetViewport");
    // Summed wide: corners past the end of a DWORD must not wrap into range.
    if (!viewport || !state.renderTarget ||
        std::uint64_t(viewport->X) + viewport->Width > state.renderTarget->desc.Width ||
        std::uint64_t(viewport->Y) + viewport->Height > state.renderTarget->desc.Height)
        return D3DERR_INVALIDCALL;
    state.viewport = *viewport;
    return D3D_OK;
}

HRESULT StateDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport)
        return D3DERR_INVALIDCALL;
    *viewport = state.viewport;
    return D3D_OK;
}

HRESULT StateDevice::SetMaterial(const D3DMATERIAL9* material) {
    Record("SetMaterial", {}, material, material ? sizeof *material : 0);
    if (!material)
        return D3DERR_INVALIDCALL;
    state.material = *material;
    return D3D_OK;
}

HRESULT StateDevice::GetMaterial(D3DMATERIAL9* material) {
    if (!material)
        return D3DERR_INVALIDCALL;
    *material = state.material;
    return D3D_OK;
}

HRESULT StateDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    Record("SetLight", {double(index)}, light, light ? sizeof *light : 0);
    if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    auto slot = state.lights.find(index);
    if (slot == state.lights.end())
        state.lights[index] = DeviceState::LightSlot{*light, FALSE};
    else
        slot->second.light = *light;
    return D3D_OK;
}

HRESULT StateDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    Record("GetLight", {double(index)});
    auto slot = state.lights.find(index);
    if (!light || slot == state.lights.end())
        return D3DERR_INVALIDCALL;
    *light = slot->second.light;
    return D3D_OK;
}

HRESULT StateDevice::LightEnable(DWORD index, BOOL enable) {
    Record("LightEnable", {double(index), double(enable)});
    auto slot = state.lights.find(index);
    if (slot == state.lights.end()) {
        // Enabling a light never set gives it Direct3D's default: a white
        // directional light shining along +z.
        D3DLIGHT9 light{};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = D3DCOLORVALUE{1, 1, 1, 0};
        light.Direction = D3DVECTOR{0, 0, 1};
        state.lights[index] = DeviceState::LightSlot{light, enable ? TRUE : FALSE};
    } else {
        slot->second.enabled = enable ? TRUE : FALSE;
    }
    return D3D_OK;
}

HRESULT StateDevice::GetLightEnable(DWORD index, BOOL* enable) {
    auto slot = state.lights.find(index);
    if (!enable || slot == state.lights.end())
        return D3DERR_INVALIDCALL;
    *enable = slot->second.enabled;
    return D3D_OK;
}

HRESULT StateDevice::SetRenderState(D3DRENDERSTATETYPE which, DWORD value) {
    Record("SetRenderState", {double(which), double(value)});
    if (which >= D3DRS_STATE_COUNT)
        return D3DERR_INVALIDCALL;
    state.renderStates[which] = value;
    return D3D_OK;
}

HRESULT StateDevice::GetRenderState(D3DRENDERSTATETYPE which, DWORD* value) {
    Record("GetRenderState", {double(which)});
    if (which >= D3DRS_STATE_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state.renderStates[which];
    return D3D_OK;
}

HRESULT StateDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    Record("SetTexture", {double(stage), Ptr(texture)});
    if (stage >= kMaxTextureStages)
        return D3DERR_INVALIDCALL;
    ReplaceRef(state.textures[stage], texture);
    return D3D_OK;
}

HRESULT StateDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (stage >= kMaxTextureStages || !texture)
        return D3DERR_INVALIDCALL;
    *texture = state.textures[stage];
    if (*texture)
        (*texture)->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE which,
                                          DWORD value) {
    Record("SetTextureStageState", {double(stage), double(which), double(value)});
    if (stage >= kMaxTextureStages || which >= D3DTSS_STATE_COUNT)
        return D3DERR_INVALIDCALL;
    state.stageStates[stage][which] = value;
    return D3D_OK;
}

HRESULT StateDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE which,
                                          DWORD* value) {
    if (stage >= kMaxTextureStages || which >= D3DTSS_STATE_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state.stageStates[stage][which];
    return D3D_OK;
}

HRESULT StateDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE which, DWORD value) {
    Record("SetSamplerState", {double(sampler), double(which), double(value)});
    if (sampler >= kMaxTextureStages || which >= D3DSAMP_STATE_COUNT)
        return D3DERR_INVALIDCALL;
    state.samplerStates[sampler][which] = value;
    return D3D_OK;
}

HRESULT StateDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE which, DWORD* value) {
    if (sampler >= kMaxTextureStages || which >= D3DSAMP_STATE_COUNT || !value)
        return D3DERR_INVALIDCALL;
    *value = state.samplerStates[sampler][which];
    return D3D_OK;
}

// ---- Drawing ------------------------------------------------------------------------

HRESULT StateDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
    Record("DrawPrimitive", {double(type), double(startVertex), double(count)});
    UINT vertices = VertexCountOf(type, count);
    const DeviceState::Stream& s = state.streams[0];
    if (vertices == 0 || !CanDraw() || !s.buffer || s.stride == 0 ||
        (size_t(startVertex) + vertices) * s.stride + s.offset > s.buffer->data.size())
        return D3DERR_INVALIDCALL;
    if (!lost)
        DrawUnindexed(type, startVertex, vertices);
    return D3D_OK;
}

HRESULT StateDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                          UINT numVertices, UINT startIndex, UINT count) {
    Record("DrawIndexedPrimitive", {double(type), double(baseVertex), double(minIndex),
                                    double(numVertices), double(startIndex), double(count)});
    UINT indices = VertexCountOf(type, count);
    const DeviceState::Stream& s = state.streams[0];
    if (indices == 0 || !CanDraw() || !state.indices || !s.buffer || s.stride == 0)
        return D3DERR_INVALIDCALL;
    size_t indexSize = state.indices->format == D3DFMT_INDEX32 ? 4 : 2;
    if ((size_t(startIndex) + indices) * indexSize > state.indices->data.size())
        return D3DERR_INVALIDCALL;
    if (!lost)
        DrawFromBuffers(type, baseVertex, minIndex, numVertices, startIndex, indices);
    return D3D_OK;
}

HRESULT StateDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data,
                                     UINT stride) {
    UINT vertices = VertexCountOf(type, count);
    Record("DrawPrimitiveUP", {double(type), double(count), double(stride)}, data,
           data ? size_t(vertices) * stride : 0);
    if (vertices == 0 || !data || stride == 0 || !CanDraw())
        return D3DERR_INVALIDCALL;
    // As on Direct3D 9, drawing from memory leaves stream 0 unset.
    ReleaseRef(state.streams[0].buffer);
    state.streams[0].offset = state.streams[0].stride = 0;
    if (!lost)
        DrawFromMemory(type, vertices, data, stride);
    return D3D_OK;
}

// ---- Vertex layout and buffers ---------------------------------------------------------

HRESULT StateDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                             IDirect3DVertexDeclaration9** out) {
    Record("CreateVertexDeclaration");
    if (!elements || !out)
        return D3DERR_INVALIDCALL;
    UINT n = DeclLength(elements);
    if (n == MAXD3DDECLLENGTH)
        return D3DERR_INVALIDCALL; // no end marker within the limit
    for (UINT i = 0; i < n; ++i)
        if (elements[i].Stream >= kMaxStreams || DeclTypeSize(elements[i].Type) == 0)
            return D3DERR_INVALIDCALL;
    *out = new VertexDeclaration(this, std::vector<D3DVERTEXELEMENT9>(elements, elements + n + 1));
    return D3D_OK;
}

HRESULT StateDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    Record("SetVertexDeclaration", {Ptr(declaration)});
    ReplaceRef(state.declaration, static_cast<VertexDeclaration*>(declaration));
    state.fvf = 0;
    return D3D_OK;
}

HRESULT StateDevice::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) {
    if (!declaration)
        return D3DERR_INVALIDCALL;
    *declaration = state.declaration;
    if (*declaration)
        (*declaration)->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::SetFVF(DWORD fvf) {
    Record("SetFVF", {double(fvf)});
    // A format replaces the declaration, as Direct3D 9 does.
    ReleaseRef(state.declaration);
    state.fvf = fvf;
    return D3D_OK;
}

HRESULT StateDevice::GetFVF(DWORD* fvf) {
    if (!fvf)
        return D3DERR_INVALIDCALL;
    *fvf = state.fvf;
    return D3D_OK;
}

HRESULT StateDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                     UINT stride) {
    Record("SetStreamSource", {double(stream), Ptr(buffer), double(offset), double(stride)});
    if (stream >= kMaxStreams)
        return D3DERR_INVALIDCALL;
    ReplaceRef(state.streams[stream].buffer, static_cast<VertexBuffer*>(buffer));
    state.streams[stream].offset = offset;
    state.streams[stream].stride = stride;
    return D3D_OK;
}

HRESULT StateDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                     UINT* stride) {
    if (stream >= kMaxStreams || !buffer || !offset || !stride)
        return D3DERR_INVALIDCALL;
    *buffer = state.streams[stream].buffer;
    if (*buffer)
        (*buffer)->AddRef();
    *offset = state.streams[stream].offset;
    *stride = state.streams[stream].stride;
    return D3D_OK;
}

HRESULT StateDevice::SetIndices(IDirect3DIndexBuffer9* indices) {
    Record("SetIndices", {Ptr(indices)});
    ReplaceRef(state.indices, static_cast<IndexBuffer*>(indices));
    return D3D_OK;
}

HRESULT StateDevice::GetIndices(IDirect3DIndexBuffer9** indices) {
    if (!indices)
        return D3DERR_INVALIDCALL;
    *indices = state.indices;
    if (*indices)
        (*indices)->AddRef();
    return D3D_OK;
}

// ---- Programs --------------------------------------------------------------------------

HRESULT StateDevice::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** out) {
    Record("CreateVertexShader");
    if (!function || !out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    auto* shader = new VertexShader(this, reinterpret_cast<const char*>(function));
    shaderErrorText.clear();
    if (!CompileShader(*shader)) {
        shader->Release();
        return D3DERR_INVALIDCALL;
    }
    *out = shader;
    return D3D_OK;
}

HRESULT StateDevice::SetVertexShader(IDirect3DVertexShader9* shader) {
    Record("SetVertexShader", {Ptr(shader)});
    ReplaceRef(state.vertexShader, static_cast<VertexShader*>(shader));
    return D3D_OK;
}

HRESULT StateDevice::GetVertexShader(IDirect3DVertexShader9** shader) {
    if (!shader)
        return D3DERR_INVALIDCALL;
    *shader = state.vertexShader;
    if (*shader)
        (*shader)->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    Record("SetVertexShaderConstantF", {double(start), double(count)}, data,
           data ? size_t(count) * 16 : 0);
    if (!data || start + count > kVertexConstantCount || start + count < start)
        return D3DERR_INVALIDCALL;
    std::memcpy(state.vertexConstants[start], data, size_t(count) * 16);
    ++state.constantsVersion;
    if (start + count > state.vertexConstantsUsed)
        state.vertexConstantsUsed = start + count;
    return D3D_OK;
}

HRESULT StateDevice::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
    if (!data || start + count > kVertexConstantCount || start + count < start)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, state.vertexConstants[start], size_t(count) * 16);
    return D3D_OK;
}

HRESULT StateDevice::CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** out) {
    Record("CreatePixelShader");
    if (!function || !out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    auto* shader = new PixelShader(this, reinterpret_cast<const char*>(function));
    shaderErrorText.clear();
    if (!CompileShader(*shader)) {
        shader->Release();
        return D3DERR_INVALIDCALL;
    }
    *out = shader;
    return D3D_OK;
}

HRESULT StateDevice::SetPixelShader(IDirect3DPixelShader9* shader) {
    Record("SetPixelShader", {Ptr(shader)});
    ReplaceRef(state.pixelShader, static_cast<PixelShader*>(shader));
    return D3D_OK;
}

HRESULT StateDevice::GetPixelShader(IDirect3DPixelShader9** shader) {
    if (!shader)
        return D3DERR_INVALIDCALL;
    *shader = state.pixelShader;
    if (*shader)
        (*shader)->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    Record("SetPixelShaderConstantF", {double(start), double(count)}, data,
           data ? size_t(count) * 16 : 0);
    if (!data || start + count > kPixelConstantCount || start + count < start)
        return D3DERR_INVALIDCALL;
    std::memcpy(state.pixelConstants[start], data, size_t(count) * 16);
    ++state.constantsVersion;
    if (start + count > state.pixelConstantsUsed)
        state.pixelConstantsUsed = start + count;
    return D3D_OK;
}

HRESULT StateDevice::GetPixelShaderConstantF(UINT start, float* data, UINT count) {
    if (!data || start + count > kPixelConstantCount || start + count < start)
        return D3DERR_INVALIDCALL;
    std::memcpy(data, state.pixelConstants[start], size_t(count) * 16);
    return D3D_OK;
}

HRESULT StateDevice::ValidateDevice(DWORD* numPasses) {
    Record("ValidateDevice");
    shaderErrorText.clear();
    if ((state.vertexShader || state.pixelShader) && !LinkCurrentPrograms())
        return E_FAIL;
    if (numPasses)
        *numPasses = 1;
    return D3D_OK;
}
