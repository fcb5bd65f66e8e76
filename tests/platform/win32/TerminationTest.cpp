// Each case runs in a child process of its own (gtest's exit tests), since a
// termination signal, once seen, stays for the rest of the process.
#include "platform/win32/termination.h"
#include "platform/win32/scripted_win32.h"
#include "platform/win32/win32.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

class TerminationTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

// Ends the child with status 0 when the condition holds, else says why.
void ExitWith(bool passed, const char* what) {
    if (!passed)
        std::fprintf(stderr, "not so: %s\n", what);
    std::_Exit(passed ? 0 : 2);
}

// In the child: after the cause, the message loop gets one WM_QUIT and no
// box is shown (its text goes to stderr).
template <typename Cause>
void EndTheLoopBy(Cause cause) {
    ScriptedWin32 backend;
    SetWin32Backend(&backend);
    EndOnTerminationSignals();
    MSG msg;
    bool idleBefore = !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    cause();
    bool quit = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT;
    bool once = !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    MessageBoxA(nullptr, "Failed: Load Mesh from X", "Failed", MB_OK);
    ExitWith(idleBefore && quit && once && backend.messageBoxes.empty() && TerminationRequested(),
             "one WM_QUIT and no box after the cause");
}

} // namespace

TEST_F(TerminationTest, SignalEndsTheMessageLoopOnceAndShowsNoMoreBoxes) {
    for (int signal : {SIGTERM, SIGINT}) {
        EXPECT_EXIT(EndTheLoopBy([signal] { std::raise(signal); }), ::testing::ExitedWithCode(0),
                    "^zelqad: Failed: Load Mesh from X\n$");
    }
}

// What the platform layer finds itself, such as a lost display, ends the
// program the same way.
TEST_F(TerminationTest, RequestedTerminationEndsTheMessageLoopAsASignalDoes) {
    EXPECT_EXIT(EndTheLoopBy(RequestTermination), ::testing::ExitedWithCode(0),
                "^zelqad: Failed: Load Mesh from X\n$");
}

TEST_F(TerminationTest, SignalInheritedAsIgnoredStaysIgnored) {
    EXPECT_EXIT(
        {
            std::signal(SIGINT, SIG_IGN);
            EndOnTerminationSignals();
            std::raise(SIGINT);
            ExitWith(!TerminationRequested(), "an ignored SIGINT was taken");
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(TerminationTest, SecondSignalEndsTheProcessAtOnce) {
    EXPECT_EXIT(
        {
            EndOnTerminationSignals();
            std::raise(SIGTERM);
            std::raise(SIGTERM);
            ExitWith(false, "still running after the second signal");
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

// A signal, or a request from another thread (a close request seen while
// the box is up), ends the box's process.
TEST_F(TerminationTest, SignalOrRequestWhileABoxIsUpEndsTheBoxProcess) {
    const std::function<void()> causes[] = {[] { std::raise(SIGTERM); },
                                            [] { std::thread(RequestTermination).join(); }};
    for (const std::function<void()>& cause : causes) {
        EXPECT_EXIT(
            {
                EndOnTerminationSignals();
                ModalBoxScope box;
                pid_t child = fork();
                if (child == 0) {
                    alarm(60); // ends a box that nothing ends, so the case fails
                    pause();   // the box, waiting for an answer
                    std::_Exit(0);
                }
                cause();
                int status = 0;
                waitpid(child, &status, 0);
                ExitWith(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
                         "the box process was not ended");
            },
            ::testing::ExitedWithCode(0), "");
    }
}

TEST_F(TerminationTest, BoxProcessForkedAfterTheSignalEndsItself) {
    EXPECT_EXIT(
        {
            EndOnTerminationSignals();
            ModalBoxScope box;
            std::raise(SIGTERM);
            pid_t child = fork();
            if (child == 0)
                std::_Exit(0); // a box would have come up here
            int status = 0;
            waitpid(child, &status, 0);
            ExitWith(WIFEXITED(status) && WEXITSTATUS(status) == 1, "the late box process went on");
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(TerminationTest, ChildrenOutsideABoxAreLeftAlone) {
    EXPECT_EXIT(
        {
            EndOnTerminationSignals();
            int pipeEnds[2];
            if (pipe(pipeEnds) != 0)
                ExitWith(false, "no pipe");
            pid_t child = fork();
            if (child == 0) {
                char byte;
                close(pipeEnds[1]);
                std::_Exit(read(pipeEnds[0], &byte, 1) == 1 ? 0 : 3);
            }
            close(pipeEnds[0]);
            std::raise(SIGTERM);
            // The child ends normally once told to, unless the signal ended it.
            bool told = write(pipeEnds[1], "x", 1) == 1;
            int status = 0;
            waitpid(child, &status, 0);
            ExitWith(told && WIFEXITED(status) && WEXITSTATUS(status) == 0,
                     "a child was ended outside a box");
        },
        ::testing::ExitedWithCode(0), "");
}
