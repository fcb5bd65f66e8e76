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

// Checks that Get and Set calls share, refusing `call` through the device.
HRESULT CheckStage(StateDevice& device, const char* call, DWORD stage) {
    if (stage >= kMaxTextureStages)
        return device.Refuse(call, "stage %u past the %u texture stages", stage, kMaxTextureStages);
    return D3D_OK;
}

HRESULT CheckStream(StateDevice& device, const char* call, UINT stream) {
    if (stream >= kMaxStreams)
        return device.Refuse(call, "stream %u past the %u streams", stream, kMaxStreams);
    return D3D_OK;
}

// `count` registers from `start` of a file of `size`, summed wide so that a
// range past the end of a UINT does not wrap into the file.
HRESULT CheckConstants(StateDevice& device, const char* call, UINT start, UINT count, UINT size,
                       const void* data) {
    if (!data)
        return device.Refuse(call, "null constant data");
    if (std::uint64_t(start) + count > size)
        return device.Refuse(call, "registers %u to %llu past the %u constants", start,
                             static_cast<unsigned long long>(std::uint64_t(start) + count - 1),
                             size);
    return D3D_OK;
}

HRESULT CheckTargetSize(StateDevice& device, const char* call, UINT width, UINT height) {
    if (width == 0 || height == 0 || width > kMaxTextureSize || height > kMaxTextureSize)
        return device.Refuse(call, "size %ux%u outside 1x1 to %ux%u", width, height,
                             kMaxTextureSize, kMaxTextureSize);
    return D3D_OK;
}

// An object the device hands out through `out`, with a reference of its own.
template <class Interface, class Object>
HRESULT HandOut(StateDevice& device, const char* call, const char* what, Interface** out,
                Object* object) {
    if (!out)
        return device.Refuse(call, "null %s", what);
    *out = object;
    if (object)
        object->AddRef();
    return D3D_OK;
}

} // namespace

HRESULT StateDevice::Refuse(const char* call, const char* format, ...) {
    va_list args;
    va_start(args, format);
    HRESULT result = RefuseV(call, format, args);
    va_end(args);
    return result;
}

HRESULT StateDevice::RefuseV(const char* call, const char* format, va_list args) {
    HRESULT result = refusal.RefuseV(call, format, args);
    RecordRefusal(refusal.Get());
    return result;
}

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

void StateDevice::FillCaps(D3DCAPS9& caps) {
    caps = D3DCAPS9{};
    caps.DeviceType = type;
    caps.MaxTextureWidth = kMaxTextureSize;
    caps.MaxTextureHeight = kMaxTextureSize;
    caps.MaxSimultaneousTextures = 8;
    caps.MaxActiveLights = 8;
    caps.MaxPrimitiveCount = kMaxPrimitiveCount;
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
    return HandOut(*this, "GetDirect3D", "root object", d3d, root);
}

HRESULT StateDevice::GetDeviceCaps(D3DCAPS9* caps) {
    Record("GetDeviceCaps");
    if (!caps)
        return Refuse("GetDeviceCaps", "null caps");
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
        return Refuse("Reset", "null present parameters");
    // A reset clears every binding, so what only the device's own state still
    // references goes now. As on Direct3D 9, any default-pool object or
    // back-buffer reference the application still holds refuses the reset.
    ReleaseBindings();
    if (defaultPoolObjects > 0)
        return Refuse("Reset", "default-pool objects still alive: %d", defaultPoolObjects);
    if (ApplicationHoldsImplicitTargets())
        return Refuse("Reset", "the back buffer or the automatic depth buffer is still held");
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
    if (!backBuffer)
        return Refuse("Present", "no back buffer since a failed reset");
    HRESULT hr = PresentBackBuffer();
    if (hr == D3DERR_DEVICELOST)
        lost = true;
    return hr;
}

