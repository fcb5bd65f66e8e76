// A hash grid over vertex positions for finding the vertices that stand at
// (nearly) the same point without comparing every pair: cells a little wider
// than the coincidence distance, so a query looks at one or two cells along
// each axis. Vertices whose position is not finite are left out: they
// coincide with nothing.
#pragma once

#include "mesh/ShadingLayout.h"

#include <vector>

class PointGrid {
public:
    // False when the arrays cannot be allocated.
    bool Build(const ShadingVertex* vertices, DWORD count);
    // Appends every vertex that may lie within kCoincidenceDistance of p, and
    // some others; each once, in no particular order.
    void Gather(const D3DXVECTOR3& p, std::vector<DWORD>& out) const;

private:
    DWORD BucketOf(long long cx, long long cy, long long cz) const;

    DWORD bucketMask = 0;
    std::vector<DWORD> bucketStarts; // bucketMask + 2 entries
    std::vector<DWORD> entries;      // vertex indices, ascending within a bucket
};
