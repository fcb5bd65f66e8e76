// Loading dropped and named files off the frame loop, and the notice of what
// is loading or what failed.
#include "app/AppMain.h"

#include "app/ShortenedName.h"
#include "mesh/Paths.h"
#include "utility/core/load_report.h"
#include "utility/image/texture_image.h"

namespace {

constexpr std::uint32_t kFailureNoticeMs = 5000;
// The notices start this far from the window's left edge, and keep as far
// from its right.
constexpr LONG kNoticeMargin = 10;

const char* BaseName(const std::string& path) {
    const char* separator = LastSeparator(path.c_str());
    return separator ? separator + 1 : path.c_str();
}

const char* ContentName(DropContent content) {
    return content == DropContent::Mesh ? "mesh" : "texture set";
}

// `before`, the file's name and `after` as one line of a notice, the name
// shortened in its middle where the line would not fit the window, so that
// what comes after it stays in sight. Without a font nothing is drawn and
// the name stays whole.
std::string NoticeLine(ID3DXFont* font, LONG windowWidth, const std::string& before,
                       const char* name, const std::string& after) {
    if (!font)
        return before + name + after;
    const TextWidth width = [font](std::string_view text) {
        RECT extent{0, 0, 0, 0};
        font->DrawTextA(nullptr, text.data(), INT(text.size()), &extent, DT_CALCRECT, 0);
        return int(extent.right);
    };
    const int room = int(windowWidth - 2 * kNoticeMargin) - width(before + after);
    return before + ShortenInMiddle(name, room, width) + after;
}

} // namespace

void AppMain::QueueLoad(DropTarget target, const std::string& path) {
    LoadRequest request;
    request.target = target;
    request.path = path;
    MaxTextureSize(device, request.maxTextureWidth, request.maxTextureHeight);
    loader->Request(std::move(request));
}

void AppMain::RequestLoad(DropTarget target, const char* path, bool firstOfDrop) {
    if (!path || target.slot < 0 || target.slot >= kContentSlots)
        return;
    // A small file shows on the next frame; behind a load that is still
    // running, the frame does not wait. Nor for the later files of one drop:
    // each replaces the one before in the same slot, and a drop of
    // thousands would cost a wait for each.
    ContentLoader::Activity activity;
    const bool wait = firstOfDrop && !loader->Busy(activity);
    QueueLoad(target, path);
    if (wait)
        loader->WaitIdle(dropWaitMs);
    InstallFinishedLoads();
}

bool AppMain::InstallFinishedLoads() {
    bool allLoaded = true;
    for (std::unique_ptr<LoadResult>& result : loader->TakeFinished()) {
        allLoaded &= InstallLoad(*result);
        // What is left of it (the prepared copy of a model) the loader frees.
        loader->Discard(std::move(result));
    }
    return allLoaded;
}

bool AppMain::InstallLoad(LoadResult& result) {
    const LoadRequest& request = result.request;
    const int slot = request.target.slot;
    bool installed;
    if (request.target.content == DropContent::Mesh) {
        // A mesh that could not be prepared empties the slot, as it always
        // has; the old mesh goes in either case.
        ClearLoadFailure();
        materialMaps[slot].Release();
        installed = InstallMeshSlot(device, meshSlots[slot], result.mesh);
        const std::string missingSet = StartSlotAnimation(slot, result.mesh, request.path);
        if (!missingSet.empty() && !options.screenshotPath.empty())
            result.failure = missingSet;
        UpdateMeshBounds(slot);
        materialMaps[slot].Create(device, meshSlots[slot]);
        // A model opened shows itself as its file describes it.
        if (meshSlots[slot].mesh && options.views != ViewerOptions::Views::TextureSets)
            slotViews[slot] = SlotView::Materials;
        if (!installed) {
            if (meshSlots[slot].mesh || result.failure.empty())
                result.failure = MeshSlotFailure(meshSlots[slot]);
            ReportFileFailure(request.path.c_str(), result.failure.c_str());
        }
    } else {
        // Files that fell back were reported as they were read.
        installed = InstallTextureSet(device, textureSets[slot], result.textures);
        // A texture set put on a model is there to be seen on it.
        slotViews[slot] = SlotView::TextureSet;
        if (!installed && result.failure.empty())
            result.failure = "its fallback maps cannot be read";
    }
    if (!result.failure.empty()) {
        failureNotice = NoticeLine(font, width, "Could not load ", BaseName(request.path),
                                   ": " + result.failure);
        failureNoticeUntil = timeGetTime() + kFailureNoticeMs;
    }
    return installed && result.failure.empty();
}

void AppMain::RequestNamedFiles() {
    struct Kind {
        DropContent content;
        const std::vector<std::string>& files;
    };
    // A thumbnail's model was read before the window opened.
    const std::size_t firstMesh = thumbnailModel ? 1 : 0;
    for (const Kind& kind : {Kind{DropContent::Mesh, options.meshFiles},
                             Kind{DropContent::TextureSet, options.textureFiles}}) {
        for (std::size_t i = kind.content == DropContent::Mesh ? firstMesh : 0;
             i < kind.files.size() && i < std::size_t(kContentSlots); ++i)
            QueueLoad(DropTarget{kind.content, int(i)}, kind.files[i]);
    }
    namedFilesLoaded = true;
    if (thumbnailModel) {
        namedFilesLoaded = InstallLoad(*thumbnailModel);
        thumbnailModel.reset();
    }
    // A picture for a file shows every named file; the window shows the
    // small ones on its first frame and the rest as they are ready.
    loader->WaitIdle(options.screenshotPath.empty() ? dropWaitMs : ContentLoader::kForever);
    namedFilesLoaded &= InstallFinishedLoads();
}

LONG AppMain::DrawLoadNotice() {
    const LONG W = width, H = height;
    const RECT shadow{kNoticeMargin + 1, 35, W, H}, text{kNoticeMargin, 34, W, H};
    ContentLoader::Activity activity;
    if (loader->Busy(activity)) {
        char before[64], after[64];
        FormatText(before, sizeof before, "Loading %s %d from ",
                   ContentName(activity.target.content), activity.target.slot);
        FormatText(after, sizeof after, ": %u%%%s", unsigned(activity.permille / 10),
                   activity.waiting ? " (more waiting)" : "");
        DrawShadowedText(NoticeLine(font, W, before, BaseName(activity.path), after).c_str(),
                         shadow, text, DT_NOCLIP);
        const float barLeft = 10, barTop = 58, barWidth = 300, barBottom = 64;
        const float trackStart[2] = {barLeft, barTop},
                    trackEnd[2] = {barLeft + barWidth, barBottom};
        DrawPanel(trackStart, trackEnd, 0xC0303030);
        const float doneEnd[2] = {barLeft + barWidth * float(activity.permille) / 1000.0f,
                                  barBottom};
        DrawPanel(trackStart, doneEnd, 0xFF40A0FF);
        return 70;
    }
    if (failureNotice.empty())
        return 34;
    if (std::int32_t(timeGetTime() - failureNoticeUntil) >= 0) {
        failureNotice.clear();
        return 34;
    }
    DrawShadowedText(failureNotice.c_str(), shadow, text, DT_NOCLIP);
    return 58;
}
