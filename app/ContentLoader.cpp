#include "app/ContentLoader.h"

#include <iterator>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kWorkerNice = 10;

bool SameTarget(const DropTarget& a, const DropTarget& b) {
    return a.content == b.content && a.slot == b.slot;
}

} // namespace

namespace {

void Prepare(LoadResult& result) {
    const LoadRequest& request = result.request;
    if (request.target.content == DropContent::Mesh) {
        result.prepared =
            PrepareMeshSlot(request.path.c_str(), request.maxTextureWidth, request.maxTextureHeight,
                            result.mesh, request.memoryBudget);
        if (!result.prepared)
            result.failure = LoadFailureReason();
    } else {
        result.prepared = PrepareTextureSet(request.path.c_str(), request.maxTextureWidth,
                                            request.maxTextureHeight, result.textures);
        // The dropped file is the diffuse map; the companions it may lack
        // fall back silently.
        result.failure = result.textures.failures[kDiffuse];
    }
}

} // namespace

void PrepareContent(LoadResult& result) {
    ClearLoadFailure();
    try {
        Prepare(result);
    } catch (const std::bad_alloc&) {
        result.mesh = PreparedMesh();
        result.textures = PreparedTextureSet();
        result.prepared = false;
        result.failure = "out of memory";
    }
    ClearLoadFailure();
}

ContentLoader::ContentLoader(ContentPreparer preparer) : preparer(std::move(preparer)) {}

ContentLoader::~ContentLoader() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        waiting.clear();
        if (running)
            running->progress.cancelled = true;
    }
    wake.notify_all();
    if (worker.joinable())
        worker.join();
}

void ContentLoader::SupersedeLocked(const DropTarget& target) {
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [&](const std::unique_ptr<Job>& job) {
                                     return SameTarget(job->result->request.target, target);
                                 }),
                  waiting.end());
    if (running && SameTarget(running->result->request.target, target))
        running->progress.cancelled = true;
    // A finished load that gives way is freed by the worker, not by the
    // frame thread that asked for the newer one.
    auto givesWay = std::stable_partition(finished.begin(), finished.end(),
                                          [&](const std::unique_ptr<LoadResult>& result) {
                                              return !SameTarget(result->request.target, target);
                                          });
    std::move(givesWay, finished.end(), std::back_inserter(discarded));
    finished.erase(givesWay, finished.end());
}

void ContentLoader::Request(LoadRequest request) {
    auto job = std::make_unique<Job>();
    job->result = std::make_unique<LoadResult>();
    job->result->request = std::move(request);
    {
        std::lock_guard<std::mutex> lock(mutex);
        SupersedeLocked(job->result->request.target);
        // The worker starts with the first load and stays for the run.
        if (!worker.joinable()) {
            try {
                worker = std::thread(&ContentLoader::Work, this);
            } catch (const std::system_error&) {
                job->result->failure = "no thread could be started to load it";
                finished.push_back(std::move(job->result));
                return;
            }
        }
        waiting.push_back(std::move(job));
    }
    wake.notify_one();
}

bool ContentLoader::WaitIdle(std::uint32_t milliseconds) {
    std::unique_lock<std::mutex> lock(mutex);
    if (milliseconds == kForever) {
        finishes.wait(lock, [this] { return IdleLocked(); });
        return true;
    }
    return finishes.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return IdleLocked(); });
}

std::vector<std::unique_ptr<LoadResult>> ContentLoader::TakeFinished() {
    std::lock_guard<std::mutex> lock(mutex);
    return std::move(finished);
}

void ContentLoader::Discard(std::unique_ptr<LoadResult> result) {
    if (!result)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        discarded.push_back(std::move(result));
    }
    wake.notify_one();
}

bool ContentLoader::Busy(Activity& activity) const {
    std::lock_guard<std::mutex> lock(mutex);
    const Job* job = running ? running.get() : waiting.empty() ? nullptr : waiting.front().get();
    if (!job)
        return false;
    activity.path = job->result->request.path;
    activity.target = job->result->request.target;
    activity.permille = job->progress.permille;
    activity.waiting = int(waiting.size()) - (running ? 0 : 1);
    return true;
}

void ContentLoader::CancelAll() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        waiting.clear();
        std::move(finished.begin(), finished.end(), std::back_inserter(discarded));
        finished.clear();
        if (running)
            running->progress.cancelled = true;
    }
    wake.notify_one();
}

void ContentLoader::FreeDiscarded(std::unique_lock<std::mutex>& lock) {
    std::vector<std::unique_ptr<LoadResult>> freed = std::move(discarded);
    discarded.clear();
    freeing = true;
    lock.unlock();
    freed.clear();
#ifdef __GLIBC__
    // What the results held goes back to the system, so that the viewer
    // returns to its size after a big model.
    malloc_trim(0);
#endif
    lock.lock();
    freeing = false;
    finishes.notify_all();
}

void ContentLoader::Work() {
    // Below the frame thread and the driver's threads: on a machine with few
    // cores a load then takes what the drawing leaves, and the window keeps
    // its pace. The threads a load starts inherit it.
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), kWorkerNice);
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !waiting.empty() || !discarded.empty(); });
        if (stopping)
            return;
        if (!discarded.empty()) {
            FreeDiscarded(lock);
            continue;
        }
        running = std::move(waiting.front());
        waiting.pop_front();
        lock.unlock();
        {
            LoadProgressScope scope(&running->progress);
            preparer(*running->result);
        }
        lock.lock();
        if (running->progress.cancelled)
            discarded.push_back(std::move(running->result));
        else
            finished.push_back(std::move(running->result));
        running.reset();
        finishes.notify_all();
    }
}
