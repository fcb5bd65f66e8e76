#include "utility/animation/scene_poser.h"

#include "utility/animation/frame_pose.h"

#include <cstdlib>

bool ScenePoser::Build(const XAnimationData& source, size_t vertexCount) {
    data = &source;
    return rig.Build(source, vertexCount);
}

void ScenePoser::Pose(const XAnimationSet* set, double seconds, const SkinVertex* rest,
                      SkinVertex* out) {
    PoseFrames(*data, set, seconds, local, world);
    rig.Palette(world, palette);
    SkinVertices(rig.Influences().data(), palette.data(), rest, out, rig.Influences().size());
}

const XAnimationSet* ChooseAnimationSet(const XAnimationData& data, const std::string& choice) {
    bool number = !choice.empty() && choice.size() < 10 &&
                  choice.find_first_not_of("0123456789") == std::string::npos;
    if (number) {
        size_t index = size_t(std::strtoul(choice.c_str(), nullptr, 10));
        return index >= 1 && index <= data.sets.size() ? &data.sets[index - 1] : nullptr;
    }
    for (const XAnimationSet& set : data.sets)
        if (set.name == choice)
            return &set;
    return nullptr;
}
