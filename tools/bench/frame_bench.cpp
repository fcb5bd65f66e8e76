// The viewer's frame, unpaced, on the real OpenGL device (SDL's offscreen
// driver unless a display is asked for): milliseconds a frame for the update
// and the drawing, and the wait for the driver to finish, for grid sizes 1, 5
// and 10 with post-processing on and off and both shading paths; the time
// from process start to the first Present, the peak resident memory, and the
// OpenGL work of a frame. With --animated, both slots hold a skinned tube
// of 100,000 vertices instead, and frames with their set playing are timed
// against frames with it paused (the same meshes still). Run from the
// repository root (it reads ./data). With --drops, a height field of two
// million triangles is dropped twice in a row, the second drop superseding
// the first: the frames while it loads, the frame that installs it and the
// frames after are timed against the frames before. With --many-files, one
// drop of 3000 small files (as "select all" in a file manager gives) is
// handled as the window handles it: the frame that takes the drop, and the
// longest frame until the last file shows.
//
//   build/tools/bench/FrameBench [--animated | --drops | --many-files] [frames per configuration]
#include "app/AppMain.h"
#include "effects/effect_resources.h"
#include "framework/InputState.h"
#include "platform/d3d9/gl_device.h"
#include "platform/win32/drop.h"
#include "tools/bench/animated_tube.h"
#include "tools/common/height_field.h"
#include "utility/core/file_bytes.h"
#include "utility/xfile/xfile_writer.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Spread {
    double median, low, high; // median and the 10th and 90th percentiles
};

Spread SpreadOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    auto at = [&](double q) { return values[size_t(q * double(values.size() - 1) + 0.5)]; };
    return Spread{at(0.5), at(0.1), at(0.9)};
}

// Sets the shell up as Run does, without its paced loop.
bool Start(AppMain& app) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FrameBench";
    RegisterClassExA(&wc);
    app.hwnd = CreateWindowExA(0, "FrameBench", "ZELQAd", 0, 40, 40, 1024, 768, nullptr, nullptr,
                               nullptr, nullptr);
    if (!app.hwnd)
        return false;
    ShowWindow(app.hwnd, SW_SHOWNORMAL);
    app.width = 1024;
    app.height = 768;
    app.aspect = 4.0f / 3.0f;
    app.framePeriod = 1000.0f / 60.0f;
    inputState.Start(app.hwnd);
    return app.OnInit();
}

// The median whole frame (update, drawing, the driver's work) of `frames`
// frames after 3 that settle caches.
double MedianFrame(AppMain& app, int frames) {
    std::vector<double> total;
    for (int i = 0; i < frames + 3; ++i) {
        Clock::time_point t0 = Clock::now();
        app.marker.NewFrame();
        app.UpdateFrame();
        app.DrawFrame();
        FinishGlWork(app.device);
        if (i >= 3)
            total.push_back(Milliseconds(Clock::now() - t0));
    }
    return SpreadOf(total).median;
}

int AnimatedFrames(int frames) {
    const std::filesystem::path model =
        std::filesystem::temp_directory_path() / ("zq-tube-" + std::to_string(getpid()) + ".x");
    if (!WriteAnimatedTube(model.string())) {
        std::fprintf(stderr, "cannot write %s\n", model.c_str());
        return 1;
    }
    AppMain app;
    app.options.meshFiles = {model.string(), model.string()};
    app.options.fit = true;
    // The window waits for no big load; the benchmark does.
    const bool started =
        Start(app) && app.loader->WaitIdle(ContentLoader::kForever) && app.InstallFinishedLoads();
    std::filesystem::remove(model);
    if (!started || !app.slotAnimations[0].Active() || !app.slotAnimations[1].Active()) {
        std::fprintf(stderr, "the viewer did not start with the animated model\n");
        return 1;
    }
    std::printf("| grid | shading | still ms | playing ms | playing / still |\n");
    std::printf("|---|---|---|---|---|\n");
    for (int grid : {2, 5}) {
        for (bool programmable : {true, false}) {
            app.gridSize = grid;
            app.programmable = programmable;
            double ms[2];
            for (bool playing : {false, true}) {
                for (SlotAnimation& animation : app.slotAnimations)
                    if (animation.clock.Paused() == playing)
                        animation.clock.PlayOrPause();
                ms[playing] = MedianFrame(app, frames);
            }
            std::printf("| %d | %s | %.1f | %.1f | %.2f |\n", grid,
                        programmable ? "programmable" : "fixed", ms[0], ms[1], ms[1] / ms[0]);
        }
    }
    app.OnTerm();
    DestroyWindow(app.hwnd);
    app.hwnd = nullptr;
    return 0;
}

