#include "platform/d3d9/resources.h"

#include "platform/d3d9/formats.h"
#include "platform/d3d9/state_device.h"

#include <algorithm>
#include <cstring>

DeviceChild::DeviceChild(StateDevice* device, D3DPOOL pool, bool internal)
    : device(device), pool(pool), internal(internal) {
    if (device)
        device->AddChild(this);
}

DeviceChild::~DeviceChild() {
    backend.reset();
    if (device)
        device->RemoveChild(this);
}

void DeviceChild::Orphan() {
    backend.reset();
    device = nullptr;
}

// Refuses a call on a resource, its reason kept on the device that made it;
// one that outlived its device has nowhere to keep a reason.
static HRESULT Refuse(StateDevice* device, const char* call, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

static HRESULT Refuse(StateDevice* device, const char* call, const char* format, ...) {
    if (!device)
        return D3DERR_INVALIDCALL;
    va_list args;
    va_start(args, format);
    HRESULT result = device->RefuseV(call, format, args);
    va_end(args);
    return result;
}

static HRESULT DeviceOf(DeviceChild& child, const char* call, IDirect3DDevice9** out) {
    if (!child.device)
        return D3DERR_INVALIDCALL; // the device went first
    if (!out)
        return Refuse(child.device, call, "null device");
    child.device->AddRef();
    *out = child.device;
    return D3D_OK;
}

// A rectangle to lock inside a level or surface of `width` x `height`.
static HRESULT CheckLockRect(StateDevice* device, const char* call, const RECT& rect, UINT width,
                             UINT height) {
    if (rect.left >= rect.right || rect.top >= rect.bottom)
        return Refuse(device, call, "the rectangle %d,%d to %d,%d is empty", int(rect.left),
                      int(rect.top), int(rect.right), int(rect.bottom));
    if (rect.left < 0 || rect.top < 0 || rect.right > LONG(width) || rect.bottom > LONG(height))
        return Refuse(device, call, "the rectangle %d,%d to %d,%d reaches outside the %ux%u pixels",
                      int(rect.left), int(rect.top), int(rect.right), int(rect.bottom), width,
                      height);
    return D3D_OK;
}

// ---- Surface ---------------------------------------------------------------

Surface::Surface(StateDevice* device, const D3DSURFACE_DESC& description, bool internal)
    : DeviceChild(device, description.Pool, internal), desc(description) {
    CountDirect3DObject(+1);
    if (description.Pool != D3DPOOL_DEFAULT && !IsDepthFormat(description.Format))
        pixels.resize(size_t(desc.Width) * desc.Height * BytesPerPixel(desc.Format));
}

Surface::Surface(Texture* texture, UINT levelIndex)
    : DeviceChild(nullptr, texture->pool, true), owner(texture), level(levelIndex) {
    texture->GetLevelDesc(levelIndex, &desc);
}

Surface::~Surface() {
    if (!owner)
        CountDirect3DObject(-1);
}

ULONG Surface::AddRef() {
    return owner ? owner->AddRef() : ++refs;
}

ULONG Surface::Release() {
    if (owner)
        return owner->Release();
    ULONG left = --refs;
    if (left == 0)
        delete this;
    return left;
}

ULONG Surface::RefCount() const {
    return owner ? owner->RefCount() : refs;
}

HRESULT Surface::GetDevice(IDirect3DDevice9** out) {
    return owner ? owner->GetDevice(out) : DeviceOf(*this, "IDirect3DSurface9::GetDevice", out);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* out) {
    if (!out)
        return Refuse(owner ? owner->device : device, "IDirect3DSurface9::GetDesc",
                      "null description");
    *out = desc;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    if (owner)
        return owner->LockRect(level, out, rect, flags);
    const char* call = "IDirect3DSurface9::LockRect";
    if (!out)
        return Refuse(device, call, "null locked rectangle");
    if (pixels.empty())
        return Refuse(device, call,
                      "the surface cannot be locked: it is a depth or default-pool "
                      "surface");
    if (locked)
        return Refuse(device, call, "the surface is locked already");
    UINT bpp = BytesPerPixel(desc.Format);
    out->Pitch = INT(desc.Width * bpp);
    out->pBits = pixels.data();
    if (rect) {
        if (HRESULT refused = CheckLockRect(device, call, *rect, desc.Width, desc.Height);
            FAILED(refused))
            return refused;
        out->pBits = pixels.data() + size_t(rect->top) * out->Pitch + size_t(rect->left) * bpp;
    }
    locked = true;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (owner)
        return owner->UnlockRect(level);
    if (!locked)
        return Refuse(device, "IDirect3DSurface9::UnlockRect", "the surface is not locked");
    locked = false;
    ++version;
    return D3D_OK;
}

// ---- Texture ---------------------------------------------------------------

Texture::Texture(StateDevice* device, UINT width, UINT height, UINT levelCount, DWORD usageFlags,
                 D3DFORMAT textureFormat, D3DPOOL texturePool)
    : DeviceChild(device, texturePool, false), usage(usageFlags), format(textureFormat) {
    UINT w = width, h = height;
    UINT fullChain = 1;
    for (UINT m = std::max(width, height); m > 1; m >>= 1)
        ++fullChain;
    UINT count = levelCount == 0 ? fullChain : std::min(levelCount, fullChain);
    bool lockable = !(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL));
    levels.resize(count);
    for (UINT i = 0; i < count; ++i) {
        levels[i].width = w;
        levels[i].height = h;
        if (lockable)
            levels[i].pixels.resize(size_t(w) * h * BytesPerPixel(format));
        w = std::max(1u, w / 2);
        h = std::max(1u, h / 2);
    }
}

