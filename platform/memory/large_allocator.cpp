#include "platform/memory/large_allocator.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

// A mapping of `bytes` (rounded to pages) starting on a huge-page boundary,
// so that every whole 2 MiB of it can be a huge page: a larger mapping is
// made and the slack on either side given back.
void* MapAligned(std::size_t bytes) {
    std::size_t length = RoundUp(bytes, kPage);
    std::size_t padded = length + kHugePage;
    void* mapped =
        mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    auto start = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t aligned = RoundUp(start, kHugePage);
    if (aligned > start)
        munmap(mapped, aligned - start);
    std::size_t tail = padded - (aligned - start) - length;
    if (tail)
        munmap(reinterpret_cast<void*>(aligned + length), tail);
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, length, MADV_HUGEPAGE);
    return block;
}
#endif

} // namespace

void* AllocateLarge(std::size_t bytes) {
#if defined(__linux__)
    if (bytes >= kHugePage)
        return MapAligned(bytes);
#endif
    return std::calloc(bytes ? bytes : 1, 1);
}

void FreeLarge(void* block, std::size_t bytes) {
    if (!block)
        return;
#if defined(__linux__)
    if (bytes >= kHugePage) {
        munmap(block, RoundUp(bytes, kPage));
        return;
    }
#endif
    std::free(block);
}

void DiscardPages(void* begin, std::size_t bytes) {
#if defined(__linux__)
    auto first = reinterpret_cast<std::uintptr_t>(begin);
    std::uintptr_t from = RoundUp(first, kPage);
    std::uintptr_t to = (first + bytes) / kPage * kPage;
    if (to > from)
        madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
#else
    (void)begin, (void)bytes;
#endif
}