// One frame as the window runs it (OnFrame, then the driver's work), in
// milliseconds.
double WholeFrame(AppMain& app) {
    Clock::time_point t0 = Clock::now();
    app.OnFrame();
    FinishGlWork(app.device);
    return Milliseconds(Clock::now() - t0);
}

// `frames` whole frames after 3 that settle caches.
std::vector<double> SettledFrames(AppMain& app, int frames) {
    std::vector<double> settled;
    for (int i = 0; i < frames + 3; ++i) {
        double ms = WholeFrame(app);
        if (i >= 3)
            settled.push_back(ms);
    }
    return settled;
}

int DropFrames(int frames) {
    const std::filesystem::path model =
        std::filesystem::temp_directory_path() / ("zq-field-" + std::to_string(getpid()) + ".x");
    std::vector<std::uint8_t> bytes;
    // 1000 x 1000 vertices: about two million triangles, as text.
    if (!WriteXFile(HeightField(1000), XEncoding::Text, 4, bytes) ||
        FAILED(WriteFileBytes(model.c_str(), bytes))) {
        std::fprintf(stderr, "cannot write %s\n", model.c_str());
        return 1;
    }
    bytes = std::vector<std::uint8_t>();
    AppMain app;
    if (!Start(app)) {
        std::fprintf(stderr, "the viewer did not start (run from the repository root)\n");
        return 1;
    }
    // Frames as the window runs them: the drops wait for no load.
    app.dropWaitMs = 0;
    auto frame = [&] { return WholeFrame(app); };
    const std::vector<double> before = SettledFrames(app, frames);
    const double median = SpreadOf(before).median;
    const DropTarget slot{DropContent::Mesh, 0};
    app.RequestLoad(slot, model.c_str());
    std::vector<double> loading;
    for (int i = 0; i < 5; ++i)
        loading.push_back(frame());
    app.RequestLoad(slot, model.c_str()); // supersedes the first
    ContentLoader::Activity activity;
    while (app.loader->Busy(activity))
        loading.push_back(frame());
    const double installing = frame();
    std::vector<double> after;
    for (int i = 0; i < 5; ++i)
        after.push_back(frame());
    std::filesystem::remove(model);
    std::printf("| before: median ms | while loading: frames | median ms | longest ms | the "
                "frame that installs ms | after: median ms |\n|---|---|---|---|---|---|\n");
    std::printf("| %.1f | %zu | %.1f | %.1f | %.1f | %.1f |\n", median, loading.size(),
                SpreadOf(loading).median, *std::max_element(loading.begin(), loading.end()),
                installing, SpreadOf(after).median);
    app.OnTerm();
    DestroyWindow(app.hwnd);
    app.hwnd = nullptr;
    return 0;
}

