#include "app/ShortenedName.h"

#include "utility/core/utf8.h"

#include <vector>

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";

// The name with `kept` of its code points (which start at `starts`, the
// name's end last) around the ellipsis.
std::string Keep(std::string_view name, const std::vector<size_t>& starts, size_t kept) {
    const size_t points = starts.size() - 1;
    const size_t head = (kept + 1) / 2, tail = kept / 2;
    std::string shown(name.substr(0, starts[head]));
    shown += kEllipsis;
    shown += name.substr(starts[points - tail]);
    return shown;
}

} // namespace

std::string ShortenInMiddle(std::string_view name, int room, const TextWidth& width) {
    if (width(name) <= room)
        return std::string(name);
    std::vector<size_t> starts;
    for (size_t at = 0; at < name.size(); NextCodePoint(name, at))
        starts.push_back(at);
    starts.push_back(name.size());
    // Fewer code points never draw wider: the most that fit, by halves.
    size_t fits = 0, tooMany = starts.size() - 1;
    while (tooMany - fits > 1) {
        const size_t kept = (fits + tooMany) / 2;
        if (width(Keep(name, starts, kept)) <= room)
            fits = kept;
        else
            tooMany = kept;
    }
    return Keep(name, starts, fits);
}
