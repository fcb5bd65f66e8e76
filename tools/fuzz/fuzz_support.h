// What the fuzz targets share: a device without a GPU, made once for the
// process; the check that one input left no Direct3D object alive; a scratch
// file for the loaders that read from a path; and the abort that turns a
// broken promise of a successful call into a finding.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstddef>
#include <cstdint>

// The recording device, made on first use and kept for the process. Its call
// log is emptied on every call, so that it does not grow over a long run.
IDirect3DDevice9* FuzzDevice();

// Aborts, so that the fuzzer keeps the input, when the number of live
// Direct3D objects differs at the end of its scope from its start. Take
// the device before it: the first call makes it.
class LiveObjectGuard {
public:
    LiveObjectGuard() : start(LiveDirect3DObjects()) {}
    ~LiveObjectGuard();
    LiveObjectGuard(const LiveObjectGuard&) = delete;
    LiveObjectGuard& operator=(const LiveObjectGuard&) = delete;

private:
    long start;
};

// Writes the input to this process's scratch file (in a directory of its
// own, removed at exit) and returns the file's path; aborts when it cannot.
const char* WriteScratchFile(const std::uint8_t* data, std::size_t size);

// Aborts with a message naming what failed when `holds` is false.
void FuzzCheck(bool holds, const char* what);
