#include "utility/image/file_bytes.h"

#include "utility/d3dx9mesh.h"
#include "utility/image/image.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kReadChunk = std::size_t(64) << 10;

// The path with every `\` turned into `/`, which every platform accepts.
bool NativePath(const char* path, char (&native)[kMaxPathLength + 1]) {
    std::size_t length = std::strlen(path);
    if (length > kMaxPathLength)
        return false;
    for (std::size_t i = 0; i <= length; ++i)
        native[i] = path[i] == '\\' ? '/' : path[i];
    return true;
}

// Reads to the end without trusting a size reported up front (a directory
// opens but cannot be read; a pipe has no size).
HRESULT ReadAll(std::FILE* file, std::vector<std::uint8_t>& bytes) {
    for (;;) {
        std::size_t start = bytes.size();
        if (!TryResize(bytes, start + kReadChunk))
            return E_OUTOFMEMORY;
        std::size_t read = std::fread(bytes.data() + start, 1, kReadChunk, file);
        bytes.resize(start + read);
        if (bytes.size() > kMaxFileBytes)
            return D3DXERR_INVALIDDATA;
        if (read < kReadChunk)
            return std::ferror(file) ? D3DXERR_INVALIDDATA : D3D_OK;
    }
}

} // namespace

HRESULT ReadFileBytes(const char* path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    char native[kMaxPathLength + 1];
    if (!path || !NativePath(path, native))
        return D3DXERR_INVALIDDATA;
    std::FILE* file = std::fopen(native, "rb");
    if (!file)
        return D3DXERR_INVALIDDATA;
    HRESULT hr = ReadAll(file, bytes);
    std::fclose(file);
    if (FAILED(hr))
        bytes.clear();
    return hr;
}

bool WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    char native[kMaxPathLength + 1];
    if (!path || !NativePath(path, native))
        return false;
    std::FILE* file = std::fopen(native, "wb");
    if (!file)
        return false;
    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
