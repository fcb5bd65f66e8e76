// The icon files as packaging/icons keeps them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG's side, the size icon themes list under 256x256/apps.
constexpr unsigned kIconPngSize = 256;

struct IconFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// zelqad.svg and zelqad.png, the same on every run; false when the memory
// is not there.
bool MakeIconFiles(std::vector<IconFile>& files);

// Writes both files into an existing folder; false with the reason.
bool WriteIconFiles(const std::string& folder, std::string& error);
