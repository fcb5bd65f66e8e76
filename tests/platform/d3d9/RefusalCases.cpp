#include "tests/platform/d3d9/RefusalCases.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

CaseObjects::~CaseObjects() {
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        (*it)->Release();
}

namespace {

struct ScreenVertex {
    float x, y, z, rhw;
    DWORD color;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE;
constexpr UINT kScreenStride = sizeof(ScreenVertex);

// `count` vertices, one each `stride` bytes, going round the corners of a
// 64x48 target: every triangle of three consecutive ones covers half of it.
IDirect3DVertexBuffer9* ScreenVertices(IDirect3DDevice9* device, CaseObjects& objects, UINT count,
                                       UINT stride = kScreenStride) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    if (FAILED(device->CreateVertexBuffer(count * stride, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr)))
        return nullptr;
    objects.Keep(buffer);
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    const float corners[4][2] = {{0, 0}, {64, 0}, {64, 48}, {0, 48}};
    for (UINT i = 0; i < count; ++i) {
        const ScreenVertex v{corners[i % 4][0], corners[i % 4][1], 0.5f, 1, 0xFFFF0000};
        // A stride shorter than a vertex (a case to be refused) holds its start.
        std::memcpy(static_cast<std::uint8_t*>(data) + size_t(i) * stride, &v,
                    std::min<size_t>(stride, sizeof v));
    }
    buffer->Unlock();
    return buffer;
}

IDirect3DSurface9* RenderTarget(IDirect3DDevice9* device, CaseObjects& objects, UINT width,
                                UINT height) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8,
                                     D3DPOOL_DEFAULT, &texture, nullptr)))
        return nullptr;
    objects.Keep(texture);
    IDirect3DSurface9* surface = nullptr;
    texture->GetSurfaceLevel(0, &surface);
    return objects.Keep(surface);
}

IDirect3DSurface9* DepthSurface(IDirect3DDevice9* device, CaseObjects& objects, UINT width,
                                UINT height, D3DFORMAT format,
                                D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE) {
    IDirect3DSurface9* surface = nullptr;
    if (FAILED(device->CreateDepthStencilSurface(width, height, format, samples, 0, TRUE, &surface,
                                                 nullptr)))
        return nullptr;
    return objects.Keep(surface);
}

// A 64x48 render target of the case's own with a depth surface of this
// size, format and multisampling: what a clear or draw checks them against
// is then the same on every device.
void BindTargets(IDirect3DDevice9* device, CaseObjects& objects, UINT depthWidth, UINT depthHeight,
                 D3DFORMAT depthFormat, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE) {
    device->SetRenderTarget(0, RenderTarget(device, objects, 64, 48));
    device->SetDepthStencilSurface(
        DepthSurface(device, objects, depthWidth, depthHeight, depthFormat, samples));
}

IDirect3DVertexDeclaration9* Declaration(IDirect3DDevice9* device, CaseObjects& objects,
                                         const D3DVERTEXELEMENT9* elements) {
    IDirect3DVertexDeclaration9* declaration = nullptr;
    if (FAILED(device->CreateVertexDeclaration(elements, &declaration)))
        return nullptr;
    return objects.Keep(declaration);
}

// Positions from stream 0 and colours from stream 1 (4 bytes a vertex).
void BindTwoStreams(IDirect3DDevice9* device, CaseObjects& objects, UINT positions, UINT colors) {
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                                          {1, 0, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                                          D3DDECL_END()};
    device->SetVertexDeclaration(Declaration(device, objects, elements));
    device->SetStreamSource(0, ScreenVertices(device, objects, positions), 0, kScreenStride);
    if (colors == 0)
        return;
    IDirect3DVertexBuffer9* buffer = nullptr;
    device->CreateVertexBuffer(colors * 4, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr);
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    for (UINT i = 0; i < colors; ++i)
        static_cast<DWORD*>(data)[i] = 0xFFFF0000;
    buffer->Unlock();
    device->SetStreamSource(1, objects.Keep(buffer), 0, 4);
}

const ScreenVertex kQuad[4] = {{0, 0, 0.5f, 1, 0xFFFF0000},
                               {64, 0, 0.5f, 1, 0xFFFF0000},
                               {64, 48, 0.5f, 1, 0xFFFF0000},
                               {0, 48, 0.5f, 1, 0xFFFF0000}};

