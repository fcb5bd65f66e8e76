// Reading and writing whole files under the program's path convention: `\`
// and `/` both separate directories, so ".\data\solid.x" opens
// ./data/solid.x. Paths may be as long as the system takes.
//
// Loaders read regular files only. A file is opened without blocking (a
// named pipe never holds the caller waiting for a writer), anything else
// than a regular file is refused, and no more is read than the size the
// file had when it was opened, so a file that grows meanwhile (or a device
// that never ends) cannot make a load run on. Every failure leaves its
// reason in LoadFailure(): the system's error text or "not a regular file".
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The path as this system names the file: as written where that names
// something (a backslash may be part of a Linux file name), else with every
// `\` read as a folder separator, as Windows paths in files mean it.
std::string NativePath(const char* path);

// One regular file open for reading.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // E_FAIL when the path is null, the file cannot be opened or is not a
    // regular file.
    HRESULT Open(const char* path);
    // The size when it was opened.
    std::uint64_t Size() const { return size; }
    // Reads up to `count` bytes, never past Size() in all; `read` is 0 at
    // the end (a file that shrank ends early). E_FAIL on a read error.
    HRESULT Read(void* into, std::size_t count, std::size_t& read);
    // Reads until `count` bytes have come or the file ends; `got` says how
    // many came.
    HRESULT ReadFull(void* into, std::size_t count, std::size_t& got);

private:
    int descriptor = -1;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
};

// The whole file. E_FAIL as FileReader::Open, on a read error, or when the
// file holds more than maxBytes; E_OUTOFMEMORY. On failure bytes is empty.
HRESULT ReadFileBytes(const char* path, std::vector<std::uint8_t>& bytes,
                      std::size_t maxBytes = SIZE_MAX);
// Replaces the file at `path` with `bytes`: written to a new file beside it,
// then renamed into place, so that a failure leaves what was there before.
// E_FAIL, with errno saying why, when the file cannot be created or written
// whole.
HRESULT WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes);