HRESULT Texture::GetDevice(IDirect3DDevice9** out) {
    return DeviceOf(*this, "IDirect3DTexture9::GetDevice", out);
}

HRESULT Texture::CheckLevel(const char* call, UINT level) {
    if (level >= levels.size())
        return Refuse(device, call, "level %u past the %u levels", level, UINT(levels.size()));
    return D3D_OK;
}

UINT Texture::Pitch(UINT level) const {
    return levels[level].width * BytesPerPixel(format);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc)
        return Refuse(device, "IDirect3DTexture9::GetLevelDesc", "null description");
    if (HRESULT refused = CheckLevel("IDirect3DTexture9::GetLevelDesc", level); FAILED(refused))
        return refused;
    *desc = D3DSURFACE_DESC{format,
                            D3DRTYPE_SURFACE,
                            usage,
                            pool,
                            D3DMULTISAMPLE_NONE,
                            0,
                            levels[level].width,
                            levels[level].height};
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface)
        return Refuse(device, "IDirect3DTexture9::GetSurfaceLevel", "null surface");
    if (HRESULT refused = CheckLevel("IDirect3DTexture9::GetSurfaceLevel", level); FAILED(refused))
        return refused;
    if (!levels[level].surface)
        levels[level].surface.reset(new Surface(this, level));
    AddRef();
    *surface = levels[level].surface.get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD) {
    const char* call = "IDirect3DTexture9::LockRect";
    if (!out)
        return Refuse(device, call, "null locked rectangle");
    if (HRESULT refused = CheckLevel(call, level); FAILED(refused))
        return refused;
    Level& l = levels[level];
    if (l.pixels.empty())
        return Refuse(device, call, "a render target or depth texture cannot be locked");
    if (l.locked)
        return Refuse(device, call, "level %u is locked already", level);
    UINT bpp = BytesPerPixel(format);
    out->Pitch = INT(l.width * bpp);
    out->pBits = l.pixels.data();
    if (rect) {
        if (HRESULT refused = CheckLockRect(device, call, *rect, l.width, l.height);
            FAILED(refused))
            return refused;
        out->pBits = l.pixels.data() + size_t(rect->top) * out->Pitch + size_t(rect->left) * bpp;
    }
    l.locked = true;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (HRESULT refused = CheckLevel("IDirect3DTexture9::UnlockRect", level); FAILED(refused))
        return refused;
    if (!levels[level].locked)
        return Refuse(device, "IDirect3DTexture9::UnlockRect", "level %u is not locked", level);
    levels[level].locked = false;
    ++version;
    return D3D_OK;
}

// ---- Buffers ---------------------------------------------------------------

template <class Buffer>
static HRESULT LockBuffer(Buffer& b, const char* call, UINT offset, UINT size, void** out,
                          DWORD flags) {
    if (!out)
        return Refuse(b.device, call, "null data");
    if (b.locked)
        return Refuse(b.device, call, "the buffer is locked already");
    if (offset > b.data.size())
        return Refuse(b.device, call, "offset %u past the %zu bytes of the buffer", offset,
                      b.data.size());
    if (size == 0)
        size = UINT(b.data.size()) - offset;
    if (size > b.data.size() - offset)
        return Refuse(b.device, call, "%u bytes from offset %u past the %zu bytes of the buffer",
                      size, offset, b.data.size());
    *out = b.data.data() + offset;
    b.locked = true;
    b.lockedForWriting = (flags & D3DLOCK_READONLY) == 0;
    return D3D_OK;
}

