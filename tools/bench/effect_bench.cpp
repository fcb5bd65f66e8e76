// The effect runtime's own cost on the processor, on the recording device
// (which compiles nothing): creating the scene effect from its resource (the
// viewer does it at start-up and at every post-processing toggle), and one
// mesh instance's worth of effect calls as the viewer makes them per draw
// (all parameters set, Begin, BeginPass, EndPass, End with state saving),
// which a frame repeats N x N times. items_per_second counts instances.
#include "effects/effect_resources.h"
#include "platform/d3d9/recording_device.h"
#include "utility/d3dx9effect.h"

#include <benchmark/benchmark.h>

namespace {

struct RecordingSetup {
    RecordingSetup() {
        RegisterEffectResources();
        root = new RecordingDirect3D9;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 1024;
        pp.BackBufferHeight = 768;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.Windowed = TRUE;
        pp.EnableAutoDepthStencil = TRUE;
        pp.AutoDepthStencilFormat = D3DFMT_D24X8;
        root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                           &device);
        recording = root->lastDevice;
    }
    ~RecordingSetup() {
        device->Release();
        root->Release();
    }
    ID3DXEffect* Create(WORD id) {
        ID3DXEffect* effect = nullptr;
        D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(id), nullptr, nullptr,
                                      D3DXSHADER_SKIPVALIDATION, nullptr, &effect, nullptr);
        return effect;
    }

    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
    RecordingDevice* recording = nullptr;
};

void CreateSceneEffect(benchmark::State& state) {
    RecordingSetup setup;
    for (auto _ : state) {
        ID3DXEffect* effect = setup.Create(kDimmedSceneEffectResource);
        benchmark::DoNotOptimize(effect);
        effect->Release();
        setup.recording->calls.clear();
    }
}
BENCHMARK(CreateSceneEffect)->Unit(benchmark::kMicrosecond);

void DrawInstanceEffectCalls(benchmark::State& state) {
    RecordingSetup setup;
    ID3DXEffect* effect = setup.Create(kDimmedSceneEffectResource);
    IDirect3DTexture9* maps[4] = {};
    for (IDirect3DTexture9*& map : maps)
        setup.device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &map, nullptr);
    const char* kNames[] = {"g_MatWorld",    "g_MatWIT",     "g_MatWVP",       "g_CamPos",
                            "g_FogStart",    "g_FogInvDist", "g_LightAmbient", "g_LightAmbient2",
                            "g_LightDirR",   "g_LightColor", "g_TexDiffuse",   "g_TexNormal",
                            "g_TexSpecular", "g_TexEmissive"};
    D3DXHANDLE h[14];
    for (int i = 0; i < 14; ++i)
        h[i] = effect->GetParameterByName(nullptr, kNames[i]);
    D3DXHANDLE technique = effect->GetTechniqueByName("T_Std_Full");
    D3DXMATRIX world, inverse;
    D3DXMatrixRotationY(&world, 0.3f);
    D3DXMatrixInverse(&inverse, nullptr, &world);
    float lights[6] = {0.3f, 0.9f, 0.1f, -0.8f, 0.5f, -0.1f}, colours[8] = {}, value[4] = {};
    for (auto _ : state) {
        effect->SetValue(h[8], lights, 24);
        effect->SetValue(h[9], colours, 32);
        effect->SetValue(h[6], value, 16);
        effect->SetValue(h[7], value, 16);
        effect->SetValue(h[3], value, 12);
        effect->SetValue(h[4], value, 4);
        effect->SetValue(h[5], value, 4);
        for (int i = 0; i < 4; ++i)
            effect->SetTexture(h[10 + i], maps[i]);
        effect->SetMatrix(h[0], &world);
        effect->SetMatrixTranspose(h[1], &inverse);
        effect->SetMatrix(h[2], &world);
        effect->SetTechnique(technique);
        effect->Begin(nullptr, 0);
        effect->BeginPass(0);
        effect->EndPass();
        effect->End();
        setup.recording->calls.clear();
    }
    state.SetItemsProcessed(state.iterations());
    for (int i = 0; i < 4; ++i)
        effect->SetTexture(h[10 + i], nullptr);
    for (IDirect3DTexture9* map : maps)
        map->Release();
    effect->Release();
}
BENCHMARK(DrawInstanceEffectCalls);

} // namespace

BENCHMARK_MAIN();
