// Process entry: the command line, the directory with the default data,
// then one viewer on the stack, run at 60 frames a second. The status is 1
// whatever the run returned, but for a picture taken for a file (0 when it
// was written) and for --help, --version (0) and bad options (2).
#include "app/AppMain.h"
#include "app/CommandLine.h"
#include "app/DataDirectory.h"
#include "effects/effect_resources.h"
#include "platform/d3d9/gl_device.h"
#include "platform/win32/display_choice.h"
#include "platform/win32/message_box.h"
#include "platform/win32/termination.h"
#include "utility/core/load_report.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <unistd.h>

namespace {

void OnLossSignal(int) {
    RequestGlDeviceLoss();
}

void OnStatusSignal(int) {
    AppMain::statusRequested = 1;
}

std::string WorkingDirectory() {
    char* path = getcwd(nullptr, 0);
    std::string directory = path ? path : "";
    std::free(path);
    return directory;
}

} // namespace

int main(int argc, char** argv) {
    const std::string workingDirectory = WorkingDirectory();
    CommandLine commandLine = ParseCommandLine(argc, argv, workingDirectory);
    std::fputs(commandLine.output.c_str(), stdout);
    std::fputs(commandLine.errors.c_str(), stderr);
    if (commandLine.action == CommandLineAction::ExitSuccess)
        return 0;
    if (commandLine.action == CommandLineAction::ExitUsage)
        return 2;
    // Named files were made absolute above, so moving is safe.
    const std::string dataHome = FindDataHome(workingDirectory, ExecutablePath());
    if (!dataHome.empty() && chdir(dataHome.c_str()) != 0)
        ReportFileFailure(dataHome.c_str(), std::strerror(errno));
    // A picture for a file needs no screen: without a display, SDL's
    // offscreen driver draws it, unless the caller chose a driver. A
    // thumbnail never looks for a display: file managers run thumbnailers
    // in sandboxes where the one they name cannot be reached.
    if (commandLine.options.thumbnail ||
        (!commandLine.options.screenshotPath.empty() && !DisplayOrDriverGiven()))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
#ifdef __GLIBC__
    // Big blocks (a model's arrays) are mapped on their own, so that freeing
    // them gives the memory back at once rather than to a heap that keeps it.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif

    // SIGUSR1 makes the device report itself lost, to try recovery by hand;
    // SIGUSR2 asks for a status line on stderr.
    std::signal(SIGUSR1, OnLossSignal);
    std::signal(SIGUSR2, OnStatusSignal);
    // SIGTERM and SIGINT close the viewer as its window's close button does.
    EndOnTerminationSignals();
    RegisterEffectResources();
    int status;
    {
        AppMain app;
        app.options = std::move(commandLine.options);
        app.ChooseWindow();
        // No box waiting for a click where no window is seen.
        SetMessageBoxesShown(app.showWindow);
        if (app.options.thumbnail && !app.PrepareThumbnailModel())
            return 1;
        app.Run(GetModuleHandleA(nullptr), 60.0f);
        status = app.exitStatus;
    }
    return status;
}
