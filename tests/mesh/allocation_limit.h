// The test binary's own operator new, which fails every allocation of at
// least the limit set, as a process short of memory would: the paths that
// allocate are then seen to fail cleanly rather than end the process.
#pragma once

#include <cstddef>

// Allocations of `bytes` or more throw std::bad_alloc (or return null for
// the nothrow forms) until the limit is lifted.
void LimitAllocations(std::size_t bytes);
void LiftAllocationLimit();
