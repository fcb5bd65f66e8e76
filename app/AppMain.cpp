// Start-up, device resources, termination and device loss of the viewer.
#include "app/AppMain.h"

#include "app/DefaultData.h"

#include "framework/InputState.h"
#include "mesh/DropRouting.h"
#include "mesh/MeshSlot.h"
#include "mesh/ShadingLayout.h"
#include "mesh/TextureSet.h"
#include "utility/core/load_report.h"

#include <cstdio>

AppMain* appInstance = nullptr;

namespace {

template <class T>
void ReleaseField(T*& field) {
    if (field) {
        field->Release();
        field = nullptr;
    }
}

D3DLIGHT9 DirectionalLight(D3DCOLORVALUE diffuse, D3DVECTOR direction) {
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = diffuse;
    light.Specular = D3DCOLORVALUE{0.6f, 0.6f, 0.6f, 1.0f};
    light.Ambient = D3DCOLORVALUE{0.0f, 0.0f, 0.0f, 1.0f};
    light.Direction = direction; // not normalised: the device does that
    return light;
}

} // namespace

AppMain::AppMain() {
    shadingButton.label.text = "Programmable";
    gridButton.label.text = "5";
    postButton.label.text = "PP Enable";
    appInstance = this;
}

AppMain::~AppMain() {
    CloseIfOpen();
    if (appInstance == this)
        appInstance = nullptr;
}

std::unique_ptr<DefaultDataLoad> AppMain::StartDefaultData() const {
    const bool sets[2] = {NeedsDefaultTextureSet(0), NeedsDefaultTextureSet(1)};
    const bool meshes[2] = {NeedsDefaultMesh(0), NeedsDefaultMesh(1)};
    return std::make_unique<DefaultDataLoad>(sets, meshes);
}

bool AppMain::OnInit() {
    // The default data is read while the device and the effects are made.
    defaultData = StartDefaultData();
    AddLostCallback(this);
    SetDropHandler(OnFileDropped);
    if (!CreateDevice(false, false, 20))
        return false;
    if (!CreateDeviceResources())
        return false;
    InitCamera(1.5707964f, 0.1f, 1000.0f);

    const float W = float(width), H = float(height);
    const float shadingPosition[2] = {W - 170, H - 50}, shadingSize[2] = {150, 30};
    const float gridPosition[2] = {W - 220, H - 50}, gridSizeBox[2] = {40, 30};
    const float postPosition[2] = {W - 350, H - 50}, postSize[2] = {120, 30};
    shadingButton.SetBounds(shadingPosition, shadingSize);
    shadingButton.label.text = "Programmable";
    gridButton.SetBounds(gridPosition, gridSizeBox);
    gridButton.label.text = "5";
    postButton.SetBounds(postPosition, postSize);
    postButton.label.text = "PP Enable";
    ApplyStartOptions();

    D3DCAPS9 caps{};
    device->GetDeviceCaps(&caps);
    if (caps.PixelShaderVersion < D3DPS_VERSION(2, 0)) {
        ShowMessage("Error", "Device is not supported: PixelShader 2.0");
        return false;
    }
    if (!device->GetSoftwareVertexProcessing() && caps.VertexShaderVersion < D3DVS_VERSION(1, 1)) {
        ShowMessage("Error", "Device is not supported: VertexShader 1.1");
        return false;
    }
    if (!CreateSceneEffect(postProcessing ? 10001 : 10000))
        return false;
    LookUpSceneHandles();

    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(10002), nullptr, nullptr,
                                      D3DXSHADER_SKIPVALIDATION, nullptr, &postEffect, &errors);
    if (FAILED(hr)) {
        ShowMessage("HLSL Error", "Failed: Create Shader\n\n%s",
                    errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
        ReleaseField(errors);
        postEffect = nullptr;
        return false;
    }
    ReleaseField(errors);

    const float brightRate = 0.65f;
    postEffect->SetValue("g_BrightRate", &brightRate, sizeof brightRate);
    const float pixelSize[2] = {1.0f / float(width), 1.0f / float(height)};
    postEffect->SetValue("g_PixelSize", pixelSize, sizeof pixelSize);
    const float spread = float(width + height) * 0.003f; // rounded before the products
    const float blurOffset[2] = {spread / float(width), spread / float(height)};
    postEffect->SetValue("g_BlurOffset", blurOffset, sizeof blurOffset);
    // Element i weights the taps i steps either side; the whole symmetric
    // kernel, 9 + 2 * (7 + 6 + ... + 1), sums to 65/65.
    const float unit = 1.0f / 65.0f;
    const float weights[9] = {9 * unit, 7 * unit, 6 * unit, 5 * unit, 4 * unit,
                              3 * unit, 2 * unit, 1 * unit, 0 * unit};
    postEffect->SetValue("g_BlurWeights", weights, sizeof weights);
    RequestNamedFiles();
    return true;
}

