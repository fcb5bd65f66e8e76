// The command line: options and their values, files by kind into slots,
// and the outcomes that end the program before a window opens.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<const char*>;

CommandLine Parse(const Args& args, const std::string& cwd = "/home/u") {
    Args argv{"zelqad"};
    argv.insert(argv.end(), args.begin(), args.end());
    return ParseCommandLine(int(argv.size()), argv.data(), cwd);
}

using Files = std::vector<std::string>;

} // namespace

TEST(CommandLineTest, NoArgumentsRunTheDefaultViewer) {
    CommandLine line = Parse({});
    EXPECT_EQ(line.action, CommandLineAction::Run);
    EXPECT_EQ(line.options.gridSize, 5);
    EXPECT_FALSE(line.options.fixedShading);
    EXPECT_FALSE(line.options.postProcessingOff);
    EXPECT_FALSE(line.options.fit);
    EXPECT_TRUE(line.options.screenshotPath.empty());
    EXPECT_EQ(line.options.screenshotFrames, 2);
    EXPECT_TRUE(line.options.meshFiles.empty());
    EXPECT_TRUE(line.errors.empty());
    EXPECT_TRUE(line.output.empty());
}

TEST(CommandLineTest, HelpAndVersionPrintAndEndWithSuccess) {
    CommandLine help = Parse({"--fixed", "--help", "--bogus"});
    EXPECT_EQ(help.action, CommandLineAction::ExitSuccess);
    EXPECT_EQ(help.output.rfind("Usage: zelqad [OPTION]... [FILE]...\n", 0), 0u);
    EXPECT_NE(help.output.find("--screenshot PATH"), std::string::npos);
    CommandLine version = Parse({"--version"});
    EXPECT_EQ(version.action, CommandLineAction::ExitSuccess);
    EXPECT_EQ(version.output, "zelqad " ZQ_VERSION "\n");
}

TEST(CommandLineTest, OptionsStartTheViewerInTheirStates) {
    CommandLine line = Parse({"--grid", "10", "--fixed", "--no-post", "--fit", "--screenshot",
                              "out.png", "--size=256", "--frames", "7"});
    ASSERT_EQ(line.action, CommandLineAction::Run) << line.errors;
    EXPECT_EQ(line.options.gridSize, 10);
    EXPECT_TRUE(line.options.fixedShading);
    EXPECT_TRUE(line.options.postProcessingOff);
    EXPECT_TRUE(line.options.fit);
    EXPECT_EQ(line.options.screenshotPath, "/home/u/out.png");
    EXPECT_EQ(line.options.screenshotSize, 256);
    EXPECT_EQ(line.options.screenshotFrames, 7);
    EXPECT_EQ(Parse({"--grid=1"}).options.gridSize, 1);
}

TEST(CommandLineTest, BadOptionsAndValuesEndWithAUsageError) {
    for (const Args& args : std::vector<Args>{{"--bogus"},
                                              {"-q"},
                                              {"--grid"},
                                              {"--grid", "0"},
                                              {"--grid", "11"},
                                              {"--grid", "5x"},
                                              {"--grid", ""},
                                              {"--grid", "99999999999999999999"},
                                              {"--screenshot"},
                                              {"--screenshot="},
                                              {"--screenshot", "a.png", "--size", "-3"},
                                              {"--screenshot", "a.png", "--frames", "0"},
                                              {"--size", "64"},  // without a picture to scale
                                              {"--frames", "3"}, // nor one to wait for
                                              {"--fixedx"}}) {
        CommandLine line = Parse(args);
        std::string joined;
        for (const char* arg : args)
            joined += std::string(arg) + " ";
        EXPECT_EQ(line.action, CommandLineAction::ExitUsage) << joined;
        EXPECT_EQ(line.errors.rfind("zelqad: ", 0), 0u) << joined;
        EXPECT_NE(line.errors.find("Try 'zelqad --help'"), std::string::npos) << joined;
    }
    EXPECT_NE(Parse({"--grid", "11"}).errors.find("'11' for --grid"), std::string::npos);
    EXPECT_NE(Parse({"--bogus"}).errors.find("'--bogus'"), std::string::npos);
}

TEST(CommandLineTest, FilesGoToTheNextSlotOfTheirKindAndTheRestAreReported) {
    CommandLine line =
        Parse({"a.x", "tex.png", "/abs/b.X", "c.x", "d.dds", "e.tga", "--", "--odd.x"});
    ASSERT_EQ(line.action, CommandLineAction::Run);
    EXPECT_EQ(line.options.meshFiles, (Files{"/home/u/a.x", "/abs/b.X"}));
    EXPECT_EQ(line.options.textureFiles, (Files{"/home/u/tex.png", "/home/u/d.dds"}));
    // The extra files are named, once each, and the viewer still starts.
    EXPECT_EQ(line.errors, "zelqad: c.x: ignored: the viewer shows two meshes\n"
                           "zelqad: e.tga: ignored: the viewer shows two texture sets\n"
                           "zelqad: --odd.x: ignored: the viewer shows two meshes\n");
    // Relative names keep naming the same files after a change of directory.
    EXPECT_EQ(Parse({"../m.x"}, "/w/").options.meshFiles, (Files{"/w/../m.x"}));
}

TEST(CommandLineTest, MeshFilesAreThoseEndingInDotX) {
    EXPECT_TRUE(IsMeshFileName("a.x"));
    EXPECT_TRUE(IsMeshFileName("/d.dir/MODEL.X"));
    EXPECT_FALSE(IsMeshFileName("a.xx"));
    EXPECT_FALSE(IsMeshFileName("x"));
    EXPECT_FALSE(IsMeshFileName("a.x.png"));
    EXPECT_FALSE(IsMeshFileName(""));
}

