#include "tools/datagen/solid_model.h"

#include "tools/datagen/profile.h"
#include "tools/datagen/solid_layout.h"
#include "tools/datagen/surfaces.h"

#include <cmath>
#include <utility>

using namespace solid_layout;

namespace {

constexpr DWORD kBodyMaterial = 0;
constexpr DWORD kRingMaterial = 1;

// A face of the block seen from outside: `up` is the top of its art. Faces
// marked mirrored show the art flipped left to right, so that opposite faces
// are mirror images (the mapping has mirrored regions, as art often does).
struct BlockFace {
    D3DXVECTOR3 normal;
    D3DXVECTOR3 up;
    bool mirrored;
    UvRect region;

    // Right and down across the face as it is seen from outside; right x
    // down points out of the block.
    D3DXVECTOR3 Right() const {
        D3DXVECTOR3 right, inward = -normal;
        D3DXVec3Cross(&right, &up, &inward);
        return right;
    }
    // x to the right, y down, height out from the centre.
    D3DXVECTOR3 Point(float x, float y, float height) const {
        return normal * height + Right() * x - up * y;
    }
    D3DXVECTOR2 Texcoord(float x, float y) const {
        float fx = (mirrored ? -x : x) / kFaceHalf, fy = y / kFaceHalf;
        return region.At((fx + 1) / 2, (fy + 1) / 2);
    }
};

const BlockFace kBlockFaces[6] = {
    {{0, 0, -1}, {0, 1, 0}, false, kSideFace}, {{1, 0, 0}, {0, 1, 0}, false, kSideFace},
    {{0, 0, 1}, {0, 1, 0}, true, kSideFace},  {{-1, 0, 0}, {0, 1, 0}, true, kSideFace},
    {{0, 1, 0}, {0, 0, 1}, false, kCapFace},   {{0, -1, 0}, {0, 0, -1}, true, kCapFace},
};

// The square band of a face between half-sizes `outer` (at outerHeight) and
// `inner` (at innerHeight), as four trapezoids.
//
//   o0-------------o1
//    \  i0-----i1  /      one trapezoid: o0 o1 i1 i0;
//     \ |       | /       the other three are it turned
//       ...               by quarter turns about the centre
void AddSquareBand(MeshPiece& piece, const BlockFace& face, float outer, float outerHeight,
                   float inner, float innerHeight, int across) {
    D3DXVECTOR2 corners2d[4] = {
        {-outer, -outer}, {outer, -outer}, {inner, -inner}, {-inner, -inner}};
    const float heights[4] = {outerHeight, outerHeight, innerHeight, innerHeight};
    for (int turn = 0; turn < 4; ++turn) {
        D3DXVECTOR3 corners[4];
        D3DXVECTOR2 texcoords[4];
        for (int k = 0; k < 4; ++k) {
            corners[k] = face.Point(corners2d[k].x, corners2d[k].y, heights[k]);
            texcoords[k] = face.Texcoord(corners2d[k].x, corners2d[k].y);
            corners2d[k] = {-corners2d[k].y, corners2d[k].x};
        }
        AddFacet(piece, corners, texcoords, kFaceSegments, across, face.normal, kBodyMaterial);
    }
}

// The tangent generator joins the vertices of one point across hard edges
// and atlas seams and reads the normal and texture coordinate of the first
// one the face order reaches. So the parts that carry relief come first (the
// panel, then the frame), and the frame has rows of its own between its bolts
// and the chamfer, whose texture coordinates lie elsewhere in the atlas.
void AddFace(MeshPiece& piece, const BlockFace& face) {
    const float floor = kHalfExtent - kRecessDepth;
    const float r = kRecessInner;
    const D3DXVECTOR3 corners[4] = {face.Point(-r, -r, floor), face.Point(r, -r, floor),
                                    face.Point(r, r, floor), face.Point(-r, r, floor)};
    const D3DXVECTOR2 texcoords[4] = {face.Texcoord(-r, -r), face.Texcoord(r, -r),
                                      face.Texcoord(r, r), face.Texcoord(-r, r)};
    AddFacet(piece, corners, texcoords, kFaceSegments, kFaceSegments, face.normal, kBodyMaterial);
    AddSquareBand(piece, face, kFaceHalf, kHalfExtent, kFrameInner, kHalfExtent, kFrameRows);
    AddSquareBand(piece, face, kFrameInner, kHalfExtent, kRecessInner, floor, 1);
}

// Whether the texture reads the right way round (not mirrored) on a facet
// whose corners c0, c1, c3 take (0, 0), (1, 0) and (0, 1) of its region:
// the faces are clockwise seen from outside.
bool ReadsUpright(const D3DXVECTOR3 corners[4], const D3DXVECTOR3& outward) {
    D3DXVECTOR3 along = corners[1] - corners[0], across = corners[3] - corners[0], normal;
    D3DXVec3Cross(&normal, &along, &across);
    return D3DXVec3Dot(&normal, &outward) > 0;
}

// The 45-degree strip between two faces that meet along an edge, its
// texture running along the edge and upright. (On a mirrored facet the
// tangent repair finds no face tangent, and some corners here would be left
// without any tangent.)
void AddChamfer(MeshPiece& piece, const D3DXVECTOR3& n1, const D3DXVECTOR3& n2) {
    D3DXVECTOR3 edge;
    D3DXVec3Cross(&edge, &n1, &n2);
    const float e = kHalfExtent, a = kFaceHalf;
    D3DXVECTOR3 corners[4] = {n1 * e + n2 * a - edge * a, n1 * e + n2 * a + edge * a,
                              n2 * e + n1 * a + edge * a, n2 * e + n1 * a - edge * a};
    if (!ReadsUpright(corners, n1 + n2)) {
        std::swap(corners[0], corners[3]);
        std::swap(corners[1], corners[2]);
    }
    const D3DXVECTOR2 texcoords[4] = {kChamferBand.At(0, 0), kChamferBand.At(1, 0),
                                      kChamferBand.At(1, 1), kChamferBand.At(0, 1)};
    AddFacet(piece, corners, texcoords, kFaceSegments, 1, n1 + n2, kBodyMaterial);
}

// The triangle that closes the three chamfers at one corner of the block.
void AddCorner(MeshPiece& piece, float sx, float sy, float sz) {
    const float e = kHalfExtent, a = kFaceHalf;
    const D3DXVECTOR3 outward(sx, sy, sz);
    D3DXVECTOR3 corners[4] = {{sx * e, sy * a, sz * a},
                              {sx * a, sy * e, sz * a},
                              {sx * a, sy * a, sz * e},
                              {sx * a, sy * a, sz * e}};
    if (!ReadsUpright(corners, outward))
        std::swap(corners[0], corners[1]);
    const D3DXVECTOR2 texcoords[4] = {kCornerPatch.At(0, 0), kCornerPatch.At(1, 0),
                                      kCornerPatch.At(0, 1), kCornerPatch.At(0, 1)};
    AddFacet(piece, corners, texcoords, 1, 1, outward, kBodyMaterial);
}

MeshPiece BuildBlock() {
    MeshPiece block;
    for (const BlockFace& face : kBlockFaces)
        AddFace(block, face);
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j) {
            const D3DXVECTOR3& n1 = kBlockFaces[i].normal;
            const D3DXVECTOR3& n2 = kBlockFaces[j].normal;
            if (D3DXVec3Dot(&n1, &n2) == 0)
                AddChamfer(block, n1, n2);
        }
    for (int corner = 0; corner < 8; ++corner)
        AddCorner(block, corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f,
                  corner & 4 ? 1.0f : -1.0f);
    return block;
}

