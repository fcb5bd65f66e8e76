// The pairing step of adjacency generation. Each corner k of a usable face
// gives an edge record (point k, point k + 1, point k + 2). Records are
// grouped by first point and, within that, by second point in the order they
// were made, so the records of one directed edge form a contiguous run whose
// last entry is the newest.
#include "utility/mesh/adjacency.h"

#include "utility/core/parallel.h"

#include <algorithm>

namespace {

constexpr DWORD kNoPoint = 0xFFFFFFFF;

struct EdgeRecords {
    LargeVector<DWORD> corner;  // mapped points of every face corner, 3 a face
    LargeVector<DWORD> faceOf;  // the usable faces in visiting order
    LargeVector<DWORD> start;   // first record of each point's group
    LargeVector<DWORD> records; // record r is corner r % 3 of usable face r / 3
    LargeVector<DWORD> seconds; // the second point of each entry of records
    std::vector<bool> removed;

    DWORD Face(DWORD r) const { return faceOf[r / 3]; }
    DWORD Point(DWORD r, DWORD step) const { return corner[size_t(Face(r)) * 3 + (r + step) % 3]; }

    // The records of the directed edge first -> second, oldest first.
    std::pair<const DWORD*, const DWORD*> Run(DWORD first, DWORD second) const {
        const DWORD* begin = seconds.data() + start[first];
        const DWORD* end = seconds.data() + start[first + 1];
        const DWORD* low = std::lower_bound(begin, end, second);
        const DWORD* high = std::upper_bound(low, end, second);
        return {records.data() + (low - seconds.data()), records.data() + (high - seconds.data())};
    }

    // Orders the records of points [from, to) by second point, made first
    // within one second point (they are in the order they were made).
    void SortGroups(size_t from, size_t to) {
        std::vector<std::pair<DWORD, DWORD>> group; // (second point, record)
        for (size_t p = from; p < to; ++p) {
            group.clear();
            for (DWORD i = start[p]; i < start[p + 1]; ++i)
                group.emplace_back(Point(records[i], 1), records[i]);
            std::sort(group.begin(), group.end());
            for (DWORD i = start[p]; i < start[p + 1]; ++i) {
                seconds[i] = group[i - start[p]].first;
                records[i] = group[i - start[p]].second;
            }
        }
    }
};

// A face takes part when its three corners are real vertices at three
// different points.
bool IsUsable(const DWORD* points, size_t vertexCount) {
    for (int k = 0; k < 3; ++k)
        if (points[k] >= vertexCount)
            return false;
    return points[0] != points[1] && points[1] != points[2] && points[0] != points[2];
}

void BuildRecords(ArrayView<DWORD> pointOf, ArrayView<DWORD> indices, ArrayView<DWORD> faceOrder,
                  EdgeRecords& e) {
    const size_t vertexCount = pointOf.size();
    e.corner.resize(indices.size());
    for (size_t i = 0; i < indices.size(); ++i)
        e.corner[i] = indices[i] < vertexCount ? pointOf[indices[i]] : kNoPoint;
    e.faceOf.reserve(faceOrder.size());
    for (DWORD f : faceOrder)
        if (IsUsable(&e.corner[size_t(f) * 3], vertexCount))
            e.faceOf.push_back(f);

    const DWORD recordCount = DWORD(e.faceOf.size() * 3);
    e.start.resize(vertexCount + 1);
    for (DWORD r = 0; r < recordCount; ++r)
        ++e.start[e.Point(r, 0) + 1];
    for (size_t p = 0; p < vertexCount; ++p)
        e.start[p + 1] += e.start[p];
    e.records.resize(recordCount);
    LargeVector<DWORD> next(e.start.begin(), e.start.end() - 1);
    for (DWORD r = 0; r < recordCount; ++r)
        e.records[next[e.Point(r, 0)]++] = r;
    // The groups are sorted on both cores, half the points each.
    e.seconds.resize(recordCount);
    InParallel(
        recordCount, [&] { e.SortGroups(0, vertexCount / 2); },
        [&] { e.SortGroups(vertexCount / 2, vertexCount); });
    e.removed.assign(recordCount, false);
}

D3DXVECTOR3 UnitNormal(ArrayView<D3DXVECTOR3> positions, DWORD p1, DWORD p2, DWORD p3) {
    D3DXVECTOR3 a = positions[p1] - positions[p2], b = positions[p1] - positions[p3], n;
    D3DXVec3Cross(&n, &a, &b);
    D3DXVec3Normalize(&n, &n);
    return n;
}

// Among the records of b -> a not yet used, the newest, unless an older one
// lies strictly more in the plane of the face (a, b, c).
DWORD ChooseNeighbour(const EdgeRecords& e, ArrayView<D3DXVECTOR3> positions, DWORD a, DWORD b,
                      DWORD c) {
    auto [first, last] = e.Run(b, a);
    DWORD chosen = kNoFace;
    bool scored = false;
    float chosenScore = 0;
    D3DXVECTOR3 normal;
    auto score = [&](DWORD r) {
        D3DXVECTOR3 n = UnitNormal(positions, e.Point(r, 0), e.Point(r, 1), e.Point(r, 2));
        return D3DXVec3Dot(&n, &normal);
    };
    for (const DWORD* it = last; it != first;) {
        DWORD r = *--it;
        if (e.removed[r])
            continue;
        if (chosen == kNoFace) {
            chosen = r;
            continue;
        }
        // Scores matter only once there is a choice to make.
        if (!scored) {
            normal = UnitNormal(positions, a, b, c);
            chosenScore = score(chosen);
            scored = true;
        }
        float s = score(r);
        if (s > chosenScore) {
            chosen = r;
            chosenScore = s;
        }
    }
    return chosen;
}

} // namespace

void PairFaceEdges(ArrayView<D3DXVECTOR3> positions, ArrayView<DWORD> pointOf,
                   ArrayView<DWORD> indices, ArrayView<DWORD> faceOrder, DWORD* adjacency) {
    std::fill(adjacency, adjacency + indices.size(), kNoFace);
    EdgeRecords e;
    BuildRecords(pointOf, indices, faceOrder, e);
    for (DWORD slot = 0; slot < e.faceOf.size(); ++slot) {
        if (LoadStepCancelled(slot, e.faceOf.size()))
            return;
        const DWORD f = e.faceOf[slot];
        DWORD* entries = adjacency + size_t(f) * 3;
        for (DWORD k = 0; k < 3; ++k) {
            if (entries[k] != kNoFace)
                continue;
            const DWORD own = slot * 3 + k;
            DWORD chosen =
                ChooseNeighbour(e, positions, e.Point(own, 0), e.Point(own, 1), e.Point(own, 2));
            if (chosen == kNoFace)
                continue;
            e.removed[chosen] = true;
            e.removed[own] = true;
            const DWORD g = e.Face(chosen);
            // Two faces are neighbours across one edge at most; the records
            // stay used even so.
            if ((k >= 1 && entries[0] == g) || (k == 2 && entries[1] == g))
                continue;
            entries[k] = g;
            adjacency[size_t(g) * 3 + chosen % 3] = f;
        }
    }
}
