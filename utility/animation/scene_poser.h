// Posing a loaded file at any time of any of its sets: the rig built once,
// the scratch of each pose kept between poses, so that a frame allocates
// nothing.
#pragma once

#include "utility/animation/skinning.h"

#include <string>

class ScenePoser {
public:
    // `data` must outlive the poser; vertexCount is the loaded mesh's.
    // False as SkinRig::Build.
    bool Build(const XAnimationData& data, size_t vertexCount);
    // For a mesh prepared from the loaded one: SkinRig::Remap. The poses
    // then take loadedVertexOf.size() vertices.
    bool Remap(const std::vector<std::uint32_t>& loadedVertexOf) {
        return rig.Remap(loadedVertexOf);
    }
    // out = rest (vertexCount vertices, or as remapped) at `seconds` into `set` (null: the
    // frames at rest).
    void Pose(const XAnimationSet* set, double seconds, const SkinVertex* rest, SkinVertex* out);

private:
    const XAnimationData* data = nullptr;
    SkinRig rig;
    std::vector<D3DXMATRIX> local, world;
    std::vector<SkinMatrix> palette;
};

// The set a user names: by its number from 1 when `choice` is all digits,
// else by its name; null when there is none such.
const XAnimationSet* ChooseAnimationSet(const XAnimationData& data, const std::string& choice);
