// Files dropped on the window, or named on the command line, are read and
// prepared on a worker thread while the frame loop goes on drawing with what
// the slots hold. The worker never touches the device: the frame thread
// takes the finished loads over and makes their device objects.
#pragma once

#include "mesh/DropRouting.h"
#include "mesh/MeshSlot.h"
#include "mesh/TextureSet.h"
#include "utility/core/load_report.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct LoadRequest {
    DropTarget target{DropContent::Mesh, 0};
    std::string path;
    // The largest texture the device takes, read on the frame thread.
    UINT maxTextureWidth = 0;
    UINT maxTextureHeight = 0;
    // What a mesh's load may take in memory (see PrepareMeshSlot).
    std::size_t memoryBudget = kViewerLoadBudget;
};

// What a finished load hands over to the frame thread.
struct LoadResult {
    LoadRequest request;
    // The preparation's result; `failure` says why it is false.
    bool prepared = false;
    std::string failure;
    PreparedMesh mesh;
    PreparedTextureSet textures;
};

// Fills a result from its request on the worker thread; it may take a while,
// checks LoadCancelled() and reports progress.
using ContentPreparer = std::function<void(LoadResult&)>;

// The real preparation: PrepareMeshSlot or PrepareTextureSet. Memory that
// runs out fails it, "out of memory".
void PrepareContent(LoadResult& result);

class ContentLoader {
public:
    explicit ContentLoader(ContentPreparer preparer = PrepareContent);
    // Cancels what is left and waits for the worker, which stops at its
    // next check.
    ~ContentLoader();
    ContentLoader(const ContentLoader&) = delete;
    ContentLoader& operator=(const ContentLoader&) = delete;

    // Queues a load. One that is still waiting or running for the same
    // target is superseded: cancelled, and its result never handed over.
    void Request(LoadRequest request);

    // Waits until no load is waiting or running and nothing handed back is
    // left to free, for at most `milliseconds` (kForever: no limit). True
    // when none is left.
    static constexpr std::uint32_t kForever = UINT32_MAX;
    bool WaitIdle(std::uint32_t milliseconds);

    // The loads finished since the last call, in the order they were asked
    // for.
    std::vector<std::unique_ptr<LoadResult>> TakeFinished();

    // Hands back a result the frame thread is done with. What it still
    // holds (a big model's arrays) is freed by the worker, so that no frame
    // waits for it.
    void Discard(std::unique_ptr<LoadResult> result);

    // The load the worker is on, for the overlay.
    struct Activity {
        std::string path;
        DropTarget target{DropContent::Mesh, 0};
        std::uint32_t permille = 0;
        int waiting = 0; // loads queued behind it
    };
    bool Busy(Activity& activity) const;

    // Cancels every load, waiting or running, and forgets finished ones.
    void CancelAll();

private:
    struct Job {
        std::unique_ptr<LoadResult> result;
        // Cancelled: superseded, or all cancelled; its result is dropped.
        LoadProgress progress;
    };

    void Work();
    bool IdleLocked() const { return waiting.empty() && !running && discarded.empty() && !freeing; }
    // Frees the discarded results outside the lock, then gives the memory
    // back to the system; with `lock` held on entry and on return.
    void FreeDiscarded(std::unique_lock<std::mutex>& lock);
    void SupersedeLocked(const DropTarget& target);

    ContentPreparer preparer;
    mutable std::mutex mutex;
    std::condition_variable wake;     // the worker: a job or the end
    std::condition_variable finishes; // the frame thread: a job done
    std::deque<std::unique_ptr<Job>> waiting;
    std::unique_ptr<Job> running;
    std::vector<std::unique_ptr<LoadResult>> finished;
    // Results no one will take over, for the worker to free.
    std::vector<std::unique_ptr<LoadResult>> discarded;
    bool freeing = false;
    bool stopping = false;
    std::thread worker;
};
