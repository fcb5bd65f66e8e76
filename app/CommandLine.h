// The viewer's command line, `zelqad [OPTION]... [FILE]...`, read before the
// window opens. Files replace the meshes and texture sets as drops would;
// options start the viewer in the states its buttons would give, or make it
// draw one picture into a file and end.
#pragma once

#include <string>
#include <vector>

struct ViewerOptions {
    // Absolute paths, in the order given: the first replaces slot 0, the
    // second slot 1.
    std::vector<std::string> meshFiles;
    std::vector<std::string> textureFiles;
    int gridSize = 5;
    bool fixedShading = false;
    bool postProcessingOff = false;
    bool fit = false;
    // Empty for the interactive viewer; else the PNG file to write.
    std::string screenshotPath;
    // The picture is scaled down to fit size x size; 0 keeps it whole.
    int screenshotSize = 0;
    // Frames drawn, once every file is loaded, before the picture is taken.
    int screenshotFrames = 2;
    // The picture is a thumbnail of the one named mesh (screenshotPath is
    // its file): the model alone in its own materials, fitted, on a
    // transparent background, drawn at its size; never on a display.
    bool thumbnail = false;
    // Which view the slots show: each subset in its own material, or the
    // slot's texture set. Automatic: the texture sets at start-up and after
    // a device reset, a slot's materials once a file's mesh is put in it.
    enum class Views { Automatic, Materials, TextureSets };
    Views views = Views::Automatic;
    // The animation sets of the models: whether they play, which one (by
    // number from 1 or by name; empty: each file's first), from which time
    // in seconds (a picture's pose), and how fast.
    bool animate = true;
    std::string animation;
    double animationTime = 0;
    double animationSpeed = 1;
};

// Thumbnails: sizes file managers may ask for, the size when none is given,
// and the largest model file drawn (a file manager asks for every file of a
// folder it shows).
constexpr int kThumbnailMinSize = 16;
constexpr int kThumbnailMaxSize = 2048;
constexpr int kThumbnailDefaultSize = 256;
constexpr long long kThumbnailMaxFileBytes = 100LL << 20;

enum class CommandLineAction {
    Run,         // start the viewer with the options
    ExitSuccess, // --help or --version: print `output`, status 0
    ExitUsage,   // a bad option: print `errors`, status 2
};

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    ViewerOptions options;
    std::string output; // for stdout
    std::string errors; // for stderr; with Run, files that are ignored
};

// `workingDirectory` makes relative file names absolute, so that they keep
// naming the same files whatever directory the viewer later works in.
CommandLine ParseCommandLine(int argc, const char* const* argv,
                             const std::string& workingDirectory);

// True for a file the viewer takes as a mesh: its name ends in ".x", in any
// case. Everything else is tried as an image.
bool IsMeshFileName(const std::string& path);
