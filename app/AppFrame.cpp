// The per-frame update of the viewer: timing sections, the camera, and the
// control panel with its three buttons.
#include "app/AppMain.h"

#include "framework/InputState.h"

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

volatile std::sig_atomic_t AppMain::statusRequested = 0;

namespace {

// Resident memory of this process in KiB, 0 where the system does not say.
// Free heap pages go back to the system first, so that the figure counts
// what is in use rather than what the allocator keeps in reserve.
long ResidentKiB() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
        resident = 0;
    std::fclose(statm);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

void AppMain::OnFrame() {
    if (statusRequested) {
        statusRequested = 0;
        // The load under way in permille, -1 when none.
        ContentLoader::Activity activity;
        int loading = loader->Busy(activity) ? int(activity.permille) : -1;
        std::fprintf(stderr, "status: objects %ld resident_kib %ld frames %d loading %d\n",
                     LiveDirect3DObjects(), ResidentKiB(), int(frameCounter), loading);
    }
    InstallFinishedLoads();
    marker.NewFrame();
    if (inputState.IsKeyPressed(VK_ESCAPE))
        quit = true; // the rest of this frame still runs
    if (inputState.IsKeyPressed('F'))
        fit = !fit;
    if (inputState.IsKeyPressed('M'))
        SwitchViews();
    marker.Begin(0);
    UpdateFrame();
    marker.End(0);
    marker.Begin(1);
    DrawFrame();
    marker.End(1);
}

void AppMain::UpdateFrame() {
    UpdateAnimations();
    // A thumbnail's camera is fitted to its model, not moved by the mouse.
    if (!options.thumbnail)
        UpdateCamera();
    // The control panel works only while the space bar is held.
    if (!inputState.IsKeyDown(VK_SPACE))
        return;
    ApplyButtonActions();
}

void AppMain::ApplyButtonActions() {
    shadingButton.Update();
    if (ConsumeClick(shadingButton)) {
        programmable = !programmable;
        shadingButton.label.text = programmable ? "Programmable" : "Fixed";
    }
    gridButton.Update();
    if (ConsumeClick(gridButton)) {
        if (++gridSize > 10)
            gridSize = 1;
        FormatText(gridText, sizeof gridText, "%d", gridSize);
        gridButton.label.text = gridText;
    }
    postButton.Update();
    if (ConsumeClick(postButton)) {
        postProcessing = !postProcessing;
        postButton.label.text = postProcessing ? "PP Enable" : "PP Disable";
        // The dimmed variant goes with post-processing, the plain one without.
        if (sceneEffect) {
            sceneEffect->Release();
            sceneEffect = nullptr;
        }
        CreateSceneEffect(postProcessing ? 10001 : 10000);
        LookUpSceneHandles();
    }
}
