#include "platform/win32/drop.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>

HDROP MakeDrop(std::vector<std::string> paths) {
    return new HDROP__{std::move(paths)};
}

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

DroppedItem NotLocal() {
    return DroppedItem{DroppedItem::Kind::NotLocal, std::string()};
}

DroppedItem LocalFile(std::string path) {
    if (path.find('\0') != std::string::npos)
        return DroppedItem{DroppedItem::Kind::HasNul, std::string()};
    return DroppedItem{DroppedItem::Kind::LocalFile, std::move(path)};
}

std::string DecodeEscapes(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        int hi, lo;
        if (text[i] == '%' && i + 2 < text.size() && (hi = HexValue(text[i + 1])) >= 0 &&
            (lo = HexValue(text[i + 2])) >= 0) {
            decoded += char(hi * 16 + lo);
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The path of a "file:" URI, after the scheme: "//host/path" or "/path".
DroppedItem ReadFileUri(std::string_view rest, std::string_view hostName) {
    if (rest.compare(0, 2, "//") == 0) {
        const size_t slash = rest.find('/', 2);
        if (slash == std::string_view::npos)
            return NotLocal();
        const std::string_view host = rest.substr(2, slash - 2);
        if (!host.empty() && !EqualsNoCase(host, "localhost") &&
            (hostName.empty() || host != hostName))
            return NotLocal();
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return NotLocal();
    return LocalFile(DecodeEscapes(rest));
}

// Calls `take` with each line of `list` that is not empty, line ends gone.
template <class Take>
void ForEachLine(const std::string& list, Take take) {
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find('\n', start);
        if (end == std::string::npos)
            end = list.size();
        std::string_view line(list.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!line.empty() && !take(line))
            return;
    }
}

constexpr const char* kNoLocalFiles = "it names no local files";

} // namespace

DroppedItem ReadDroppedItem(std::string_view item, std::string_view hostName) {
    while (!item.empty() && (item.back() == '\r' || item.back() == '\n'))
        item.remove_suffix(1);
    if (!item.empty() && item[0] == '/')
        return LocalFile(std::string(item));
    if (StartsWithNoCase(item, "file:"))
        return ReadFileUri(item.substr(5), hostName);
    return NotLocal();
}

DroppedFiles ReadUriList(const std::string& list, std::string_view hostName) {
    DroppedFiles files;
    ForEachLine(list, [&](std::string_view line) {
        if (line[0] == '#')
            return true;
        DroppedItem item = ReadDroppedItem(line, hostName);
        switch (item.kind) {
        case DroppedItem::Kind::LocalFile:
            files.paths.push_back(std::move(item.path));
            return true;
        case DroppedItem::Kind::NotLocal:
            files.ignored.emplace_back(line);
            return true;
        case DroppedItem::Kind::HasNul:
            files.refusal = "\"" + PrintableItem(line) + "\" names a path with a NUL in it";
            return false;
        }
        return true;
    });
    if (files.refusal.empty() && files.paths.empty())
        files.refusal = kNoLocalFiles;
    if (!files.refusal.empty())
        files.paths.clear();
    return files;
}

DroppedFiles ReadDroppedText(const std::string& text, std::string_view hostName) {
    DroppedFiles files;
    ForEachLine(text, [&](std::string_view line) {
        DroppedItem item = ReadDroppedItem(line, hostName);
        if (item.kind != DroppedItem::Kind::LocalFile) {
            files.paths.clear();
            return false;
        }
        files.paths.push_back(std::move(item.path));
        return true;
    });
    if (files.paths.empty())
        files.refusal = kNoLocalFiles;
    return files;
}

std::string ThisHostName() {
    char name[HOST_NAME_MAX + 1] = "";
    if (gethostname(name, sizeof name) != 0)
        return std::string();
    name[HOST_NAME_MAX] = '\0';
    return name;
}

std::string PrintableItem(std::string_view item) {
    constexpr size_t kShown = 200;
    std::string shown(item.substr(0, kShown));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    if (item.size() > kShown)
        shown += "...";
    return shown;
}

void ReportIgnoredItem(std::string_view item) {
    std::fprintf(stderr, "zelqad: dropped item ignored: \"%s\" is not a local file\n",
                 PrintableItem(item).c_str());
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
