// Whole X files in memory, under the program's path convention: `\` and `/`
// both separate directories, so ".\data\solid.x" opens ./data/solid.x.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <string>
#include <vector>

// E_FAIL when the file cannot be opened or read; E_OUTOFMEMORY.
HRESULT ReadXFileBytes(const char* path, std::vector<std::uint8_t>& bytes);
// E_FAIL when the file cannot be created or written whole.
HRESULT WriteXFileBytes(const char* path, const std::vector<std::uint8_t>& bytes);
