#include "utility/core/file_bytes.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kReadChunk = std::size_t(1) << 20;

// The path with every `\` turned into `/`, which every platform accepts.
bool NativePath(const char* path, char (&native)[kMaxPathLength + 1]) {
    if (!path)
        return false;
    std::size_t length = std::strlen(path);
    if (length > kMaxPathLength)
        return false;
    for (std::size_t i = 0; i <= length; ++i)
        native[i] = path[i] == '\\' ? '/' : path[i];
    return true;
}

// Reads to the end without trusting a size reported up front: a directory
// opens but cannot be read, a pipe has no size.
HRESULT ReadAll(std::FILE* file, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
    for (;;) {
        std::size_t start = bytes.size();
        try {
            bytes.resize(start + kReadChunk);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        std::size_t read = std::fread(bytes.data() + start, 1, kReadChunk, file);
        bytes.resize(start + read);
        if (bytes.size() > maxBytes)
            return E_FAIL;
        if (read < kReadChunk)
            return std::ferror(file) ? E_FAIL : D3D_OK;
    }
}

} // namespace

HRESULT ReadFileBytes(const char* path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
    bytes.clear();
    char native[kMaxPathLength + 1];
    if (!NativePath(path, native))
        return E_FAIL;
    std::FILE* file = std::fopen(native, "rb");
    if (!file)
        return E_FAIL;
    HRESULT hr = ReadAll(file, bytes, maxBytes);
    std::fclose(file);
    if (FAILED(hr))
        std::vector<std::uint8_t>().swap(bytes);
    return hr;
}

HRESULT WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    char native[kMaxPathLength + 1];
    if (!NativePath(path, native))
        return E_FAIL;
    std::FILE* file = std::fopen(native, "wb");
    if (!file)
        return E_FAIL;
    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed ? D3D_OK : E_FAIL;
}
