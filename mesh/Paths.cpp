#include "mesh/Paths.h"

#include <cstring>

namespace {

// Copies `length` characters and the terminator when they fit in `capacity`
// characters.
bool CopyPart(char* dest, std::size_t capacity, const char* source, std::size_t length) {
    if (length > capacity)
        return false;
    std::memcpy(dest, source, length);
    dest[length] = '\0';
    return true;
}

} // namespace

bool JoinPath(BuiltPath& dest, const char* first, const char* second) {
    dest[0] = '\0';
    if (!first || !second)
        return false;
    std::size_t firstLength = std::strlen(first);
    std::size_t secondLength = std::strlen(second);
    if (firstLength > kMaxBuiltPath || secondLength > kMaxBuiltPath - firstLength)
        return false;
    std::memcpy(dest, first, firstLength);
    std::memcpy(dest + firstLength, second, secondLength + 1);
    return true;
}

const char* LastSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* c = path; *c; ++c)
        if (*c == '\\' || *c == '/')
            last = c;
    return last;
}

bool SplitMeshPath(const char* path, char (&directory)[kMaxMeshDirectory + 1],
                   char (&fileName)[kMaxMeshFileName + 1]) {
    directory[0] = '\0';
    fileName[0] = '\0';
    if (!path)
        return false;
    const char* separator = LastSeparator(path);
    const char* name = separator ? separator + 1 : path;
    std::size_t directoryLength = std::size_t(name - path);
    return CopyPart(directory, kMaxMeshDirectory, path, directoryLength) &&
           CopyPart(fileName, kMaxMeshFileName, name, std::strlen(name));
}
