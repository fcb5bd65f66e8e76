#include "mesh/Paths.h"

bool JoinPath(std::string& dest, const char* first, const char* second) {
    dest.clear();
    if (!first || !second)
        return false;
    dest.append(first).append(second);
    return true;
}

const char* LastSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* c = path; *c; ++c)
        if (*c == '\\' || *c == '/')
            last = c;
    return last;
}

bool SplitMeshPath(const char* path, std::string& directory, std::string& fileName) {
    directory.clear();
    fileName.clear();
    if (!path)
        return false;
    const char* separator = LastSeparator(path);
    const char* name = separator ? separator + 1 : path;
    directory.assign(path, name);
    fileName.assign(name);
    return true;
}