int ManyFilesFrames(int frames) {
    AppMain app;
    if (!Start(app)) {
        std::fprintf(stderr, "the viewer did not start (run from the repository root)\n");
        return 1;
    }
    auto frame = [&] { return WholeFrame(app); };
    const std::vector<double> before = SettledFrames(app, frames);
    // The window's drop message, on the upper texture set.
    constexpr int kFiles = 3000;
    inputState.mouseX = 900;
    inputState.mouseY = 100;
    HDROP drop = MakeDrop(std::vector<std::string>(kFiles, "./data/null.tex"));
    Clock::time_point t0 = Clock::now();
    KvBase::WindowProc(app.hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    const double dropping = Milliseconds(Clock::now() - t0) + frame();
    std::vector<double> loading;
    ContentLoader::Activity activity;
    while (app.loader->Busy(activity))
        loading.push_back(frame());
    loading.push_back(frame());
    std::printf("| files | before: median ms | the frame that takes the drop ms | frames until "
                "the last shows | longest of them ms |\n|---|---|---|---|---|\n");
    std::printf("| %d | %.1f | %.1f | %zu | %.1f |\n", kFiles, SpreadOf(before).median, dropping,
                loading.size(), *std::max_element(loading.begin(), loading.end()));
    app.OnTerm();
    DestroyWindow(app.hwnd);
    app.hwnd = nullptr;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Clock::time_point processStart = Clock::now();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const std::string mode = argc > 1 && argv[1][0] == '-' ? argv[1] : "";
    if (!mode.empty()) {
        --argc;
        ++argv;
    }
    int frames = argc > 1 ? std::max(5, std::atoi(argv[1])) : 40;
    RegisterEffectResources();
    if (mode == "--animated")
        return AnimatedFrames(frames);
    if (mode == "--drops")
        return DropFrames(frames);
    if (mode == "--many-files")
        return ManyFilesFrames(frames);
    if (!mode.empty()) {
        std::fprintf(stderr, "usage: FrameBench [--animated | --drops | --many-files] [frames]\n");
        return 2;
    }
    AppMain app;
    if (!Start(app)) {
        std::fprintf(stderr, "the viewer did not start (run from the repository root)\n");
        return 1;
    }
    app.DrawFrame();
    FinishGlWork(app.device);
    double firstPresent = Milliseconds(Clock::now() - processStart);

    std::printf("| grid | post | shading | update ms | draw ms (p10-p90) | GPU wait ms | frame ms "
                "| GL calls | draws | state changes | uploads |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (int grid : {1, 5, 10}) {
        for (bool post : {true, false}) {
            for (bool programmable : {true, false}) {
                app.gridSize = grid;
                app.postProcessing = post;
                app.programmable = programmable;
                std::vector<double> update, draw, wait, total;
                for (int i = 0; i < frames + 3; ++i) {
                    Clock::time_point t0 = Clock::now();
                    app.marker.NewFrame();
                    app.UpdateFrame();
                    Clock::time_point t1 = Clock::now();
                    app.DrawFrame();
                    Clock::time_point t2 = Clock::now();
                    FinishGlWork(app.device);
                    Clock::time_point t3 = Clock::now();
                    if (i < 3)
                        continue; // the first frames of a configuration settle caches
                    update.push_back(Milliseconds(t1 - t0));
                    draw.push_back(Milliseconds(t2 - t1));
                    wait.push_back(Milliseconds(t3 - t2));
                    total.push_back(Milliseconds(t3 - t0));
                }
                GlFrameWork work{};
                GetGlFrameWork(app.device, &work);
                Spread d = SpreadOf(draw);
                std::printf("| %d | %s | %s | %.2f | %.1f (%.1f-%.1f) | %.1f | %.1f | %lu | %u | "
                            "%u | %u |\n",
                            grid, post ? "on" : "off", programmable ? "programmable" : "fixed",
                            SpreadOf(update).median, d.median, d.low, d.high, SpreadOf(wait).median,
                            SpreadOf(total).median, work.glCalls, work.drawCalls, work.stateChanges,
                            work.uploads);
            }
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("\nProcess start to first Present: %.0f ms\nPeak resident memory: %.1f MB\n",
                firstPresent, double(usage.ru_maxrss) / 1024.0);
    app.OnTerm();
    DestroyWindow(app.hwnd);
    app.hwnd = nullptr;
    return 0;
}
