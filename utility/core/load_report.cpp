#include "utility/core/load_report.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace {

thread_local char failure[512] = "";
thread_local LoadProgress* current = nullptr;

} // namespace

const char* LoadFailure() {
    return failure;
}

void ClearLoadFailure() {
    failure[0] = '\0';
}

void SetLoadFailure(const char* format, ...) {
    if (failure[0] != '\0')
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(failure, sizeof failure, format, args);
    va_end(args);
}

void ReportLoadFailure(const char* path, const char* consequence) {
    std::fprintf(stderr, "%s: %s: %s%s%s\n", program_invocation_short_name, path ? path : "",
                 failure[0] ? failure : "cannot be read", consequence ? "; " : "",
                 consequence ? consequence : "");
    ClearLoadFailure();
}

LoadProgressScope::LoadProgressScope(LoadProgress* progress) : outer(current) {
    current = progress;
}

LoadProgressScope::~LoadProgressScope() {
    current = outer;
}

bool LoadCancelled() {
    return current && current->cancelled.load(std::memory_order_relaxed);
}

void ReportLoadProgress(std::uint64_t done, std::uint64_t total) {
    if (!current || total == 0)
        return;
    std::uint64_t permille = done >= total ? 1000 : done * 1000 / total;
    current->permille.store(std::uint32_t(permille), std::memory_order_relaxed);
}
