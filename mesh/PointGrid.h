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
    // Runs of vertex indices, ascending within each run.
    struct Run {
        const DWORD* begin;
        const DWORD* end;
    };
    static constexpr int kMaxRuns = 8;

    // The runs that hold every vertex that may lie within
    // kCoincidenceDistance of p, and some others; each vertex in at most one
    // run. Returns how many runs were written.
    int Candidates(const D3DXVECTOR3& p, Run (&runs)[kMaxRuns]) const;

private:
    DWORD BucketOf(long long cx, long long cy, long long cz) const;

    DWORD bucketMask = 0;
    std::vector<DWORD> bucketStarts; // bucketMask + 2 entries
    std::vector<DWORD> entries;      // vertex indices, ascending within a bucket
};