TEST(CommandLineTest, ViewsAreChosenOnceForEverySlot) {
    EXPECT_EQ(Parse({}).options.views, ViewerOptions::Views::Automatic);
    EXPECT_EQ(Parse({"--materials"}).options.views, ViewerOptions::Views::Materials);
    EXPECT_EQ(Parse({"--texture-sets", "--texture-sets"}).options.views,
              ViewerOptions::Views::TextureSets);
    CommandLine both = Parse({"--materials", "--texture-sets"});
    EXPECT_EQ(both.action, CommandLineAction::ExitUsage);
    EXPECT_EQ(both.errors.rfind("zelqad: --materials and --texture-sets exclude each other\n", 0),
              0u)
        << both.errors;
}

TEST(CommandLineTest, AThumbnailIsOneFittedModelInItsMaterialsAtItsSize) {
    CommandLine line = Parse({"--size", "128", "--thumbnail", "/t/out.png", "--", "m.x"});
    ASSERT_EQ(line.action, CommandLineAction::Run) << line.errors;
    EXPECT_TRUE(line.options.thumbnail);
    EXPECT_EQ(line.options.screenshotPath, "/t/out.png");
    EXPECT_EQ(line.options.screenshotSize, 128);
    EXPECT_EQ(line.options.meshFiles, (Files{"/home/u/m.x"}));
    EXPECT_EQ(line.options.gridSize, 1);
    EXPECT_TRUE(line.options.fit);
    EXPECT_EQ(line.options.views, ViewerOptions::Views::Materials);
    EXPECT_EQ(Parse({"--thumbnail=o.png", "m.x"}).options.screenshotSize, 256);
    EXPECT_EQ(Parse({"--thumbnail=o.png", "--texture-sets", "m.x"}).options.views,
              ViewerOptions::Views::TextureSets);
    EXPECT_EQ(Parse({"--thumbnail=o.png", "--size=16", "m.x"}).action, CommandLineAction::Run);
    EXPECT_EQ(Parse({"--thumbnail=o.png", "--size=2048", "m.x"}).action, CommandLineAction::Run);

    const std::pair<Args, const char*> refused[] = {
        {{"--thumbnail=o.png"}, "--thumbnail draws exactly one X file"},
        {{"--thumbnail=o.png", "a.x", "b.x"}, "--thumbnail draws exactly one X file"},
        {{"--thumbnail=o.png", "a.x", "t.png"}, "--thumbnail draws exactly one X file"},
        {{"--thumbnail=o.png", "--size=15", "a.x"},
         "invalid value '15' for --size with --thumbnail (a whole number from 16 to 2048)"},
        {{"--thumbnail=o.png", "--size=2049", "a.x"},
         "invalid value '2049' for --size with --thumbnail (a whole number from 16 to 2048)"},
        {{"--thumbnail=o.png", "--screenshot=s.png", "a.x"},
         "--screenshot and --thumbnail exclude each other"},
        {{"--thumbnail=", "a.x"}, "--thumbnail needs a file name"},
    };
    for (const auto& [args, reason] : refused) {
        CommandLine refusal = Parse(args);
        EXPECT_EQ(refusal.action, CommandLineAction::ExitUsage) << reason;
        EXPECT_EQ(refusal.errors.rfind(std::string("zelqad: ") + reason + "\n", 0), 0u)
            << refusal.errors;
    }
}

TEST(CommandLineTest, AnimationOptionsChooseTheSetTimeAndSpeed) {
    const ViewerOptions plain = Parse({}).options;
    EXPECT_TRUE(plain.animate);
    EXPECT_EQ(plain.animation, "");
    EXPECT_EQ(plain.animationTime, 0.0);
    EXPECT_EQ(plain.animationSpeed, 1.0);

    CommandLine line = Parse({"--animation", "Walk", "--time=1.25", "--speed", "0.015625"});
    ASSERT_EQ(line.action, CommandLineAction::Run) << line.errors;
    EXPECT_EQ(line.options.animation, "Walk");
    EXPECT_EQ(line.options.animationTime, 1.25);
    EXPECT_EQ(line.options.animationSpeed, 1.0 / 64);
    EXPECT_EQ(Parse({"--animation=2", "--speed=64"}).options.animation, "2");
    EXPECT_FALSE(Parse({"--no-animation"}).options.animate);

    struct Refusal {
        Args args;
        const char* first;
    } refusals[] = {
        {{"--animation="}, "zelqad: --animation needs a set's number or name\n"},
        {{"--time", "-1"}, "zelqad: invalid value '-1' for --time (seconds, 0 or more)\n"},
        {{"--time", "nan"}, "zelqad: invalid value 'nan' for --time (seconds, 0 or more)\n"},
        {{"--time", "1,5"}, "zelqad: invalid value '1,5' for --time (seconds, 0 or more)\n"},
        {{"--speed", "65"}, "zelqad: invalid value '65' for --speed (a factor from 1/64 to 64)\n"},
        {{"--speed", "0"}, "zelqad: invalid value '0' for --speed (a factor from 1/64 to 64)\n"},
        {{"--speed"}, "zelqad: option '--speed' needs a value\n"},
        {{"--no-animation", "--time", "2"},
         "zelqad: --no-animation excludes --animation, --time and --speed\n"},
    };
    for (const Refusal& refusal : refusals) {
        CommandLine refused = Parse(refusal.args);
        EXPECT_EQ(refused.action, CommandLineAction::ExitUsage) << refusal.first;
        EXPECT_EQ(refused.errors.rfind(refusal.first, 0), 0u) << refused.errors;
    }
}
