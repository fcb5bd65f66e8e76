#include "utility/xfile/animation_links.h"

#include "utility/xfile/key_settling.h"

#include <cmath>
#include <unordered_map>

namespace {

using FrameNames = std::unordered_map<std::string, int>;

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// Frames written only inside animations join the tree as roots.
FrameNames NameFrames(XScene& scene, std::vector<XFrameNode>& frames) {
    FrameNames names;
    for (size_t i = 0; i < frames.size(); ++i)
        names.emplace(frames[i].name, int(i));
    for (XFrameNode& frame : scene.animationFrames)
        if (names.emplace(frame.name, int(frames.size())).second) {
            frame.parent = -1;
            frames.push_back(std::move(frame));
        }
    return names;
}

int Find(const FrameNames& names, const std::string& name) {
    auto found = names.find(name);
    return found == names.end() ? -1 : found->second;
}

std::vector<XMeshPlacement> Place(const XScene& scene, const XVertexOrigins& origins) {
    std::vector<XMeshPlacement> placements;
    for (size_t m = 0; m < scene.meshes.size(); ++m) {
        const XMeshPart& part = scene.meshes[m];
        XMeshPlacement placement;
        placement.frame = part.frame;
        placement.firstVertex = origins.firstVertex[m];
        placement.vertexCount = origins.firstVertex[m + 1] - origins.firstVertex[m];
        placement.faceCount = std::uint32_t(part.faces.cornerCounts.size());
        placement.positionOfVertex.assign(origins.position.begin() + placement.firstVertex,
                                          origins.position.begin() + placement.firstVertex +
                                              placement.vertexCount);
        placement.bindTransform = part.transform;
        placements.push_back(std::move(placement));
    }
    return placements;
}

// Keeps the weights of vertices the mesh has, of finite non-negative size.
void KeepRealWeights(XSkinBone& bone, size_t positions, std::vector<std::string>& notes) {
    size_t kept = 0, outside = 0, invalid = 0;
    for (size_t i = 0; i < bone.vertices.size(); ++i) {
        float weight = bone.weights[i];
        if (bone.vertices[i] >= positions) {
            ++outside;
            continue;
        }
        if (!std::isfinite(weight) || weight < 0) {
            ++invalid;
            continue;
        }
        bone.vertices[kept] = bone.vertices[i];
        bone.weights[kept++] = weight;
    }
    bone.vertices.resize(kept);
    bone.weights.resize(kept);
    std::string what = "skin weights of bone " + Quoted(bone.frameName) + ": ";
    if (outside)
        notes.push_back(
            what + std::to_string(outside) + " of " + std::to_string(kept + outside + invalid) +
            " name vertices the mesh lacks (it has " + std::to_string(positions) + "); dropped");
    if (invalid)
        notes.push_back(what + std::to_string(invalid) + " are negative or not numbers; dropped");
}

void LinkSkins(const XScene& scene, const FrameNames& names, std::vector<XSkin>& skins,
               std::vector<std::string>& notes) {
    for (XSkin& skin : skins) {
        size_t positions = scene.meshes[skin.mesh].positions.size();
        std::vector<XSkinBone> bones;
        for (XSkinBone& bone : skin.bones) {
            bone.frame = Find(names, bone.frameName);
            if (bone.frame < 0) {
                notes.push_back("skin weights name a frame the file lacks, " +
                                Quoted(bone.frameName) + "; ignored");
                continue;
            }
            KeepRealWeights(bone, positions, notes);
            bones.push_back(std::move(bone));
        }
        skin.bones = std::move(bones);
    }
}

void NoteRepairs(const std::string& set, const KeyRepairs& repairs,
                 std::vector<std::string>& notes) {
    std::string what = "animation set " + Quoted(set) + ": ";
    if (repairs.reordered)
        notes.push_back(what + "keys out of time order, sorted");
    if (repairs.duplicates)
        notes.push_back(what + std::to_string(repairs.duplicates) +
                        " keys at a time already keyed; the last of each time kept");
    if (repairs.normalised)
        notes.push_back(what + std::to_string(repairs.normalised) +
                        " rotations not of unit length, normalised");
}

void LinkSets(const FrameNames& names, std::vector<XAnimationSet>& sets,
              std::vector<std::string>& notes) {
    for (XAnimationSet& set : sets) {
        KeyRepairs repairs;
        std::vector<XAnimation> kept;
        for (XAnimation& animation : set.animations) {
            animation.frame = Find(names, animation.frameName);
            if (animation.frame < 0) {
                notes.push_back("animation set " + Quoted(set.name) +
                                ": an animation drives a frame the file lacks, " +
                                Quoted(animation.frameName) + "; ignored");
                continue;
            }
            set.lastTick = std::max(set.lastTick, SettleKeys(animation, repairs));
            kept.push_back(std::move(animation));
        }
        set.animations = std::move(kept);
        NoteRepairs(set.name, repairs, notes);
    }
}

} // namespace

void LinkAnimation(XScene& scene, const XVertexOrigins& origins, XAnimationData& out) {
    out = std::move(scene.animation);
    FrameNames names = NameFrames(scene, out.frames);
    out.meshes = Place(scene, origins);
    LinkSkins(scene, names, out.skins, out.notes);
    LinkSets(names, out.sets, out.notes);
}