HRESULT StateDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE,
                                   IDirect3DSurface9** surface) {
    Record("GetBackBuffer", {double(swapChain), double(index)});
    if (swapChain != 0)
        return Refuse("GetBackBuffer", "swap chain %u past the only one", swapChain);
    if (index != 0)
        return Refuse("GetBackBuffer", "back buffer %u past the only one", index);
    if (!backBuffer)
        return Refuse("GetBackBuffer", "no back buffer since a failed reset");
    return HandOut(*this, "GetBackBuffer", "surface", surface, backBuffer);
}

// ---- Resources -----------------------------------------------------------------

HRESULT StateDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                   D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** out,
                                   HANDLE*) {
    Record("CreateTexture", {double(width), double(height), double(levels), double(usage),
                             double(format), double(pool)});
    if (!out)
        return Refuse("CreateTexture", "null texture");
    *out = nullptr;
    if (HRESULT refused = CheckTargetSize(*this, "CreateTexture", width, height); FAILED(refused))
        return refused;
    if (BytesPerPixel(format) == 0)
        return Refuse("CreateTexture", "unknown format %u", UINT(format));
    bool target = (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0;
    if (target && pool != D3DPOOL_DEFAULT)
        return Refuse("CreateTexture",
                      "a render target or depth texture in pool %u, not the default pool",
                      UINT(pool));
    if ((usage & D3DUSAGE_DEPTHSTENCIL) && !IsDepthFormat(format))
        return Refuse("CreateTexture", "depth-stencil usage with format %u, which has no depth",
                      UINT(format));
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
    if (!out)
        return Refuse("CreateVertexBuffer", "null vertex buffer");
    if (length == 0)
        return Refuse("CreateVertexBuffer", "length 0");
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
    if (!out)
        return Refuse("CreateIndexBuffer", "null index buffer");
    if (length == 0)
        return Refuse("CreateIndexBuffer", "length 0");
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
        return Refuse("CreateIndexBuffer", "format %u is neither INDEX16 nor INDEX32",
                      UINT(format));
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
    if (!out)
        return Refuse("CreateDepthStencilSurface", "null surface");
    *out = nullptr;
    if (HRESULT refused = CheckTargetSize(*this, "CreateDepthStencilSurface", width, height);
        FAILED(refused))
        return refused;
    if (!IsDepthFormat(format))
        return Refuse("CreateDepthStencilSurface", "format %u has no depth", UINT(format));
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
    const char* call = "CreateOffscreenPlainSurface";
    if (!out)
        return Refuse(call, "null surface");
    if (width == 0 || height == 0)
        return Refuse(call, "empty size %ux%u", width, height);
    if (BytesPerPixel(format) == 0)
        return Refuse(call, "unknown format %u", UINT(format));
    if (IsDepthFormat(format))
        return Refuse(call, "depth format %u", UINT(format));
    if (pool == D3DPOOL_MANAGED)
        return Refuse(call, "the managed pool");
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
    const char* call = "GetRenderTargetData";
    if (!from || !to)
        return Refuse(call, "null surface");
    if (!(from->desc.Usage & D3DUSAGE_RENDERTARGET))
        return Refuse(call, "the source is not a render target");
    if (to->desc.Pool != D3DPOOL_SYSTEMMEM)
        return Refuse(call, "the destination is not in the system-memory pool");
    if (from->desc.Width != to->desc.Width || from->desc.Height != to->desc.Height)
        return Refuse(call, "the destination of %ux%u differs from the source of %ux%u",
                      to->desc.Width, to->desc.Height, from->desc.Width, from->desc.Height);
    if (from->desc.Format != to->desc.Format)
        return Refuse(call, "the destination's format %u differs from the source's %u",
                      UINT(to->desc.Format), UINT(from->desc.Format));
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
    if (index != 0)
        return Refuse("SetRenderTarget", "target %u past the only one", index);
    if (!target)
        return Refuse("SetRenderTarget", "null surface: target 0 always has one");
    if (!(target->desc.Usage & D3DUSAGE_RENDERTARGET))
        return Refuse("SetRenderTarget", "the surface is not a render target");
    ReplaceRef(state.renderTarget, target);
    // Binding a target makes the viewport the whole target.
    state.viewport = D3DVIEWPORT9{0, 0, target->desc.Width, target->desc.Height, 0.0f, 1.0f};
    return D3D_OK;
}

HRESULT StateDevice::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    Record("GetRenderTarget", {double(index)});
    if (!surface)
        return Refuse("GetRenderTarget", "null surface");
    if (index != 0)
        return Refuse("GetRenderTarget", "target %u past the only one", index);
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
        return Refuse("SetDepthStencilSurface", "the surface is not a depth-stencil surface");
    ReplaceRef(state.depthStencil, depth);
    return D3D_OK;
}

