// Scene and overlay drawing of the viewer.
#include "app/AppMain.h"

#include "framework/InputState.h"
#include "gui/PerformancePanel.h"

#include <cmath>
#include <cstring>

namespace {

// Rotation per drawn frame of the instances: 0.3 to 0.8 degrees.
const double kRotationSteps[6] = {0.3 * D3DX_PI / 180.0, 0.4 * D3DX_PI / 180.0,
                                  0.5 * D3DX_PI / 180.0, 0.6 * D3DX_PI / 180.0,
                                  0.7 * D3DX_PI / 180.0, 0.8 * D3DX_PI / 180.0};

const D3DMATERIAL9 kFixedMaterial = {
    {1.0f, 1.0f, 1.0f, 1.0f}, // diffuse
    {1.0f, 1.0f, 1.0f, 1.0f}, // ambient
    {0.5f, 0.5f, 0.5f, 1.0f}, // specular
    {0.0f, 0.0f, 0.0f, 1.0f}, // emissive
    30.0f,
};

const float kAmbientUp[4] = {0.1f, 0.1f, 0.2f, 1.0f};
const float kAmbientDown[4] = {0.1f, 0.1f, 0.05f, 1.0f};

float FloatState(IDirect3DDevice9* device, D3DRENDERSTATETYPE state) {
    DWORD bits = 0;
    device->GetRenderState(state, &bits);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float Angle(int step, std::int32_t frame) {
    return float(kRotationSteps[step] * double(frame));
}

} // namespace

bool AppMain::CanPostProcess() const {
    return postEffect && sceneTexture && sceneSurface && sceneDepth && halfATexture &&
           halfASurface && halfBTexture && halfBSurface && savedBackBuffer && savedDepth;
}

// The axes, the ground grid and, while the middle button is held, the orbit
// point, unlit; `k` dims them with the scene.
void AppMain::DrawReferenceScene(float k) {
    device->SetFVF(kLineVertexFvf);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    D3DXMATRIX world;
    device->SetTransform(D3DTS_WORLD, D3DXMatrixScaling(&world, 50, 50, 50));
    DrawAxes();
    device->SetTransform(D3DTS_WORLD, D3DXMatrixTranslation(&world, 0, -50, 0));
    const float axisA[3] = {0, 0, 1}, axisB[3] = {1, 0, 0}, centre[3] = {0, -20, 0};
    DrawGrid(axisA, axisB, centre, 1000, ColorFromFloats(0.5f * k, 0.5f * k, 0.5f * k, 64.0f));
    if (inputState.IsKeyDown(VK_MBUTTON)) {
        // A small cross where the camera orbits.
        D3DXVECTOR3 target = camPos + camDir * orbitDistance;
        D3DXMATRIX scale, move;
        D3DXMatrixScaling(&scale, 10, 10, 10);
        D3DXMatrixTranslation(&move, target.x, target.y, target.z);
        world = scale * move;
        device->SetTransform(D3DTS_WORLD, &world);
        DrawAxes();
    }
}

float AppMain::GridSpacing(int N) {
    return float(100 - 4 * N);
}

D3DXMATRIX AppMain::GridWorld(const D3DXMATRIX& base, int i, int j, int N, std::int32_t F) {
    const float spacing = GridSpacing(N);
    D3DXMATRIX rx, ry, rz, move;
    D3DXMatrixRotationX(&rx, Angle((2 * i + 5 * j) % 6, F));
    D3DXMatrixRotationY(&ry, Angle((3 * i + 4 * j) % 6, F));
    D3DXMatrixRotationZ(&rz, Angle((4 * i + 3 * j) % 6, F));
    D3DXMatrixTranslation(&move, spacing * (float(i) - float(N - 1) / 2.0f), 0, spacing * float(j));
    return base * rx * ry * rz * move;
}

HRESULT AppMain::DrawFrame() {
    // A thumbnail shows the model alone, over a black that becomes
    // transparent.
    const bool thumbnail = options.thumbnail;
    device->BeginScene();
    // The same dimming that the post-processing variant of the scene effect
    // gives its pixels; fixed-function meshes are not dimmed.
    const float k = postProcessing ? 0.85f : 1.0f;
    const bool post = postProcessing && CanPostProcess();
    if (post) {
        device->SetRenderTarget(0, sceneSurface);
        device->SetDepthStencilSurface(sceneDepth);
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                  thumbnail ? 0xFF000000 : ColorFromFloats(0.06f * k, 0.08f * k, 0.1f * k, 1.0f),
                  1.0f, 0);
    if (!thumbnail)
        DrawReferenceScene(k);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);

