// Whole X files through LoadXFileScene's reader: the frame tree, skins and
// sets that posing relies on must be consistent whatever the file held, and
// posing the mesh at a few times of every set must stay in its arrays.
#include "utility/xfile/xfile_scene.h"
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/xfile_checks.h"
#include "utility/animation/scene_poser.h"

#include <vector>

namespace {

template <class Key>
bool Ordered(const std::vector<Key>& keys) {
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i - 1].time >= keys[i].time)
            return false;
    return true;
}

void CheckAnimation(const XFileScene& scene) {
    const XAnimationData& a = scene.animation;
    const int frames = int(a.frames.size());
    for (int f = 0; f < frames; ++f)
        FuzzCheck(a.frames[size_t(f)].parent < f, "a frame's parent comes before it");
    for (const XMeshPlacement& m : a.meshes) {
        FuzzCheck(m.frame < frames, "a mesh's frame exists");
        FuzzCheck(size_t(m.firstVertex) + m.vertexCount <= scene.mesh.vertices.size(),
                  "a mesh's vertices lie in the mesh");
        FuzzCheck(m.positionOfVertex.size() == m.vertexCount, "every vertex has its position");
    }
    for (const XSkin& skin : a.skins) {
        FuzzCheck(skin.mesh < a.meshes.size(), "a skin's mesh exists");
        for (const XSkinBone& bone : skin.bones)
            FuzzCheck(bone.frame >= 0 && bone.frame < frames &&
                          bone.vertices.size() == bone.weights.size(),
                      "a bone names a frame and weighs each of its vertices");
    }
    for (const XAnimationSet& set : a.sets)
        for (const XAnimation& animation : set.animations)
            FuzzCheck(animation.frame >= 0 && animation.frame < frames &&
                          Ordered(animation.rotations) && Ordered(animation.scales) &&
                          Ordered(animation.positions),
                      "an animation drives a frame with keys in time order");
}

void Pose(const XFileScene& scene) {
    ScenePoser poser;
    if (!poser.Build(scene.animation, scene.mesh.vertices.size()))
        return;
    std::vector<SkinVertex> rest, out(scene.mesh.vertices.size());
    for (const XVertex& v : scene.mesh.vertices)
        rest.push_back({v.position, v.normal, v.normal, v.texcoord});
    for (const XAnimationSet& set : scene.animation.sets)
        for (double seconds : {0.0, 0.5 * scene.animation.Seconds(set), 1e6})
            poser.Pose(&set, seconds, rest.data(), out.data());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LiveObjectGuard guard;
    XFileScene scene;
    if (SUCCEEDED(ReadXFileScene(data, size, scene))) {
        CheckXMeshData(scene.mesh);
        CheckAnimation(scene);
        Pose(scene);
    }
    return 0;
}
