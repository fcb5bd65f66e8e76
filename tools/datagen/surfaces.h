// The two kinds of surface the default models are made of: flat facets with
// one normal (hard surfaces) and surfaces swept around an axis with smooth
// normals (bodies, limbs, rings, domes).
#pragma once

#include "tools/datagen/mesh_piece.h"

#include <functional>

// A planar quadrilateral, corners in order around it (the last two may be
// one point, for a triangle), cut into `along` x `across` quads. Positions
// and texture coordinates are interpolated bilinearly between the corners,
// so a texture mapping that is linear in position stays exact. Every vertex
// gets the plane's normal on the side of `outward`, and the triangles turn
// to that side.
void AddFacet(MeshPiece& piece, const D3DXVECTOR3 corners[4], const D3DXVECTOR2 texcoords[4],
              int along, int across, const D3DXVECTOR3& outward, DWORD material);

// A surface swept around an axis. For t in [0, 1] the profile gives the
// distance from the axis and the height along it; the angle phi runs from
// phiStart to phiEnd, with phi = 0 toward `front` and phi = pi/2 toward
// axis x front. The cross-section is stretched by frontScale toward front and
// sideScale across. An open profile starts and ends on the axis (two poles);
// a closed one is a loop (a torus).
struct Revolution {
    D3DXVECTOR3 origin{0, 0, 0};
    D3DXVECTOR3 axis{0, 1, 0};
    D3DXVECTOR3 front{0, 0, -1};
    float frontScale = 1;
    float sideScale = 1;
    std::function<D3DXVECTOR2(float t)> profile;
    bool closedProfile = false;
    float phiStart = -D3DX_PI;
    float phiEnd = D3DX_PI;
    int around = 16;
    int along = 8;
    std::function<D3DXVECTOR2(float phi, float t, const D3DXVECTOR3& position)> texcoord;
    DWORD material = 0;
};

// The swept surface as a closed piece facing outward, with normals from the
// surface's derivatives (along the axis at the poles). The vertices of a
// pole are left apart (one per
// column, with that column's texture coordinate); WeldVertices joins their
// positions and drops the empty triangles there.
MeshPiece BuildRevolution(const Revolution& surface);
