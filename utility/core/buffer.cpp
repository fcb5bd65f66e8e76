#include "utility/d3dx9core.h"

#include "platform/d3d9/com.h"

#include <memory>
#include <new>

namespace {

class Buffer final : public RefCounted<ID3DXBuffer> {
public:
    Buffer(std::unique_ptr<BYTE[]> data, DWORD size) : bytes(std::move(data)), size(size) {}
    LPVOID GetBufferPointer() override { return bytes.get(); }
    DWORD GetBufferSize() override { return size; }

private:
    std::unique_ptr<BYTE[]> bytes;
    DWORD size;
};

} // namespace

HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer) {
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[numBytes ? numBytes : 1]());
    if (!data)
        return E_OUTOFMEMORY;
    *buffer = new Buffer(std::move(data), numBytes);
    return D3D_OK;
}
