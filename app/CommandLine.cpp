#include "app/CommandLine.h"

#include "mesh/DropRouting.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kUsage = "Usage: zelqad [OPTION]... [FILE]...\n";

constexpr const char* kHelp =
    "Shows X-file meshes with their texture sets, lit per pixel, in a grid of\n"
    "rotating instances.\n"
    "\n"
    "Each FILE ending in .x replaces a mesh (the first mesh 0, the second mesh 1);\n"
    "each other FILE is an image that replaces a texture set the same way. They\n"
    "load after the default data, exactly as files dropped on the window.\n"
    "\n"
    "Options:\n"
    "  --grid N           start with an N x N grid of instances (1 to 10, default 5)\n"
    "  --fixed            start with fixed-function shading\n"
    "  --no-post          start with post-processing off\n"
    "  --fit              scale each mesh to fill one cell of the grid (key F)\n"
    "  --materials        start every mesh in its own materials and textures (key M)\n"
    "  --texture-sets     keep every mesh in its slot's texture set, also when a\n"
    "                     mesh is dropped (key M still switches)\n"
    "  --screenshot PATH  draw the scene without the overlay, write it to PATH as\n"
    "                     PNG and exit; works without a display\n"
    "  --thumbnail PATH   draw the one X FILE alone in its own materials, fitted, on\n"
    "                     a transparent background, write it to PATH as PNG and\n"
    "                     exit; never uses a display (for file managers)\n"
    "  --size N           with --screenshot, scale the picture down to fit N x N;\n"
    "                     with --thumbnail, its size (16 to 2048, default 256)\n"
    "  --frames N         with --screenshot or --thumbnail, frames to draw first\n"
    "                     (default 2)\n"
    "  --animation N|NAME play each model's animation set N (from 1) or NAME instead\n"
    "                     of its first\n"
    "  --time SECONDS     start the animations that many seconds in; with\n"
    "                     --screenshot or --thumbnail, the pose of the picture\n"
    "  --speed F          play the animations F times as fast (1/64 to 64)\n"
    "  --no-animation     show every model still, in the pose its file rests in\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "Mouse: left drag looks around, right drag pans, middle drag orbits, the wheel\n"
    "moves closer. Keys: space shows the control panel, Z the glow alone, X the\n"
    "scene without glow, F toggles fitting, M switches between the texture sets and\n"
    "the meshes' own materials, Escape quits. Animations: P plays or pauses, [ and ]\n"
    "choose the set, , and . step a thirtieth of a second, - and = halve or double\n"
    "the speed, Home goes to the start, L switches between looping and playing once.\n";

struct NumberOption {
    const char* name;
    int low, high;
    int ViewerOptions::*field;
};

const NumberOption kNumberOptions[] = {
    {"--grid", 1, 10, &ViewerOptions::gridSize},
    {"--size", 1, 16384, &ViewerOptions::screenshotSize},
    {"--frames", 1, 100000, &ViewerOptions::screenshotFrames},
};

// A finite number from low to high, in the C locale's notation.
bool ParseReal(const char* text, double low, double high, double& value) {
    if (!*text)
        return false;
    char* end = nullptr;
    errno = 0;
    double parsed = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

bool ParseInt(const char* text, int low, int high, int& value) {
    if (!*text)
        return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high)
        return false;
    value = int(parsed);
    return true;
}

std::string Absolute(const std::string& path, const std::string& workingDirectory) {
    if (path.empty() || path[0] == '/' || workingDirectory.empty())
        return path;
    if (workingDirectory.back() == '/')
        return workingDirectory + path;
    return workingDirectory + "/" + path;
}

class Parser {
public:
    Parser(int argc, const char* const* argv, const std::string& workingDirectory)
        : argc(argc), argv(argv), workingDirectory(workingDirectory) {}

    CommandLine Parse() {
        bool optionsEnded = false;
        bool sizeOrFramesGiven = false;
        for (index = 1; index < argc && result.action == CommandLineAction::Run; ++index) {
            std::string arg = argv[index];
            if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
                AddFile(arg);
            } else if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                result.action = CommandLineAction::ExitSuccess;
                result.output = std::string(kUsage) + kHelp;
            } else if (arg == "--version") {
                result.action = CommandLineAction::ExitSuccess;
                result.output = "zelqad " ZQ_VERSION "\n";
            } else if (arg == "--fixed") {
                result.options.fixedShading = true;
            } else if (arg == "--no-post") {
                result.options.postProcessingOff = true;
            } else if (arg == "--fit") {
                result.options.fit = true;
            } else if (arg == "--materials" || arg == "--texture-sets") {
                ChooseViews(arg);
            } else if (arg == "--no-animation") {
                result.options.animate = false;
            } else if (Matches(arg, "--animation")) {
                TakeAnimation(arg);
            } else if (Matches(arg, "--time") || Matches(arg, "--speed")) {
                TakeAnimationNumber(arg);
            } else if (Matches(arg, "--screenshot") || Matches(arg, "--thumbnail")) {
                TakePicturePath(arg);
            } else if (const NumberOption* number = FindNumberOption(arg)) {
                std::string value;
                if (!TakeValue(arg, number->name, value))
                    continue;
                if (!ParseInt(value.c_str(), number->low, number->high,
                              result.options.*number->field))
                    Usage(std::string("invalid value '") + value + "' for " + number->name +
                          " (a whole number from " + std::to_string(number->low) + " to " +
                          std::to_string(number->high) + ")");
                sizeOrFramesGiven |= number->field != &ViewerOptions::gridSize;
                framesGiven |= number->field == &ViewerOptions::screenshotFrames;
            } else {
                Usage("unrecognised option '" + arg + "'");
            }
        }
        if (result.action == CommandLineAction::Run && sizeOrFramesGiven &&
            result.options.screenshotPath.empty())
            Usage("--size and --frames go with --screenshot or --thumbnail");
        if (result.action == CommandLineAction::Run && result.options.thumbnail)
            CheckThumbnail();
        if (result.action == CommandLineAction::Run && !result.options.animate && animationGiven)
            Usage("--no-animation excludes --animation, --time and --speed");
        return result;
    }