template <class Buffer>
static HRESULT UnlockBuffer(Buffer& b, const char* call) {
    if (!b.locked)
        return Refuse(b.device, call, "the buffer is not locked");
    b.locked = false;
    // A read-only lock changes nothing, so the GPU copy stays valid.
    if (b.lockedForWriting)
        ++b.version;
    return D3D_OK;
}

VertexBuffer::VertexBuffer(StateDevice* device, UINT length, DWORD usageFlags, DWORD fvfCode,
                           D3DPOOL bufferPool)
    : DeviceChild(device, bufferPool, false), usage(usageFlags), fvf(fvfCode), data(length) {}

HRESULT VertexBuffer::GetDevice(IDirect3DDevice9** out) {
    return DeviceOf(*this, "IDirect3DVertexBuffer9::GetDevice", out);
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** out, DWORD flags) {
    return LockBuffer(*this, "IDirect3DVertexBuffer9::Lock", offset, size, out, flags);
}

HRESULT VertexBuffer::Unlock() {
    return UnlockBuffer(*this, "IDirect3DVertexBuffer9::Unlock");
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc)
        return Refuse(device, "IDirect3DVertexBuffer9::GetDesc", "null description");
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage,
                                 pool,           UINT(data.size()),     fvf};
    return D3D_OK;
}

IndexBuffer::IndexBuffer(StateDevice* device, UINT length, DWORD usageFlags, D3DFORMAT indexFormat,
                         D3DPOOL bufferPool)
    : DeviceChild(device, bufferPool, false), usage(usageFlags), format(indexFormat), data(length) {
}

HRESULT IndexBuffer::GetDevice(IDirect3DDevice9** out) {
    return DeviceOf(*this, "IDirect3DIndexBuffer9::GetDevice", out);
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** out, DWORD flags) {
    return LockBuffer(*this, "IDirect3DIndexBuffer9::Lock", offset, size, out, flags);
}

HRESULT IndexBuffer::Unlock() {
    return UnlockBuffer(*this, "IDirect3DIndexBuffer9::Unlock");
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc)
        return Refuse(device, "IDirect3DIndexBuffer9::GetDesc", "null description");
    *desc = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, UINT(data.size())};
    return D3D_OK;
}

IndexBuffer::Extent IndexBuffer::ExtentOf(UINT start, UINT count) const {
    if (count == 0)
        return Extent{0, 0};
    auto extent = [count](const auto* first) {
        Extent e{first[0], first[0]};
        for (UINT i = 1; i < count; ++i) {
            e.smallest = std::min<std::uint32_t>(e.smallest, first[i]);
            e.largest = std::max<std::uint32_t>(e.largest, first[i]);
        }
        return e;
    };
    if (format == D3DFMT_INDEX32)
        return extent(reinterpret_cast<const std::uint32_t*>(data.data()) + start);
    return extent(reinterpret_cast<const std::uint16_t*>(data.data()) + start);
}

IndexBuffer::Extent IndexBuffer::WholeExtent() {
    if (wholeExtentVersion != version) {
        wholeExtent = ExtentOf(0, IndexCount());
        wholeExtentVersion = version;
    }
    return wholeExtent;
}

// ---- Declarations and programs ----------------------------------------------

VertexDeclaration::VertexDeclaration(StateDevice* device, std::vector<D3DVERTEXELEMENT9> table)
    : DeviceChild(device, D3DPOOL_MANAGED, false), elements(std::move(table)) {}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* out, UINT* numElements) {
    if (!numElements)
        return Refuse(device, "IDirect3DVertexDeclaration9::GetDeclaration", "null element count");
    if (out)
        std::copy(elements.begin(), elements.end(), out);
    *numElements = UINT(elements.size());
    return D3D_OK;
}

VertexShader::VertexShader(StateDevice* device, std::string text)
    : DeviceChild(device, D3DPOOL_MANAGED, false), source(std::move(text)) {}

PixelShader::PixelShader(StateDevice* device, std::string text)
    : DeviceChild(device, D3DPOOL_MANAGED, false), source(std::move(text)) {}
