#include "mesh/TangentRepair.h"

#include <cmath>

#include "mesh/PointGrid.h"
#include "utility/core/load_report.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

struct RepairRecord {
    bool needsRepair;
    D3DXVECTOR3 accumulator; // tangents of the vertices that share its point
};

// Everything the pass needs besides the mesh. It is all allocated before the
// first tangent changes, so running out of memory leaves the mesh as it was:
// the neighbours of one vertex never outnumber the vertices.
struct RepairWork {
    std::vector<RepairRecord> records;
    PointGrid grid;
    std::vector<DWORD> neighbours;

    bool Allocate(const ShadingVertex* vertices, DWORD vertexCount) {
        try {
            records.resize(vertexCount);
            neighbours.reserve(vertexCount);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return grid.Build(vertices, vertexCount);
    }
};

// The mesh's index buffer read through its own index size.
struct IndexView {
    const void* data;
    bool wide;

    DWORD operator[](size_t i) const {
        return wide ? static_cast<const DWORD*>(data)[i] : static_cast<const WORD*>(data)[i];
    }
};

bool IsDegenerate(const D3DXVECTOR3& tangent) {
    return D3DXVec3Length(&tangent) < kDegenerateTangentLength;
}

// Marks the vertices under repair and clears their tangents.
void MarkRepairs(ShadingVertex* vertices, std::vector<RepairRecord>& records) {
    for (size_t v = 0; v < records.size(); ++v) {
        RepairRecord& record = records[v];
        record.needsRepair = IsDegenerate(vertices[v].tangent);
        record.accumulator = D3DXVECTOR3(0, 0, 0);
        if (record.needsRepair)
            vertices[v].tangent = D3DXVECTOR3(0, 0, 0);
    }
}

// Each vertex under repair takes the sum of the tangents of its faces.
void AddFaceTangents(ShadingVertex* vertices, const std::vector<RepairRecord>& records,
                     IndexView indices, DWORD faceCount) {
    const size_t vertexCount = records.size();
    for (size_t f = 0; f < faceCount; ++f) {
        DWORD corners[3] = {indices[f * 3], indices[f * 3 + 1], indices[f * 3 + 2]};
        if (corners[0] >= vertexCount || corners[1] >= vertexCount || corners[2] >= vertexCount)
            continue;
        if (!records[corners[0]].needsRepair && !records[corners[1]].needsRepair &&
            !records[corners[2]].needsRepair)
            continue;
        const ShadingVertex& v0 = vertices[corners[0]];
        const ShadingVertex& v1 = vertices[corners[1]];
        const ShadingVertex& v2 = vertices[corners[2]];
        D3DXVECTOR3 tangent;
        if (!ComputeFaceTangent(v0.position, v0.uv, v1.position, v1.uv, v2.position, v2.uv,
                                &tangent))
            continue;
        for (DWORD corner : corners)
            if (records[corner].needsRepair)
                vertices[corner].tangent += tangent;
    }
}

// Each vertex under repair sums the normalised tangents of the vertices that
// share its point, visited in ascending order as a scan over all of them
// would: each visit normalises the neighbour's stored tangent again, so the
// order decides the exact bits.
void AddNeighbourTangents(ShadingVertex* vertices, RepairWork& work) {
    std::vector<RepairRecord>& records = work.records;
    std::vector<DWORD>& neighbours = work.neighbours;
    PointGrid::Run runs[PointGrid::kMaxRuns];
    for (DWORD a = 0; a < records.size(); ++a) {
        if (LoadStepCancelled(a, records.size()))
            return;
        if (!records[a].needsRepair)
            continue;
        neighbours.clear();
        int runCount = work.grid.Candidates(vertices[a].position, runs);
        for (int r = 0; r < runCount; ++r)
            for (const DWORD* b = runs[r].begin; b != runs[r].end; ++b)
                if (*b != a && SharesTangent(vertices[a], vertices[*b]))
                    neighbours.push_back(*b);
        // Runs are ascending each; only matches from several need sorting.
        if (runCount > 1)
            std::sort(neighbours.begin(), neighbours.end());
        for (DWORD b : neighbours) {
            D3DXVec3Normalize(&vertices[b].tangent, &vertices[b].tangent);
            records[a].accumulator += vertices[b].tangent;
        }
    }
}

void FinishRepairs(ShadingVertex* vertices, const std::vector<RepairRecord>& records) {
    for (size_t v = 0; v < records.size(); ++v) {
        if (!records[v].needsRepair)
            continue;
        D3DXVECTOR3 tangent = vertices[v].tangent;
        const D3DXVECTOR3& normal = vertices[v].normal;
        D3DXVec3Normalize(&tangent, &tangent);
        tangent += records[v].accumulator;
        D3DXVec3Normalize(&tangent, &tangent);
        // What remains of it perpendicular to the normal.
        D3DXVECTOR3 side;
        D3DXVec3Cross(&side, &tangent, &normal);
        D3DXVec3Cross(&vertices[v].tangent, &normal, &side);
        const D3DXVECTOR3& repaired = vertices[v].tangent;
        if (repaired.x == 0.0f && repaired.y == 0.0f && repaired.z == 0.0f)
            vertices[v].tangent = FallbackTangent(normal);
    }
}

void RepairWithLockedBuffers(ShadingVertex* vertices, DWORD vertexCount, IndexView indices,
                             DWORD faceCount) {
    bool any = false;
    for (DWORD v = 0; v < vertexCount && !any; ++v)
        any = IsDegenerate(vertices[v].tangent);
    RepairWork work;
    if (!any || !work.Allocate(vertices, vertexCount))
        return;
    MarkRepairs(vertices, work.records);
    AddFaceTangents(vertices, work.records, indices, faceCount);
    AddNeighbourTangents(vertices, work);
    FinishRepairs(vertices, work.records);
}

} // namespace

