// The merge step of adjacency generation. Vertices are visited in order of x,
// and each one not yet taken takes every later vertex within the tolerance.
// Candidates come from a grid of cells at least twice the tolerance wide, so
// a vertex is compared only with the few vertices around it.
#include "utility/mesh/adjacency.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr DWORD kUnmapped = 0xFFFFFFFF;

struct Cell {
    long long x, y, z;
    bool operator==(const Cell& o) const { return x == o.x && y == o.y && z == o.z; }
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

// Vertices bucketed by cell, found through an open-addressing hash table.
class CellGrid {
public:
    explicit CellGrid(const std::vector<Cell>& cellOf, const std::vector<bool>& placed)
        : cellOf(cellOf) {
        for (DWORD v = 0; v < cellOf.size(); ++v)
            if (placed[v])
                members.push_back(v);
        std::sort(members.begin(), members.end(), [&](DWORD a, DWORD b) {
            return cellOf[a] == cellOf[b] ? a < b : cellOf[a] < cellOf[b];
        });
        size_t capacity = 16;
        while (capacity < members.size() * 2)
            capacity *= 2;
        slots.assign(capacity, kEmpty);
        for (size_t i = 0; i < members.size(); ++i)
            if (i == 0 || !(cellOf[members[i]] == cellOf[members[i - 1]]))
                slots[FreeSlot(cellOf[members[i]])] = DWORD(i);
    }

    // The vertices in a cell, as [first, last).
    std::pair<const DWORD*, const DWORD*> Find(const Cell& cell) const {
        size_t mask = slots.size() - 1;
        for (size_t s = Hash(cell) & mask;; s = (s + 1) & mask) {
            if (slots[s] == kEmpty)
                return {nullptr, nullptr};
            if (cellOf[members[slots[s]]] == cell) {
                size_t end = slots[s];
                while (end < members.size() && cellOf[members[end]] == cell)
                    ++end;
                return {&members[slots[s]], members.data() + end};
            }
        }
    }

private:
    static constexpr DWORD kEmpty = 0xFFFFFFFF;

    static size_t Hash(const Cell& c) {
        std::uint64_t h = std::uint64_t(c.x) * 0x9E3779B97F4A7C15ull;
        h ^= std::uint64_t(c.y) * 0xC2B2AE3D27D4EB4Full + (h >> 29);
        h ^= std::uint64_t(c.z) * 0x165667B19E3779F9ull + (h >> 31);
        return size_t(h ^ (h >> 32));
    }

    size_t FreeSlot(const Cell& cell) const {
        size_t mask = slots.size() - 1;
        size_t s = Hash(cell) & mask;
        while (slots[s] != kEmpty)
            s = (s + 1) & mask;
        return s;
    }

    const std::vector<Cell>& cellOf;
    std::vector<DWORD> members; // vertex ids grouped by cell
    std::vector<DWORD> slots;   // index into members of each cell's first vertex
};

bool IsFinitePoint(const D3DXVECTOR3& p) {
    return !std::isnan(p.x) && !std::isnan(p.y) && !std::isnan(p.z);
}

// Cells for matching within a tolerance: floor(coordinate / size), clamped so
// that infinite coordinates still land in a cell.
struct ToleranceCells {
    double tolerance;
    double size;

    long long Coordinate(double value) const {
        double c = std::floor(value / size);
        return (long long)std::min(std::max(c, -0x1p50), 0x1p50);
    }
    Cell Of(const D3DXVECTOR3& p, double offset) const {
        return Cell{Coordinate(p.x + offset), Coordinate(p.y + offset), Coordinate(p.z + offset)};
    }
};

// Cells for exact matching: the bit patterns themselves, with -0 taken as 0.
Cell ExactCell(const D3DXVECTOR3& p) {
    auto bits = [](float f) {
        if (f == 0)
            f = 0;
        std::uint32_t b;
        std::memcpy(&b, &f, 4);
        return (long long)b;
    };
    return Cell{bits(p.x), bits(p.y), bits(p.z)};
}

std::vector<DWORD> SortedByX(const std::vector<D3DXVECTOR3>& positions) {
    std::vector<DWORD> order(positions.size());
    for (DWORD v = 0; v < order.size(); ++v)
        order[v] = v;
    // A NaN x sorts last; equal x keeps index order.
    std::sort(order.begin(), order.end(), [&](DWORD a, DWORD b) {
        float xa = positions[a].x, xb = positions[b].x;
        bool nanA = std::isnan(xa), nanB = std::isnan(xb);
        if (nanA != nanB)
            return nanB;
        if (!nanA && xa != xb)
            return xa < xb;
        return a < b;
    });
    return order;
}

} // namespace

std::vector<DWORD> MergeCoincidentVertices(const std::vector<D3DXVECTOR3>& positions,
                                           const std::vector<DWORD>& indices, float tolerance) {
    const size_t count = positions.size();
    const bool exact = !(tolerance > 0);
    const float t = tolerance;

    std::vector<bool> placed(count);
    double extent = 0;
    for (size_t v = 0; v < count; ++v) {
        placed[v] = IsFinitePoint(positions[v]);
        for (float c : {positions[v].x, positions[v].y, positions[v].z})
            if (std::isfinite(c))
                extent = std::max(extent, double(std::fabs(c)));
    }
    // Cells at least four tolerances wide, so a search spans at most two per
    // axis, and no finer than 2^-40 of the extent, so coordinates stay small.
    double bounded = exact ? 0 : std::min(double(t), double(FLT_MAX));
    ToleranceCells grid{bounded, std::max(4 * bounded, extent * 0x1p-40)};
    if (!(grid.size > 0))
        grid.size = 1;

    std::vector<Cell> cellOf(count);
    for (size_t v = 0; v < count; ++v)
        if (placed[v])
            cellOf[v] = exact ? ExactCell(positions[v]) : grid.Of(positions[v], 0);
    CellGrid cells(cellOf, placed);
    VertexFaces faces(indices, count);

    auto close = [&](const D3DXVECTOR3& p, const D3DXVECTOR3& q) {
        if (exact)
            return p.x == q.x && p.y == q.y && p.z == q.z;
        D3DXVECTOR3 d = q - p;
        return std::fabs(d.x) <= t && d.x * d.x + d.y * d.y + d.z * d.z < t * t;
    };

    std::vector<DWORD> pointOf(count, kUnmapped);
    for (DWORD p : SortedByX(positions)) {
        if (pointOf[p] != kUnmapped)
            continue;
        pointOf[p] = p;
        if (!placed[p])
            continue;
        // Every vertex before p in the order is mapped already, so "not yet
        // mapped" also means "later than p".
        Cell low = exact ? cellOf[p] : grid.Of(positions[p], -2 * bounded);
        Cell high = exact ? cellOf[p] : grid.Of(positions[p], 2 * bounded);
        for (long long x = low.x; x <= high.x; ++x)
            for (long long y = low.y; y <= high.y; ++y)
                for (long long z = low.z; z <= high.z; ++z) {
                    auto [first, last] = cells.Find(Cell{x, y, z});
                    for (const DWORD* q = first; q != last; ++q)
                        if (pointOf[*q] == kUnmapped && close(positions[p], positions[*q]) &&
                            !faces.ShareFace(p, *q))
                            pointOf[*q] = p;
                }
    }
    return pointOf;
}
