#include "utility/animation/skin_rig.h"

#include <algorithm>

namespace {

constexpr size_t kMaxEntries = 65536;

struct Weight {
    std::uint16_t entry;
    float weight;
};

SkinInfluences Single(std::uint16_t entry) {
    SkinInfluences single{};
    single.entry[0] = entry;
    single.weight[0] = 1.0f;
    return single;
}

D3DXMATRIX Inverse(const D3DXMATRIX& m) {
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &m))
        D3DXMatrixIdentity(&inverse);
    return inverse;
}

// The four heaviest, scaled to sum to one; `rigid` when nothing weighs.
SkinInfluences Strongest(std::vector<Weight>& weights, std::uint16_t rigid) {
    size_t kept = std::min<size_t>(weights.size(), kMaxInfluences);
    std::partial_sort(weights.begin(), weights.begin() + kept, weights.end(),
                      [](const Weight& a, const Weight& b) { return a.weight > b.weight; });
    float total = 0;
    for (size_t i = 0; i < kept; ++i)
        total += weights[i].weight;
    if (!(total > 0))
        return Single(rigid);
    SkinInfluences influences{};
    for (size_t i = 0; i < kept; ++i) {
        influences.entry[i] = weights[i].entry;
        influences.weight[i] = weights[i].weight / total;
    }
    return influences;
}

} // namespace

std::uint16_t SkinRig::AddEntry(int frame, const D3DXMATRIX& fromLoaded) {
    entries.push_back({frame, fromLoaded});
    return std::uint16_t(entries.size() - 1);
}

void SkinRig::RigidMesh(const XMeshPlacement& mesh, std::uint16_t entry) {
    for (std::uint32_t v = 0; v < mesh.vertexCount; ++v)
        influences[mesh.firstVertex + v] = Single(entry);
}

// The offset matrices map the mesh as written, before the frames around it
// moved it at load, to each bone's space.
void SkinRig::SkinnedMesh(const XMeshPlacement& mesh, const XSkin& skin, std::uint16_t rigid) {
    D3DXMATRIX unplaced = Inverse(mesh.bindTransform);
    std::vector<std::vector<Weight>> byPosition;
    for (const XSkinBone& bone : skin.bones) {
        std::uint16_t entry = AddEntry(bone.frame, unplaced * bone.offset);
        for (size_t i = 0; i < bone.vertices.size(); ++i) {
            std::uint32_t position = bone.vertices[i];
            if (position >= byPosition.size())
                byPosition.resize(position + 1);
            byPosition[position].push_back({entry, bone.weights[i]});
        }
    }
    std::vector<Weight> weights;
    for (std::uint32_t v = 0; v < mesh.vertexCount; ++v) {
        std::uint32_t position = mesh.positionOfVertex[v];
        weights.clear();
        if (position < byPosition.size())
            weights = byPosition[position];
        influences[mesh.firstVertex + v] = Strongest(weights, rigid);
    }
}

bool SkinRig::Build(const XAnimationData& data, size_t vertexCount) {
    entries.clear();
    influences.assign(vertexCount, Single(0));
    size_t needed = 0;
    for (const XSkin& skin : data.skins)
        needed += skin.bones.size();
    if (needed + data.meshes.size() > kMaxEntries)
        return false;
    for (size_t m = 0; m < data.meshes.size(); ++m) {
        const XMeshPlacement& mesh = data.meshes[m];
        std::uint16_t rigid = AddEntry(mesh.frame, Inverse(mesh.bindTransform));
        auto skin = std::find_if(data.skins.begin(), data.skins.end(),
                                 [&](const XSkin& s) { return s.mesh == m; });
        if (skin == data.skins.end() || skin->bones.empty())
            RigidMesh(mesh, rigid);
        else
            SkinnedMesh(mesh, *skin, rigid);
    }
    return true;
}

bool SkinRig::Remap(const std::vector<std::uint32_t>& loadedVertexOf) {
    std::vector<SkinInfluences> remapped;
    remapped.reserve(loadedVertexOf.size());
    for (std::uint32_t source : loadedVertexOf) {
        if (source >= influences.size())
            return false;
        remapped.push_back(influences[source]);
    }
    influences = std::move(remapped);
    return true;
}

void SkinRig::Palette(const std::vector<D3DXMATRIX>& world, std::vector<SkinMatrix>& out) const {
    out.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        D3DXMATRIX m =
            entry.frame < 0 ? entry.fromLoaded : entry.fromLoaded * world[size_t(entry.frame)];
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 3; ++c)
                out[i].m[r][c] = m.m[r][c];
            out[i].m[r][3] = 0;
        }
    }
}
