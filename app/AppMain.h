// The viewer: start-up and device resources, the per-frame update and control
// panel, scene and overlay drawing, the post-processing chain, and the answer
// to device loss.
#pragma once

#include "app/CommandLine.h"
#include "app/ContentLoader.h"
#include "framework/KvDX9Template.h"
#include "gui/ButtonObj.h"
#include "gui/PerformanceMarker.h"
#include "mesh/MeshObj.h"
#include "utility/d3dx9effect.h"

#include <csignal>
#include <cstdint>
#include <memory>
#include <string>

class AppMain final : public KvDX9Template, public KvDX9::D3dDeviceLostCallback {
public:
    AppMain();
    ~AppMain() override;

    bool OnInit() override;
    void OnTerm() override;
    void OnFrame() override;

    // Device loss: release everything, then make it all again from the
    // start-up files.
    void OnLost() override;
    HRESULT OnReset() override;

    // Creates every device-dependent resource; shows the failure and returns
    // false at the first one that cannot be made, leaving the rest.
    bool CreateDeviceResources();
    // Releases whatever CreateDeviceResources made; any subset is fine.
    void ReleaseDeviceResources();
    void LookUpSceneHandles();

    void UpdateFrame();
    HRESULT DrawFrame();
    void PostProcess();

    // Replaces a mesh slot or a texture set from a file dropped on the window.
    static void OnFileDropped(const char* path);

    // Set from a signal handler: the next frame writes one status line to
    // stderr (live Direct3D objects, resident memory, frames drawn, the
    // progress of a load), for checking a long run from outside.
    static volatile std::sig_atomic_t statusRequested;

    // ---- State, in the order the viewer keeps it ----
    ButtonObj shadingButton;
    bool programmable = true;
    ButtonObj gridButton;
    std::int32_t gridSize = 5;
    ButtonObj postButton;
    bool postProcessing = true;

    IDirect3DTexture9* sceneTexture = nullptr;
    IDirect3DSurface9* sceneSurface = nullptr;
    IDirect3DSurface9* sceneDepth = nullptr;
    IDirect3DTexture9* halfATexture = nullptr;
    IDirect3DSurface9* halfASurface = nullptr;
    IDirect3DTexture9* halfBTexture = nullptr;
    IDirect3DSurface9* halfBSurface = nullptr;
    IDirect3DSurface9* savedBackBuffer = nullptr;
    IDirect3DSurface9* savedDepth = nullptr;

    IDirect3DVertexDeclaration9* vertexDeclaration = nullptr;
    IDirect3DTexture9* textureSets[2][4] = {};
    MeshObj meshSlots[2];

    ID3DXEffect* sceneEffect = nullptr;
    int sceneResource = 0; // the resource the scene effect was made from
    struct SceneHandles {
        D3DXHANDLE stdFull, charFull;
        D3DXHANDLE matWorld, matWIT, matWVP, camPos, fogStart, fogInvDist, lightAmbient,
            lightAmbient2, lightDirR, lightColor, texDiffuse, texNormal, texSpecular, texEmissive;
    } scene{};
    ID3DXEffect* postEffect = nullptr;

    PerformanceMarker marker;
    const char* sectionNames[2] = {"Update", "Draw"};
    char caption[1024] = "DEMO";

    // Counts drawn frames; it turns the instances and survives resets.
    std::int32_t frameCounter = 0;

    // ---- What a desktop program adds: the command line, loading off the
    // frame loop, fitting meshes to the grid, pictures for files ----

    // Start-up states and files, set before Run.
    ViewerOptions options;
    // The status the process ends with: 1, as the viewer always has, or the
    // outcome of a picture taken for a file (0 when it was written).
    int exitStatus = 1;

    // Reads `path` into `target` on the loader's worker. When nothing else
    // is loading, the caller waits up to dropWaitMs for it, so that a small
    // file still shows on the very next frame; a bigger one shows when it is
    // ready, the frames going on meanwhile with a notice of its progress.
    void RequestLoad(DropTarget target, const char* path);
    // Hands the finished loads over to their slots, on the frame thread.
    // False when one of them failed.
    bool InstallFinishedLoads();
    std::unique_ptr<ContentLoader> loader = std::make_unique<ContentLoader>();
    std::uint32_t dropWaitMs = 100;
    // Every file named on the command line loaded.
    bool namedFilesLoaded = true;

    // Scales each slot's mesh so that its bounding sphere fills one cell of
    // the grid (key F).
    bool fit = false;
    struct MeshBounds {
        D3DXVECTOR3 centre{0, 0, 0};
        float radius = 0.0f; // 0: no mesh, nothing to fit
    } meshBounds[2];
    void UpdateMeshBounds(int slot);
    // The instances' matrix before their turns and place in the grid.
    D3DXMATRIX InstanceBase(int slot, float spacing) const;

    // A notice under the frame-rate line: what is loading and how far, or
    // which file failed and why, for a few seconds.
    std::string failureNotice;
    std::uint32_t failureNoticeUntil = 0;

private:
    bool CreateSceneEffect(int resource);
    void ApplyButtonActions();
    void DrawInstance(int slot, const D3DXMATRIX& world, bool character);
    void DrawOverlay();
    void DrawLoadNotice();
    void ApplyStartOptions();
    void RequestNamedFiles();
    void QueueLoad(DropTarget target, const std::string& path);
    void TakeScreenshot();
    bool InstallLoad(LoadResult& result);
    // Everything post-processing needs exists: when a reset could not make it
    // all, the scene goes straight to the back buffer instead.
    bool CanPostProcess() const;
    // Black one pixel off in `shadow`, then white in `rect`.
    void DrawShadowedText(const char* text, RECT shadow, RECT rect, DWORD format);

    char gridText[64] = "";
    char cameraText[128] = "";
};

// The one viewer, for the drop handler.
extern AppMain* appInstance;
