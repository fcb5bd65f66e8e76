// What the command line changes: the start-up states, meshes fitted to the
// grid, and a picture of the scene for a file.
#include "app/AppMain.h"

#include "app/Screenshot.h"

#include <cstdio>

void AppMain::ApplyStartOptions() {
    // As if the buttons had been pressed, labels included.
    if (options.fixedShading) {
        programmable = false;
        shadingButton.label.text = "Fixed";
    }
    if (options.gridSize != gridSize) {
        gridSize = options.gridSize;
        FormatText(gridText, sizeof gridText, "%d", gridSize);
        gridButton.label.text = gridText;
    }
    if (options.postProcessingOff) {
        postProcessing = false;
        postButton.label.text = "PP Disable";
    }
    fit = options.fit;
}

// The window loads all of the default data, as its start always has; a
// picture for a file loads only what it shows.
namespace {

// In a picture: one instance shows only the first slot.
bool SlotDrawn(const ViewerOptions& options, int slot) {
    return slot == 0 || options.gridSize > 1;
}

bool Named(const std::vector<std::string>& files, int slot) {
    return std::size_t(slot) < files.size();
}

} // namespace

bool AppMain::NeedsDefaultMesh(int slot) const {
    if (options.screenshotPath.empty())
        return true;
    return SlotDrawn(options, slot) && !Named(options.meshFiles, slot);
}

bool AppMain::NeedsDefaultTextureSet(int set) const {
    if (options.screenshotPath.empty())
        return true;
    using Views = ViewerOptions::Views;
    // A slot whose picture shows its own materials draws no set.
    const bool ownMaterials =
        options.views == Views::Materials ||
        (Named(options.meshFiles, set) && options.views != Views::TextureSets);
    return SlotDrawn(options, set) && !Named(options.textureFiles, set) && !ownMaterials;
}

void AppMain::ShowStartViews() {
    const SlotView view = options.views == ViewerOptions::Views::Materials ? SlotView::Materials
                                                                           : SlotView::TextureSet;
    for (SlotView& slotView : slotViews)
        slotView = view;
}

void AppMain::SwitchViews() {
    bool anyMaterials = false;
    for (SlotView view : slotViews)
        anyMaterials |= view == SlotView::Materials;
    for (SlotView& view : slotViews)
        view = anyMaterials ? SlotView::TextureSet : SlotView::Materials;
}

void AppMain::UpdateMeshBounds(int slot) {
    MeshBounds& bounds = meshBounds[slot];
    bounds = MeshBounds{};
    ID3DXMesh* mesh = meshSlots[slot].mesh;
    void* vertices = nullptr;
    if (!mesh || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return;
    // Every layout the slots hold starts with the position.
    float radius = 0.0f;
    if (SUCCEEDED(D3DXComputeBoundingSphere(static_cast<const D3DXVECTOR3*>(vertices),
                                            mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(),
                                            &bounds.centre, &radius)))
        bounds.radius = radius;
    mesh->UnlockVertexBuffer();
}

D3DXMATRIX AppMain::InstanceBase(int slot, float spacing) const {
    const MeshBounds& bounds = meshBounds[slot];
    if (!fit || !(bounds.radius > 0.0f)) {
        D3DXMATRIX scale, origin;
        D3DXMatrixScaling(&scale, 20, 20, 20);
        D3DXMatrixTranslation(&origin, 0, 0, 0);
        return scale * origin;
    }
    // The sphere's centre to the origin, then its diameter to one cell.
    D3DXMATRIX toCentre, scale;
    D3DXMatrixTranslation(&toCentre, -bounds.centre.x, -bounds.centre.y, -bounds.centre.z);
    const float s = spacing * 0.5f / bounds.radius;
    D3DXMatrixScaling(&scale, s, s, s);
    return toCentre * scale;
}

bool AppMain::StartPicture() {
    quit = true;
    exitStatus = 1;
    if (namedFilesLoaded)
        return true;
    std::fprintf(stderr,
                 "zelqad: %s: not written: a file named on the command line could "
                 "not be loaded\n",
                 options.screenshotPath.c_str());
    return false;
}

void AppMain::TakeScreenshot() {
    if (StartPicture())
        exitStatus =
            WriteBackBufferPng(device, options.screenshotPath, options.screenshotSize) ? 0 : 1;
}