    const std::int32_t F = ++frameCounter;
    const int N = gridSize;
    const float spacing = GridSpacing(N);
    const D3DXMATRIX bases[2] = {InstanceBase(0, spacing), InstanceBase(1, spacing)};
    if (thumbnail)
        AimThumbnailCamera();
    for (int i = 0; i < N; ++i) {
        for (int j = 0; j < N; ++j) {
            // The two meshes alternate like the squares of a chessboard.
            bool odd = (i + j) % 2 != 0;
            DrawInstance(odd ? 1 : 0, GridWorld(bases[odd ? 1 : 0], i, j, N, F), odd);
        }
    }
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    if (post)
        PostProcess();
    device->SetFVF(kScreenVertexFvf);
    device->SetTexture(0, nullptr);
    // A picture meant for a file shows the scene alone.
    const bool screenshot = !options.screenshotPath.empty();
    if (!screenshot)
        DrawOverlay();
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->EndScene();
    if (screenshot && F >= options.screenshotFrames && !quit) {
        if (thumbnail)
            TakeThumbnail();
        else
            TakeScreenshot();
    }
    HRESULT hr = device->Present(nullptr, nullptr, nullptr, nullptr);
    if (hr == D3DERR_DEVICELOST)
        ResetDevice();
    return hr;
}

bool AppMain::ShowsMaterials(int slot) const {
    // Maps that could not all be made leave the slot in its texture set.
    return slotViews[slot] == SlotView::Materials && meshSlots[slot].mesh &&
           materialMaps[slot].Count() == meshSlots[slot].materialCount;
}

void AppMain::BindSceneMaps(IDirect3DTexture9* const* maps) {
    sceneEffect->SetTexture(scene.texDiffuse, maps[kDiffuse]);
    sceneEffect->SetTexture(scene.texNormal, maps[kNormalMap]);
    sceneEffect->SetTexture(scene.texSpecular, maps[kSpecular]);
    sceneEffect->SetTexture(scene.texEmissive, maps[kEmissive]);
}

void AppMain::DrawInstance(int slot, const D3DXMATRIX& world, bool character) {
    IDirect3DTexture9* const* set = textureSets[slot];
    MeshObj& mesh = meshSlots[slot];
    const bool ownMaterials = ShowsMaterials(slot);
    // Without a scene effect (its creation failed after a toggle) the
    // instances keep being drawn, through the fixed-function path.
    if (!programmable || !sceneEffect) {
        if (!ownMaterials) {
            device->SetMaterial(&kFixedMaterial);
            device->SetTexture(0, set[0]);
            device->SetTransform(D3DTS_WORLD, &world);
            mesh.Draw();
            return;
        }
        device->SetTransform(D3DTS_WORLD, &world);
        for (DWORD i = 0; i < mesh.materialCount; ++i) {
            device->SetMaterial(&mesh.materials[i]);
            device->SetTexture(0, mesh.materialTextures[i]);
            mesh.mesh->DrawSubset(i);
        }
        return;
    }
    ID3DXEffect* e = sceneEffect;
    D3DLIGHT9 lights[2]{};
    device->GetLight(0, &lights[0]);
    device->GetLight(1, &lights[1]);
    D3DXVECTOR3 towardsLights[2];
    float colours[8];
    for (int i = 0; i < 2; ++i) {
        D3DXVECTOR3 reversed = -D3DXVECTOR3(lights[i].Direction);
        D3DXVec3Normalize(&towardsLights[i], &reversed);
        std::memcpy(&colours[4 * i], &lights[i].Diffuse, 4 * sizeof(float));
    }
    e->SetValue(scene.lightDirR, towardsLights, sizeof towardsLights);
    e->SetValue(scene.lightColor, colours, sizeof colours);
    e->SetValue(scene.lightAmbient, kAmbientUp, sizeof kAmbientUp);
    e->SetValue(scene.lightAmbient2, kAmbientDown, sizeof kAmbientDown);
    e->SetValue(scene.camPos, &camPos, 3 * sizeof(float));
    float fogStart = FloatState(device, D3DRS_FOGSTART);
    float fogInvDist = 1.0f / (FloatState(device, D3DRS_FOGEND) - fogStart);
    e->SetValue(scene.fogStart, &fogStart, sizeof fogStart);
    e->SetValue(scene.fogInvDist, &fogInvDist, sizeof fogInvDist);
    BindSceneMaps(ownMaterials ? materialMaps[slot].Maps(0).maps : set);
    e->SetMatrix(scene.matWorld, &world);
    D3DXMATRIX inverse;
    D3DXMatrixIdentity(&inverse);
    D3DXMatrixInverse(&inverse, nullptr, &world);
    e->SetMatrixTranspose(scene.matWIT, &inverse);
    D3DXMATRIX worldView, worldViewProjection;
    D3DXMatrixMultiply(&worldView, &world, &viewMatrix);
    D3DXMatrixMultiply(&worldViewProjection, &worldView, &projMatrix);
    e->SetMatrix(scene.matWVP, &worldViewProjection);
    e->SetTechnique(character ? scene.charFull : scene.stdFull);
    e->Begin(nullptr, 0);
    e->BeginPass(0);
    if (!ownMaterials) {
        mesh.Draw();
    } else {
        // Subset 0's maps went in with the other values; each further
        // subset changes only its maps.
        for (DWORD i = 0; i < mesh.materialCount; ++i) {
            if (i > 0) {
                BindSceneMaps(materialMaps[slot].Maps(i).maps);
                e->CommitChanges();
            }
            mesh.mesh->DrawSubset(i);
        }
    }
    e->EndPass();
    e->End();
}

