// Paths the mesh code builds. `\` and `/` both separate directories: names
// in X files come from Windows, dropped paths from this platform. A path is
// as long as its parts make it: nothing is cut or refused here, the system
// decides what it can open.
#pragma once

#include <string>

// dest = first + second, as they are. False (dest empty) when either is
// null.
bool JoinPath(std::string& dest, const char* first, const char* second);

// The last `\` or `/` of path, or null when it has none.
const char* LastSeparator(const char* path);

// Splits a mesh file's path after its last separator: the directory keeps
// the separator, the file name is the rest. A path without a separator is a
// file in the working directory: empty directory, the whole path as the
// name. False (both empty) when the path is null.
bool SplitMeshPath(const char* path, std::string& directory, std::string& fileName);
