#include "allocation_limit.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> limit{SIZE_MAX};

// Every form the program uses is replaced, so that each block is freed by
// the allocator that made it (also under the sanitizers, which replace the
// default forms themselves).
void* Allocate(std::size_t bytes) {
    if (bytes >= limit.load())
        return nullptr;
    return std::malloc(bytes ? bytes : 1);
}

void* AllocateOrThrow(std::size_t bytes) {
    void* block = Allocate(bytes);
    if (!block)
        throw std::bad_alloc();
    return block;
}

} // namespace

void LimitAllocations(std::size_t bytes) {
    limit = bytes;
}

void LiftAllocationLimit() {
    limit = SIZE_MAX;
}

void* operator new(std::size_t bytes) {
    return AllocateOrThrow(bytes);
}
void* operator new[](std::size_t bytes) {
    return AllocateOrThrow(bytes);
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return Allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return Allocate(bytes);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
