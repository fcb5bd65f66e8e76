// The merge step of adjacency generation. Vertices are visited in order of x,
// and each one not yet taken takes every later vertex within the tolerance.
// Candidates come from a grid of cells several tolerances wide: vertices
// sorted by cell, so that the few cells around a vertex are found by binary
// search, near where the search for the previous vertex looked.
#include "utility/mesh/adjacency.h"

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
    bool operator<(const Cell& o) const {
        return x != o.x ? x < o.x : y != o.y ? y < o.y : z < o.z;
    }
};

// The faces that use each vertex.
class VertexFaces {
public:
    VertexFaces(const std::vector<DWORD>& indices, size_t vertexCount)
        : indices(indices), start(vertexCount + 1, 0) {
        for (DWORD index : indices)
            if (index < vertexCount)
                ++start[index + 1];
        for (size_t v = 0; v < vertexCount; ++v)
            start[v + 1] += start[v];
        faces.resize(start[vertexCount]);
        std::vector<DWORD> next(start.begin(), start.end() - 1);
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
    const std::vector<DWORD>& indices;
    std::vector<DWORD> start;
    std::vector<DWORD> faces;
};

// Vertices sorted by cell.
class CellGrid {
public:
    struct Entry {
        Cell cell;
        DWORD vertex;
    };

    void Add(const Cell& cell, DWORD vertex) { entries.push_back(Entry{cell, vertex}); }
    void Sort() {
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.cell < b.cell; });
    }

    // The vertices of cells (x, y, z) for z in [zLow, zHigh], as [first, last).
    std::pair<const Entry*, const Entry*> Row(long long x, long long y, long long zLow,
                                              long long zHigh) const {
        const Entry* end = entries.data() + entries.size();
        const Entry* first =
            std::lower_bound(entries.data(), end, Cell{x, y, zLow},
                             [](const Entry& e, const Cell& c) { return e.cell < c; });
        const Entry* last = first;
        while (last != end && last->cell.x == x && last->cell.y == y && last->cell.z <= zHigh)
            ++last;
        return {first, last};
    }

private:
    std::vector<Entry> entries;
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

// A vertex in the visiting order, with its position at hand.
struct Visit {
    D3DXVECTOR3 position;
    DWORD vertex;
};

// By x, NaN last; equal x in index order.
std::vector<Visit> InOrderOfX(const std::vector<D3DXVECTOR3>& positions) {
    std::vector<Visit> order(positions.size());
    for (DWORD v = 0; v < order.size(); ++v)
        order[v] = Visit{positions[v], v};
    std::sort(order.begin(), order.end(), [](const Visit& a, const Visit& b) {
        float xa = a.position.x, xb = b.position.x;
        bool nanA = std::isnan(xa), nanB = std::isnan(xb);
        if (nanA != nanB)
            return nanB;
        if (!nanA && xa != xb)
            return xa < xb;
        return a.vertex < b.vertex;
    });
    return order;
}

} // namespace

std::vector<DWORD> MergeCoincidentVertices(const std::vector<D3DXVECTOR3>& positions,
                                           const std::vector<DWORD>& indices, float tolerance) {
    const size_t count = positions.size();
    const bool exact = !(tolerance > 0);
    const float t = tolerance;

    const CellSpace space(tolerance);
    CellGrid cells;
    for (DWORD v = 0; v < count; ++v)
        if (IsPlaced(positions[v]))
            cells.Add(space.Of(positions[v]), v);
    cells.Sort();
    VertexFaces faces(indices, count);

    auto close = [&](const D3DXVECTOR3& p, const D3DXVECTOR3& q) {
        if (exact)
            return p.x == q.x && p.y == q.y && p.z == q.z;
        D3DXVECTOR3 d = q - p;
        return std::fabs(d.x) <= t && d.x * d.x + d.y * d.y + d.z * d.z < t * t;
    };

    std::vector<DWORD> pointOf(count, kNone);
    for (const Visit& visit : InOrderOfX(positions)) {
        const DWORD p = visit.vertex;
        if (pointOf[p] != kNone)
            continue;
        pointOf[p] = p;
        if (!IsPlaced(visit.position))
            continue;
        // Every vertex before p in the order is mapped already, so "not yet
        // mapped" also means "later than p".
        Cell low, high;
        space.Span(visit.position, low, high);
        for (long long x = low.x; x <= high.x; ++x)
            for (long long y = low.y; y <= high.y; ++y) {
                auto [first, last] = cells.Row(x, y, low.z, high.z);
                for (const CellGrid::Entry* e = first; e != last; ++e) {
                    DWORD q = e->vertex;
                    if (pointOf[q] == kNone && close(visit.position, positions[q]) &&
                        !faces.ShareFace(p, q))
                        pointOf[q] = p;
                }
            }
    }
    return pointOf;
}
