// D3DXComputeTangent. Every corner of every face gives a unit tangent (and
// binormal) from its normal, its two edges and their texture-coordinate
// differences; corners add into the vertex that represents their point, so
// all copies of a point along a texture seam end with one summed direction.
#include "utility/core/parallel.h"
#include "utility/mesh/adjacency.h"
#include "utility/mesh/face_order.h"
#include "utility/mesh/fan_walk.h"
#include "utility/mesh/mesh_access.h"
#include "utility/mesh/vertex_declaration.h"
#include "utility/mesh/vertex_element.h"

#include <cmath>
#include <new>

namespace {

constexpr DWORD kUnset = 0xFFFFFFFF;
// Fans of more faces than this are taken as adjacency gone wrong.
constexpr DWORD kMaxFanSteps = 10000;

// Elements of the mesh's declaration; tangent or binormal may be null.
struct TangentLayout {
    const D3DVERTEXELEMENT9 *position, *normal, *texcoord, *tangent, *binormal;
};

bool FindTangentLayout(const D3DVERTEXELEMENT9* declaration, DWORD textureStage, DWORD tangentIndex,
                       DWORD binormalIndex, TangentLayout& layout) {
    layout.position = FindVertexElement(declaration, D3DDECLUSAGE_POSITION, 0);
    layout.normal = FindVertexElement(declaration, D3DDECLUSAGE_NORMAL, 0);
    layout.texcoord = FindVertexElement(declaration, D3DDECLUSAGE_TEXCOORD, textureStage);
    layout.tangent = FindVertexElement(declaration, D3DDECLUSAGE_TANGENT, tangentIndex);
    layout.binormal = FindVertexElement(declaration, D3DDECLUSAGE_BINORMAL, binormalIndex);
    if (!layout.position || !layout.normal || !layout.texcoord ||
        (!layout.tangent && !layout.binormal))
        return false;
    return ElementComponentCount(layout.texcoord->Type) >= 2 &&
           (!layout.tangent || ElementComponentCount(layout.tangent->Type) >= 3) &&
           (!layout.binormal || ElementComponentCount(layout.binormal->Type) >= 3);
}

// For every vertex, the vertex whose data stands for its point: the first
// vertex, in attribute order, met at a corner of the point's fan.
FanWalk FindRepresentatives(const LargeVector<DWORD>& indices, DWORD vertexCount,
                            const DWORD* adjacency, const LargeVector<DWORD>& faceOrder,
                            LargeVector<DWORD>& representative) {
    const DWORD faceCount = DWORD(indices.size() / 3);
    representative.assign(vertexCount, kUnset);
    std::vector<DWORD> fan;
    for (size_t i = 0; i < faceOrder.size(); ++i) {
        if (LoadStepCancelled(i, faceOrder.size()))
            return FanWalk::Done;
        const DWORD face = faceOrder[i];
        for (DWORD k = 0; k < 3; ++k) {
            DWORD v = indices[size_t(face) * 3 + k];
            if (v >= vertexCount || representative[v] != kUnset)
                continue;
            FanWalk walk = WalkFan(adjacency, faceCount, face, k, kMaxFanSteps, fan);
            if (walk != FanWalk::Done)
                return walk;
            for (DWORD corner : fan)
                if (indices[corner] < vertexCount)
                    representative[indices[corner]] = v;
        }
    }
    for (DWORD v = 0; v < vertexCount; ++v)
        if (representative[v] == kUnset)
            representative[v] = v;
    return FanWalk::Done;
}

// Texture-coordinate difference b - a; with wrapping, of the fractional
// parts and taken the short way round.
float TexDelta(float a, float b, bool wrap) {
    if (!wrap)
        return b - a;
    float d = (b - std::trunc(b)) - (a - std::trunc(a));
    if (d > 0.5f)
        d -= 1;
    else if (d < -0.5f)
        d += 1;
    return d;
}

D3DXVECTOR3 CornerDirection(const D3DXVECTOR3& normal, const D3DXVECTOR3& ea, const D3DXVECTOR3& eb,
                            float da, float db) {
    D3DXVECTOR3 along = ea * db - eb * da, direction;
    D3DXVec3Cross(&direction, &normal, &along);
    D3DXVec3Normalize(&direction, &direction);
    return direction;
}

struct VertexData {
    LargeVector<D3DXVECTOR3> position, normal, texcoord; // texcoord: u and v in x and y
};

// Adds each corner's unit directions into its representative, for the
// representatives in [low, high); a null sum is one the layout does not
// have. Faces with an index outside the vertices add nothing. Each sum takes
// its corners in face order whatever the range, so ranges can be summed
// apart.
void AddCornerFrames(const VertexData& in, const LargeVector<DWORD>& indices,
                     const LargeVector<DWORD>& representative, bool wrap, DWORD low, DWORD high,
                     LargeVector<D3DXVECTOR3>* tangents, LargeVector<D3DXVECTOR3>* binormals) {
    const size_t vertexCount = representative.size();
    for (size_t face = 0; face * 3 < indices.size(); ++face) {
        DWORD r[3];
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            DWORD index = indices[face * 3 + k];
            inside = inside && index < vertexCount;
            r[k] = inside ? representative[index] : 0;
        }
        if (!inside)
            continue;
        for (int c = 0; c < 3; ++c) {
            DWORD rc = r[c], ra = r[(c + 1) % 3], rb = r[(c + 2) % 3];
            if (rc < low || rc >= high)
                continue;
            D3DXVECTOR3 ea = in.position[ra] - in.position[rc];
            D3DXVECTOR3 eb = in.position[rb] - in.position[rc];
            const D3DXVECTOR3 &tc = in.texcoord[rc], &ta = in.texcoord[ra], &tb = in.texcoord[rb];
            if (tangents)
                (*tangents)[rc] += CornerDirection(
                    in.normal[rc], ea, eb, TexDelta(tc.x, ta.x, wrap), TexDelta(tc.x, tb.x, wrap));
            if (binormals)
                (*binormals)[rc] += CornerDirection(
                    in.normal[rc], ea, eb, TexDelta(tc.y, ta.y, wrap), TexDelta(tc.y, tb.y, wrap));
        }
    }
}

