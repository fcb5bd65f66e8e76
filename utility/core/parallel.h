// Two independent pieces of work on both cores: `first` on the calling
// thread, `second` on a second thread that takes up the caller's share of
// its load (so that cancellation reaches it and its progress lands in the
// caller's step), when there is enough work to be worth a
// thread; one after the other otherwise, or when no thread can be had. An
// exception thrown by either comes out of the call once both are done.
#pragma once

#include "utility/core/load_report.h"

#include <cstddef>
#include <exception>
#include <system_error>
#include <thread>

// Below this many items of work a second thread costs more than it saves.
constexpr std::size_t kParallelWork = 32768;

template <class First, class Second>
void InParallel(std::size_t items, First first, Second second) {
    if (items < kParallelWork) {
        first();
        second();
        return;
    }
    std::exception_ptr secondFailure;
    const LoadShare share = CurrentLoadShare();
    std::thread other;
    try {
        other = std::thread([&] {
            LoadProgressScope scope(share);
            try {
                second();
            } catch (...) {
                secondFailure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        first();
        second();
        return;
    }
    std::exception_ptr firstFailure;
    try {
        first();
    } catch (...) {
        firstFailure = std::current_exception();
    }
    other.join();
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    if (secondFailure)
        std::rethrow_exception(secondFailure);
}