IDirect3DTexture9* ManagedTexture(IDirect3DDevice9* device, CaseObjects& objects, UINT side,
                                  UINT levels) {
    IDirect3DTexture9* texture = nullptr;
    if (FAILED(device->CreateTexture(side, side, levels, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     &texture, nullptr)))
        return nullptr;
    return objects.Keep(texture);
}

IDirect3DIndexBuffer9* ManagedIndexBuffer(IDirect3DDevice9* device, CaseObjects& objects,
                                          UINT length) {
    IDirect3DIndexBuffer9* buffer = nullptr;
    if (FAILED(device->CreateIndexBuffer(length, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &buffer,
                                         nullptr)))
        return nullptr;
    return objects.Keep(buffer);
}

} // namespace

void BindScreenVertices(IDirect3DDevice9* device, CaseObjects& objects, UINT count, UINT stride,
                        UINT offset) {
    device->SetFVF(kScreenFvf);
    device->SetStreamSource(0, ScreenVertices(device, objects, count, stride), offset, stride);
}

void BindIndices(IDirect3DDevice9* device, CaseObjects& objects, D3DFORMAT format,
                 std::initializer_list<std::uint32_t> indices) {
    const UINT size = format == D3DFMT_INDEX32 ? 4 : 2;
    IDirect3DIndexBuffer9* buffer = nullptr;
    if (FAILED(device->CreateIndexBuffer(UINT(indices.size()) * size, 0, format, D3DPOOL_MANAGED,
                                         &buffer, nullptr)))
        return;
    objects.Keep(buffer);
    void* data = nullptr;
    buffer->Lock(0, 0, &data, 0);
    size_t i = 0;
    for (std::uint32_t index : indices) {
        const std::uint16_t narrow = std::uint16_t(index);
        std::memcpy(static_cast<std::uint8_t*>(data) + i++ * size,
                    size == 4 ? static_cast<const void*>(&index) : &narrow, size);
    }
    buffer->Unlock();
    device->SetIndices(buffer);
}

