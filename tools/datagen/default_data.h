// The viewer's default data folder: the two models, their texture sets and
// the four fallback textures, all made from code so that the folder can be
// rebuilt byte for byte.
#pragma once

#include <string>
#include <vector>

// The names of the files WriteDefaultData writes, in the order it writes
// them.
std::vector<std::string> DefaultDataFileNames();

// Writes every file into `directory`, which must exist. False at the first
// file that cannot be made, with its name and the reason in `error`.
bool WriteDefaultData(const std::string& directory, std::string& error);
