#include "tools/datagen/surfaces.h"

#include <algorithm>
#include <cmath>

namespace {

D3DXVECTOR3 Normalized(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    D3DXVECTOR3 out;
    D3DXVec3Cross(&out, &a, &b);
    return out;
}

template <class T>
T Bilinear(const T corners[4], float s, float t) {
    return corners[0] * ((1 - s) * (1 - t)) + corners[1] * (s * (1 - t)) + corners[2] * (s * t) +
           corners[3] * ((1 - s) * t);
}

// Two triangles of the grid quad q00-q10-q11-q01, both facing along
// (q10 - q00) x (q01 - q00), split along q00-q11 or, with `otherDiagonal`,
// along q10-q01.
void AddQuad(MeshPiece& piece, std::uint32_t q00, std::uint32_t q10, std::uint32_t q11,
             std::uint32_t q01, bool otherDiagonal, DWORD material) {
    if (otherDiagonal) {
        piece.triangles.push_back({{q00, q10, q01}, material});
        piece.triangles.push_back({{q10, q11, q01}, material});
    } else {
        piece.triangles.push_back({{q00, q10, q11}, material});
        piece.triangles.push_back({{q00, q11, q01}, material});
    }
}

// Rows of columns x rows quads from vertex `first` on, (columns + 1) vertices
// a row. Columns before `mirrorBefore` take the other diagonal, so a grid
// that is symmetric about that column is also triangulated symmetrically.
void AddGridTriangles(MeshPiece& piece, std::uint32_t first, int columns, int rows,
                      int mirrorBefore, DWORD material) {
    const std::uint32_t stride = std::uint32_t(columns + 1);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            std::uint32_t q00 = first + std::uint32_t(j) * stride + std::uint32_t(i);
            AddQuad(piece, q00, q00 + 1, q00 + stride + 1, q00 + stride, i < mirrorBefore,
                    material);
        }
}

struct Frame {
    D3DXVECTOR3 axis, front, side;
};

D3DXVECTOR3 SweptPoint(const Revolution& surface, const Frame& frame, float phi, float t) {
    D3DXVECTOR2 rh = surface.profile(t);
    D3DXVECTOR3 radial = frame.front * (std::cos(phi) * surface.frontScale) +
                         frame.side * (std::sin(phi) * surface.sideScale);
    return surface.origin + frame.axis * rh.y + radial * rh.x;
}

// Central differences. At a pole the ring has no width: the normal there is
// the axis, turned the way the normals just off the pole point.
D3DXVECTOR3 SweptNormal(const Revolution& surface, const Frame& frame, float phi, float t) {
    constexpr float step = 5e-4f;
    const bool pole = !surface.closedProfile && (t == 0 || t == 1);
    if (!surface.closedProfile)
        t = std::clamp(t, 2 * step, 1 - 2 * step);
    D3DXVECTOR3 dPhi =
        SweptPoint(surface, frame, phi + step, t) - SweptPoint(surface, frame, phi - step, t);
    D3DXVECTOR3 dT =
        SweptPoint(surface, frame, phi, t + step) - SweptPoint(surface, frame, phi, t - step);
    D3DXVECTOR3 normal = Normalized(Cross(dPhi, dT));
    if (pole)
        return D3DXVec3Dot(&normal, &frame.axis) < 0 ? -frame.axis : frame.axis;
    return normal;
}

} // namespace

void AddFacet(MeshPiece& piece, const D3DXVECTOR3 corners[4], const D3DXVECTOR2 texcoords[4],
              int along, int across, const D3DXVECTOR3& outward, DWORD material) {
    D3DXVECTOR3 normal = Normalized(Cross(corners[1] - corners[0], corners[3] - corners[0]));
    if (D3DXVec3Dot(&normal, &outward) < 0)
        normal = -normal;
    const std::uint32_t first = std::uint32_t(piece.vertices.size());
    for (int j = 0; j <= across; ++j)
        for (int i = 0; i <= along; ++i) {
            float s = float(i) / float(along), t = float(j) / float(across);
            piece.vertices.push_back({Bilinear(corners, s, t), normal, Bilinear(texcoords, s, t)});
        }
    const std::size_t firstTriangle = piece.triangles.size();
    AddGridTriangles(piece, first, along, across, 0, material);
    for (std::size_t k = firstTriangle; k < piece.triangles.size(); ++k) {
        D3DXVECTOR3 faceNormal = TriangleNormal(piece, piece.triangles[k]);
        if (D3DXVec3Dot(&faceNormal, &normal) < 0)
            std::swap(piece.triangles[k].corners[1], piece.triangles[k].corners[2]);
    }
}

// The angles are spread from the middle of the sweep out, so that columns
// i and around - i lie at exactly opposite angles: a sweep centred on phi = 0
// is then mirror-symmetric to the bit, and so are the tangents computed on it
// (across its centre line they cancel exactly sideways). A whole turn ends on
// its first column's position and normal, with the end angle's texture
// coordinate.
MeshPiece BuildRevolution(const Revolution& surface) {
    Frame frame;
    frame.axis = Normalized(surface.axis);
    frame.front = Normalized(surface.front);
    frame.side = Cross(frame.axis, frame.front);
    const float middle = (surface.phiStart + surface.phiEnd) / 2;
    const float half = (surface.phiEnd - surface.phiStart) / 2;
    const bool wholeTurn = std::fabs(half - D3DX_PI) < 1e-6f;

    MeshPiece piece;
    for (int j = 0; j <= surface.along; ++j) {
        const std::size_t rowStart = piece.vertices.size();
        for (int i = 0; i <= surface.around; ++i) {
            float t = float(j) / float(surface.along);
            float phi = middle + half * (float(2 * i - surface.around) / float(surface.around));
            MeshVertex vertex{
                SweptPoint(surface, frame, phi, t), SweptNormal(surface, frame, phi, t), {0, 0}};
            if (wholeTurn && i == surface.around)
                vertex = piece.vertices[rowStart];
            vertex.texcoord = surface.texcoord(phi, t, vertex.position);
            piece.vertices.push_back(vertex);
        }
    }
    // The grid's triangles and its normals both follow dPhi x dT, so one
    // turn of the whole piece makes both face outward.
    AddGridTriangles(piece, 0, surface.around, surface.along, surface.around / 2, surface.material);
    OrientOutward(piece);
    return piece;
}
