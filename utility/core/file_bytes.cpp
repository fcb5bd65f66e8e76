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
    // On this system `\` is an ordinary character of a file name: a name
    // that exists as written means that file, never another one that its
    // backslashes read as folders would name.
    struct stat literal {};
    if (native.find('\\') == std::string::npos || lstat(path, &literal) == 0)
        return native;
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

namespace {

// Writes all of `bytes` to the open descriptor; false with errno set.
bool WriteAll(int descriptor, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

// A new file beside `path` that nothing else names, opened for writing; -1
// with errno set when none can be made.
int CreateSibling(const std::string& path, std::string& sibling) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        sibling = path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        int descriptor = open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST)
            return descriptor;
    }
    return -1;
}

} // namespace

HRESULT WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    if (!path)
        return E_FAIL;
    // Written beside the target and renamed over it once whole, so that a
    // full disk or a crash leaves the old file (or none), never a part.
    const std::string target = NativePath(path);
    std::string sibling;
    int descriptor = CreateSibling(target, sibling);
    if (descriptor < 0)
        return E_FAIL;
    bool written = WriteAll(descriptor, bytes);
    int error = errno;
    written = close(descriptor) == 0 && written;
    if (written && rename(sibling.c_str(), target.c_str()) == 0)
        return D3D_OK;
    error = errno ? errno : error;
    unlink(sibling.c_str());
    errno = error;
    return E_FAIL;
}
