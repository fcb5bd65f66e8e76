// The per-frame update of the viewer: timing sections, the camera, and the
// control panel with its three buttons.
#include "app/AppMain.h"

#include "framework/InputState.h"

void AppMain::OnFrame() {
    marker.NewFrame();
    if (inputState.IsKeyPressed(VK_ESCAPE))
        quit = true; // the rest of this frame still runs
    marker.Begin(0);
    UpdateFrame();
    marker.End(0);
    marker.Begin(1);
    DrawFrame();
    marker.End(1);
}

void AppMain::UpdateFrame() {
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
