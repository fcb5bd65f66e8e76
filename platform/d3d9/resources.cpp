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

static HRESULT DeviceOf(DeviceChild& child, IDirect3DDevice9** out) {
    if (!out || !child.device)
        return D3DERR_INVALIDCALL;
    child.device->AddRef();
    *out = child.device;
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
    return owner ? owner->GetDevice(out) : DeviceOf(*this, out);
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* out) {
    if (!out)
        return D3DERR_INVALIDCALL;
    *out = desc;
    return D3D_OK;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* out, const RECT* rect, DWORD flags) {
    if (owner)
        return owner->LockRect(level, out, rect, flags);
    if (!out || pixels.empty() || locked)
        return D3DERR_INVALIDCALL;
    UINT bpp = BytesPerPixel(desc.Format);
    out->Pitch = INT(desc.Width * bpp);
    out->pBits = pixels.data();
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > LONG(desc.Width) ||
            rect->bottom > LONG(desc.Height) || rect->left >= rect->right ||
            rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        out->pBits = pixels.data() + size_t(rect->top) * out->Pitch + size_t(rect->left) * bpp;
    }
    locked = true;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (owner)
        return owner->UnlockRect(level);
    if (!locked)
        return D3DERR_INVALIDCALL;
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
    return DeviceOf(*this, out);
}

UINT Texture::Pitch(UINT level) const {
    return levels[level].width * BytesPerPixel(format);
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (!desc || level >= levels.size())
        return D3DERR_INVALIDCALL;
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
    if (!surface || level >= levels.size())
        return D3DERR_INVALIDCALL;
    if (!levels[level].surface)
        levels[level].surface.reset(new Surface(this, level));
    AddRef();
    *surface = levels[level].surface.get();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* out, const RECT* rect, DWORD) {
    if (!out || level >= levels.size() || levels[level].pixels.empty() || levels[level].locked)
        return D3DERR_INVALIDCALL;
    Level& l = levels[level];
    UINT bpp = BytesPerPixel(format);
    out->Pitch = INT(l.width * bpp);
    out->pBits = l.pixels.data();
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > LONG(l.width) ||
            rect->bottom > LONG(l.height) || rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        out->pBits = l.pixels.data() + size_t(rect->top) * out->Pitch + size_t(rect->left) * bpp;
    }
    l.locked = true;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels.size() || !levels[level].locked)
        return D3DERR_INVALIDCALL;
    levels[level].locked = false;
    ++version;
    return D3D_OK;
}

// ---- Buffers ---------------------------------------------------------------

template <class Buffer>
static HRESULT LockBuffer(Buffer& b, UINT offset, UINT size, void** out, DWORD flags) {
    if (!out || b.locked || offset > b.data.size())
        return D3DERR_INVALIDCALL;
    if (size == 0)
        size = UINT(b.data.size()) - offset;
    if (size > b.data.size() - offset)
        return D3DERR_INVALIDCALL;
    *out = b.data.data() + offset;
    b.locked = true;
    b.lockedForWriting = (flags & D3DLOCK_READONLY) == 0;
    return D3D_OK;
}

template <class Buffer>
static HRESULT UnlockBuffer(Buffer& b) {
    if (!b.locked)
        return D3DERR_INVALIDCALL;
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
    return DeviceOf(*this, out);
}

HRESULT VertexBuffer::Lock(UINT offset, UINT size, void** out, DWORD flags) {
    return LockBuffer(*this, offset, size, out, flags);
}

HRESULT VertexBuffer::Unlock() {
    return UnlockBuffer(*this);
}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = D3DVERTEXBUFFER_DESC{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage,
                                 pool,           UINT(data.size()),     fvf};
    return D3D_OK;
}

IndexBuffer::IndexBuffer(StateDevice* device, UINT length, DWORD usageFlags, D3DFORMAT indexFormat,
                         D3DPOOL bufferPool)
    : DeviceChild(device, bufferPool, false), usage(usageFlags), format(indexFormat), data(length) {
}

HRESULT IndexBuffer::GetDevice(IDirect3DDevice9** out) {
    return DeviceOf(*this, out);
}

HRESULT IndexBuffer::Lock(UINT offset, UINT size, void** out, DWORD flags) {
    return LockBuffer(*this, offset, size, out, flags);
}

HRESULT IndexBuffer::Unlock() {
    return UnlockBuffer(*this);
}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    *desc = D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, UINT(data.size())};
    return D3D_OK;
}

// ---- Declarations and programs ----------------------------------------------

VertexDeclaration::VertexDeclaration(StateDevice* device, std::vector<D3DVERTEXELEMENT9> table)
    : DeviceChild(device, D3DPOOL_MANAGED, false), elements(std::move(table)) {}

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* out, UINT* numElements) {
    if (!numElements)
        return D3DERR_INVALIDCALL;
    if (out)
        std::copy(elements.begin(), elements.end(), out);
    *numElements = UINT(elements.size());
    return D3D_OK;
}

VertexShader::VertexShader(StateDevice* device, std::string text)
    : DeviceChild(device, D3DPOOL_MANAGED, false), source(std::move(text)) {}

PixelShader::PixelShader(StateDevice* device, std::string text)
    : DeviceChild(device, D3DPOOL_MANAGED, false), source(std::move(text)) {}
