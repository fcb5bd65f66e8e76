// Where the viewer finds its default data. The files are named relative to
// the working directory ("./data/tex.tex"), so the viewer works in the
// directory that holds them: the working directory itself when its data
// folder holds the default mesh, else the data installed beside the
// program, <prefix>/share/zelqad for <prefix>/bin/zelqad (the build tree
// has the same layout).
#pragma once

#include <string>

// The directory to work in, or empty to stay: neither place holds the
// data, and the start-up says which file it missed.
std::string FindDataHome(const std::string& workingDirectory, const std::string& executable);

// This process's executable, from /proc; empty where the system does not
// say.
std::string ExecutablePath();