// The texture runs around the tube folded at its inner side, so the band's
// top row is the outer rim on both halves of the tube.
MeshPiece BuildRing() {
    Revolution ring;
    ring.front = {0, 0, -1};
    ring.profile = [](float t) {
        float angle = 2 * D3DX_PI * t;
        return D3DXVECTOR2(kRingRadius + kRingTube * std::cos(angle), kRingTube * std::sin(angle));
    };
    ring.closedProfile = true;
    ring.phiStart = 0;
    ring.phiEnd = 2 * D3DX_PI;
    ring.around = 64;
    ring.along = 10;
    ring.texcoord = [](float phi, float t, const D3DXVECTOR3&) {
        float around = float(kRingRepeats) * phi / (2 * D3DX_PI);
        float fold = 1 - std::fabs(1 - 2 * t);
        return D3DXVECTOR2(around, kRingBand.At(0, fold).y);
    };
    ring.material = kRingMaterial;
    return BuildRevolution(ring);
}

// A rod from inside the block's side face out to the ring's centre line,
// mapped folded around itself (a mirrored mapping across its top and
// bottom). Its rounded ends, hidden inside the block and the ring, take most
// of the profile's t, so u follows the distance along the rod instead.
MeshPiece BuildStrut(const D3DXVECTOR3& direction) {
    constexpr float length = kRingRadius - kStrutBase;
    Revolution strut;
    strut.origin = direction * kStrutBase;
    strut.axis = direction;
    strut.front = {0, 1, 0};
    strut.profile = CapsuleProfile(kStrutRadius, kStrutRadius, length);
    strut.around = 12;
    strut.along = 10;
    strut.texcoord = [direction](float phi, float, const D3DXVECTOR3& p) {
        float along = (D3DXVec3Dot(&p, &direction) - kStrutBase) / length;
        return kStrutBand.At(along, std::fabs(phi) / D3DX_PI);
    };
    strut.material = kRingMaterial;
    return BuildRevolution(strut);
}

// A sphere sunk into the top panel, textured by the top face's projection
// from above, so the lens art of the top face's centre lies on it.
MeshPiece BuildDome() {
    Revolution dome;
    dome.origin = {0, kDomeCentre, 0};
    dome.profile = [](float t) {
        return D3DXVECTOR2(kDomeRadius * std::sin(D3DX_PI * t),
                           kDomeRadius * std::cos(D3DX_PI * t));
    };
    dome.around = 24;
    dome.along = 12;
    dome.texcoord = [](float, float, const D3DXVECTOR3& p) {
        const BlockFace& top = kBlockFaces[4];
        const D3DXVECTOR3 right = top.Right();
        return top.Texcoord(D3DXVec3Dot(&p, &right), -D3DXVec3Dot(&p, &top.up));
    };
    dome.material = kBodyMaterial;
    return BuildRevolution(dome);
}

D3DMATERIAL9 Material(float diffuse, float specular, float power) {
    D3DMATERIAL9 m{};
    m.Diffuse = {diffuse, diffuse, diffuse, 1};
    m.Ambient = {diffuse, diffuse, diffuse, 1};
    m.Specular = {specular, specular, specular, 1};
    m.Emissive = {0, 0, 0, 1};
    m.Power = power;
    return m;
}

} // namespace

MeshPiece BuildSolidModel() {
    MeshPiece model = BuildBlock();
    AppendPiece(model, BuildDome());
    AppendPiece(model, BuildRing());
    const D3DXVECTOR3 sides[4] = {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const D3DXVECTOR3& side : sides)
        AppendPiece(model, BuildStrut(side));
    WeldVertices(model, 1e-5f);
    return model;
}

std::vector<D3DMATERIAL9> SolidMaterials() {
    return {Material(0.8f, 0.5f, 32), Material(0.7f, 0.8f, 64)};
}