bool AppMain::CreateSceneEffect(int resource) {
    ID3DXBuffer* errors = nullptr;
    HRESULT hr =
        D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(resource), nullptr, nullptr,
                                      D3DXSHADER_SKIPVALIDATION, nullptr, &sceneEffect, &errors);
    if (FAILED(hr)) {
        sceneEffect = nullptr;
        ShowMessage("HLSL Error", "Failed: Create Shader\n\n%s",
                    errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    }
    ReleaseField(errors);
    sceneResource = SUCCEEDED(hr) ? resource : 0;
    return SUCCEEDED(hr);
}

void AppMain::LookUpSceneHandles() {
    if (!sceneEffect) {
        // No effect to look in: every handle is null, and the instances fall
        // back to the fixed-function path until an effect exists again.
        scene = SceneHandles{};
        return;
    }
    ID3DXEffect* e = sceneEffect;
    scene.stdFull = e->GetTechniqueByName("T_Std_Full");
    scene.charFull = e->GetTechniqueByName("T_Char_Full");
    scene.matWorld = e->GetParameterByName(nullptr, "g_MatWorld");
    scene.matWIT = e->GetParameterByName(nullptr, "g_MatWIT");
    scene.matWVP = e->GetParameterByName(nullptr, "g_MatWVP");
    scene.camPos = e->GetParameterByName(nullptr, "g_CamPos");
    scene.fogStart = e->GetParameterByName(nullptr, "g_FogStart");
    scene.fogInvDist = e->GetParameterByName(nullptr, "g_FogInvDist");
    scene.lightAmbient = e->GetParameterByName(nullptr, "g_LightAmbient");
    scene.lightAmbient2 = e->GetParameterByName(nullptr, "g_LightAmbient2");
    scene.lightDirR = e->GetParameterByName(nullptr, "g_LightDirR");
    scene.lightColor = e->GetParameterByName(nullptr, "g_LightColor");
    scene.texDiffuse = e->GetParameterByName(nullptr, "g_TexDiffuse");
    scene.texNormal = e->GetParameterByName(nullptr, "g_TexNormal");
    scene.texSpecular = e->GetParameterByName(nullptr, "g_TexSpecular");
    scene.texEmissive = e->GetParameterByName(nullptr, "g_TexEmissive");
}

void AppMain::OnTerm() {
    // Loads still running stop at their next check; what they made holds no
    // device object.
    loader->CancelAll();
    ReleaseField(postEffect);
    ReleaseField(sceneEffect);
    ReleaseDeviceResources();
    ReleaseDevice();
}

