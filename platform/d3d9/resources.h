// Resources common to both Direct3D backends. Every resource keeps its data
// in system memory where Direct3D lets the application lock it; a backend
// attaches its own object (an OpenGL texture or buffer) and brings it up to
// date when the resource's version moved on.
#pragma once

#include "platform/d3d9/com.h"
#include "platform/memory/large_allocator.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class StateDevice;

// What a backend hangs on a resource; freed with the resource.
struct BackendObject {
    virtual ~BackendObject() = default;
};

// Ties a resource to the device that made it: the device knows its live
// children (a device that goes first leaves them orphaned, with their GPU
// objects freed, rather than dangling) and counts the default-pool ones.
class DeviceChild {
public:
    DeviceChild(StateDevice* device, D3DPOOL pool, bool internal);
    ~DeviceChild();
    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    // Called by a device that goes away while the resource lives on.
    void Orphan();

    StateDevice* device; // null once orphaned
    D3DPOOL pool;
    // Made by the device for itself (back buffer, automatic depth buffer):
    // not among the default-pool objects that block a reset.
    bool internal;
    std::unique_ptr<BackendObject> backend;
    // Bumped whenever the system-memory data changes.
    std::uint32_t version = 1;
};

class Texture;

class Surface final : public IDirect3DSurface9, public DeviceChild {
public:
    // A standalone surface: depth-stencil, offscreen plain, or the back buffer.
    Surface(StateDevice* device, const D3DSURFACE_DESC& desc, bool internal);
    // Level `level` of a texture: counted through the texture.
    Surface(Texture* owner, UINT level);
    ~Surface() override;

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    ULONG RefCount() const;

    D3DSURFACE_DESC desc{};
    Texture* owner = nullptr;
    UINT level = 0;
    std::vector<std::uint8_t> pixels; // standalone lockable surfaces only

private:
    ULONG refs = 1;
    bool locked = false;
};

class Texture final : public RefCounted<IDirect3DTexture9>, public DeviceChild {
public:
    struct Level {
        UINT width, height;
        std::vector<std::uint8_t> pixels; // empty for render targets
        std::unique_ptr<Surface> surface; // made on first GetSurfaceLevel
        bool locked = false;
    };

    Texture(StateDevice* device, UINT width, UINT height, UINT levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool);

    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return DWORD(levels.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    bool IsRenderTarget() const { return (usage & D3DUSAGE_RENDERTARGET) != 0; }
    UINT Pitch(UINT level) const;

    DWORD usage;
    D3DFORMAT format;
    std::vector<Level> levels;

private:
    HRESULT CheckLevel(const char* call, UINT level);
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer9>, public DeviceChild {
public:
    VertexBuffer(StateDevice* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    DWORD usage;
    DWORD fvf;
    LargeVector<std::uint8_t> data;
    bool locked = false;
    bool lockedForWriting = false;
};

class IndexBuffer final : public RefCounted<IDirect3DIndexBuffer9>, public DeviceChild {
public:
    IndexBuffer(StateDevice* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    UINT IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    UINT IndexCount() const { return UINT(data.size() / IndexSize()); }
    // The smallest and the largest of `count` indices from `start`.
    struct Extent {
        std::uint32_t smallest, largest;
    };
    Extent ExtentOf(UINT start, UINT count) const;
    // The same over the whole buffer, worked out again only once its data
    // changed: most draws are checked against it without reading indices.
    Extent WholeExtent();

    DWORD usage;
    D3DFORMAT format;
    LargeVector<std::uint8_t> data;
    bool locked = false;
    bool lockedForWriting = false;

private:
    Extent wholeExtent{};
    std::uint32_t wholeExtentVersion = 0; // versions start at 1
};

class VertexDeclaration final : public RefCounted<IDirect3DVertexDeclaration9>, public DeviceChild {
public:
    VertexDeclaration(StateDevice* device, std::vector<D3DVERTEXELEMENT9> elements);
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* numElements) override;

    std::vector<D3DVERTEXELEMENT9> elements; // closed by the end marker
};

class VertexShader final : public RefCounted<IDirect3DVertexShader9>, public DeviceChild {
public:
    VertexShader(StateDevice* device, std::string source);
    std::string source;
};

class PixelShader final : public RefCounted<IDirect3DPixelShader9>, public DeviceChild {
public:
    PixelShader(StateDevice* device, std::string source);
    std::string source;
};
