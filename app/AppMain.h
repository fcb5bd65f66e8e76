// The viewer: start-up and device resources, the per-frame update and control
// panel, scene and overlay drawing, the post-processing chain, and the answer
// to device loss.
#pragma once

#include "app/CommandLine.h"
#include "app/ContentLoader.h"
#include "app/SlotAnimation.h"
#include "framework/KvDX9Template.h"
#include "gui/ButtonObj.h"
#include "gui/PerformanceMarker.h"
#include "mesh/MaterialMaps.h"
#include "mesh/MeshObj.h"
#include "utility/d3dx9effect.h"

#include <csignal>
#include <cstdint>
#include <memory>
#include <string>

class DefaultDataLoad;

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
    // The later files of one drop never wait.
    void RequestLoad(DropTarget target, const char* path, bool firstOfDrop = true);
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

    // What each slot's subsets draw with: the slot's texture set, as the
    // default data has it, or each subset's own material and texture, as
    // a model's file gives them (key M).
    enum class SlotView { TextureSet, Materials };
    SlotView slotViews[2] = {SlotView::TextureSet, SlotView::TextureSet};
    MaterialMaps materialMaps[2];
    // Whether the start loads a slot's default mesh or texture set: always
    // for the window; for a picture for a file, only what the picture shows
    // and no named file replaces.
    bool NeedsDefaultMesh(int slot) const;
    bool NeedsDefaultTextureSet(int set) const;
    // Starts reading what the start needs of the default data.
    std::unique_ptr<DefaultDataLoad> StartDefaultData() const;
    // The start's load, from OnInit until the resources take it.
    std::unique_ptr<DefaultDataLoad> defaultData;
    // Every slot back to the view of a start: after the start-up files and
    // after each device reset.
    void ShowStartViews();
    // The M key: all slots to the texture sets when any shows its
    // materials, else all to their materials.
    void SwitchViews();

    // What each slot's file animates, playing from the moment it is put in
    // the slot; nothing in the default data moves.
    SlotAnimation slotAnimations[2];
    // Starts what a mesh just put in `slot` plays, and writes its first
    // pose. When the set the options choose is not in it: the reason, also
    // on stderr; else empty.
    std::string StartSlotAnimation(int slot, PreparedMesh& prepared, const std::string& path);
    // The animation keys, then every clock moved on by the time gone by
    // since the last frame (none in a picture for a file), then the poses.
    void UpdateAnimations();
    // The clock of the last UpdateAnimations.
    std::uint32_t animationTick = 0;
    // Whether `slot`'s instances are drawn in the grid.
    bool SlotShown(int slot) const { return slot == 0 || gridSize > 1; }

    // Sets the window up for the options: hidden for a picture for a file,
    // the picture's own size and no font for a thumbnail. Before Run.
    void ChooseWindow();
    // A thumbnail's model, read and prepared before the window opens, so
    // that a file that cannot be drawn fails at once. False, with the
    // reason on stderr, when it cannot.
    bool PrepareThumbnailModel();
    std::unique_ptr<LoadResult> thumbnailModel;
    // The one instance's matrix in the frame the thumbnail is taken.
    D3DXMATRIX thumbnailWorld;
    bool thumbnailCameraFitted = false;

    // The distance between instances of an N x N grid: 96 for one, 60 for ten.
    static float GridSpacing(int N);
    // The world matrix of instance (i, j) of an N x N grid on drawn frame F,
    // from the mesh's base matrix.
    static D3DXMATRIX GridWorld(const D3DXMATRIX& base, int i, int j, int N, std::int32_t F);

private:
    bool CreateSceneEffect(int resource);
    void ApplyButtonActions();
    void DrawReferenceScene(float k);
    void DrawInstance(int slot, const D3DXMATRIX& world, bool character);
    void DrawOverlay();
    // Returns the top of the free space under it.
    LONG DrawLoadNotice();
    void DrawAnimationStatus(LONG top);
    void ApplyStartOptions();
    void RequestNamedFiles();
    void QueueLoad(DropTarget target, const std::string& path);
    // Ends the run once the picture is taken; false, with the reason on
    // stderr, when a named file is missing from it.
    bool StartPicture();
    void TakeScreenshot();
    void AimThumbnailCamera();
    void TakeThumbnail();
    // The thumbnail's instance drawn white on black, for its coverage.
    void DrawThumbnailCoverage();
    bool InstallLoad(LoadResult& result);
    // The slot's subsets with its texture set or with their own materials.
    bool ShowsMaterials(int slot) const;
    void BindSceneMaps(IDirect3DTexture9* const* maps);
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
