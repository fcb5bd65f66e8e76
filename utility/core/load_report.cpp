#include "utility/core/load_report.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace {

thread_local char failure[512] = "";
thread_local LoadPosition failurePosition;
thread_local LoadProgress* current = nullptr;
thread_local std::uint32_t spanFirst = 0;
thread_local std::uint32_t spanLast = 1000;

} // namespace

std::string DescribeLoadPosition(const LoadPosition& position) {
    if (!position.known)
        return "";
    if (position.inflated)
        return "byte " + std::to_string(position.byte) + " of the inflated body";
    if (position.line)
        return "line " + std::to_string(position.line);
    return "byte " + std::to_string(position.byte);
}

const char* LoadFailure() {
    return failure;
}

LoadPosition LoadFailurePosition() {
    return failurePosition;
}

void ClearLoadFailure() {
    failure[0] = '\0';
    failurePosition = LoadPosition();
}

namespace {

void SetFailure(const LoadPosition& position, const char* format, va_list args) {
    if (failure[0] != '\0')
        return;
    failurePosition = position;
    int prefix = 0;
    if (position.known)
        prefix =
            std::snprintf(failure, sizeof failure, "%s: ", DescribeLoadPosition(position).c_str());
    std::vsnprintf(failure + prefix, sizeof failure - size_t(prefix), format, args);
}

} // namespace

void SetLoadFailure(const char* format, ...) {
    va_list args;
    va_start(args, format);
    SetFailure(LoadPosition(), format, args);
    va_end(args);
}

void SetLoadFailureAt(const LoadPosition& position, const char* format, ...) {
    va_list args;
    va_start(args, format);
    SetFailure(position, format, args);
    va_end(args);
}

const char* LoadFailureReason() {
    return failure[0] ? failure : "cannot be read";
}

void ReportFileFailure(const char* path, const char* reason, const char* consequence) {
    std::fprintf(stderr, "%s: %s: %s%s%s\n", program_invocation_short_name, path ? path : "",
                 reason, consequence ? "; " : "", consequence ? consequence : "");
}

void ReportLoadFailure(const char* path, const char* consequence) {
    ReportFileFailure(path, LoadFailureReason(), consequence);
    ClearLoadFailure();
}

LoadShare CurrentLoadShare() {
    return LoadShare{current, spanFirst, spanLast};
}

LoadProgressScope::LoadProgressScope(LoadProgress* progress)
    : LoadProgressScope(LoadShare{progress, 0, 1000}) {}

LoadProgressScope::LoadProgressScope(const LoadShare& share) : outer(CurrentLoadShare()) {
    current = share.progress;
    spanFirst = share.first;
    spanLast = share.last;
}

LoadProgressScope::~LoadProgressScope() {
    current = outer.progress;
    spanFirst = outer.first;
    spanLast = outer.last;
}

LoadProgressSpan::LoadProgressSpan(std::uint32_t first, std::uint32_t last)
    : outerFirst(spanFirst), outerLast(spanLast) {
    std::uint32_t width = outerLast - outerFirst;
    spanFirst = outerFirst + width * first / 1000;
    spanLast = outerFirst + width * last / 1000;
}

LoadProgressSpan::~LoadProgressSpan() {
    spanFirst = outerFirst;
    spanLast = outerLast;
}

bool LoadCancelled() {
    return current && current->cancelled.load(std::memory_order_relaxed);
}

void ReportLoadProgress(std::uint64_t done, std::uint64_t total) {
    if (!current || total == 0)
        return;
    std::uint64_t width = spanLast - spanFirst;
    std::uint64_t permille = spanFirst + (done >= total ? width : width * done / total);
    std::uint32_t seen = current->permille.load(std::memory_order_relaxed);
    while (seen < permille) {
        if (current->permille.compare_exchange_weak(seen, std::uint32_t(permille),
                                                    std::memory_order_relaxed)) {
            if (current->onAdvance)
                current->onAdvance(*current, std::uint32_t(permille));
            return;
        }
    }
}
