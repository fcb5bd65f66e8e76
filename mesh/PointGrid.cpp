#include "mesh/PointGrid.h"

#include "mesh/TangentRepair.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

// Cells 2^-19 wide (16 coincidence distances): scaling by a power of two is
// exact, and most queries stay inside one cell along each axis. The cell
// walls sit half a cell off the multiples of 2^-19, so that whole and other
// round coordinates (grids, unit cubes) lie mid-cell, not on a wall.
constexpr double kCellsPerUnit = 524288.0;
constexpr double kWallOffset = 0.5;
// Cell coordinates are clamped here, well inside a 64-bit integer, so the
// neighbour arithmetic cannot overflow. The clamp starts at coordinates of
// 2^43, where neighbouring floats lie 2^20 apart: only equal coordinates
// coincide there, and they share their clamped cell.
constexpr double kCellLimit = 4611686018427387904.0; // 2^62
// How far a query reaches along each axis. A vertex within the coincidence
// distance is within it along every axis too, give or take the rounding of
// the distance's own arithmetic (a few parts in 2^24); half a distance more
// covers that with room to spare.
constexpr double kReach = 1.5 * double(kCoincidenceDistance);

static_assert(2 * kReach * kCellsPerUnit < 1, "a query spans at most two cells per axis");
static_assert(PointGrid::kMaxRuns == 2 * 2 * 2, "one run per cell at most");

constexpr DWORD kNoBucket = 0xFFFFFFFF;

bool IsFinite(const D3DXVECTOR3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

long long CellOf(double coordinate) {
    double cell = std::floor(coordinate * kCellsPerUnit + kWallOffset);
    return (long long)std::clamp(cell, -kCellLimit, kCellLimit);
}

// The cells along one axis that a query at `coordinate` must look at: floor
// is monotonic, so every coordinate within kReach lies in [first, last].
// Where coordinate +- kReach rounds back to the coordinate itself (beyond
// about 1e9), float neighbours are far more than kReach apart and only the
// coordinate's own cell can hold a match.
void CellSpan(float coordinate, long long& first, long long& last) {
    first = CellOf(double(coordinate) - kReach);
    last = CellOf(double(coordinate) + kReach);
}

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

} // namespace

DWORD PointGrid::BucketOf(long long cx, long long cy, long long cz) const {
    std::uint64_t h = std::uint64_t(cx) * 0x9E3779B97F4A7C15ull ^
                      std::uint64_t(cy) * 0xC2B2AE3D27D4EB4Full ^
                      std::uint64_t(cz) * 0x165667B19E3779F9ull;
    return DWORD(Mix(h)) & bucketMask;
}

bool PointGrid::Build(const ShadingVertex* vertices, DWORD count) {
    // About one cell per bucket for spread-out meshes; never more than 2^31.
    DWORD buckets = 1;
    while (buckets < count && buckets < 0x80000000u)
        buckets <<= 1;
    bucketMask = buckets - 1;
    try {
        std::vector<DWORD> bucketOfVertex(count, kNoBucket);
        bucketStarts.assign(size_t(buckets) + 1, 0);
        for (DWORD v = 0; v < count; ++v) {
            const D3DXVECTOR3& p = vertices[v].position;
            if (!IsFinite(p))
                continue;
            DWORD bucket = BucketOf(CellOf(p.x), CellOf(p.y), CellOf(p.z));
            bucketOfVertex[v] = bucket;
            ++bucketStarts[size_t(bucket) + 1];
        }
        for (DWORD b = 0; b < buckets; ++b)
            bucketStarts[size_t(b) + 1] += bucketStarts[b];
        entries.assign(bucketStarts[buckets], 0);
        // Filling in vertex order keeps each bucket ascending; each start
        // moves on to its bucket's end, so afterwards the starts are shifted
        // back by one bucket.
        for (DWORD v = 0; v < count; ++v)
            if (bucketOfVertex[v] != kNoBucket)
                entries[bucketStarts[bucketOfVertex[v]]++] = v;
        for (DWORD b = buckets; b > 0; --b)
            bucketStarts[b] = bucketStarts[b - 1];
        bucketStarts[0] = 0;
    } catch (const std::bad_alloc&) {
        bucketStarts.clear();
        entries.clear();
        return false;
    }
    return true;
}

int PointGrid::Candidates(const D3DXVECTOR3& p, Run (&runs)[kMaxRuns]) const {
    if (bucketStarts.empty() || !IsFinite(p))
        return 0;
    long long first[3], last[3];
    CellSpan(p.x, first[0], last[0]);
    CellSpan(p.y, first[1], last[1]);
    CellSpan(p.z, first[2], last[2]);
    // Neighbouring cells may share a bucket; each bucket is read once.
    DWORD buckets[kMaxRuns];
    int bucketCount = 0;
    for (long long cx = first[0]; cx <= last[0]; ++cx)
        for (long long cy = first[1]; cy <= last[1]; ++cy)
            for (long long cz = first[2]; cz <= last[2]; ++cz) {
                DWORD bucket = BucketOf(cx, cy, cz);
                if (std::find(buckets, buckets + bucketCount, bucket) == buckets + bucketCount)
                    buckets[bucketCount++] = bucket;
            }
    for (int i = 0; i < bucketCount; ++i)
        runs[i] = Run{entries.data() + bucketStarts[buckets[i]],
                      entries.data() + bucketStarts[size_t(buckets[i]) + 1]};
    return bucketCount;
}
