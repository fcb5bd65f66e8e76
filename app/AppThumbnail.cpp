// Thumbnails for file managers: the one model, read before the window
// opens, drawn alone in its own materials at twice the picture's size with
// a camera fitted to it, then shrunk onto a transparent background.
#include "app/AppMain.h"

#include "app/Screenshot.h"
#include "app/ThumbnailCamera.h"
#include "app/ThumbnailPicture.h"
#include "utility/core/load_report.h"

#include <sys/stat.h>

namespace {

// Drawn this many times larger than the picture along each side, and
// shrunk: every picture pixel is the mean of a block of drawn ones.
constexpr int kThumbnailSupersample = 2;

// Narrower than the window's view, so that the camera stays far enough not
// to distort the model, and near enough that no part of it is in the fog.
constexpr float kThumbnailFieldOfView = 45.0f * D3DX_PI / 180.0f;

// A thumbnailer runs unattended for whatever file a folder holds, often
// under an address-space limit, beside the hundreds of MiB a software
// driver maps for itself. Its textures are at most twice the picture's side
// (a 512 x 512 one takes 1.4 MiB with its mip chain at the usual 256 px),
// so 256 MiB for the mesh and textures of the one model still takes every
// texture of real models, and a file whose materials ask for more draws
// them in their colours within a small, fixed memory.
constexpr std::size_t kThumbnailLoadBudget = std::size_t(256) << 20;

} // namespace

void AppMain::ChooseWindow() {
    // A picture for a file is often drawn for a program (a file manager's
    // thumbnails): no window to see.
    showWindow = options.screenshotPath.empty();
    if (!options.thumbnail)
        return;
    clientWidth = clientHeight = options.screenshotSize * kThumbnailSupersample;
    overlayFont = false;
}

bool AppMain::PrepareThumbnailModel() {
    const std::string& path = options.meshFiles.front();
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size > kThumbnailMaxFileBytes) {
        ReportFileFailure(path.c_str(), "larger than 100 MiB", "no thumbnail is drawn of it");
        return false;
    }
    auto model = std::make_unique<LoadResult>();
    model->request.target = DropTarget{DropContent::Mesh, 0};
    model->request.path = path;
    // No texture needs more texels than the drawing has pixels.
    model->request.maxTextureWidth = model->request.maxTextureHeight = UINT(clientWidth);
    model->request.memoryBudget = kThumbnailLoadBudget;
    PrepareContent(*model);
    if (!model->prepared) {
        ReportFileFailure(path.c_str(), model->failure.c_str());
        return false;
    }
    thumbnailModel = std::move(model);
    return true;
}

void AppMain::AimThumbnailCamera() {
    if (thumbnailCameraFitted)
        return;
    thumbnailCameraFitted = true;
    D3DXMatrixPerspectiveFovLH(&projMatrix, kThumbnailFieldOfView, aspect, nearZ, farZ);
    device->SetTransform(D3DTS_PROJECTION, &projMatrix);
    // The instance as it will be in the frame the picture is taken of.
    thumbnailWorld =
        GridWorld(InstanceBase(0, GridSpacing(gridSize)), 0, 0, gridSize, options.screenshotFrames);
    ID3DXMesh* mesh = meshSlots[0].mesh;
    void* vertices = nullptr;
    if (!mesh || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices)))
        return;
    // Every layout the slots hold starts with the position.
    FittedCamera camera;
    if (FitThumbnailCamera(vertices, mesh->GetNumVertices(), mesh->GetNumBytesPerVertex(),
                           thumbnailWorld, projMatrix(0, 0), projMatrix(1, 1), nearZ,
                           kThumbnailFill, camera)) {
        camPos = camera.position;
        camDir = camera.direction;
        ApplyView();
    }
    mesh->UnlockVertexBuffer();
}

void AppMain::DrawThumbnailCoverage() {
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // Unlit, untextured and unfogged, a mesh without vertex colours is
    // white wherever it covers the picture.
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, nullptr);
    device->SetTransform(D3DTS_WORLD, &thumbnailWorld);
    meshSlots[0].Draw();
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->EndScene();
}

void AppMain::TakeThumbnail() {
    if (!StartPicture())
        return;
    const std::string& path = options.screenshotPath;
    Image colour, coverage, picture;
    // With the glow, the scene target holds the picture (see PostProcess).
    const bool glow = postProcessing && CanPostProcess();
    if (!(glow ? ReadRenderTarget(device, sceneSurface, colour) : ReadBackBuffer(device, colour))) {
        ReportFileFailure(path.c_str(), "the frame could not be read back");
        return;
    }
    DrawThumbnailCoverage();
    if (!ReadBackBuffer(device, coverage)) {
        ReportFileFailure(path.c_str(), "the frame could not be read back");
        return;
    }
    UINT width, height;
    FitPictureSize(colour.width, colour.height, options.screenshotSize, width, height);
    if (FAILED(MakeThumbnailPicture(colour, coverage, width, height, picture))) {
        ReportFileFailure(path.c_str(), "out of memory");
        return;
    }
    exitStatus = WritePicturePng(picture, path, true) ? 0 : 1;
}
