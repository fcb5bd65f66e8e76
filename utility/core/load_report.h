// What a file load running on this thread reports beyond its result code:
// why it failed, in words a user can act on, and how far it has got. A load
// may run on a worker thread while the window goes on drawing; the thread
// that started it can ask it to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Where in a file a load failed. Byte offsets count from 0 at the start of
// the file, or, in a compressed file, at the start of its body as it
// inflates (what follows the header); lines count from 1 and are given for
// text that is not compressed.
struct LoadPosition {
    bool known = false;
    bool inflated = false; // `byte` counts in the inflated body
    std::uint64_t byte = 0;
    std::uint64_t line = 0; // 0 where the file is not plain text
};

// How a failure message names the position: "line 212", "byte 1234" or
// "byte 1234 of the inflated body"; empty when it is not known.
std::string DescribeLoadPosition(const LoadPosition& position);

// Why the last failed read or decode on this thread failed: the system's
// error text ("No such file or directory"), or the decoder's ("not a PNG
// file"), after its position where one was given ("line 3: Mesh: ...").
// Empty once cleared.
const char* LoadFailure();
// Where the failure LoadFailure() gives happened; not known when it was set
// without a position.
LoadPosition LoadFailurePosition();
void ClearLoadFailure();
// printf-style. Keeps the first reason set since the last clear, so the
// innermost cause (the system's error) is not overwritten by the callers
// that merely pass the failure on.
void SetLoadFailure(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same for a failure at `position` in the file.
void SetLoadFailureAt(const LoadPosition& position, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// LoadFailure(), or a plain "cannot be read" when nothing set one.
const char* LoadFailureReason();

// Writes "<program>: <path>: <reason>" to stderr, with `consequence`
// appended after "; " when given.
void ReportFileFailure(const char* path, const char* reason, const char* consequence = nullptr);
// The same with LoadFailureReason(), which it then clears.
void ReportLoadFailure(const char* path, const char* consequence = nullptr);

// Shared between the thread that asked for a load and the thread running it.
struct LoadProgress {
    std::atomic<bool> cancelled{false};
    // How far the load has got, 0 to 1000; it only grows, however the
    // threads of a load report.
    std::atomic<std::uint32_t> permille{0};
    // For tests that act at a point of a load: called on the reporting
    // thread each time the load gets further, with the new permille. Set
    // before the load starts.
    void (*onAdvance)(LoadProgress& progress, std::uint32_t permille) = nullptr;
};

// A thread's load and the share of it [first, last) (permille) that its
// reports fill: what a second thread doing part of the same step takes up.
struct LoadShare {
    LoadProgress* progress = nullptr;
    std::uint32_t first = 0;
    std::uint32_t last = 1000;
};
LoadShare CurrentLoadShare();

// Makes `progress` the one that the loads on this thread report to and take
// their cancellation from, until the scope ends, its whole range theirs; or
// takes up another thread's share. Scopes nest.
class LoadProgressScope {
public:
    explicit LoadProgressScope(LoadProgress* progress);
    explicit LoadProgressScope(const LoadShare& share);
    ~LoadProgressScope();
    LoadProgressScope(const LoadProgressScope&) = delete;
    LoadProgressScope& operator=(const LoadProgressScope&) = delete;

private:
    LoadShare outer;
};

// Makes the progress reported on this thread, while it lives, fill only
// [first, last) of the whole (permille), so that each step of a load of
// several steps reports its own share from 0 to all done. Spans nest.
class LoadProgressSpan {
public:
    LoadProgressSpan(std::uint32_t first, std::uint32_t last);
    ~LoadProgressSpan();
    LoadProgressSpan(const LoadProgressSpan&) = delete;
    LoadProgressSpan& operator=(const LoadProgressSpan&) = delete;

private:
    std::uint32_t outerFirst, outerLast;
};

// True when the load on this thread has been asked to stop: long loops check
// it now and then and give up with a failure.
bool LoadCancelled();
// Records `done` of `total` units of work; callers report from long loops.
void ReportLoadProgress(std::uint64_t done, std::uint64_t total);

// For the steps of long loops: every 65536th step reports `done` of `total`
// and tells whether the load was cancelled, so that the loop gives up.
inline bool LoadStepCancelled(std::uint64_t done, std::uint64_t total) {
    if (done % 65536 != 0)
        return false;
    ReportLoadProgress(done, total);
    return LoadCancelled();
}
