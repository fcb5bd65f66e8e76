// The file list behind an HDROP, and the clean-up of paths as Linux desktops
// deliver them.
#pragma once

#include "platform/win32/win32.h"

#include <string>
#include <vector>

struct HDROP__ {
    std::vector<std::string> paths;
};

// A new drop handle owning the list; DragFinish frees it.
HDROP MakeDrop(std::vector<std::string> paths);

// Turns one dropped item into a plain local path: "file://" URIs lose their
// scheme and host and have their %XX escapes decoded; trailing CR/LF goes.
std::string LocalPathFromDropItem(const std::string& item);

// The files a text drop names, as file managers on Wayland, or those that
// offer text before a file list, deliver them: one absolute path or
// "file://" URI a line (LF or CR LF), empty lines skipped. Empty when the
// text is anything else (prose, a web address, a relative name, an escape
// that decodes to NUL), which is then no drop of files at all.
std::vector<std::string> LocalPathsFromDroppedText(const std::string& text);
