#include "platform/win32/drop.h"

#include <cstring>

HDROP MakeDrop(std::vector<std::string> paths) {
    return new HDROP__{std::move(paths)};
}

static int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string LocalPathFromDropItem(const std::string& item) {
    std::string path = item;
    while (!path.empty() && (path.back() == '\r' || path.back() == '\n'))
        path.pop_back();
    static const char scheme[] = "file://";
    if (path.compare(0, sizeof scheme - 1, scheme) != 0)
        return path;
    // file://host/path: the path starts at the first slash after the host.
    size_t start = path.find('/', sizeof scheme - 1);
    if (start == std::string::npos)
        return std::string();
    std::string decoded;
    for (size_t i = start; i < path.size(); ++i) {
        int hi, lo;
        if (path[i] == '%' && i + 2 < path.size() && (hi = HexValue(path[i + 1])) >= 0 &&
            (lo = HexValue(path[i + 2])) >= 0) {
            decoded += char(hi * 16 + lo);
            i += 2;
        } else {
            decoded += path[i];
        }
    }
    return decoded;
}

std::vector<std::string> LocalPathsFromDroppedText(const std::string& text) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line == "\r")
            continue;
        const bool uri = line.compare(0, 7, "file://") == 0;
        std::string path = LocalPathFromDropItem(line);
        // Only whole local paths: a NUL would cut the name short and open
        // another file.
        if ((!uri && line[0] != '/') || path.empty() || path[0] != '/' ||
            path.find('\0') != std::string::npos)
            return {};
        paths.push_back(std::move(path));
    }
    return paths;
}

UINT DragQueryFileA(HDROP drop, UINT file, LPSTR buffer, UINT bufferSize) {
    if (!drop)
        return 0;
    if (file == 0xFFFFFFFFu)
        return UINT(drop->paths.size());
    if (file >= drop->paths.size())
        return 0;
    const std::string& path = drop->paths[file];
    if (!buffer)
        return UINT(path.size());
    if (bufferSize == 0)
        return 0;
    size_t n = path.size() < bufferSize - 1 ? path.size() : bufferSize - 1;
    std::memcpy(buffer, path.data(), n);
    buffer[n] = '\0';
    return UINT(n);
}

void DragFinish(HDROP drop) {
    delete drop;
}
