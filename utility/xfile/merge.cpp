#include "utility/xfile/merge.h"

#include <cstring>
#include <unordered_map>

namespace {

constexpr std::uint32_t NoIndex = 0xFFFFFFFFu;
constexpr size_t MaxCount = 0xFFFFFFFFu;

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
std::vector<std::uint32_t> CanonicalNormalIndices(const std::vector<D3DXVECTOR3>& normals) {
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

std::vector<D3DXVECTOR3> TransformedNormals(const XMeshPart& part, bool identity) {
    if (identity)
        return part.normals;
    D3DXMATRIX inverse, normalMatrix = part.transform;
    if (D3DXMatrixInverse(&inverse, nullptr, &part.transform))
        D3DXMatrixTranspose(&normalMatrix, &inverse);
    std::vector<D3DXVECTOR3> normals(part.normals.size());
    for (size_t i = 0; i < normals.size(); ++i) {
        D3DXVECTOR3 n;
        D3DXVec3TransformNormal(&n, &part.normals[i], &normalMatrix);
        D3DXVec3Normalize(&normals[i], &n);
    }
    return normals;
}

// Appends one mesh's vertices and triangles to `out`, with `attributeBase`
// added to its material indices (or `attributeBase` for every face when the
// mesh has no material list).
class PartAppender {
public:
    PartAppender(const XMeshPart& part, XMeshData& out) : part(part), out(out) {}

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
        if (part.hasNormals) {
            normals = TransformedNormals(part, identity);
            vertexNormal.assign(positionCount, NoIndex);
        }
        return Triangles(attributeBase);
    }

private:
    bool Triangles(std::uint32_t attributeBase) {
        const XPolygons& faces = part.faces;
        size_t triangles = 0;
        for (std::uint32_t count : faces.cornerCounts)
            triangles += count > 2 ? count - 2 : 0;
        out.indices.reserve(out.indices.size() + 3 * triangles);
        out.attributes.reserve(out.attributes.size() + triangles);
        size_t corner = 0;
        std::vector<std::uint32_t> ring;
        for (size_t f = 0; f < faces.cornerCounts.size(); ++f) {
            std::uint32_t count = faces.cornerCounts[f];
            ring.clear();
            for (std::uint32_t k = 0; k < count; ++k, ++corner) {
                std::uint32_t vertex;
                if (!CornerVertex(corner, vertex))
                    return false;
                ring.push_back(vertex);
            }
            std::uint32_t attribute =
                attributeBase + (part.faceMaterials.empty() ? 0 : part.faceMaterials[f]);
            for (std::uint32_t k = 1; k + 1 < count; ++k) {
                if (out.attributes.size() == MaxCount)
                    return false;
                out.indices.insert(out.indices.end(), {ring[0], ring[k], ring[k + 1]});
                out.attributes.push_back(attribute);
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
    size_t base = 0;
    std::vector<D3DXVECTOR3> normals;           // transformed
    std::vector<std::uint32_t> canonicalNormal; // normal index -> first equal normal, or empty
    std::vector<std::uint32_t> vertexNormal;    // position -> normal index of its own vertex
    std::unordered_map<std::uint64_t, std::uint32_t> splits; // (position, normal) -> vertex
};

} // namespace

XMaterial DefaultXMaterial() {
    XMaterial material{};
    material.colors.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    return material;
}

bool MergeScene(const XScene& scene, XMeshData& out) {
    out = XMeshData();
    std::uint32_t defaultMaterial = NoIndex;
    for (const XMeshPart& part : scene.meshes) {
        out.hasNormals = out.hasNormals || part.hasNormals;
        out.hasTexcoords = out.hasTexcoords || part.hasTexcoords;
        std::uint32_t attributeBase;
        if (part.faceMaterials.empty()) {
            if (defaultMaterial == NoIndex) {
                defaultMaterial = std::uint32_t(out.materials.size());
                out.materials.push_back(DefaultXMaterial());
            }
            attributeBase = defaultMaterial;
        } else {
            attributeBase = std::uint32_t(out.materials.size());
            for (std::uint32_t m : part.materials)
                out.materials.push_back(scene.materials[m]);
        }
        if (!PartAppender(part, out).Append(attributeBase))
            return false;
    }
    return true;
}
