// Whole files in memory, under the program's path convention: `\` and `/`
// both separate directories, so ".\data\x.png" opens ./data/x.png.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <vector>

// Longer paths are refused rather than cut.
constexpr std::size_t kMaxPathLength = 4095;
// A texture file larger than this is not one the loader could use.
constexpr std::size_t kMaxFileBytes = std::size_t(256) << 20;

// D3DXERR_INVALIDDATA when the file cannot be opened or read, is too large or
// the path too long; E_OUTOFMEMORY.
HRESULT ReadFileBytes(const char* path, std::vector<std::uint8_t>& bytes);
bool WriteFileBytes(const char* path, const std::vector<std::uint8_t>& bytes);
