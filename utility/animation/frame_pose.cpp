#include "utility/animation/frame_pose.h"

#include "utility/animation/rotation.h"
#include "utility/xfile/key_settling.h"

#include <algorithm>

namespace {

// The keys a and b = a + 1 around `tick` and how far between them it is;
// a == b at either end.
template <class Key>
void Bracket(const std::vector<Key>& keys, double tick, size_t& a, size_t& b, float& s) {
    auto after = std::upper_bound(keys.begin(), keys.end(), tick,
                                  [](double t, const Key& key) { return t < double(key.time); });
    b = size_t(after - keys.begin());
    if (b == 0 || b == keys.size()) {
        a = b = b == 0 ? 0 : keys.size() - 1;
        s = 0;
        return;
    }
    a = b - 1;
    s = float((tick - keys[a].time) / double(keys[b].time - keys[a].time));
}

D3DXVECTOR3 Sample(const std::vector<XVectorKey>& keys, double tick, const D3DXVECTOR3& rest) {
    if (keys.empty())
        return rest;
    size_t a, b;
    float s;
    Bracket(keys, tick, a, b, s);
    return keys[a].value + (keys[b].value - keys[a].value) * s;
}

XQuaternion Sample(const std::vector<XRotationKey>& keys, double tick, const XQuaternion& rest) {
    if (keys.empty())
        return rest;
    size_t a, b;
    float s;
    Bracket(keys, tick, a, b, s);
    return a == b ? keys[a].value : Slerp(keys[a].value, keys[b].value, s);
}

} // namespace

D3DXMATRIX SampleAnimation(const XAnimation& animation, const D3DXMATRIX& rest, double tick) {
    D3DXVECTOR3 scale, translation;
    XQuaternion rotation;
    DecomposeMatrix(rest, scale, rotation, translation);
    return ComposeTransform(Sample(animation.scales, tick, scale),
                            Sample(animation.rotations, tick, rotation),
                            Sample(animation.positions, tick, translation));
}

void PoseFrames(const XAnimationData& data, const XAnimationSet* set, double seconds,
                std::vector<D3DXMATRIX>& local, std::vector<D3DXMATRIX>& world) {
    const std::vector<XFrameNode>& frames = data.frames;
    local.resize(frames.size());
    world.resize(frames.size());
    for (size_t f = 0; f < frames.size(); ++f)
        local[f] = frames[f].transform;
    if (set) {
        double tick = seconds * data.ticksPerSecond;
        for (const XAnimation& animation : set->animations) {
            size_t f = size_t(animation.frame);
            local[f] = SampleAnimation(animation, frames[f].transform, tick);
        }
    }
    // Parents come first, so one pass down the list reaches every child
    // after its parent.
    for (size_t f = 0; f < frames.size(); ++f) {
        int parent = frames[f].parent;
        world[f] = parent < 0 ? local[f] : local[f] * world[size_t(parent)];
    }
}