HRESULT StateDevice::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    Record("GetDepthStencilSurface");
    if (!surface)
        return Refuse("GetDepthStencilSurface", "null surface");
    *surface = state.depthStencil;
    if (!state.depthStencil)
        return D3DERR_NOTFOUND;
    state.depthStencil->AddRef();
    return D3D_OK;
}

HRESULT StateDevice::BeginScene() {
    Record("BeginScene");
    if (inScene)
        return Refuse("BeginScene", "a scene has begun already");
    inScene = true;
    return D3D_OK;
}

HRESULT StateDevice::EndScene() {
    Record("EndScene");
    if (!inScene)
        return Refuse("EndScene", "no scene has begun");
    inScene = false;
    return D3D_OK;
}

HRESULT StateDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                           DWORD stencil) {
    Record("Clear", {double(count), double(flags), double(color), double(z), double(stencil)});
    if (count && !rects)
        return Refuse("Clear", "%u rectangles, but no rectangle array", count);
    if (HRESULT refused = CheckTargets("Clear"); FAILED(refused))
        return refused;
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !state.depthStencil)
        return Refuse("Clear", "depth or stencil to clear, but no depth surface is set");
    if ((flags & D3DCLEAR_STENCIL) && !HasStencil(state.depthStencil->desc.Format))
        return Refuse("Clear", "stencil to clear, but the depth format %u has none",
                      UINT(state.depthStencil->desc.Format));
    if (!lost)
        ClearTargets(count, rects, flags, color, z, stencil);
    return D3D_OK;
}

// ---- Fixed-function state -----------------------------------------------------------

HRESULT StateDevice::SetTransform(D3DTRANSFORMSTATETYPE which, const D3DMATRIX* matrix) {
    Record("SetTransform", {double(which)}, matrix, matrix ? sizeof *matrix : 0);
    if (!matrix)
        return Refuse("SetTransform", "null matrix");
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
        return Refuse("GetTransform", "null matrix");
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
    if (!viewport)
        return Refuse("SetViewport", "null viewport");
    if (!state.renderTarget)
        return Refuse("SetViewport", "no render target is set");
    // Summed wide: corners past the end of a DWORD must not wrap into range.
    const D3DSURFACE_DESC& target = state.renderTarget->desc;
    if (std::uint64_t(viewport->X) + viewport->Width > target.Width ||
        std::uint64_t(viewport->Y) + viewport->Height > target.Height)
        return Refuse("SetViewport", "%ux%u at %u,%u reaches outside the %ux%u render target",
                      viewport->Width, viewport->Height, viewport->X, viewport->Y, target.Width,
                      target.Height);
    state.viewport = *viewport;
    return D3D_OK;
}

HRESULT StateDevice::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport)
        return Refuse("GetViewport", "null viewport");
    *viewport = state.viewport;
    return D3D_OK;
}

HRESULT StateDevice::SetMaterial(const D3DMATERIAL9* material) {
    Record("SetMaterial", {}, material, material ? sizeof *material : 0);
    if (!material)
        return Refuse("SetMaterial", "null material");
    state.material = *material;
    return D3D_OK;
}

