// Process entry: one viewer on the stack, run at 60 frames a second. The
// status is 1 whatever the run returned.
#include "app/AppMain.h"
#include "effects/effect_resources.h"
#include "platform/d3d9/gl_device.h"

#include <csignal>

namespace {

void OnLossSignal(int) {
    RequestGlDeviceLoss();
}

void OnStatusSignal(int) {
    AppMain::statusRequested = 1;
}

} // namespace

int main() {
    // SIGUSR1 makes the device report itself lost, to try recovery by hand;
    // SIGUSR2 asks for a status line on stderr.
    std::signal(SIGUSR1, OnLossSignal);
    std::signal(SIGUSR2, OnStatusSignal);
    RegisterEffectResources();
    {
        AppMain app;
        app.Run(GetModuleHandleA(nullptr), 60.0f);
    }
    return 1;
}
