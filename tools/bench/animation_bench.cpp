// Posing and skinning on one core: a 100,000-vertex mesh whose every vertex
// follows four of 64 bones (a chain, each turning and moving on its own
// keys), posed at a new time and blended into the shading layout each
// iteration.
#include "utility/animation/scene_poser.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr std::uint32_t kVertices = 100000;
constexpr int kBones = 64;

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

XAnimationData Model() {
    XAnimationData data;
    XSkin skin;
    XAnimationSet set;
    set.name = "Wave";
    for (int b = 0; b < kBones; ++b) {
        D3DXMATRIX up;
        D3DXMatrixTranslation(&up, 0, 1, 0);
        data.frames.push_back({"bone" + std::to_string(b), b - 1, up});
        XSkinBone bone;
        bone.frameName = data.frames.back().name;
        bone.frame = b;
        D3DXMatrixTranslation(&bone.offset, 0, -float(b + 1), 0);
        skin.bones.push_back(bone);
        XAnimation animation;
        animation.frameName = bone.frameName;
        animation.frame = b;
        for (std::uint32_t k = 0; k <= 4; ++k) {
            float angle = 0.2f * std::sin(float(k + b));
            animation.rotations.push_back(
                {k * 1200, {0, 0, std::sin(angle / 2), std::cos(angle / 2)}});
            animation.positions.push_back({k * 1200, D3DXVECTOR3(0.1f * float(k), 1, 0)});
        }
        set.animations.push_back(animation);
        set.lastTick = 4800;
    }
    XMeshPlacement mesh;
    mesh.frame = 0;
    mesh.vertexCount = kVertices;
    mesh.faceCount = kVertices / 2;
    mesh.bindTransform = Identity();
    for (std::uint32_t v = 0; v < kVertices; ++v) {
        mesh.positionOfVertex.push_back(v);
        int first = int(v % (kBones - 3));
        for (int k = 0; k < 4; ++k) {
            skin.bones[size_t(first + k)].vertices.push_back(v);
            skin.bones[size_t(first + k)].weights.push_back(0.1f * float(k + 1));
        }
    }
    data.meshes.push_back(mesh);
    data.skins.push_back(skin);
    data.sets.push_back(set);
    return data;
}

std::vector<SkinVertex> Rest() {
    std::vector<SkinVertex> rest(kVertices);
    for (std::uint32_t v = 0; v < kVertices; ++v) {
        float y = float(kBones) * float(v) / float(kVertices);
        rest[v] = {D3DXVECTOR3(std::cos(float(v)), y, std::sin(float(v))),
                   D3DXVECTOR3(std::cos(float(v)), 0, std::sin(float(v))), D3DXVECTOR3(0, 1, 0),
                   D3DXVECTOR2(0, y)};
    }
    return rest;
}

void BM_PoseAndSkin(benchmark::State& state) {
    XAnimationData data = Model();
    ScenePoser poser;
    poser.Build(data, kVertices);
    std::vector<SkinVertex> rest = Rest(), out(kVertices);
    double seconds = 0;
    for (auto _ : state) {
        seconds = std::fmod(seconds + 1.0 / 60, 1.0);
        poser.Pose(&data.sets[0], seconds, rest.data(), out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(BM_PoseAndSkin)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
