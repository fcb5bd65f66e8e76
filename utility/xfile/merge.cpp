#include "utility/xfile/merge.h"

#include "utility/core/load_report.h"

#include <cstring>
#include <unordered_map>

namespace {

constexpr std::uint32_t NoIndex = 0xFFFFFFFFu;
constexpr size_t MaxCount = 0xFFFFFFFFu;
// Faces between looks at whether the load was cancelled.
constexpr size_t kCheckpointFaces = 65536;

bool IsIdentity(const D3DXMATRIX& m) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return m == identity;
}

bool SameBits(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::uint64_t PairKey(std::uint32_t a, std::uint32_t b) {
    return std::uint64_t(a) << 32 | b;
}

// Normals with the same bits share one index, so that a position is split
// only where its normals really differ.
std::vector<std::uint32_t> CanonicalNormalIndices(const LargeVector<D3DXVECTOR3>& normals) {
    struct Bits {
        std::uint32_t v[3];
        bool operator==(const Bits& o) const { return std::memcmp(v, o.v, sizeof v) == 0; }
    };
    struct Hash {
        size_t operator()(const Bits& b) const {
            return (size_t(b.v[0]) * 73856093u) ^ (size_t(b.v[1]) * 19349663u) ^
                   (size_t(b.v[2]) * 83492791u);
        }
    };
    std::unordered_map<Bits, std::uint32_t, Hash> first;
    first.reserve(normals.size());
    std::vector<std::uint32_t> canonical(normals.size());
    for (size_t i = 0; i < normals.size(); ++i) {
        Bits bits;
        std::memcpy(bits.v, &normals[i], sizeof bits.v);
        canonical[i] = first.emplace(bits, std::uint32_t(i)).first->second;
    }
    return canonical;
}

LargeVector<D3DXVECTOR3> TransformedNormals(const XMeshPart& part) {
    D3DXMATRIX inverse, normalMatrix = part.transform;
    if (D3DXMatrixInverse(&inverse, nullptr, &part.transform))
        D3DXMatrixTranspose(&normalMatrix, &inverse);
    LargeVector<D3DXVECTOR3> normals(part.normals.size());
    for (size_t i = 0; i < normals.size(); ++i) {
        D3DXVECTOR3 n;
        D3DXVec3TransformNormal(&n, &part.normals[i], &normalMatrix);
        D3DXVec3Normalize(&normals[i], &n);
    }
    return normals;
}

// Where each triangle goes: the next place of its attribute's group, or
// simply the next place.
class TrianglePlaces {
public:
    TrianglePlaces(XTriangleOrder order, std::vector<size_t> groupStarts)
        : grouped(order == XTriangleOrder::ByAttribute), next(std::move(groupStarts)) {}
    size_t Take(std::uint32_t attribute) { return grouped ? next[attribute]++ : following++; }

private:
    bool grouped;
    std::vector<size_t> next;
    size_t following = 0;
};

size_t TriangleCount(std::uint32_t corners) {
    return corners > 2 ? corners - 2 : 0;
}

// The attribute of face f of a mesh whose attributes start at `base`.
std::uint32_t FaceAttribute(const XMeshPart& part, std::uint32_t base, size_t f) {
    return base + (part.faceMaterials.empty() ? 0 : part.faceMaterials[f]);
}

// Appends one mesh's vertices and writes its triangles where `places` puts
// them, with `attributeBase` added to its material indices (or
// `attributeBase` for every face when the mesh has no material list).
class PartAppender {
public:
    PartAppender(const XMeshPart& part, XMeshData& out, TrianglePlaces& places,
                 XVertexOrigins* origins)
        : part(part), out(out), places(places), origins(origins) {}

    bool Append(std::uint32_t attributeBase) {
        bool identity = IsIdentity(part.transform);
        base = out.vertices.size();
        size_t positionCount = part.positions.size();
        if (positionCount > MaxCount - base)
            return false;
        out.vertices.reserve(base + positionCount);
        for (size_t p = 0; p < positionCount; ++p) {
            XVertex v{};
            if (identity)
                v.position = part.positions[p];
            else
                D3DXVec3TransformCoord(&v.position, &part.positions[p], &part.transform);
            if (part.hasTexcoords)
                v.texcoord = part.texcoords[p];
            out.vertices.push_back(v);
        }
        if (origins) {
            origins->firstVertex.push_back(std::uint32_t(base));
            for (size_t p = 0; p < positionCount; ++p)
                origins->position.push_back(std::uint32_t(p));
        }
        if (part.hasNormals) {
            if (!identity)
                transformedNormals = TransformedNormals(part);
            normals = identity ? part.normals.data() : transformedNormals.data();
            vertexNormal.assign(positionCount, NoIndex);
        }
        return Triangles(attributeBase);
    }

private:
    bool Triangles(std::uint32_t attributeBase) {
        const XPolygons& faces = part.faces;
        size_t corner = 0;
        std::vector<std::uint32_t> ring;
        for (size_t f = 0; f < faces.cornerCounts.size(); ++f) {
            if (f % kCheckpointFaces == kCheckpointFaces - 1 && LoadCancelled())
                return false;
            std::uint32_t count = faces.cornerCounts[f];
            ring.clear();
            for (std::uint32_t k = 0; k < count; ++k, ++corner) {
                std::uint32_t vertex;
                if (!CornerVertex(corner, vertex))
                    return false;
                ring.push_back(vertex);
            }
            std::uint32_t attribute = FaceAttribute(part, attributeBase, f);
            for (std::uint32_t k = 1; k + 1 < count; ++k) {
                size_t t = places.Take(attribute);
                std::uint32_t* corners = &out.indices[3 * t];
                corners[0] = ring[0];
                corners[1] = ring[k];
                corners[2] = ring[k + 1];
                out.attributes[t] = attribute;
            }
        }
        return true;
    }

    // The vertex of one face corner: its position's own vertex, or a copy
    // of it for a normal that position has not carried before.
    bool CornerVertex(size_t corner, std::uint32_t& vertex) {
        std::uint32_t p = part.faces.corners[corner];
        vertex = std::uint32_t(base + p);
        if (!part.hasNormals)
            return true;
        std::uint32_t normal = part.normalFaces.corners[corner];
        std::uint32_t own = vertexNormal[p];
        if (own == NoIndex) {
            vertexNormal[p] = normal;
            out.vertices[vertex].normal = normals[normal];
            return true;
        }
        if (own == normal || SameBits(part.normals[own], part.normals[normal]))
            return true;
        normal = Canonical(normal);
        auto [slot, added] = splits.emplace(PairKey(p, normal), std::uint32_t(0));
        if (added) {
            if (out.vertices.size() == MaxCount)
                return false;
            XVertex copy = out.vertices[vertex];
            copy.normal = normals[normal];
            slot->second = std::uint32_t(out.vertices.size());
            out.vertices.push_back(copy);
            if (origins)
                origins->position.push_back(p);
        }
        vertex = slot->second;
        return true;
    }

    // Splits are rare, so the map of equal normals is made on the first one.
    std::uint32_t Canonical(std::uint32_t normal) {
        if (canonicalNormal.empty())
            canonicalNormal = CanonicalNormalIndices(part.normals);
        return canonicalNormal[normal];
    }

    const XMeshPart& part;
    XMeshData& out;
    TrianglePlaces& places;
    XVertexOrigins* origins;
    size_t base = 0;
    LargeVector<D3DXVECTOR3> transformedNormals; // when the mesh has a transform
    const D3DXVECTOR3* normals = nullptr;        // as the vertices take them
    std::vector<std::uint32_t> canonicalNormal;  // normal index -> first equal normal, or empty
    std::vector<std::uint32_t> vertexNormal;     // position -> normal index of its own vertex
    std::unordered_map<std::uint64_t, std::uint32_t> splits; // (position, normal) -> vertex
};

// The first attribute of each mesh; the materials of the merged mesh in
// attribute order.
std::vector<std::uint32_t> AttributeBases(const XScene& scene, std::vector<XMaterial>& materials) {
    std::vector<std::uint32_t> bases;
    std::uint32_t defaultMaterial = NoIndex;
    for (const XMeshPart& part : scene.meshes) {
        if (part.faceMaterials.empty()) {
            if (defaultMaterial == NoIndex) {
                defaultMaterial = std::uint32_t(materials.size());
                materials.push_back(DefaultXMaterial());
            }
            bases.push_back(defaultMaterial);
        } else {
            bases.push_back(std::uint32_t(materials.size()));
            for (std::uint32_t m : part.materials)
                materials.push_back(scene.materials[m]);
        }
    }
    return bases;
}

// Where each attribute's group of triangles starts, and the total in the
// last entry.
std::vector<size_t> GroupStarts(const XScene& scene, const std::vector<std::uint32_t>& bases,
                                size_t attributeCount) {
    std::vector<size_t> starts(attributeCount + 1, 0);
    for (size_t m = 0; m < scene.meshes.size(); ++m) {
        const XMeshPart& part = scene.meshes[m];
        for (size_t f = 0; f < part.faces.cornerCounts.size(); ++f)
            starts[FaceAttribute(part, bases[m], f) + 1] +=
                TriangleCount(part.faces.cornerCounts[f]);
    }
    for (size_t a = 0; a < attributeCount; ++a)
        starts[a + 1] += starts[a];
    return starts;
}

} // namespace

XMaterial DefaultXMaterial() {
    XMaterial material{};
    material.colors.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    return material;
}

bool MergeScene(const XScene& scene, XTriangleOrder order, XMeshData& out,
                XVertexOrigins* origins) {
    out = XMeshData();
    if (origins)
        *origins = XVertexOrigins();
    std::vector<std::uint32_t> bases = AttributeBases(scene, out.materials);
    std::vector<size_t> starts = GroupStarts(scene, bases, out.materials.size());
    size_t triangles = starts.back();
    if (triangles > MaxCount)
        return false;
    out.indices.resize(3 * triangles);
    out.attributes.resize(triangles);
    starts.pop_back();
    TrianglePlaces places(order, std::move(starts));
    for (size_t m = 0; m < scene.meshes.size(); ++m) {
        const XMeshPart& part = scene.meshes[m];
        out.hasNormals = out.hasNormals || part.hasNormals;
        out.hasTexcoords = out.hasTexcoords || part.hasTexcoords;
        if (!PartAppender(part, out, places, origins).Append(bases[m]))
            return false;
    }
    if (origins)
        origins->firstVertex.push_back(std::uint32_t(out.vertices.size()));
    return true;
}