bool ComputeFaceTangent(const D3DXVECTOR3& p0, const D3DXVECTOR2& t0, const D3DXVECTOR3& p1,
                        const D3DXVECTOR2& t1, const D3DXVECTOR3& p2, const D3DXVECTOR2& t2,
                        D3DXVECTOR3* tangent) {
    // Edge 2 runs from corner 1, not corner 0; any two edges span the face.
    D3DXVECTOR3 dp1 = p1 - p0;
    D3DXVECTOR3 dp2 = p2 - p1;
    float du1 = t1.x - t0.x, dv1 = t1.y - t0.y;
    float du2 = t2.x - t1.x, dv2 = t2.y - t1.y;
    float area = du1 * dv2 - dv1 * du2;
    // Negative for a face whose texture runs the other way round; the
    // negated test also refuses a NaN.
    if (!(area > kTextureAreaThreshold))
        return false;
    D3DXVECTOR3 direction((dp1.x * dv2 - dv1 * dp2.x) / area, (dp1.y * dv2 - dv1 * dp2.y) / area,
                          (dp1.z * dv2 - dv1 * dp2.z) / area);
    D3DXVec3Normalize(tangent, &direction);
    return true;
}

bool SharesTangent(const ShadingVertex& a, const ShadingVertex& b) {
    D3DXVECTOR3 offset = a.position - b.position;
    return D3DXVec3Length(&offset) <= kCoincidenceDistance &&
           D3DXVec3Dot(&a.normal, &b.normal) >= kNormalAgreement;
}

void RepairTangents(ID3DXMesh* mesh) {
    if (!HasShadingLayout(mesh))
        return;
    void* indexData = nullptr;
    void* vertexData = nullptr;
    if (FAILED(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indexData)))
        return;
    if (FAILED(mesh->LockVertexBuffer(0, &vertexData))) {
        mesh->UnlockIndexBuffer();
        return;
    }
    IndexView indices{indexData, (mesh->GetOptions() & D3DXMESH_32BIT) != 0};
    RepairWithLockedBuffers(static_cast<ShadingVertex*>(vertexData), mesh->GetNumVertices(),
                            indices, mesh->GetNumFaces());
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
}

D3DXVECTOR3 FallbackTangent(const D3DXVECTOR3& n) {
    float lengthSq = D3DXVec3LengthSq(&n);
    if (!(lengthSq > 0.0f))
        return D3DXVECTOR3(0, 0, 0);
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    D3DXVECTOR3 axis = ax <= ay && ax <= az ? D3DXVECTOR3(1, 0, 0)
                       : ay <= az           ? D3DXVECTOR3(0, 1, 0)
                                            : D3DXVECTOR3(0, 0, 1);
    D3DXVECTOR3 tangent = axis - n * (D3DXVec3Dot(&n, &axis) / lengthSq);
    D3DXVec3Normalize(&tangent, &tangent);
    return tangent;
}
