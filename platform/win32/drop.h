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
