// The merge step of adjacency generation. Vertices are visited in order of x,
// and each one not yet taken takes every later vertex within the tolerance.
// Candidates come from a grid of cells several tolerances wide, whose
// occupied cells are found by hashing, so that the few cells around a vertex
// cost a lookup each.
#include "utility/mesh/adjacency.h"

#include "utility/core/parallel.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr DWORD kNone = 0xFFFFFFFF;

// A cell of the search grid. Per axis, a grid column for a coordinate within
// reach of the origin, or, for one so large that neighbouring floats lie
// further apart than a search reaches (so that a match must be exact), a key
// made of the coordinate's bits beyond every column; keys grow with the
// coordinate on both kinds.
struct Cell {
    long long x, y, z;
    bool operator==(const Cell& o) const { return x == o.x && y == o.y && z == o.z; }
};

// The faces that use each vertex.
class VertexFaces {
public:
    void Build(ArrayView<DWORD> faceIndices, size_t vertexCount) {
        indices = faceIndices;
        start.resize(vertexCount + 1);
        for (DWORD index : indices)
            if (index < vertexCount)
                ++start[index + 1];
        for (size_t v = 0; v < vertexCount; ++v)
            start[v + 1] += start[v];
        faces.resize(start[vertexCount]);
        LargeVector<DWORD> next(start.begin(), start.end() - 1);
        for (size_t corner = 0; corner < indices.size(); ++corner)
            if (indices[corner] < vertexCount)
                faces[next[indices[corner]]++] = DWORD(corner / 3);
    }

    bool ShareFace(DWORD p, DWORD q) const {
        for (DWORD i = start[p]; i < start[p + 1]; ++i) {
            const DWORD* corners = &indices[size_t(faces[i]) * 3];
            if (corners[0] == q || corners[1] == q || corners[2] == q)
                return true;
        }
        return false;
    }

private:
    ArrayView<DWORD> indices;
    LargeVector<DWORD> start;
    LargeVector<DWORD> faces;
};

bool IsPlaced(const D3DXVECTOR3& p) {
    return !std::isnan(p.x) && !std::isnan(p.y) && !std::isnan(p.z);
}

// Where vertices go in the grid and which cells a search covers. A search
// reaches 2t either side of a vertex (t, and room for rounding in the float
// tests); columns 16t wide mostly keep it inside one column per axis.
// Without a tolerance every axis matches exactly.
class CellSpace {
public:
    explicit CellSpace(float tolerance) {
        if (!(tolerance > 0))
            return; // limit 0: every coordinate is matched by its bits
        reach = 2 * std::min(double(tolerance), double(FLT_MAX));
        size = 8 * reach;
        // Beyond this, floats are 2^29 * 8 / 2^24 = 256 reaches apart or more.
        limit = 0x1p29 * size;
    }

    Cell Of(const D3DXVECTOR3& p) const { return Cell{Key(p.x), Key(p.y), Key(p.z)}; }

    // The cells a search around p covers, as the corners of a block.
    void Span(const D3DXVECTOR3& p, Cell& low, Cell& high) const {
        const float v[3] = {p.x, p.y, p.z};
        long long* lows[3] = {&low.x, &low.y, &low.z};
        long long* highs[3] = {&high.x, &high.y, &high.z};
        for (int k = 0; k < 3; ++k) {
            if (std::fabs(v[k]) < limit) {
                *lows[k] = Column(v[k] - reach);
                *highs[k] = Column(v[k] + reach);
            } else {
                *lows[k] = *highs[k] = Key(v[k]);
            }
        }
    }

private:
    long long Column(double v) const { return (long long)std::floor(v / size); }

    long long Key(float v) const {
        if (std::fabs(v) < limit)
            return Column(v);
        std::uint32_t bits;
        float magnitude = std::fabs(v); // -0 is 0
        std::memcpy(&bits, &magnitude, 4);
        long long key = (1ll << 40) + bits;
        return v < 0 ? -key : key;
    }

    double reach = 0;
    double size = 1;
    double limit = 0;
};

// The vertices of each occupied cell, found by hashing the cell: a table
// of the first vertex of each cell, and a link from each vertex to the next
// one of its cell.
class CellGrid {
public:
    void Build(const CellSpace& space, ArrayView<D3DXVECTOR3> positions) {
        const size_t count = positions.size();
        size_t capacity = 16;
        while (capacity < 2 * count)
            capacity *= 2;
        mask = capacity - 1;
        slots.assign(capacity, kNone);
        cellOf.resize(count);
        next.resize(count);
        for (DWORD v = 0; v < count; ++v) {
            if (!IsPlaced(positions[v]))
                continue;
            cellOf[v] = space.Of(positions[v]);
            DWORD& head = slots[Slot(cellOf[v])];
            next[v] = head;
            head = v;
        }
    }

    // Calls visit(v) for each vertex of the cell.
    template <class Visit>
    void ForEachIn(const Cell& cell, Visit visit) const {
        for (DWORD v = slots[Slot(cell)]; v != kNone; v = next[v])
            visit(v);
    }

private:
    static std::uint64_t Hash(const Cell& c) {
        std::uint64_t h = std::uint64_t(c.x) * 0x9E3779B97F4A7C15ull ^
                          std::uint64_t(c.y) * 0xC2B2AE3D27D4EB4Full ^
                          std::uint64_t(c.z) * 0x165667B19E3779F9ull;
        return h ^ h >> 29;
    }

