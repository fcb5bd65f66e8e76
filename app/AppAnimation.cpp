// Playing the animation sets of the meshes' files: the keys, the clocks and
// the poses, and the line under the frame rate that tells what plays.
#include "app/AppMain.h"

#include "framework/InputState.h"
#include "utility/core/load_report.h"

#include <algorithm>

namespace {

// A longer stall (a big load, a dragged window) does not jump the
// animations ahead by all of it.
constexpr double kLongestStep = 0.25;

void ApplyAnimationKeys(SlotAnimation& animation) {
    AnimationClock& clock = animation.clock;
    if (inputState.IsKeyPressed('P'))
        clock.PlayOrPause();
    if (inputState.IsKeyPressed(VK_OEM_4))
        animation.ChooseSet(-1);
    if (inputState.IsKeyPressed(VK_OEM_6))
        animation.ChooseSet(+1);
    if (inputState.IsKeyPressed(VK_OEM_COMMA))
        clock.Step(-AnimationClock::kStep);
    if (inputState.IsKeyPressed(VK_OEM_PERIOD))
        clock.Step(+AnimationClock::kStep);
    if (inputState.IsKeyPressed(VK_OEM_MINUS) || inputState.IsKeyPressed(VK_SUBTRACT))
        clock.Slower();
    if (inputState.IsKeyPressed(VK_OEM_PLUS) || inputState.IsKeyPressed(VK_ADD))
        clock.Faster();
    if (inputState.IsKeyPressed(VK_HOME))
        clock.GoToStart();
    if (inputState.IsKeyPressed('L'))
        clock.SwitchLooping();
}

} // namespace

std::string AppMain::StartSlotAnimation(int slot, PreparedMesh& prepared, const std::string& path) {
    ID3DXMesh* mesh = meshSlots[slot].mesh;
    std::unique_ptr<MeshAnimation> animation = std::move(prepared.animation);
    // A mesh kept in its file's own layout takes no poses.
    if (!options.animate || !mesh || mesh->GetNumBytesPerVertex() != sizeof(SkinVertex))
        animation.reset();
    SlotAnimation& playing = slotAnimations[slot];
    const bool found = playing.Start(std::move(animation), options.animation, options.animationTime,
                                     options.animationSpeed);
    playing.WritePose(mesh);
    animationTick = timeGetTime();
    if (found)
        return std::string();
    // A picture of another set than the one asked for would be wrong; the
    // window plays what there is.
    const std::string reason = "it has no animation set \"" + options.animation + "\"";
    ReportFileFailure(path.c_str(), reason.c_str(),
                      options.screenshotPath.empty() ? "its first set plays" : nullptr);
    return reason;
}

void AppMain::UpdateAnimations() {
    const std::uint32_t now = timeGetTime();
    // A picture for a file shows the pose at the time its options name,
    // however long its frames take.
    const double elapsed = options.screenshotPath.empty()
                               ? std::min(double(now - animationTick) / 1000.0, kLongestStep)
                               : 0.0;
    animationTick = now;
    for (int slot = 0; slot < 2; ++slot) {
        SlotAnimation& animation = slotAnimations[slot];
        if (!animation.Active())
            continue;
        ApplyAnimationKeys(animation);
        animation.clock.Advance(elapsed);
        animation.WritePose(meshSlots[slot].mesh);
    }
}

void AppMain::DrawAnimationStatus(LONG top) {
    const LONG W = width, H = height;
    for (int slot = 0; slot < 2; ++slot) {
        if (!SlotShown(slot) || !slotAnimations[slot].Active())
            continue;
        char line[512];
        FormatText(line, sizeof line, "%s", slotAnimations[slot].Status(slot).c_str());
        DrawShadowedText(line, RECT{11, top + 1, W, H}, RECT{10, top, W, H}, DT_NOCLIP);
        top += 22;
    }
}