// Normalises every sum, then gives each vertex its representative's result.
void FinishDirections(const LargeVector<DWORD>& representative, LargeVector<D3DXVECTOR3>& sums) {
    for (D3DXVECTOR3& sum : sums)
        D3DXVec3Normalize(&sum, &sum);
    for (size_t v = 0; v < sums.size(); ++v)
        if (representative[v] != v)
            sums[v] = sums[representative[v]];
}

void StoreDirections(BYTE* vertices, UINT stride, const D3DVERTEXELEMENT9& element,
                     const LargeVector<D3DXVECTOR3>& directions) {
    for (size_t v = 0; v < directions.size(); ++v) {
        const D3DXVECTOR3& d = directions[v];
        WriteVertexElement(element.Type, D3DXVECTOR4(d.x, d.y, d.z, 0),
                           vertices + v * stride + element.Offset);
    }
}

HRESULT ComputeTangents(ID3DXMesh* mesh, const TangentLayout& layout, bool wrap,
                        const DWORD* adjacency) {
    const DWORD vertexCount = mesh->GetNumVertices();
    LargeVector<DWORD> indices, faceOrder, generated, representative;
    HRESULT hr = ReadIndices(mesh, indices);
    if (SUCCEEDED(hr) && !adjacency) {
        generated.resize(indices.size());
        hr = GenerateMeshAdjacency(mesh, 0.0f, generated.data());
        adjacency = generated.data();
    }
    if (SUCCEEDED(hr))
        hr = FacesInAttributeOrder(mesh, faceOrder);
    if (FAILED(hr))
        return hr;

    // The fans are walked while the vertices are gathered, and the corners
    // summed on both cores, half the representatives each.
    MeshLock lock(mesh, MeshBuffer::Vertices, 0);
    const UINT stride = mesh->GetNumBytesPerVertex();
    VertexData in;
    FanWalk walk = FanWalk::Done;
    InParallel(
        vertexCount,
        [&] {
            walk = FindRepresentatives(indices, vertexCount, adjacency, faceOrder, representative);
        },
        [&] {
            if (FAILED(lock.Result()))
                return;
            in.position = GatherVec3(lock.Bytes(), stride, vertexCount, *layout.position);
            in.normal = GatherVec3(lock.Bytes(), stride, vertexCount, *layout.normal);
            in.texcoord = GatherVec3(lock.Bytes(), stride, vertexCount, *layout.texcoord);
        });
    if (walk != FanWalk::Done)
        return D3DXERR_INVALIDMESH;
    if (FAILED(lock.Result()))
        return lock.Result();
    if (LoadCancelled())
        return E_ABORT;

    LargeVector<D3DXVECTOR3> tangents, binormals;
    if (layout.tangent)
        tangents.resize(vertexCount);
    if (layout.binormal)
        binormals.resize(vertexCount);
    auto sum = [&](DWORD low, DWORD high) {
        AddCornerFrames(in, indices, representative, wrap, low, high,
                        layout.tangent ? &tangents : nullptr,
                        layout.binormal ? &binormals : nullptr);
    };
    InParallel(
        vertexCount, [&] { sum(0, vertexCount / 2); }, [&] { sum(vertexCount / 2, vertexCount); });
    if (layout.tangent) {
        FinishDirections(representative, tangents);
        StoreDirections(lock.Bytes(), stride, *layout.tangent, tangents);
    }
    if (layout.binormal) {
        FinishDirections(representative, binormals);
        StoreDirections(lock.Bytes(), stride, *layout.binormal, binormals);
    }
    return D3D_OK;
}

} // namespace

HRESULT D3DXComputeTangent(ID3DXMesh* mesh, DWORD texStage, DWORD tangentIndex, DWORD binormalIndex,
                           DWORD wrap, const DWORD* adjacency) {
    if (!mesh)
        return D3DERR_INVALIDCALL;
    D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE];
    HRESULT hr = mesh->GetDeclaration(declaration);
    if (FAILED(hr))
        return hr;
    TangentLayout layout;
    if (!FindTangentLayout(declaration, texStage, tangentIndex, binormalIndex, layout))
        return D3DERR_INVALIDCALL;
    try {
        return ComputeTangents(mesh, layout, wrap != 0, adjacency);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
