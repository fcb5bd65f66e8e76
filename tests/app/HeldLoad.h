// A load that the test holds back: the worker waits in it until the test
// opens it (or the load is cancelled), so that a test can look at the
// viewer while a load is under way. The hold gives way by itself after a
// generous time, so that code which wrongly waits for the load shows as a
// failed expectation rather than a hang.
#pragma once

#include "app/ContentLoader.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

class HeldLoad {
public:
    // Runs `then` (the real preparation by default) once opened.
    explicit HeldLoad(ContentPreparer then = PrepareContent) : then(std::move(then)) {}

    ContentPreparer Preparer() {
        return [this](LoadResult& result) { Prepare(result); };
    }

    void Open() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        changed.notify_all();
    }

    // Waits until `count` loads have entered the hold.
    bool WaitEntered(int count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30),
                                [&] { return int(entered.size()) >= count; });
    }

    std::vector<std::string> Entered() {
        std::lock_guard<std::mutex> lock(mutex);
        return entered;
    }

    std::atomic<int> cancelled{0};
    std::atomic<bool> gaveWay{false};

private:
    void Prepare(LoadResult& result) {
        std::unique_lock<std::mutex> lock(mutex);
        entered.push_back(result.request.path);
        changed.notify_all();
        ReportLoadProgress(1, 4);
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!open && !LoadCancelled()) {
            if (changed.wait_until(lock, std::min(limit, std::chrono::steady_clock::now() +
                                                             std::chrono::milliseconds(2))) ==
                    std::cv_status::timeout &&
                std::chrono::steady_clock::now() >= limit) {
                gaveWay = true;
                break;
            }
        }
        lock.unlock();
        if (LoadCancelled()) {
            ++cancelled;
            result.failure = "cancelled";
            return;
        }
        then(result);
    }

    ContentPreparer then;
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::vector<std::string> entered;
};
