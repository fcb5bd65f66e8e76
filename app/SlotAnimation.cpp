#include "app/SlotAnimation.h"

#include <cstdio>

bool SlotAnimation::Start(std::unique_ptr<MeshAnimation> taken, const std::string& choice,
                          double seconds, double speed) {
    animation = std::move(taken);
    posed = false;
    set = 0;
    clock = AnimationClock();
    clock.SetSpeed(speed);
    if (animation && animation->data.sets.empty())
        animation.reset();
    if (!animation)
        return true;
    bool found = true;
    if (!choice.empty()) {
        const XAnimationSet* chosen = ChooseAnimationSet(animation->data, choice);
        found = chosen != nullptr;
        if (chosen)
            set = size_t(chosen - animation->data.sets.data());
    }
    clock.Start(animation->data.Seconds(Set()), seconds);
    return found;
}

void SlotAnimation::ChooseSet(int step) {
    if (!animation)
        return;
    const size_t count = animation->data.sets.size();
    set = (set + size_t(step % int(count) + int(count))) % count;
    clock.Start(animation->data.Seconds(Set()), 0);
}

void SlotAnimation::WritePose(ID3DXMesh* mesh) {
    if (!animation || !mesh || mesh->GetNumVertices() != animation->rest.size() ||
        mesh->GetNumBytesPerVertex() != sizeof(SkinVertex))
        return;
    if (posed && posedSet == set && posedTime == clock.Time())
        return;
    void* vertices = nullptr;
    if (FAILED(mesh->LockVertexBuffer(0, &vertices)))
        return;
    animation->poser.Pose(&Set(), clock.Time(), animation->rest.data(),
                          static_cast<SkinVertex*>(vertices));
    mesh->UnlockVertexBuffer();
    posed = true;
    posedSet = set;
    posedTime = clock.Time();
}

std::string SlotAnimation::Status(int slot) const {
    if (!animation)
        return "";
    char line[512];
    const std::string& name = Set().name;
    std::snprintf(line, sizeof line, "mesh %d: %s (%zu/%zu) %.2f / %.2f s, x%g%s%s", slot,
                  name.empty() ? "(unnamed)" : name.c_str(), set + 1, animation->data.sets.size(),
                  clock.Time(), clock.Length(), clock.Speed(), clock.Paused() ? ", paused" : "",
                  clock.Looping() ? "" : ", once");
    return line;
}