bool AppMain::CreateDeviceResources() {
    SetDefaultRenderStates();
    SetLinearFog(200.0f, 950.0f, 0xFF101010);
    D3DLIGHT9 light0 =
        DirectionalLight(D3DCOLORVALUE{0.9f, 0.9f, 0.9f, 1.0f}, D3DVECTOR{0.3f, -1.0f, 0.4f});
    device->SetLight(0, &light0);
    device->LightEnable(0, TRUE);
    D3DLIGHT9 light1 =
        DirectionalLight(D3DCOLORVALUE{0.35f, 0.35f, 0.35f, 1.0f}, D3DVECTOR{-0.8f, 0.5f, -0.1f});
    device->SetLight(1, &light1);
    device->LightEnable(1, TRUE);

    if (FAILED(device->CreateVertexDeclaration(kShadingLayout, &vertexDeclaration))) {
        vertexDeclaration = nullptr;
        ShowMessage("Failed", "Failed: Create Vertex Declaration");
        return false;
    }
    // The start's own load, or a new one after a reset.
    std::unique_ptr<DefaultDataLoad> data =
        defaultData ? std::move(defaultData) : StartDefaultData();
    for (int set = 0; set < 2; ++set) {
        if (!NeedsDefaultTextureSet(set))
            continue;
        if (!InstallTextureSet(device, textureSets[set], data->TextureSet(set).textures)) {
            ShowMessage("Failed", "Failed: Load Texture");
            return false;
        }
    }
    for (int slot = 0; slot < 2; ++slot) {
        if (!NeedsDefaultMesh(slot))
            continue;
        LoadResult& mesh = data->Mesh(slot);
        ClearLoadFailure();
        if (!InstallMeshSlot(device, meshSlots[slot], mesh.mesh)) {
            ReportFileFailure(mesh.request.path.c_str(),
                              meshSlots[slot].mesh ? MeshSlotFailure(meshSlots[slot]).c_str()
                                                   : mesh.failure.c_str());
            ShowMessage("Failed", "Failed: Load Mesh from X");
            return false;
        }
        StartSlotAnimation(slot, mesh.mesh, mesh.request.path);
        UpdateMeshBounds(slot);
        materialMaps[slot].Create(device, meshSlots[slot]);
    }
    ShowStartViews();
    if (FAILED(device->GetRenderTarget(0, &savedBackBuffer))) {
        savedBackBuffer = nullptr;
        ShowMessage("Failed", "Failed: Get RenderTarget");
        return false;
    }
    if (FAILED(device->GetDepthStencilSurface(&savedDepth))) {
        savedDepth = nullptr;
        ShowMessage("Failed", "Failed: Get RenderTarget");
        return false;
    }
    D3DSURFACE_DESC back{};
    savedBackBuffer->GetDesc(&back);
    auto makeTarget = [&](UINT w, UINT h, IDirect3DTexture9** texture,
                          IDirect3DSurface9** surface) {
        if (FAILED(device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, back.Format,
                                         D3DPOOL_DEFAULT, texture, nullptr))) {
            *texture = nullptr;
            ShowMessage("Failed", "Failed: Create RenderTarget Texture");
            return false;
        }
        (*texture)->GetSurfaceLevel(0, surface);
        return true;
    };
    if (!makeTarget(back.Width, back.Height, &sceneTexture, &sceneSurface))
        return false;
    if (FAILED(device->CreateDepthStencilSurface(
            back.Width, back.Height, presentParams.AutoDepthStencilFormat, D3DMULTISAMPLE_NONE, 0,
            TRUE, &sceneDepth, nullptr))) {
        sceneDepth = nullptr;
        ShowMessage("Failed", "Failed: Create RenderTarget DepthStencil");
        return false;
    }
    if (!makeTarget(back.Width >> 1, back.Height >> 1, &halfATexture, &halfASurface))
        return false;
    return makeTarget(back.Width >> 1, back.Height >> 1, &halfBTexture, &halfBSurface);
}

void AppMain::ReleaseDeviceResources() {
    ReleaseField(halfBSurface);
    ReleaseField(halfBTexture);
    ReleaseField(halfASurface);
    ReleaseField(halfATexture);
    ReleaseField(sceneDepth);
    ReleaseField(sceneSurface);
    ReleaseField(sceneTexture);
    ReleaseField(savedDepth);
    ReleaseField(savedBackBuffer);
    // The maps borrow their slot's textures.
    materialMaps[1].Release();
    materialMaps[0].Release();
    slotAnimations[1].Stop();
    slotAnimations[0].Stop();
    meshSlots[1].Release();
    meshSlots[0].Release();
    for (int set = 1; set >= 0; --set)
        for (IDirect3DTexture9*& texture : textureSets[set])
            ReleaseField(texture);
    ReleaseField(vertexDeclaration);
}

void AppMain::OnLost() {
    ReleaseDeviceResources();
    if (sceneEffect)
        sceneEffect->OnLostDevice();
    if (postEffect)
        postEffect->OnLostDevice();
}

HRESULT AppMain::OnReset() {
    CreateDeviceResources();
    ApplyProjection();
    HRESULT hr = D3D_OK;
    if (sceneEffect)
        hr = sceneEffect->OnResetDevice();
    if (postEffect)
        hr = postEffect->OnResetDevice();
    return hr;
}

void AppMain::OnFileDropped(const char* path) {
    if (!appInstance)
        return;
    AppMain& app = *appInstance;
    // Routed by the cursor of the last frame. A file that cannot be used
    // leaves its slot as a failed load always has (a mesh slot empty, a
    // texture set on its fallbacks), with a notice of why.
    DropTarget target = RouteDrop(inputState.mouseX, inputState.mouseY, app.width, app.height);
    app.RequestLoad(target, path, KvBase::DroppedFileIndex() == 0);
}
