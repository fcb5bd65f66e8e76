// What a prepared mesh needs to move as its file animates it: the file's
// frames, skins and sets, the prepared vertices at rest, and a poser built
// for those vertices.
#pragma once

#include "utility/animation/scene_poser.h"
#include "utility/xfile/xfile_animation.h"

#include <vector>

// The poser points into `data`, so the whole stays where it was made.
struct MeshAnimation {
    MeshAnimation() = default;
    MeshAnimation(const MeshAnimation&) = delete;
    MeshAnimation& operator=(const MeshAnimation&) = delete;

    XAnimationData data;
    // The prepared vertices in the shading layout, tangents computed.
    std::vector<SkinVertex> rest;
    // Poses rest.size() vertices.
    ScenePoser poser;
};
