// The loader's hand-over between the worker and the frame thread: order,
// superseded loads, cancellation and waiting, with preparations the test
// holds back.
#include "app/ContentLoader.h"
#include "tests/app/HeldLoad.h"

#include <gtest/gtest.h>

namespace {

constexpr DropTarget kMesh0{DropContent::Mesh, 0};
constexpr DropTarget kMesh1{DropContent::Mesh, 1};
constexpr DropTarget kTextures0{DropContent::TextureSet, 0};

LoadRequest Request(DropTarget target, const std::string& path) {
    LoadRequest request;
    request.target = target;
    request.path = path;
    return request;
}

// A preparation that only says which file it was given.
void Echo(LoadResult& result) {
    result.prepared = true;
    result.failure = "prepared " + result.request.path;
}

std::vector<std::string> Paths(const std::vector<std::unique_ptr<LoadResult>>& results) {
    std::vector<std::string> paths;
    for (const auto& result : results)
        paths.push_back(result->request.path);
    return paths;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(ContentLoaderTest, FinishedLoadsComeOutOnceInTheOrderAskedFor) {
    ContentLoader loader(Echo);
    loader.Request(Request(kMesh0, "a.x"));
    loader.Request(Request(kTextures0, "t.png"));
    loader.Request(Request(kMesh1, "b.x"));
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    auto finished = loader.TakeFinished();
    EXPECT_EQ(Paths(finished), (Strings{"a.x", "t.png", "b.x"}));
    EXPECT_TRUE(finished[1]->prepared);
    EXPECT_EQ(finished[1]->request.target.content, DropContent::TextureSet);
    EXPECT_EQ(finished[2]->failure, "prepared b.x");
    EXPECT_TRUE(loader.TakeFinished().empty());
    ContentLoader::Activity activity;
    EXPECT_FALSE(loader.Busy(activity));
}

TEST(ContentLoaderTest, ASecondLoadForATargetSupersedesTheFirstWhereverItIs) {
    HeldLoad hold(Echo);
    ContentLoader loader(hold.Preparer());
    loader.Request(Request(kMesh1, "running.x"));
    ASSERT_TRUE(hold.WaitEntered(1));
    loader.Request(Request(kMesh0, "other.x"));
    loader.Request(Request(kMesh1, "waiting.x"));
    loader.Request(Request(kMesh1, "last.x"));
    // The running load was told to stop; the waiting one never started.
    EXPECT_FALSE(loader.WaitIdle(50));
    hold.Open();
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    EXPECT_EQ(hold.cancelled, 1);
    EXPECT_EQ(hold.Entered(), (Strings{"running.x", "other.x", "last.x"}));
    EXPECT_EQ(Paths(loader.TakeFinished()), (Strings{"other.x", "last.x"}));

    // A finished load not yet taken over gives way to a newer one too.
    loader.Request(Request(kMesh0, "first.x"));
    loader.WaitIdle(ContentLoader::kForever);
    loader.Request(Request(kMesh0, "second.x"));
    loader.WaitIdle(ContentLoader::kForever);
    EXPECT_EQ(Paths(loader.TakeFinished()), (Strings{"second.x"}));
    EXPECT_FALSE(hold.gaveWay);
}

TEST(ContentLoaderTest, BusySaysWhatIsLoadingAndHowFar) {
    HeldLoad hold(Echo);
    ContentLoader loader(hold.Preparer());
    loader.Request(Request(kTextures0, "/maps/rock.png"));
    loader.Request(Request(kMesh1, "next.x"));
    ASSERT_TRUE(hold.WaitEntered(1));
    ContentLoader::Activity activity;
    ASSERT_TRUE(loader.Busy(activity));
    EXPECT_EQ(activity.path, "/maps/rock.png");
    EXPECT_EQ(activity.target.content, DropContent::TextureSet);
    EXPECT_EQ(activity.permille, 250u); // the hold reports a quarter done
    EXPECT_EQ(activity.waiting, 1);
    hold.Open();
    loader.WaitIdle(ContentLoader::kForever);
    EXPECT_FALSE(loader.Busy(activity));
}

TEST(ContentLoaderTest, CancellingOrEndingDoesNotWaitForALoadToFinish) {
    auto hold = std::make_unique<HeldLoad>(Echo);
    {
        ContentLoader loader(hold->Preparer());
        loader.Request(Request(kMesh0, "a.x"));
        loader.Request(Request(kMesh1, "b.x"));
        ASSERT_TRUE(hold->WaitEntered(1));
        loader.CancelAll();
        ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
        EXPECT_TRUE(loader.TakeFinished().empty());
        EXPECT_EQ(hold->Entered(), Strings{"a.x"});
        // The loader can be used again.
        loader.Request(Request(kMesh0, "c.x"));
        ASSERT_TRUE(hold->WaitEntered(2));
        // Going away with a load held: the destructor cancels and joins.
    }
    EXPECT_EQ(hold->cancelled, 2);
    EXPECT_FALSE(hold->gaveWay);
}

TEST(ContentLoaderTest, TheRealPreparationSaysWhyAFileFailed) {
    ContentLoader loader;
    // Whether or not a fallback stands in, the dropped file itself failed.
    loader.Request(Request(kTextures0, "/nonexistent/zq-missing.png"));
    loader.WaitIdle(ContentLoader::kForever);
    auto finished = loader.TakeFinished();
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0]->failure, "No such file or directory");

    // A mesh read on the worker: the reason is the system's, carried over
    // from the worker's thread.
    loader.Request(Request(kMesh0, "/nonexistent/zq-missing.x"));
    loader.Request(Request(kMesh1, "/"));
    loader.WaitIdle(ContentLoader::kForever);
    finished = loader.TakeFinished();
    ASSERT_EQ(finished.size(), 2u);
    EXPECT_FALSE(finished[0]->prepared);
    EXPECT_EQ(finished[0]->failure, "No such file or directory");
    EXPECT_FALSE(finished[1]->prepared);
    EXPECT_FALSE(finished[1]->failure.empty());
}

// Results the frame thread is done with, and finished ones that give way to
// newer loads, are freed by the loader; it is idle once they are.
TEST(ContentLoaderTest, HandedBackAndSupersededResultsAreFreedByTheLoader) {
    const std::string cube =
        std::string(ZQ_SOURCE_DIR) + "/tests/utility/xfile/data/assimp_cube_text/cube_text.x";
    const long before = LiveDirect3DObjects();
    ContentLoader loader;
    loader.Request(Request(kMesh0, cube));
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    auto finished = loader.TakeFinished();
    ASSERT_EQ(finished.size(), 1u);
    ASSERT_NE(finished[0]->mesh.mesh, nullptr);
    EXPECT_GT(LiveDirect3DObjects(), before);
    loader.Discard(std::move(finished[0]));
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    EXPECT_EQ(LiveDirect3DObjects(), before);

    loader.Request(Request(kMesh0, cube));
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    loader.Request(Request(kMesh0, cube)); // the first, finished, gives way
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    finished = loader.TakeFinished();
    ASSERT_EQ(finished.size(), 1u);
    loader.Discard(std::move(finished[0]));
    loader.CancelAll();
    ASSERT_TRUE(loader.WaitIdle(ContentLoader::kForever));
    EXPECT_EQ(LiveDirect3DObjects(), before);
}
