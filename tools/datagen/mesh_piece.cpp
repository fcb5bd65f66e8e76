#include "tools/datagen/mesh_piece.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

D3DXVECTOR3 TriangleNormal(const MeshPiece& piece, const MeshTriangle& triangle) {
    const D3DXVECTOR3& a = piece.vertices[triangle.corners[0]].position;
    const D3DXVECTOR3& b = piece.vertices[triangle.corners[1]].position;
    const D3DXVECTOR3& c = piece.vertices[triangle.corners[2]].position;
    D3DXVECTOR3 ab = b - a, ac = c - a, normal;
    D3DXVec3Cross(&normal, &ab, &ac);
    return normal;
}

double SignedVolume6(const MeshPiece& piece) {
    double volume = 0;
    for (const MeshTriangle& triangle : piece.triangles) {
        const D3DXVECTOR3& a = piece.vertices[triangle.corners[0]].position;
        const D3DXVECTOR3& b = piece.vertices[triangle.corners[1]].position;
        const D3DXVECTOR3& c = piece.vertices[triangle.corners[2]].position;
        volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) +
                  double(a.y) * (double(b.z) * c.x - double(b.x) * c.z) +
                  double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
    }
    return volume;
}

namespace {

void TurnAround(MeshPiece& piece) {
    for (MeshTriangle& triangle : piece.triangles)
        std::swap(triangle.corners[1], triangle.corners[2]);
    for (MeshVertex& vertex : piece.vertices)
        vertex.normal = -vertex.normal;
}

using CellKey = std::tuple<long long, long long, long long>;

CellKey CellOf(const D3DXVECTOR3& p, float cellSize) {
    return {std::llround(std::floor(p.x / cellSize)), std::llround(std::floor(p.y / cellSize)),
            std::llround(std::floor(p.z / cellSize))};
}

// Every position takes the first earlier position within `tolerance`; the
// cells are twice the tolerance wide, so the neighbours of a point lie in
// the 27 cells around its own.
void SnapPositions(MeshPiece& mesh, float tolerance) {
    const float cellSize = 2 * tolerance;
    std::map<CellKey, std::vector<D3DXVECTOR3>> cells;
    for (MeshVertex& vertex : mesh.vertices) {
        auto [x, y, z] = CellOf(vertex.position, cellSize);
        bool snapped = false;
        for (long long dx = -1; dx <= 1 && !snapped; ++dx)
            for (long long dy = -1; dy <= 1 && !snapped; ++dy)
                for (long long dz = -1; dz <= 1 && !snapped; ++dz) {
                    auto cell = cells.find({x + dx, y + dy, z + dz});
                    if (cell == cells.end())
                        continue;
                    for (const D3DXVECTOR3& known : cell->second) {
                        D3DXVECTOR3 d = known - vertex.position;
                        if (D3DXVec3LengthSq(&d) <= tolerance * tolerance) {
                            vertex.position = known;
                            snapped = true;
                            break;
                        }
                    }
                }
        if (!snapped)
            cells[{x, y, z}].push_back(vertex.position);
    }
}

using VertexKey = std::array<std::uint32_t, 8>;

VertexKey KeyOf(const MeshVertex& vertex) {
    const float values[8] = {vertex.position.x, vertex.position.y, vertex.position.z,
                             vertex.normal.x,   vertex.normal.y,   vertex.normal.z,
                             vertex.texcoord.x, vertex.texcoord.y};
    VertexKey key;
    std::memcpy(key.data(), values, sizeof values);
    return key;
}

bool TwoCornersMeet(const MeshPiece& mesh, const MeshTriangle& triangle) {
    const D3DXVECTOR3& a = mesh.vertices[triangle.corners[0]].position;
    const D3DXVECTOR3& b = mesh.vertices[triangle.corners[1]].position;
    const D3DXVECTOR3& c = mesh.vertices[triangle.corners[2]].position;
    return a == b || b == c || c == a;
}

} // namespace

void OrientOutward(MeshPiece& piece) {
    if (SignedVolume6(piece) < 0)
        TurnAround(piece);
}

MeshPiece MirroredX(const MeshPiece& piece) {
    MeshPiece mirror = piece;
    for (MeshVertex& vertex : mirror.vertices) {
        vertex.position.x = -vertex.position.x;
        vertex.normal.x = -vertex.normal.x;
    }
    // A reflection turns the faces inside out; turning the triangles back
    // restores the winding, and the mirrored normals already point outward.
    for (MeshTriangle& triangle : mirror.triangles)
        std::swap(triangle.corners[1], triangle.corners[2]);
    return mirror;
}

void AppendPiece(MeshPiece& to, const MeshPiece& piece) {
    const std::uint32_t base = std::uint32_t(to.vertices.size());
    to.vertices.insert(to.vertices.end(), piece.vertices.begin(), piece.vertices.end());
    for (MeshTriangle triangle : piece.triangles) {
        for (std::uint32_t& corner : triangle.corners)
            corner += base;
        to.triangles.push_back(triangle);
    }
}

void WeldVertices(MeshPiece& mesh, float tolerance) {
    SnapPositions(mesh, tolerance);

    std::vector<MeshTriangle> kept;
    for (const MeshTriangle& triangle : mesh.triangles)
        if (!TwoCornersMeet(mesh, triangle))
            kept.push_back(triangle);
    std::stable_sort(kept.begin(), kept.end(), [](const MeshTriangle& a, const MeshTriangle& b) {
        return a.material < b.material;
    });

    // Vertices are numbered in the order the sorted triangles first use them.
    std::map<VertexKey, std::uint32_t> numbers;
    std::vector<MeshVertex> vertices;
    for (MeshTriangle& triangle : kept)
        for (std::uint32_t& corner : triangle.corners) {
            const MeshVertex& vertex = mesh.vertices[corner];
            auto found = numbers.emplace(KeyOf(vertex), std::uint32_t(vertices.size()));
            if (found.second)
                vertices.push_back(vertex);
            corner = found.first->second;
        }
    mesh.vertices = std::move(vertices);
    mesh.triangles = std::move(kept);
}
