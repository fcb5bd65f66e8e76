#include "utility/core/file_bytes.h"

#include "utility/core/load_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

std::string NativePath(const char* path) {
    std::string native(path);
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

FileReader::~FileReader() {
    if (descriptor >= 0)
        close(descriptor);
}

HRESULT FileReader::Open(const char* path) {
    if (!path) {
        SetLoadFailure("no file name");
        return E_FAIL;
    }
    descriptor = open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        SetLoadFailure("%s", std::strerror(errno));
        return E_FAIL;
    }
    struct stat status;
    if (fstat(descriptor, &status) != 0) {
        SetLoadFailure("%s", std::strerror(errno));
        return E_FAIL;
    }
    if (!S_ISREG(status.st_mode)) {
        SetLoadFailure("not a regular file");
        return E_FAIL;
    }
    size = std::uint64_t(status.st_size);
    return D3D_OK;
}

HRESULT FileReader::Read(void* into, std::size_t count, std::size_t& read) {
    read = 0;
    if (count > size - offset)
        count = std::size_t(size - offset);
    while (count) {
        ssize_t got = ::read(descriptor, into, count);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            SetLoadFailure("%s", std::strerror(errno));
            return E_FAIL;
        }
        read = std::size_t(got);
        offset += read;
        break;
    }
    return D3D_OK;
}

HRESULT FileReader::ReadFull(void* into, std::size_t count, std::size_t& got) {
    got = 0;
    while (got < count) {
        std::size_t read = 0;
        HRESULT hr = Read(static_cast<std::uint8_t*>(into) + got, count - got, read);
        if (FAILED(hr))
            return hr;
        if (read == 0)
            break;
        got += read;
    }
    return D3D_OK;
}

HRESULT ReadFileBytes(const char* path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes) {
    std::vector<std::uint8_t>().swap(bytes);
    FileReader file;
    HRESULT hr = file.Open(path);
    if (FAILED(hr))
        return hr;
    if (file.Size() > maxBytes) {
        SetLoadFailure("file too large");
        return E_FAIL;
    }
    try {
        // Room for one byte at least, so that an empty file still gives a
        // valid pointer to hand on with its size.
        bytes.reserve(std::max<std::size_t>(std::size_t(file.Size()), 1));
        bytes.resize(std::size_t(file.Size()));
    } catch (const std::bad_alloc&) {
        SetLoadFailure("out of memory");
        return E_OUTOFMEMORY;
    }
    std::size_t filled = 0;
    hr = file.ReadFull(bytes.data(), bytes.size(), filled);
    if (FAILED(hr)) {
        std::vector<std::uint8_t>().swap(bytes);
        return hr;
    }
    bytes.resize(filled);
    return D3D_OK;
}

HRESULT WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    if (!path)
        return E_FAIL;
    std::FILE* file = std::fopen(NativePath(path).c_str(), "wb");
    if (!file)
        return E_FAIL;
    bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    bool closed = std::fclose(file) == 0;
    return written && closed ? D3D_OK : E_FAIL;
}