void AppMain::DrawShadowedText(const char* text, RECT shadow, RECT rect, DWORD format) {
    font->DrawTextA(nullptr, text, -1, &shadow, format, 0xFF000000);
    font->DrawTextA(nullptr, text, -1, &rect, format, 0xFFFFFFFF);
}

void AppMain::DrawOverlay() {
    if (!font)
        return;
    const LONG W = width, H = height;
    if (inputState.IsKeyDown(VK_SPACE)) {
        for (KvGuiBase* button :
             {static_cast<KvGuiBase*>(&shadingButton), static_cast<KvGuiBase*>(&gridButton),
              static_cast<KvGuiBase*>(&postButton)})
            button->Draw();
        RECT dropMesh{10, 50, W, H}, dropTex{0, 50, W - 10, H};
        font->DrawTextA(nullptr, "Drop Mesh", -1, &dropMesh, DT_NOCLIP, 0xFFFFFFFF);
        font->DrawTextA(nullptr, "Drop Tex", -1, &dropTex, DT_NOCLIP | DT_RIGHT, 0xFFFFFFFF);
        // Under the mesh side: what each slot's subsets are drawn with.
        for (int slot = 0; slot < 2; ++slot) {
            char hint[64];
            FormatText(hint, sizeof hint, "mesh %d: %s (M)", slot,
                       ShowsMaterials(slot) ? "own materials" : "texture set");
            RECT hintRect{10, 72 + 20 * slot, W, H};
            font->DrawTextA(nullptr, hint, -1, &hintRect, DT_NOCLIP, 0xFFFFFFFF);
        }
        FormatText(cameraText, sizeof cameraText, "%s (%.2f %.2f %.2f)", "CamPos", double(camPos.x),
                   double(camPos.y), double(camPos.z));
        char line[256];
        FormatText(line, sizeof line, "%s", cameraText);
        DrawShadowedText(line, RECT{0, 11, W - 9, H}, RECT{0, 10, W - 10, H}, DT_NOCLIP | DT_RIGHT);
        const float panelPosition[2] = {300, 10}, panelSize[2] = {250, 25};
        const float textPosition[2] = {300, 40};
        DrawPerformancePanel(*this, marker, sectionNames, panelPosition, panelSize, textPosition);
    }
    char line[256];
    FormatText(line, sizeof line, "FPS:%d (%.1fms->%.1ff/s)", fps, double(frameTime),
               1000.0 / double(frameTime));
    DrawShadowedText(line, RECT{11, 11, W, H}, RECT{10, 10, W, H}, DT_NOCLIP);
    DrawShadowedText(caption, RECT{11, H - 29, W, H}, RECT{10, H - 30, W, H}, DT_NOCLIP);
    DrawAnimationStatus(DrawLoadNotice());
}