HRESULT StateDevice::GetMaterial(D3DMATERIAL9* material) {
    if (!material)
        return Refuse("GetMaterial", "null material");
    *material = state.material;
    return D3D_OK;
}

HRESULT StateDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    Record("SetLight", {double(index)}, light, light ? sizeof *light : 0);
    if (!light)
        return Refuse("SetLight", "null light");
    if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL)
        return Refuse("SetLight", "unknown light type %d", int(light->Type));
    auto slot = state.lights.find(index);
    if (slot == state.lights.end())
        state.lights[index] = DeviceState::LightSlot{*light, FALSE};
    else
        slot->second.light = *light;
    return D3D_OK;
}

HRESULT StateDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    Record("GetLight", {double(index)});
    if (!light)
        return Refuse("GetLight", "null light");
    auto slot = state.lights.find(index);
    if (slot == state.lights.end())
        return Refuse("GetLight", "light %u was never set", index);
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
    if (!enable)
        return Refuse("GetLightEnable", "null enable");
    auto slot = state.lights.find(index);
    if (slot == state.lights.end())
        return Refuse("GetLightEnable", "light %u was never set", index);
    *enable = slot->second.enabled;
    return D3D_OK;
}

HRESULT StateDevice::SetRenderState(D3DRENDERSTATETYPE which, DWORD value) {
    Record("SetRenderState", {double(which), double(value)});
    if (which >= D3DRS_STATE_COUNT)
        return Refuse("SetRenderState", "unknown render state %u", UINT(which));
    state.renderStates[which] = value;
    return D3D_OK;
}

HRESULT StateDevice::GetRenderState(D3DRENDERSTATETYPE which, DWORD* value) {
    Record("GetRenderState", {double(which)});
    if (which >= D3DRS_STATE_COUNT)
        return Refuse("GetRenderState", "unknown render state %u", UINT(which));
    if (!value)
        return Refuse("GetRenderState", "null value");
    *value = state.renderStates[which];
    return D3D_OK;
}

HRESULT StateDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    Record("SetTexture", {double(stage), Ptr(texture)});
    if (HRESULT refused = CheckStage(*this, "SetTexture", stage); FAILED(refused))
        return refused;
    ReplaceRef(state.textures[stage], texture);
    return D3D_OK;
}

HRESULT StateDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (HRESULT refused = CheckStage(*this, "GetTexture", stage); FAILED(refused))
        return refused;
    return HandOut(*this, "GetTexture", "texture", texture, state.textures[stage]);
}

HRESULT StateDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE which,
                                          DWORD value) {
    Record("SetTextureStageState", {double(stage), double(which), double(value)});
    if (HRESULT refused = CheckStage(*this, "SetTextureStageState", stage); FAILED(refused))
        return refused;
    if (which >= D3DTSS_STATE_COUNT)
        return Refuse("SetTextureStageState", "unknown stage state %u", UINT(which));
    state.stageStates[stage][which] = value;
    return D3D_OK;
}

HRESULT StateDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE which,
                                          DWORD* value) {
    if (HRESULT refused = CheckStage(*this, "GetTextureStageState", stage); FAILED(refused))
        return refused;
    if (which >= D3DTSS_STATE_COUNT)
        return Refuse("GetTextureStageState", "unknown stage state %u", UINT(which));
    if (!value)
        return Refuse("GetTextureStageState", "null value");
    *value = state.stageStates[stage][which];
    return D3D_OK;
}

HRESULT StateDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE which, DWORD value) {
    Record("SetSamplerState", {double(sampler), double(which), double(value)});
    if (HRESULT refused = CheckStage(*this, "SetSamplerState", sampler); FAILED(refused))
        return refused;
    if (which >= D3DSAMP_STATE_COUNT)
        return Refuse("SetSamplerState", "unknown sampler state %u", UINT(which));
    state.samplerStates[sampler][which] = value;
    return D3D_OK;
}

