// A real OpenGL device for drawing tests: a hidden SDL window (run with
// SDL_VIDEODRIVER=offscreen) and a device on it, with read-back helpers.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdint>
#include <string>
#include <vector>

class GlTestDevice {
public:
    GlTestDevice(UINT width, UINT height, D3DFORMAT depth = D3DFMT_D24X8);
    ~GlTestDevice();
    GlTestDevice(const GlTestDevice&) = delete;
    GlTestDevice& operator=(const GlTestDevice&) = delete;

    bool Ok() const { return device != nullptr; }

    // Pixels of a render-target surface as ARGB words, rows top-down.
    std::vector<std::uint32_t> Read(IDirect3DSurface9* target);
    // Pixels of the current render target 0.
    std::vector<std::uint32_t> ReadTarget();
    // Pixels of a floating-point render target, four floats a pixel.
    std::vector<float> ReadFloat(IDirect3DSurface9* target);

    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params{};
    UINT width, height;
};

// Writes opaque ARGB pixels (rows top-down) as a PNG named `name` in the
// folder that ZQ_SCREENSHOT_DIR names, or in the working directory; tests
// never write into the source tree on their own. Returns the path, empty on
// failure. scripts/screenshots points the variable at docs/.
std::string WriteScreenshot(const std::vector<std::uint32_t>& pixels, UINT width, UINT height,
                            const char* name);

// Red, green, blue and alpha of an ARGB word.
inline int Red(std::uint32_t c) {
    return int((c >> 16) & 0xFF);
}
inline int Green(std::uint32_t c) {
    return int((c >> 8) & 0xFF);
}
inline int Blue(std::uint32_t c) {
    return int(c & 0xFF);
}
inline int Alpha(std::uint32_t c) {
    return int(c >> 24);
}