const std::vector<RefusalCase>& RefusalCases() {
    using D = IDirect3DDevice9*;
    using O = CaseObjects&;
    static const std::vector<RefusalCase> cases = {
        // ---- What every draw is checked for
        {"UnknownPrimitiveType",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             return d->DrawPrimitive(D3DPRIMITIVETYPE(9), 0, 1);
         },
         "DrawPrimitive: unknown primitive type 9"},
        {"NoPrimitives",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             return d->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0);
         },
         "DrawPrimitive: no primitives to draw"},
        {"PrimitivesPastTheLimit",
         [](D d, O) {
             d->SetFVF(kScreenFvf);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0x1000000, kQuad, kScreenStride);
         },
         "DrawPrimitiveUP: 16777216 primitives, past the limit of 16777215"},
        {"NoVertexLayout",
         [](D d, O) { return d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, kScreenStride); },
         "DrawPrimitiveUP: no vertex declaration or FVF is set"},
        {"FvfWithoutPosition",
         [](D d, O) {
             d->SetFVF(D3DFVF_NORMAL | D3DFVF_DIFFUSE);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, kScreenStride);
         },
         "DrawPrimitiveUP: FVF 0x50 has no XYZ or XYZRHW position"},
        {"DeclarationWithoutElements",
         [](D d, O o) {
             const D3DVERTEXELEMENT9 none[] = {D3DDECL_END()};
             BindScreenVertices(d, o, 4);
             d->SetVertexDeclaration(Declaration(d, o, none));
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         "DrawPrimitive: the vertex declaration has no elements"},
        {"DepthOfOtherMultisampling",
         [](D d, O o) {
             BindTargets(d, o, 64, 48, D3DFMT_D24X8, D3DMULTISAMPLE_4_SAMPLES);
             d->SetFVF(kScreenFvf);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, kScreenStride);
         },
         "DrawPrimitiveUP: the depth surface's multisample type 4 differs from the render "
         "target's 0"},

        // ---- The streams a draw reads
        {"SecondStreamWithoutBuffer",
         [](D d, O o) {
             BindTwoStreams(d, o, 4, 0);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         "DrawPrimitive: stream 1 has no vertex buffer"},
        {"StrideOfZero",
         [](D d, O o) {
             d->SetFVF(kScreenFvf);
             d->SetStreamSource(0, ScreenVertices(d, o, 4), 0, 0);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         "DrawPrimitive: stream 0 has a stride of 0"},
        {"StrideShorterThanTheLayout",
         [](D d, O o) {
             BindScreenVertices(d, o, 8, 16);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         "DrawPrimitive: the vertex layout reads 20 bytes of each vertex of stream 0, past its "
         "stride of 16"},
        {"VerticesPastTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             return d->DrawPrimitive(D3DPT_TRIANGLELIST, 2, 1);
         },
         "DrawPrimitive: vertices 2 to 4 past the 4 vertices of stream 0"},
        {"OffsetLeavesFewerVertices",
         [](D d, O o) {
             BindScreenVertices(d, o, 4, kScreenStride, 2 * kScreenStride);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         "DrawPrimitive: vertices 0 to 3 past the 2 vertices of stream 0"},
        {"ShortestStreamEndsTheDraw",
         [](D d, O o) {
             BindTwoStreams(d, o, 4, 3);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         "DrawPrimitive: vertices 0 to 3 past the 3 vertices of stream 1"},

        // ---- Indexed draws
        {"NoIndexBuffer",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
         },
         "DrawIndexedPrimitive: no index buffer is set"},
        {"IndicesPastTheIndexBuffer",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {0, 1, 2, 0, 2, 3});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2);
         },
         "DrawIndexedPrimitive: indices 3 to 8 past the 6 indices of the index buffer"},
        {"NoVerticesInTheRange",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {0, 1, 2});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 0, 0, 1);
         },
         "DrawIndexedPrimitive: NumVertices is 0"},
        {"VertexRangePastTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {2, 3, 2});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 2, 4, 0, 1);
         },
         "DrawIndexedPrimitive: vertices 2 to 5 (BaseVertexIndex 0, MinVertexIndex 2, "
         "NumVertices 4) past the 4 vertices of stream 0"},
        {"VertexRangeBeforeTheFirst",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {3, 4, 5});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -3, 1, 3, 0, 1);
         },
         "DrawIndexedPrimitive: the vertex range starts at vertex -2 (BaseVertexIndex -3, "
         "MinVertexIndex 1), before the first"},
        {"SixteenBitIndexPastTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {0, 1, 2, 0, 2, 4});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
         },
         "DrawIndexedPrimitive: index 4 past the 4 vertices of stream 0"},
        {"ThirtyTwoBitIndexPastTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 65536);
             BindIndices(d, o, D3DFMT_INDEX32, {0, 1, 70000});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 65536, 0, 1);
         },
         "DrawIndexedPrimitive: index 70000 past the 65536 vertices of stream 0"},
        {"IndexPastTheShortestStream",
         [](D d, O o) {
             BindTwoStreams(d, o, 8, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {0, 1, 2, 2, 3, 6});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
         },
         "DrawIndexedPrimitive: index 6 past the 4 vertices of stream 1"},
        {"BaseVertexTakesAnIndexPastTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 8);
             BindIndices(d, o, D3DFMT_INDEX16, {0, 1, 2, 0, 2, 3});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 5, 0, 3, 0, 2);
         },
         "DrawIndexedPrimitive: index 3 with BaseVertexIndex 5 names vertex 8, past the 8 "
         "vertices of stream 0"},
        {"BaseVertexTakesAnIndexBeforeTheFirst",
         [](D d, O o) {
             BindScreenVertices(d, o, 8);
             BindIndices(d, o, D3DFMT_INDEX16, {2, 3, 1});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -2, 2, 4, 0, 1);
         },
         "DrawIndexedPrimitive: index 1 with BaseVertexIndex -2 names vertex -1, before the "
         "first"},

        // ---- Drawing from memory
        {"NoVertexData",
         [](D d, O) {
             d->SetFVF(kScreenFvf);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, nullptr, kScreenStride);
         },
         "DrawPrimitiveUP: null vertex data"},
        {"MemoryDrawOfASecondStream",
         [](D d, O o) {
             BindTwoStreams(d, o, 4, 4);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, kScreenStride);
         },
         "DrawPrimitiveUP: the vertex declaration reads stream 1; drawing from memory feeds "
         "stream 0 only"},
        {"MemoryStrideShorterThanTheLayout",
         [](D d, O) {
             d->SetFVF(kScreenFvf);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, kQuad, 16);
         },
         "DrawPrimitiveUP: the vertex layout reads 20 bytes of each vertex, past the stride of "
         "16"},

        // ---- Clearing
        {"ClearRectanglesWithoutAPointer",
         [](D d, O) { return d->Clear(2, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0); },
         "Clear: 2 rectangles, but no rectangle array"},
        {"ClearDepthWithoutADepthSurface",
         [](D d, O) {
             d->SetDepthStencilSurface(nullptr);
             return d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFF0000, 1, 0);
         },
         "Clear: depth or stencil to clear, but no depth surface is set"},
        {"ClearStencilOfADepthFormatWithout",
         [](D d, O o) {
             BindTargets(d, o, 64, 48, D3DFMT_D24X8);
             return d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0xFFFF0000, 1, 0);
         },
         "Clear: stencil to clear, but the depth format 77 has none"},
        {"ClearWithASmallerDepthSurface",
         [](D d, O o) {
             BindTargets(d, o, 64, 24, D3DFMT_D24S8);
             return d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0);
         },
         "Clear: the depth surface of 64x24 is smaller than the render target of 64x48"},

        // ---- State and targets
        {"TextureStagePastTheLast", [](D d, O) { return d->SetTexture(16, nullptr); },
         "SetTexture: stage 16 past the 16 texture stages"},
        {"UnknownRenderState", [](D d, O) { return d->SetRenderState(D3DRENDERSTATETYPE(210), 0); },
         "SetRenderState: unknown render state 210"},
        {"StreamPastTheLast", [](D d, O) { return d->SetStreamSource(4, nullptr, 0, 0); },
         "SetStreamSource: stream 4 past the 4 streams"},
        {"ConstantsWrappingPastTheEnd",
         [](D d, O) {
             static const float registers[0x20][4] = {};
             return d->SetVertexShaderConstantF(0xFFFFFFF0u, registers[0], 0x20);
         },
         "SetVertexShaderConstantF: registers 4294967280 to 4294967311 past the 256 constants"},
        {"NullOutputPointer", [](D d, O) { return d->GetViewport(nullptr); },
         "GetViewport: null viewport"},
        {"ViewportOutsideTheTarget",
         [](D d, O o) {
             d->SetRenderTarget(0, RenderTarget(d, o, 64, 48));
             const D3DVIEWPORT9 viewport{1, 0, 64, 48, 0, 1};
             return d->SetViewport(&viewport);
         },
         "SetViewport: 64x48 at 1,0 reaches outside the 64x48 render target"},
        {"TargetThatIsNoRenderTarget",
         [](D d, O o) {
             IDirect3DSurface9* plain = nullptr;
             d->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &plain,
                                            nullptr);
             return d->SetRenderTarget(0, o.Keep(plain));
         },
         "SetRenderTarget: the surface is not a render target"},

        // ---- Creating resources
        {"TextureOfNoSize",
         [](D d, O) {
             IDirect3DTexture9* texture = nullptr;
             return d->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                     nullptr);
         },
         "CreateTexture: size 0x16 outside 1x1 to 8192x8192"},
        {"RenderTargetOutsideTheDefaultPool",
         [](D d, O) {
             IDirect3DTexture9* texture = nullptr;
             return d->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                     D3DPOOL_MANAGED, &texture, nullptr);
         },
         "CreateTexture: a render target or depth texture in pool 1, not the default pool"},
        {"DeclarationOfAStreamPastTheLast",
         [](D d, O) {
             const D3DVERTEXELEMENT9 elements[] = {
                 {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                 {4, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                 D3DDECL_END()};
             IDirect3DVertexDeclaration9* declaration = nullptr;
             return d->CreateVertexDeclaration(elements, &declaration);
         },
         "CreateVertexDeclaration: element 1 reads stream 4, past the 4 streams"},

        // ---- The resources' own calls
        {"BufferLockPastTheEnd",
         [](D d, O o) {
             void* data = nullptr;
             return ScreenVertices(d, o, 3)->Lock(56, 8, &data, 0);
         },
         "IDirect3DVertexBuffer9::Lock: 8 bytes from offset 56 past the 60 bytes of the buffer"},
        {"BufferUnlockedUnlocked", [](D d, O o) { return ManagedIndexBuffer(d, o, 12)->Unlock(); },
         "IDirect3DIndexBuffer9::Unlock: the buffer is not locked"},
        {"TextureLevelPastTheLast",
         [](D d, O o) {
             IDirect3DSurface9* surface = nullptr;
             return ManagedTexture(d, o, 4, 0)->GetSurfaceLevel(3, &surface);
         },
         "IDirect3DTexture9::GetSurfaceLevel: level 3 past the 3 levels"},
        {"TextureLockOutsideTheLevel",
         [](D d, O o) {
             D3DLOCKED_RECT locked;
             const RECT rect{0, 0, 5, 4};
             return ManagedTexture(d, o, 4, 1)->LockRect(0, &locked, &rect, 0);
         },
         "IDirect3DTexture9::LockRect: the rectangle 0,0 to 5,4 reaches outside the 4x4 pixels"},
        {"SurfaceLockOfAnEmptyRectangle",
         [](D d, O o) {
             IDirect3DSurface9* plain = nullptr;
             d->CreateOffscreenPlainSurface(8, 8, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &plain,
                                            nullptr);
             D3DLOCKED_RECT locked;
             const RECT rect{2, 2, 2, 4};
             return o.Keep(plain)->LockRect(&locked, &rect, 0);
         },
         "IDirect3DSurface9::LockRect: the rectangle 2,2 to 2,4 is empty"},
    };
    return cases;
}

