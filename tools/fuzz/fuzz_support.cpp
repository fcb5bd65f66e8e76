#include "tools/fuzz/fuzz_support.h"

#include "platform/d3d9/recording_device.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

RecordingDirect3D9* root = nullptr;
IDirect3DDevice9* device = nullptr;
std::string scratchDirectory;
std::string scratchFile;

void RemoveScratch() {
    std::remove(scratchFile.c_str());
    rmdir(scratchDirectory.c_str());
}

} // namespace

IDirect3DDevice9* FuzzDevice() {
    if (!device) {
        root = new RecordingDirect3D9;
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 64;
        params.BackBufferHeight = 64;
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
        params.BackBufferCount = 1;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.Windowed = TRUE;
        FuzzCheck(
            SUCCEEDED(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr,
                                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device)),
            "the recording device is created");
    }
    root->lastDevice->calls.clear();
    return device;
}

LiveObjectGuard::~LiveObjectGuard() {
    FuzzCheck(LiveDirect3DObjects() == start, "every Direct3D object made is released");
}

const char* WriteScratchFile(const std::uint8_t* data, std::size_t size) {
    if (scratchDirectory.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zq-fuzz-XXXXXX";
        FuzzCheck(mkdtemp(pattern.data()) != nullptr, "the scratch directory is made");
        scratchDirectory = pattern;
        scratchFile = scratchDirectory + "/input.x";
        std::atexit(RemoveScratch);
    }
    std::FILE* file = std::fopen(scratchFile.c_str(), "wb");
    FuzzCheck(file != nullptr, "the scratch file opens");
    bool written = std::fwrite(data, 1, size, file) == size;
    FuzzCheck(std::fclose(file) == 0 && written, "the scratch file is written");
    return scratchFile.c_str();
}

void FuzzCheck(bool holds, const char* what) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}