HRESULT StateDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE which, DWORD* value) {
    if (HRESULT refused = CheckStage(*this, "GetSamplerState", sampler); FAILED(refused))
        return refused;
    if (which >= D3DSAMP_STATE_COUNT)
        return Refuse("GetSamplerState", "unknown sampler state %u", UINT(which));
    if (!value)
        return Refuse("GetSamplerState", "null value");
    *value = state.samplerStates[sampler][which];
    return D3D_OK;
}

// ---- Drawing ------------------------------------------------------------------------

HRESULT StateDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
    Record("DrawPrimitive", {double(type), double(startVertex), double(count)});
    VertexLimit limit;
    if (HRESULT refused = CheckBufferDraw("DrawPrimitive", type, count, &limit); FAILED(refused))
        return refused;
    const UINT vertices = VertexCountOf(type, count);
    const std::uint64_t end = std::uint64_t(startVertex) + vertices;
    if (end > limit.vertices)
        return Refuse("DrawPrimitive", "vertices %u to %llu past the %u vertices of stream %u",
                      startVertex, static_cast<unsigned long long>(end - 1), limit.vertices,
                      limit.stream);
    if (!lost)
        DrawUnindexed(type, startVertex, vertices);
    return D3D_OK;
}

HRESULT StateDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                          UINT numVertices, UINT startIndex, UINT count) {
    Record("DrawIndexedPrimitive", {double(type), double(baseVertex), double(minIndex),
                                    double(numVertices), double(startIndex), double(count)});
    const char* call = "DrawIndexedPrimitive";
    VertexLimit limit;
    if (HRESULT refused = CheckBufferDraw(call, type, count, &limit); FAILED(refused))
        return refused;
    if (!state.indices)
        return Refuse(call, "no index buffer is set");
    const UINT indices = VertexCountOf(type, count);
    if (HRESULT refused = CheckVertexRange(call, baseVertex, minIndex, numVertices, limit);
        FAILED(refused))
        return refused;
    if (HRESULT refused = CheckIndices(call, baseVertex, startIndex, indices, limit);
        FAILED(refused))
        return refused;
    if (!lost)
        DrawFromBuffers(type, baseVertex, minIndex, numVertices, startIndex, indices);
    return D3D_OK;
}

HRESULT StateDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data,
                                     UINT stride) {
    // Only a count within the limit says how many bytes there are to keep.
    const UINT vertices = count <= kMaxPrimitiveCount ? VertexCountOf(type, count) : 0;
    Record("DrawPrimitiveUP", {double(type), double(count), double(stride)}, data,
           data ? size_t(vertices) * stride : 0);
    if (HRESULT refused = CheckMemoryDraw(type, count, data, stride); FAILED(refused))
        return refused;
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
    const char* call = "CreateVertexDeclaration";
    if (!elements)
        return Refuse(call, "null elements");
    if (!out)
        return Refuse(call, "null declaration");
    UINT n = DeclLength(elements);
    if (n == MAXD3DDECLLENGTH)
        return Refuse(call, "no end marker within %u elements", UINT(MAXD3DDECLLENGTH));
    for (UINT i = 0; i < n; ++i) {
        if (elements[i].Stream >= kMaxStreams)
            return Refuse(call, "element %u reads stream %u, past the %u streams", i,
                          UINT(elements[i].Stream), kMaxStreams);
        if (DeclTypeSize(elements[i].Type) == 0)
            return Refuse(call, "element %u has the unknown type %u", i, UINT(elements[i].Type));
    }
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
    return HandOut(*this, "GetVertexDeclaration", "declaration", declaration, state.declaration);
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
        return Refuse("GetFVF", "null FVF");
    *fvf = state.fvf;
    return D3D_OK;
}

