// The part of a Direct3D 9 device that both backends share: the state that
// Set* stores and Get* returns (with Direct3D's defaults), resource creation
// and bookkeeping, render-target binding, device loss and the rules of Reset.
// Every call is checked here, so that all backends refuse the same calls
// for the same reasons (see refusal.h). A backend supplies drawing,
// clearing, presenting and its GPU objects through the hooks at the end.
#pragma once

#include "platform/d3d9/refusal.h"
#include "platform/d3d9/resources.h"

#include <array>
#include <map>
#include <set>
#include <string>

constexpr UINT kVertexConstantCount = 256;
constexpr UINT kPixelConstantCount = 224;
constexpr UINT kMaxStreams = 4;
constexpr UINT kMaxPrimitiveCount = 0xFFFFFF;
constexpr UINT kMaxTextureSize = 8192;

struct DeviceState {
    DWORD renderStates[D3DRS_STATE_COUNT];
    DWORD stageStates[kMaxTextureStages][D3DTSS_STATE_COUNT];
    DWORD samplerStates[kMaxTextureStages][D3DSAMP_STATE_COUNT];
    D3DMATRIX world, view, projection;
    D3DVIEWPORT9 viewport;
    D3DMATERIAL9 material;
    struct LightSlot {
        D3DLIGHT9 light;
        BOOL enabled;
    };
    std::map<DWORD, LightSlot> lights;
    IDirect3DBaseTexture9* textures[kMaxTextureStages];
    DWORD fvf;
    VertexDeclaration* declaration;
    struct Stream {
        VertexBuffer* buffer;
        UINT offset;
        UINT stride;
    };
    Stream streams[kMaxStreams];
    IndexBuffer* indices;
    VertexShader* vertexShader;
    PixelShader* pixelShader;
    float vertexConstants[kVertexConstantCount][4];
    float pixelConstants[kPixelConstantCount][4];
    Surface* renderTarget;
    Surface* depthStencil;
    // Bumped by every constant write; the highest register written plus one.
    std::uint32_t constantsVersion;
    UINT vertexConstantsUsed;
    UINT pixelConstantsUsed;
};

class StateDevice : public RefCounted<IDirect3DDevice9> {
public:
    StateDevice(IDirect3D9* root, D3DDEVTYPE type, DWORD behavior,
                const D3DPRESENT_PARAMETERS& params);
    ~StateDevice() override;

    // Second step of construction, once the backend can make GPU objects:
    // the back buffer, the automatic depth buffer and the default state.
    bool Initialize() {
        if (!CreateImplicitTargets())
            return false;
        ResetState();
        return true;
    }

    // Test hook: the device is lost from now on, until a Reset. Present then
    // answers D3DERR_DEVICELOST and drawing does nothing.
    void InjectDeviceLoss() { lost = true; }
    bool IsLost() const { return lost; }

    // Called by resources.
    void AddChild(DeviceChild* child);
    void RemoveChild(DeviceChild* child);
    int DefaultPoolObjects() const { return defaultPoolObjects; }

    // Keeps the reason of a refused call, logs it with the backend and
    // returns D3DERR_INVALIDCALL; the resources keep theirs here too.
    HRESULT Refuse(const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));
    HRESULT RefuseV(const char* call, const char* format, va_list args);

    const DeviceState& State() const { return state; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return params; }
    Surface* BackBuffer() const { return backBuffer; }

    // IDirect3DDevice9
    HRESULT TestCooperativeLevel() override;
    HRESULT GetDirect3D(IDirect3D9** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    BOOL GetSoftwareVertexProcessing() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow,
                    const void* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                          IDirect3DSurface9** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                          D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                      D3DMULTISAMPLE_TYPE multiSample, DWORD quality, BOOL discard,
                                      IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget,
                                IDirect3DSurface9* destSurface) override;
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT GetMaterial(D3DMATERIAL9* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT9* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                 UINT numVertices, UINT startIndex, UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                            UINT stride) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                    IDirect3DVertexDeclaration9** declaration) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                            UINT stride) override;
    HRESULT GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset,
                            UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* indices) override;
    HRESULT GetIndices(IDirect3DIndexBuffer9** indices) override;
    HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override;
    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT GetVertexShaderConstantF(UINT start, float* data, UINT count) override;
    HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override;
    HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT GetPixelShaderConstantF(UINT start, float* data, UINT count) override;
    HRESULT ValidateDevice(DWORD* numPasses) override;
    const char* GetShaderErrorText() override { return shaderErrorText.c_str(); }
    const char* GetRefusalText() override { return refusal.Get(); }

