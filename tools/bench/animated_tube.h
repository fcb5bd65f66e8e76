// A big skinned model for the frame benchmark, written as a text X file: a
// tube of 100,000 vertices up a chain of 64 bones, each vertex following
// four of them, and one set in which every bone turns and moves on its own
// keys.
#pragma once

#include <string>

// Writes the model to `path`; false when it cannot.
bool WriteAnimatedTube(const std::string& path);
