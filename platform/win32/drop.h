// The file list behind an HDROP, and the reading of dropped items as Linux
// desktops deliver them: URI lists, plain text that lists files, and paths.
#pragma once

#include "platform/win32/win32.h"

#include <string>
#include <string_view>
#include <vector>

struct HDROP__ {
    std::vector<std::string> paths;
};

// A new drop handle owning the list; DragFinish frees it.
HDROP MakeDrop(std::vector<std::string> paths);

// One dropped item as a local path. An absolute path stands for itself. A
// "file:" URI names a local file when it has no host, or the host
// "localhost" or `hostName` (this machine's name), and its %XX escapes are
// decoded; a broken escape is kept as it stands. A NUL, written or escaped,
// would cut the name short and open another file: such an item is HasNul.
// Trailing CR and LF go.
struct DroppedItem {
    enum class Kind { LocalFile, NotLocal, HasNul } kind;
    std::string path; // LocalFile only
};
DroppedItem ReadDroppedItem(std::string_view item, std::string_view hostName);

// The files that one drop names.
struct DroppedFiles {
    std::vector<std::string> paths;
    // Items that name no local file, as they were given.
    std::vector<std::string> ignored;
    // Why the drop as a whole is refused; empty when it is taken. A refused
    // drop has no paths.
    std::string refusal;
};

// A text/uri-list: one item a line (CR LF or LF), comment lines ("#") and
// empty lines skipped. Items that name no local file are ignored, one with a
// NUL refuses the drop, and so does a list with no local file left.
DroppedFiles ReadUriList(const std::string& list, std::string_view hostName);

// Plain text that file managers on Wayland, or those that offer text before
// a file list, deliver: one absolute path or "file:" URI a line, empty lines
// skipped. Text that is anything else (prose, a web address, a relative
// name, an item with a NUL) is no drop of files at all, not even in part.
DroppedFiles ReadDroppedText(const std::string& text, std::string_view hostName);

// This machine's name, as "file:" URIs of its files may give it.
std::string ThisHostName();

// An item as it may be shown in a message: control characters as "?", and
// cut, with "...", past 200 bytes.
std::string PrintableItem(std::string_view item);

// Names on stderr an item that was dropped but names no local file.
void ReportIgnoredItem(std::string_view item);
