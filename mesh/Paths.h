// Paths the mesh code builds, and their length limits in characters without
// the terminating zero. A path that would be longer is refused, never cut.
// `\` and `/` both separate directories: names in X files come from Windows,
// dropped paths from this platform.
#pragma once

#include <cstddef>

constexpr std::size_t kMaxBuiltPath = 519;
constexpr std::size_t kMaxTextureExtension = 63;
constexpr std::size_t kMaxMeshFileName = 255;
constexpr std::size_t kMaxMeshDirectory = 511;

using BuiltPath = char[kMaxBuiltPath + 1];

// dest = first + second, as they are. False (dest empty) when either is
// null or the result is longer than kMaxBuiltPath.
bool JoinPath(BuiltPath& dest, const char* first, const char* second);

// The last `\` or `/` of path, or null when it has none.
const char* LastSeparator(const char* path);

// Splits a mesh file's path after its last separator: the directory keeps
// the separator, the file name is the rest. A path without a separator is a
// file in the working directory: empty directory, the whole path as the
// name. False when either part is longer than its limit.
bool SplitMeshPath(const char* path, char (&directory)[kMaxMeshDirectory + 1],
                   char (&fileName)[kMaxMeshFileName + 1]);
