#include "mesh/TextureLookup.h"

#include "mesh/Paths.h"
#include "utility/core/file_bytes.h"
#include "utility/d3dx9tex.h"

#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

bool IsKind(const fs::directory_entry& entry, bool wantDirectory) {
    std::error_code error;
    return wantDirectory ? entry.is_directory(error) : entry.is_regular_file(error);
}

// The entry of `directory` that `component` names ignoring case, or an
// empty text when there is none.
std::string MatchEntry(const std::string& directory, const std::string& component,
                       bool wantDirectory) {
    std::string best;
    std::error_code error;
    fs::directory_iterator it(directory.empty() ? "." : directory, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string entryName = it->path().filename().string();
        if (!EqualIgnoringCase(entryName, component) || !IsKind(*it, wantDirectory))
            continue;
        if (entryName == component)
            return entryName;
        if (best.empty() || entryName < best)
            best = entryName;
    }
    return best;
}

// The non-empty parts between separators.
std::vector<std::string> SplitComponents(const char* path) {
    std::vector<std::string> components;
    const char* start = path;
    for (const char* c = path;; ++c) {
        if (*c && !IsSeparator(*c))
            continue;
        if (c > start)
            components.emplace_back(start, c);
        if (!*c)
            return components;
        start = c + 1;
    }
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

// The joined path as it is, or with its letters in another case.
bool FindJoined(const char* directory, const char* name, std::string& found) {
    std::string joined;
    if (!JoinPath(joined, directory, name))
        return false;
    found = NativePath(joined.c_str());
    if (IsRegularFile(found))
        return true;
    return ResolveIgnoringCase(joined.c_str(), found);
}

} // namespace

bool ResolveIgnoringCase(const char* path, std::string& resolved) {
    resolved.clear();
    // A path that ends in a separator names a directory, never a file.
    if (!path || !*path || IsSeparator(path[std::strlen(path) - 1]))
        return false;
    if (IsSeparator(*path))
        resolved = "/";
    std::vector<std::string> components = SplitComponents(path);
    for (std::size_t i = 0; i < components.size(); ++i) {
        const std::string& component = components[i];
        std::string entry = component;
        if (component != "." && component != "..") {
            bool last = i + 1 == components.size();
            entry = MatchEntry(resolved, component, !last);
            if (entry.empty())
                return false;
        }
        if (!resolved.empty() && resolved.back() != '/')
            resolved += '/';
        resolved += entry;
    }
    return IsRegularFile(resolved);
}

bool FindMaterialTexture(const char* directory, const char* name, std::string& found) {
    found.clear();
    if (!directory || !name)
        return false;
    if (FindJoined(directory, name, found))
        return true;
    const char* separator = LastSeparator(name);
    if (!separator || separator[1] == '\0')
        return false;
    return FindJoined(directory, separator + 1, found);
}

HRESULT LoadMaterialTexture(IDirect3DDevice9* device, const char* directory, const char* name,
                            IDirect3DTexture9** texture) {
    if (!texture)
        return D3DERR_INVALIDCALL;
    *texture = nullptr;
    std::string path;
    if (!FindMaterialTexture(directory, name, path))
        return E_FAIL;
    return D3DXCreateTextureFromFileA(device, path.c_str(), texture);
}
