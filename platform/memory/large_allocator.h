// Memory for big arrays: a file's bytes, a mesh's vertices and indices, the
// working arrays of the mesh algorithms. Blocks of 2 MiB and more come
// straight from the system, in huge pages where it has them, so that
// filling a block costs one page fault per 2 MiB rather than one per 4 KiB
// (first touches of fresh memory are most of the cost of loading a big
// mesh), and go back to the system as soon as they are freed. Smaller
// blocks come from the heap.
//
// Every block comes zeroed and LargeAllocator default-initialises the
// elements it constructs, so a LargeVector grown by resize() into memory it
// never held elements in reads as zero without a second pass over that
// memory. Memory it did hold keeps what was there: shrinking and growing
// again does not clear it.
#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

// Null when the system has no memory for it.
void* AllocateLarge(std::size_t bytes);
// `bytes` as given to AllocateLarge.
void FreeLarge(void* block, std::size_t bytes);
// The whole pages inside [begin, begin + bytes) of a block from
// AllocateLarge go back to the system and read as zero from now on; the
// block stays valid. Does nothing on systems without that.
void DiscardPages(void* begin, std::size_t bytes);

template <class T>
class LargeAllocator {
public:
    using value_type = T;

    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}

    T* allocate(std::size_t count) {
        if (count > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        void* block = AllocateLarge(count * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t count) { FreeLarge(block, count * sizeof(T)); }

    template <class U>
    void construct(U* at) {
        ::new (static_cast<void*>(at)) U;
    }
    template <class U, class... Args>
    void construct(U* at, Args&&... args) {
        ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
    }

    template <class U>
    bool operator==(const LargeAllocator<U>&) const {
        return true;
    }
    template <class U>
    bool operator!=(const LargeAllocator<U>&) const {
        return false;
    }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;
