// What any deflate stream can and cannot be, for readers that must refuse a
// declared size before they allocate it.
#pragma once

#include <cstdint>

// Deflate codes a run of 258 bytes in 2 bits at best: no stream inflates to
// more than this many bytes per byte.
constexpr std::uint64_t kMaxInflateRatio = 1032;
