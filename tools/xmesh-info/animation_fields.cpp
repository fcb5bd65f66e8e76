#include "tools/xmesh-info/animation_fields.h"

#include "tools/xmesh-info/json.h"
#include "utility/animation/scene_poser.h"
#include "utility/xfile/xfile_scene.h"

namespace {

std::string SetList(const XAnimationData& data) {
    std::string out = "[";
    for (const XAnimationSet& set : data.sets) {
        if (out.size() > 1)
            out += ",";
        out += "{\"name\":" + JsonString(set.name) +
               ",\"seconds\":" + JsonNumber(data.Seconds(set)) +
               ",\"animated_frames\":" + std::to_string(set.animations.size()) + "}";
    }
    return out + "]";
}

// What the reader repaired or dropped; nothing when it found all in order.
std::string Notes(const XAnimationData& data) {
    if (data.notes.empty())
        return "";
    std::string out = ",\"animation_notes\":[";
    for (size_t i = 0; i < data.notes.size(); ++i)
        out += (i ? "," : "") + JsonString(data.notes[i]);
    return out + "]";
}

std::string Posed(const XFileScene& scene, const PoseRequest& request) {
    const XAnimationSet* set = ChooseAnimationSet(scene.animation, request.animation);
    ScenePoser poser;
    if (!set || !poser.Build(scene.animation, scene.mesh.vertices.size()))
        return "null";
    std::vector<SkinVertex> rest, posed(scene.mesh.vertices.size());
    rest.reserve(posed.size());
    for (const XVertex& v : scene.mesh.vertices)
        rest.push_back({v.position, v.normal, D3DXVECTOR3(0, 0, 0), v.texcoord});
    poser.Pose(set, request.seconds, rest.data(), posed.data());
    return "{\"animation\":" + JsonString(set->name) + ",\"time\":" + JsonNumber(request.seconds) +
           ",\"bounds\":" + JsonBounds(&posed[0].position.x, posed.size(), sizeof(SkinVertex)) +
           "}";
}

} // namespace

std::string AnimationFields(const char* path, const PoseRequest& request) {
    XFileScene scene;
    if (FAILED(LoadXFileScene(path, scene)))
        return ",\"animations\":null";
    std::string fields = ",\"animations\":" + SetList(scene.animation) + Notes(scene.animation);
    if (request.wanted)
        fields += ",\"posed\":" + Posed(scene, request);
    return fields;
}