const std::vector<AcceptedCase>& AcceptedCases() {
    using D = IDirect3DDevice9*;
    using O = CaseObjects&;
    static const std::vector<AcceptedCase> cases = {
        // Elsewhere the buffer names a vertex past the stream: only
        // the indices drawn count.
        {"IndicesDrawnAllNameVertices",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX16, {0, 1, 2, 0, 2, 3, 0, 1, 9});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2);
         },
         true},
        // A negative base vertex with indices that lift every vertex back
        // into the stream.
        {"NegativeBaseVertexWithinTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 4);
             BindIndices(d, o, D3DFMT_INDEX32, {2, 3, 4, 2, 4, 5});
             return d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, -2, 2, 4, 0, 2);
         },
         true},
        {"LastVertexOfTheStream",
         [](D d, O o) {
             BindScreenVertices(d, o, 6);
             return d->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1);
         },
         true},
        {"StrideLongerThanTheLayout",
         [](D d, O o) {
             BindScreenVertices(d, o, 4, 32);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         true},
        {"TwoStreamsOfEnoughVertices",
         [](D d, O o) {
             BindTwoStreams(d, o, 4, 4);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         true},
        // Stream 0 is left unset: the declaration reads stream 1 alone.
        {"DeclarationOfTheSecondStreamAlone",
         [](D d, O o) {
             const D3DVERTEXELEMENT9 elements[] = {
                 {1, 0, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITIONT, 0},
                 {1, 16, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                 D3DDECL_END()};
             d->SetVertexDeclaration(Declaration(d, o, elements));
             d->SetStreamSource(1, ScreenVertices(d, o, 4), 0, kScreenStride);
             return d->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
         },
         true},
        // The half-size passes of the glow draw over the full-size depth.
        {"DepthLargerThanTheTarget",
         [](D d, O o) {
             d->SetRenderTarget(0, RenderTarget(d, o, 64, 48));
             d->SetDepthStencilSurface(DepthSurface(d, o, 128, 96, D3DFMT_D24X8));
             d->SetFVF(kScreenFvf);
             return d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, kScreenStride);
         },
         true},
        {"ClearStencilOfADepthFormatWithOne",
         [](D d, O o) {
             BindTargets(d, o, 64, 48, D3DFMT_D24S8);
             return d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0xFFFF0000, 1, 0);
         },
         true},
        {"BufferLockToTheEnd",
         [](D d, O o) {
             void* data = nullptr;
             IDirect3DVertexBuffer9* buffer = ScreenVertices(d, o, 3);
             HRESULT result = buffer->Lock(40, 20, &data, 0);
             buffer->Unlock();
             return result;
         },
         false},
    };
    return cases;
}