private:
    void ChooseViews(const std::string& arg) {
        using Views = ViewerOptions::Views;
        Views chosen = arg == "--materials" ? Views::Materials : Views::TextureSets;
        if (result.options.views != Views::Automatic && result.options.views != chosen)
            Usage("--materials and --texture-sets exclude each other");
        result.options.views = chosen;
    }

    void TakePicturePath(const std::string& arg) {
        const bool thumbnail = Matches(arg, "--thumbnail");
        const char* name = thumbnail ? "--thumbnail" : "--screenshot";
        std::string value;
        if (!TakeValue(arg, name, value))
            return;
        if (value.empty()) {
            Usage(std::string(name) + " needs a file name");
            return;
        }
        if (!result.options.screenshotPath.empty() && result.options.thumbnail != thumbnail) {
            Usage("--screenshot and --thumbnail exclude each other");
            return;
        }
        result.options.screenshotPath = Absolute(value, workingDirectory);
        result.options.thumbnail = thumbnail;
    }

    void TakeAnimation(const std::string& arg) {
        std::string value;
        if (!TakeValue(arg, "--animation", value))
            return;
        if (value.empty()) {
            Usage("--animation needs a set's number or name");
            return;
        }
        result.options.animation = value;
        animationGiven = true;
    }

    void TakeAnimationNumber(const std::string& arg) {
        const bool time = Matches(arg, "--time");
        const char* name = time ? "--time" : "--speed";
        std::string value;
        if (!TakeValue(arg, name, value))
            return;
        animationGiven = true;
        if (time && !ParseReal(value.c_str(), 0, 1e9, result.options.animationTime))
            Usage("invalid value '" + value + "' for --time (seconds, 0 or more)");
        else if (!time && !ParseReal(value.c_str(), 1.0 / 64, 64, result.options.animationSpeed))
            Usage("invalid value '" + value + "' for --speed (a factor from 1/64 to 64)");
    }

    // One instance of the one mesh, fitted, in its own materials unless the
    // texture sets were asked for.
    void CheckThumbnail() {
        ViewerOptions& options = result.options;
        if (options.meshFiles.size() != 1 || !options.textureFiles.empty()) {
            Usage("--thumbnail draws exactly one X file");
            return;
        }
        if (options.screenshotSize == 0)
            options.screenshotSize = kThumbnailDefaultSize;
        if (options.screenshotSize < kThumbnailMinSize ||
            options.screenshotSize > kThumbnailMaxSize) {
            Usage("invalid value '" + std::to_string(options.screenshotSize) +
                  "' for --size with --thumbnail (a whole number from " +
                  std::to_string(kThumbnailMinSize) + " to " + std::to_string(kThumbnailMaxSize) +
                  ")");
            return;
        }
        options.gridSize = 1;
        options.fit = true;
        // One frame shows the model: nothing in it settles over frames.
        if (!framesGiven)
            options.screenshotFrames = 1;
        if (options.views == ViewerOptions::Views::Automatic)
            options.views = ViewerOptions::Views::Materials;
    }

    // "--name" alone or "--name=value".
    static bool Matches(const std::string& arg, const char* name) {
        std::size_t length = std::strlen(name);
        return arg.compare(0, length, name) == 0 && (arg.size() == length || arg[length] == '=');
    }

    static const NumberOption* FindNumberOption(const std::string& arg) {
        for (const NumberOption& option : kNumberOptions)
            if (Matches(arg, option.name))
                return &option;
        return nullptr;
    }

    // The option's value, from "--name=value" or the next argument.
    bool TakeValue(const std::string& arg, const char* name, std::string& value) {
        std::size_t length = std::strlen(name);
        if (arg.size() > length) {
            value = arg.substr(length + 1);
            return true;
        }
        if (index + 1 >= argc) {
            Usage(std::string("option '") + name + "' needs a value");
            return false;
        }
        value = argv[++index];
        return true;
    }

    void AddFile(const std::string& arg) {
        bool mesh = IsMeshFileName(arg);
        std::vector<std::string>& files =
            mesh ? result.options.meshFiles : result.options.textureFiles;
        if (files.size() >= std::size_t(kContentSlots)) {
            result.errors += "zelqad: " + arg + ": ignored: the viewer shows two " +
                             (mesh ? "meshes" : "texture sets") + "\n";
            return;
        }
        files.push_back(Absolute(arg, workingDirectory));
    }

    void Usage(const std::string& message) {
        result.action = CommandLineAction::ExitUsage;
        result.errors = "zelqad: " + message + "\n" + kUsage + "Try 'zelqad --help' for more.\n";
    }

    int argc;
    const char* const* argv;
    const std::string& workingDirectory;
    int index = 1;
    bool framesGiven = false;
    bool animationGiven = false;
    CommandLine result;
};

} // namespace

bool IsMeshFileName(const std::string& path) {
    std::size_t n = path.size();
    return n >= 2 && path[n - 2] == '.' && (path[n - 1] == 'x' || path[n - 1] == 'X');
}

CommandLine ParseCommandLine(int argc, const char* const* argv,
                             const std::string& workingDirectory) {
    return Parser(argc, argv, workingDirectory).Parse();
}