    // The slot of the cell: its list, or the empty slot it would take.
    size_t Slot(const Cell& cell) const {
        size_t i = size_t(Hash(cell)) & mask;
        while (slots[i] != kNone && !(cellOf[slots[i]] == cell))
            i = (i + 1) & mask;
        return i;
    }

    size_t mask = 0;
    LargeVector<DWORD> slots;
    LargeVector<Cell> cellOf;
    LargeVector<DWORD> next;
};

// A vertex in the visiting order, with its position at hand.
struct Visit {
    D3DXVECTOR3 position;
    DWORD vertex;
};

// A key whose unsigned order is the order of x: -0 and 0 alike, every NaN
// after every number.
std::uint32_t OrderKey(float x) {
    if (std::isnan(x))
        return 0xFFFFFFFFu;
    if (x == 0)
        x = 0; // -0 is 0
    std::uint32_t bits;
    std::memcpy(&bits, &x, 4);
    return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

// By x, NaN last; equal x in index order: a stable radix sort of the keys
// in two passes of 16 bits, starting from index order.
LargeVector<Visit> InOrderOfX(ArrayView<D3DXVECTOR3> positions) {
    const size_t count = positions.size();
    LargeVector<std::uint32_t> keys(count);
    LargeVector<DWORD> byLow(count), byKey(count);
    for (size_t v = 0; v < count; ++v)
        keys[v] = OrderKey(positions[v].x);
    auto pass = [&](const DWORD* from, DWORD* to, int shift) {
        std::vector<size_t> start(65537, 0);
        for (size_t i = 0; i < count; ++i)
            ++start[(keys[from ? from[i] : i] >> shift & 0xFFFF) + 1];
        for (size_t d = 0; d < 65536; ++d)
            start[d + 1] += start[d];
        for (size_t i = 0; i < count; ++i) {
            DWORD v = from ? from[i] : DWORD(i);
            to[start[keys[v] >> shift & 0xFFFF]++] = v;
        }
    };
    pass(nullptr, byLow.data(), 0);
    pass(byLow.data(), byKey.data(), 16);
    LargeVector<Visit> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = Visit{positions[byKey[i]], byKey[i]};
    return order;
}

// The visiting order split where no vertex before the split can be within
// the tolerance of one after it, so that the two parts can be visited apart:
// the split nearest the middle, or the end when there is none near it.
size_t IndependentSplit(const LargeVector<Visit>& order, bool exact, float t) {
    const size_t middle = order.size() / 2, reach = order.size() / 4;
    auto apart = [&](size_t m) {
        float before = order[m - 1].position.x, after = order[m].position.x;
        return exact ? after > before : after - before > t;
    };
    for (size_t offset = 0; offset < reach; ++offset) {
        if (apart(middle + offset))
            return middle + offset;
        if (apart(middle - offset))
            return middle - offset;
    }
    return order.size();
}

} // namespace

LargeVector<DWORD> MergeCoincidentVertices(ArrayView<D3DXVECTOR3> positions,
                                           ArrayView<DWORD> indices, float tolerance) {
    const size_t count = positions.size();
    const bool exact = !(tolerance > 0);
    const float t = tolerance;

    // The grid, the visiting order and the faces of each vertex do not
    // depend on each other.
    const CellSpace space(tolerance);
    CellGrid cells;
    LargeVector<Visit> order;
    VertexFaces faces;
    InParallel(
        count, [&] { cells.Build(space, positions); },
        [&] {
            order = InOrderOfX(positions);
            faces.Build(indices, count);
        });

    auto close = [&](const D3DXVECTOR3& p, const D3DXVECTOR3& q) {
        if (exact)
            return p.x == q.x && p.y == q.y && p.z == q.z;
        D3DXVECTOR3 d = q - p;
        return std::fabs(d.x) <= t && d.x * d.x + d.y * d.y + d.z * d.z < t * t;
    };

    LargeVector<DWORD> pointOf(count, kNone);
    auto visit = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            if (LoadStepCancelled(i - from, to - from))
                return;
            const Visit& visit = order[i];
            const DWORD p = visit.vertex;
            if (pointOf[p] != kNone)
                continue;
            pointOf[p] = p;
            if (!IsPlaced(visit.position))
                continue;
            // Every vertex before p in the order is mapped already, so "not
            // yet mapped" also means "later than p". Closeness is tested
            // first: only a vertex of the same part can pass it.
            Cell low, high;
            space.Span(visit.position, low, high);
            for (long long x = low.x; x <= high.x; ++x)
                for (long long y = low.y; y <= high.y; ++y)
                    for (long long z = low.z; z <= high.z; ++z)
                        cells.ForEachIn(Cell{x, y, z}, [&](DWORD q) {
                            if (close(visit.position, positions[q]) && pointOf[q] == kNone &&
                                !faces.ShareFace(p, q))
                                pointOf[q] = p;
                        });
        }
    };
    // A vertex takes only vertices within the tolerance in x, so the parts
    // before and after an independent split come out the same visited apart.
    const size_t split = count < kParallelWork ? count : IndependentSplit(order, exact, t);
    InParallel(
        split < count ? count : 0, [&] { visit(0, split); }, [&] { visit(split, count); });
    return pointOf;
}