protected:
    // ---- Hooks for the backend ----
    // Every call of the device interface, with its arguments as numbers (and,
    // for drawing from memory, the vertex bytes): the recording device keeps
    // them, the OpenGL device ignores them.
    virtual void Record(const char* call, std::initializer_list<double> args = {},
                        const void* data = nullptr, size_t size = 0) {
        (void)call, (void)args, (void)data, (void)size;
    }
    // The reason of each refused call, after the call itself was recorded.
    virtual void RecordRefusal(const char* text) { (void)text; }
    // GPU side of a new render target or depth surface; false: out of memory.
    virtual bool CreateTargetObject(Texture&) { return true; }
    virtual bool CreateTargetObject(Surface&) { return true; }
    // Drawing with the current state; called only while the device is not
    // lost, once the draw passed every check of draw_checks.cpp: each
    // vertex it reads lies inside its stream's buffer.
    virtual void DrawFromMemory(D3DPRIMITIVETYPE type, UINT vertexCount, const void* data,
                                UINT stride) = 0;
    virtual void DrawFromBuffers(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                 UINT numVertices, UINT startIndex, UINT indexCount) = 0;
    virtual void DrawUnindexed(D3DPRIMITIVETYPE type, UINT startVertex, UINT vertexCount) = 0;
    virtual void ClearTargets(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                              float z, DWORD stencil) = 0;
    virtual void CopyTargetToMemory(Surface& target, Surface& dest) = 0;
    // Shows the back buffer, which exists; returns D3DERR_DEVICELOST when the
    // backend lost its context.
    virtual HRESULT PresentBackBuffer() = 0;
    // Compiles a program's text; false with shaderErrorText filled.
    virtual bool CompileShader(VertexShader&) { return true; }
    virtual bool CompileShader(PixelShader&) { return true; }
    virtual bool LinkCurrentPrograms() { return true; }
    // After a successful Reset check: the back buffer and the automatic depth
    // buffer are to be made anew for these parameters.
    virtual bool ResetTargets() { return true; }
    virtual void FillCaps(D3DCAPS9& caps);

    // Releases every binding and implicit target and orphans the resources
    // still alive. A backend calls it first thing in its destructor, while
    // its context can still free GPU objects; repeating it is harmless.
    void Shutdown();

    const std::set<DeviceChild*>& Children() const { return children; }

    // Makes the back buffer and the automatic depth buffer for params and
    // binds them; used at creation and by Reset.
    bool CreateImplicitTargets();
    void ResetState();

    IDirect3D9* root;
    D3DDEVTYPE type;
    DWORD behavior;
    D3DPRESENT_PARAMETERS params;
    DeviceState state{};
    Surface* backBuffer = nullptr;
    Surface* autoDepth = nullptr;
    bool lost = false;
    bool inScene = false;
    std::string shaderErrorText;

private:
    // What the current vertex layout reads of each vertex of each stream:
    // the bytes up to the end of its last element, 0 where it reads none.
    struct StreamReads {
        UINT bytes[kMaxStreams];
    };
    // The stream bound that holds the fewest whole vertices: the end of
    // every vertex range drawn from the streams.
    struct VertexLimit {
        UINT stream;
        UINT vertices;
    };
    // The checks of draw_checks.cpp: each gives D3D_OK or refuses `call`.
    HRESULT CheckPrimitives(const char* call, D3DPRIMITIVETYPE type, UINT count);
    HRESULT CheckLayout(const char* call, StreamReads* reads);
    // The render target and depth surface fit together (draws and clears).
    HRESULT CheckTargets(const char* call);
    // What every draw passes: primitives, layout and targets.
    HRESULT CheckDrawState(const char* call, D3DPRIMITIVETYPE type, UINT count, StreamReads* reads);
    // A draw from the streams: its state, and every stream the layout reads
    // is bound with room for each vertex; `limit` then holds their end.
    HRESULT CheckBufferDraw(const char* call, D3DPRIMITIVETYPE type, UINT count,
                            VertexLimit* limit);
    HRESULT CheckMemoryDraw(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride);
    HRESULT CheckVertexRange(const char* call, INT baseVertex, UINT minIndex, UINT numVertices,
                             const VertexLimit& limit);
    HRESULT CheckIndices(const char* call, INT baseVertex, UINT startIndex, UINT indexCount,
                         const VertexLimit& limit);

    void ReleaseBindings();
    void ReleaseImplicitTargets();
    // References to the implicit targets that the application still holds.
    bool ApplicationHoldsImplicitTargets() const;
    int defaultPoolObjects = 0;
    std::set<DeviceChild*> children;
    RefusalText refusal;
};
