// Process entry: one application on the stack, run at 60 frames a second.
// The status is 1 whatever the run returned.
#include "framework/InputState.h"
#include "framework/KvDX9.h"
#include "platform/d3d9/gl_device.h"

#include <csignal>
#include <cstdio>

namespace {

// Opens the window with the device, clears each frame and shows the frame
// rate, until the window is closed or Escape is pressed.
class ShellApp final : public KvDX9 {
public:
    ~ShellApp() override { CloseIfOpen(); }
    bool OnInit() override { return CreateDevice(false, false, 20); }
    void OnTerm() override { ReleaseDevice(); }
    void OnFrame() override {
        if (inputState.IsKeyPressed(VK_ESCAPE))
            quit = true;
        device->BeginScene();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0F1419, 1.0f, 0);
        char text[256];
        std::snprintf(text, sizeof text, "FPS:%d (%.1fms->%.1ff/s)", fps, double(frameTime),
                      1000.0 / double(frameTime));
        RECT shadow{11, 11, width, height}, line{10, 10, width, height};
        font->DrawTextA(nullptr, text, -1, &shadow, DT_NOCLIP, 0xFF000000);
        font->DrawTextA(nullptr, text, -1, &line, DT_NOCLIP, 0xFFFFFFFF);
        device->EndScene();
        if (device->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST)
            ResetDevice();
    }
};

void OnLossSignal(int) {
    RequestGlDeviceLoss();
}

} // namespace

int main() {
    // SIGUSR1 makes the device report itself lost, to try recovery by hand.
    std::signal(SIGUSR1, OnLossSignal);
    {
        ShellApp app;
        app.Run(GetModuleHandleA(nullptr), 60.0f);
    }
    return 1;
}
