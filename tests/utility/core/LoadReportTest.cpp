#include "utility/core/load_report.h"
#include "utility/core/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

TEST(LoadReportTest, SpansGiveEachStepItsShareOfTheWhole) {
    LoadProgress progress;
    LoadProgressScope scope(&progress);
    ReportLoadProgress(1, 4);
    EXPECT_EQ(progress.permille, 250u);
    {
        LoadProgressSpan step(600, 800);
        ReportLoadProgress(1, 2);
        EXPECT_EQ(progress.permille, 700u);
        {
            LoadProgressSpan inner(500, 1000);
            ReportLoadProgress(0, 10);
            EXPECT_EQ(progress.permille, 700u);
            ReportLoadProgress(10, 10);
            EXPECT_EQ(progress.permille, 800u);
        }
        ReportLoadProgress(5, 4); // past the end is the end
        EXPECT_EQ(progress.permille, 800u);
    }
    ReportLoadProgress(1, 1);
    EXPECT_EQ(progress.permille, 1000u);
}

TEST(LoadReportTest, FailureReasonsAndProgressBelongToTheirThread) {
    ClearLoadFailure();
    SetLoadFailure("%s %d", "first", 1);
    SetLoadFailure("second");
    EXPECT_STREQ(LoadFailure(), "first 1");
    std::thread([] {
        EXPECT_STREQ(LoadFailure(), "");
        EXPECT_FALSE(LoadCancelled());
        EXPECT_EQ(CurrentLoadShare().progress, nullptr);
    }).join();
    ClearLoadFailure();
    EXPECT_STREQ(LoadFailure(), "");
}

TEST(LoadReportTest, WorkInParallelRunsBothSeesTheCancellationAndPassesOnFailures) {
    LoadProgress progress;
    progress.cancelled = true;
    LoadProgressScope scope(&progress);
    std::atomic<int> ran{0};
    std::atomic<bool> secondSawCancel{false};
    InParallel(
        kParallelWork, [&] { ran += 1; },
        [&] {
            ran += 2;
            secondSawCancel = LoadCancelled();
        });
    EXPECT_EQ(ran, 3);
    EXPECT_TRUE(secondSawCancel);
    // Too little work for a thread: both still run, in turn.
    ran = 0;
    InParallel(
        1, [&] { ran += 1; }, [&] { ran += 2; });
    EXPECT_EQ(ran, 3);

    bool firstRan = false;
    EXPECT_THROW(InParallel(
                     kParallelWork, [&] { firstRan = true; }, [] { throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_TRUE(firstRan);
}

TEST(LoadReportTest, ProgressOnlyGrowsAndAHelperThreadReportsInTheCallersStep) {
    LoadProgress progress;
    LoadProgressScope scope(&progress);
    ReportLoadProgress(1, 2);
    ReportLoadProgress(1, 4); // a slower thread of the same load
    EXPECT_EQ(progress.permille, 500u);
    LoadProgressSpan step(600, 800);
    InParallel(
        kParallelWork, [] {},
        [] {
            // The second thread's half-way is half-way through the step, not
            // through the whole load.
            ReportLoadProgress(1, 2);
        });
    EXPECT_EQ(progress.permille, 700u);
}

TEST(LoadReportTest, AFailureAtAPlaceStartsWithItAndKeepsIt) {
    LoadPosition line;
    line.known = true;
    line.byte = 99;
    line.line = 12;
    LoadPosition inflated = line;
    inflated.line = 0;
    inflated.inflated = true;
    ClearLoadFailure();
    SetLoadFailureAt(line, "Mesh: %s", "broken");
    SetLoadFailureAt(inflated, "later");
    EXPECT_STREQ(LoadFailure(), "line 12: Mesh: broken");
    EXPECT_EQ(LoadFailurePosition().line, 12u);
    EXPECT_EQ(LoadFailurePosition().byte, 99u);
    ClearLoadFailure();
    EXPECT_FALSE(LoadFailurePosition().known);
    SetLoadFailureAt(inflated, "damaged");
    EXPECT_STREQ(LoadFailure(), "byte 99 of the inflated body: damaged");
    ClearLoadFailure();
    LoadPosition byte = inflated;
    byte.inflated = false;
    EXPECT_EQ(DescribeLoadPosition(byte), "byte 99");
    EXPECT_EQ(DescribeLoadPosition(LoadPosition()), "");
}
