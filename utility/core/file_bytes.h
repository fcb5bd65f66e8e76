// Whole files in memory, under the program's path convention: `\` and `/`
// both separate directories, so ".\data\solid.x" opens ./data/solid.x.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Longer paths are refused rather than cut.
constexpr std::size_t kMaxPathLength = 4095;

// E_FAIL when the path is too long, the file cannot be opened or read whole,
// or it holds more than maxBytes; E_OUTOFMEMORY. On failure bytes is empty.
HRESULT ReadFileBytes(const char* path, std::vector<std::uint8_t>& bytes,
                      std::size_t maxBytes = SIZE_MAX);
// E_FAIL when the file cannot be created or written whole.
HRESULT WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes);
