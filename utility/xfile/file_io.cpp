#include "utility/xfile/file_io.h"

#include <cstdio>
#include <new>

namespace {

constexpr size_t ReadChunk = size_t(1) << 20;

std::string NativePath(const char* path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

// Reads to the end without trusting a size reported up front: a directory
// opens but cannot be read, a pipe has no size.
HRESULT ReadAll(std::FILE* file, std::vector<std::uint8_t>& bytes) {
    for (;;) {
        size_t start = bytes.size();
        bytes.resize(start + ReadChunk);
        size_t read = std::fread(bytes.data() + start, 1, ReadChunk, file);
        bytes.resize(start + read);
        if (read < ReadChunk)
            return std::ferror(file) ? E_FAIL : D3D_OK;
    }
}

} // namespace

HRESULT ReadXFileBytes(const char* path, std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    HRESULT hr = E_FAIL;
    std::FILE* file = nullptr;
    try {
        file = std::fopen(NativePath(path).c_str(), "rb");
        if (file)
            hr = ReadAll(file, bytes);
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    if (file)
        std::fclose(file);
    if (FAILED(hr))
        bytes = std::vector<std::uint8_t>();
    return hr;
}

HRESULT WriteXFileBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    try {
        std::FILE* file = std::fopen(NativePath(path).c_str(), "wb");
        if (!file)
            return E_FAIL;
        bool written =
            bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        bool closed = std::fclose(file) == 0;
        return written && closed ? D3D_OK : E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