HRESULT StateDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                     UINT stride) {
    Record("SetStreamSource", {double(stream), Ptr(buffer), double(offset), double(stride)});
    if (HRESULT refused = CheckStream(*this, "SetStreamSource", stream); FAILED(refused))
        return refused;
    ReplaceRef(state.streams[stream].buffer, static_cast<VertexBuffer*>(buffer));
    state.streams[stream].offset = offset;
    state.streams[stream].stride = stride;
    return D3D_OK;
}

HRESULT StateDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                                     UINT* stride) {
    if (HRESULT refused = CheckStream(*this, "GetStreamSource", stream); FAILED(refused))
        return refused;
    if (!offset || !stride)
        return Refuse("GetStreamSource", "null offset or stride");
    if (HRESULT refused = HandOut(*this, "GetStreamSource", "vertex buffer", buffer,
                                  state.streams[stream].buffer);
        FAILED(refused))
        return refused;
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
    return HandOut(*this, "GetIndices", "index buffer", indices, state.indices);
}

// ---- Programs --------------------------------------------------------------------------

HRESULT StateDevice::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** out) {
    Record("CreateVertexShader");
    if (!function)
        return Refuse("CreateVertexShader", "null program text");
    if (!out)
        return Refuse("CreateVertexShader", "null shader");
    *out = nullptr;
    auto* shader = new VertexShader(this, reinterpret_cast<const char*>(function));
    shaderErrorText.clear();
    if (!CompileShader(*shader)) {
        shader->Release();
        return Refuse("CreateVertexShader",
                      "the program does not compile (GetShaderErrorText says why)");
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
    return HandOut(*this, "GetVertexShader", "shader", shader, state.vertexShader);
}

HRESULT StateDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    Record("SetVertexShaderConstantF", {double(start), double(count)}, data,
           data ? size_t(count) * 16 : 0);
    if (HRESULT refused = CheckConstants(*this, "SetVertexShaderConstantF", start, count,
                                         kVertexConstantCount, data);
        FAILED(refused))
        return refused;
    std::memcpy(state.vertexConstants[start], data, size_t(count) * 16);
    ++state.constantsVersion;
    if (start + count > state.vertexConstantsUsed)
        state.vertexConstantsUsed = start + count;
    return D3D_OK;
}

HRESULT StateDevice::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
    if (HRESULT refused = CheckConstants(*this, "GetVertexShaderConstantF", start, count,
                                         kVertexConstantCount, data);
        FAILED(refused))
        return refused;
    std::memcpy(data, state.vertexConstants[start], size_t(count) * 16);
    return D3D_OK;
}

HRESULT StateDevice::CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** out) {
    Record("CreatePixelShader");
    if (!function)
        return Refuse("CreatePixelShader", "null program text");
    if (!out)
        return Refuse("CreatePixelShader", "null shader");
    *out = nullptr;
    auto* shader = new PixelShader(this, reinterpret_cast<const char*>(function));
    shaderErrorText.clear();
    if (!CompileShader(*shader)) {
        shader->Release();
        return Refuse("CreatePixelShader",
                      "the program does not compile (GetShaderErrorText says why)");
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
    return HandOut(*this, "GetPixelShader", "shader", shader, state.pixelShader);
}

HRESULT StateDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    Record("SetPixelShaderConstantF", {double(start), double(count)}, data,
           data ? size_t(count) * 16 : 0);
    if (HRESULT refused = CheckConstants(*this, "SetPixelShaderConstantF", start, count,
                                         kPixelConstantCount, data);
        FAILED(refused))
        return refused;
    std::memcpy(state.pixelConstants[start], data, size_t(count) * 16);
    ++state.constantsVersion;
    if (start + count > state.pixelConstantsUsed)
        state.pixelConstantsUsed = start + count;
    return D3D_OK;
}

HRESULT StateDevice::GetPixelShaderConstantF(UINT start, float* data, UINT count) {
    if (HRESULT refused = CheckConstants(*this, "GetPixelShaderConstantF", start, count,
                                         kPixelConstantCount, data);
        FAILED(refused))
        return refused;
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
