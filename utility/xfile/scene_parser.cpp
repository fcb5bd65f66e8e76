// Reads the objects this library uses (Frame, FrameTransformMatrix, Mesh,
// MeshNormals, MeshTextureCoords, MeshMaterialList, Material,
// TextureFilename) by their known layouts and skips every other object,
// declared or not, by its braces.
#include "utility/xfile/scene.h"

#include "utility/core/load_report.h"
#include "utility/xfile/tokens.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Frames nest by recursion; deeper files are refused rather than allowed to
// exhaust the stack.
constexpr int MaxFrameDepth = 256;
// Long loops stop this often to give back what they have read, report how
// far the load has got and see whether it was cancelled.
constexpr std::uint32_t kCheckpointSteps = 16384;

// Template names are matched without regard to case: exporters write
// "TextureFileName" as well as "TextureFilename".
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

void Store(LargeVector<D3DXVECTOR3>& out, const float* v) {
    out.emplace_back(v[0], v[1], v[2]);
}

void Store(LargeVector<D3DXVECTOR2>& out, const float* v) {
    out.emplace_back(v[0], v[1]);
}

D3DXMATRIX Identity() {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

struct ObjectHeader {
    std::string identifier;
    std::string name; // empty when the object has none
};

// A material named before its declaration, settled once the file is read.
struct PendingMaterial {
    size_t mesh;
    size_t slot;
    std::string name;
};

template <class Tokens>
class SceneParser {
public:
    SceneParser(Tokens& tokens, XScene& scene) : tokens(tokens), scene(scene) {}

    bool Parse() {
        Advance();
        while (!Is(TokenKind::End)) {
            bool ok;
            if (Is(TokenKind::Template))
                ok = SkipTemplate();
            else if (Is(TokenKind::OpenBrace))
                ok = SkipReference();
            else
                ok = Object([&](const ObjectHeader& h) { return FrameChild(h, 0, nullptr); });
            if (!ok)
                return false;
        }
        return ResolvePending();
    }

private:
    void Advance() { tokens.Next(token); }

    // Called once a step of the long loops (array items, skipped tokens),
    // where the parser holds no view of the input before the current token.
    // False when the load was cancelled.
    bool Checkpoint() {
        if (++steps < kCheckpointSteps)
            return true;
        steps = 0;
        tokens.ReleaseConsumed();
        ReportLoadProgress(tokens.Offset(), tokens.Offset() + tokens.Remaining());
        return !LoadCancelled();
    }
    bool Is(TokenKind kind) const { return token.kind == kind; }

    bool ReadUInt(std::uint32_t& value) {
        if (!Is(TokenKind::Integer))
            return false;
        value = token.integer;
        Advance();
        return true;
    }

    bool ReadFloats(float* values, int count) {
        for (int i = 0; i < count; ++i) {
            if (!Is(TokenKind::Float) && !Is(TokenKind::Integer))
                return false;
            values[i] = float(token.number);
            Advance();
        }
        return true;
    }

    bool ReadString(std::string& value) {
        if (!Is(TokenKind::String))
            return false;
        value.assign(token.text);
        Advance();
        return true;
    }

    // Room for `count` items, but never more than the input could still
    // hold (each of an item's `values` takes a byte at least), so a forged
    // count cannot claim memory ahead of the data.
    template <class Vector>
    void Reserve(Vector& items, std::uint64_t count, size_t values = 1) {
        items.reserve(size_t(std::min<std::uint64_t>(count, tokens.Remaining() / values)));
    }

    template <class Vector>
    bool ReadVectors(LargeVector<Vector>& out) {
        constexpr int Components = sizeof(Vector) / sizeof(float);
        std::uint32_t count;
        if (!ReadUInt(count))
            return false;
        Reserve(out, count, Components);
        for (std::uint32_t i = 0; i < count; ++i) {
            float v[Components];
            if (!Checkpoint() || !ReadFloats(v, Components))
                return false;
            Store(out, v);
        }
        return true;
    }

    // Faces whose corners must index fewer than `limit` items.
    bool ReadPolygons(XPolygons& polygons, size_t limit) {
        std::uint32_t count;
        if (!ReadUInt(count))
            return false;
        Reserve(polygons.cornerCounts, count);
        Reserve(polygons.corners, std::uint64_t(count) * 3);
        for (std::uint32_t f = 0; f < count; ++f) {
            std::uint32_t corners;
            if (!Checkpoint() || !ReadUInt(corners))
                return false;
            polygons.cornerCounts.push_back(corners);
            for (std::uint32_t k = 0; k < corners; ++k) {
                std::uint32_t index;
                if (!ReadUInt(index) || index >= limit)
                    return false;
                polygons.corners.push_back(index);
            }
        }
        return true;
    }

    bool ReadMatrix(D3DXMATRIX& m) { return ReadFloats(&m.m[0][0], 16); }

    // Identifier, optional name, optional GUID, "{"; then `body`, which
    // reads up to and including the closing brace.
    template <class Body>
    bool Object(Body body) {
        if (!Is(TokenKind::Name))
            return false;
        ObjectHeader header;
        header.identifier = token.text;
        Advance();
        if (Is(TokenKind::Name)) {
            header.name = token.text;
            Advance();
        }
        if (Is(TokenKind::Guid))
            Advance();
        if (!Is(TokenKind::OpenBrace))
            return false;
        Advance();
        return body(header);
    }

    bool Close() {
        if (!Is(TokenKind::CloseBrace))
            return false;
        Advance();
        return true;
    }

    // The child objects and references of an open object, up to its "}".
    template <class OnObject, class OnReference>
    bool Children(OnObject onObject, OnReference onReference) {
        for (;;) {
            bool ok;
            if (Is(TokenKind::CloseBrace))
                return Close();
            if (Is(TokenKind::OpenBrace))
                ok = onReference();
            else
                ok = Object(onObject);
            if (!ok)
                return false;
        }
    }

    template <class OnObject>
    bool Children(OnObject onObject) {
        return Children(onObject, [&] { return SkipReference(); });
    }

    // The rest of an object whose "{" was read, nested objects included.
    bool SkipRest() {
        for (int depth = 1;;) {
            switch (token.kind) {
            case TokenKind::OpenBrace:
                ++depth;
                break;
            case TokenKind::CloseBrace:
                if (--depth == 0) {
                    Advance();
                    return true;
                }
                break;
            case TokenKind::End:
            case TokenKind::Error:
                return false;
            default:
                break;
            }
            if (!Checkpoint())
                return false;
            Advance();
        }
    }

    bool SkipTemplate() {
        Advance();
        if (!Is(TokenKind::Name))
            return false;
        Advance();
        if (!Is(TokenKind::OpenBrace))
            return false;
        Advance();
        return SkipRest();
    }

    // "{ name }", "{ name <guid> }" or "{ <guid> }"; name is empty for the last.
    bool ReadReference(std::string& name) {
        Advance();
        name.clear();
        if (Is(TokenKind::Name)) {
            name = token.text;
            Advance();
        }
        if (Is(TokenKind::Guid))
            Advance();
        return Close();
    }

    bool SkipReference() {
        std::string name;
        return ReadReference(name);
    }

    // What may sit in a frame, and at the top of the file (frameMatrix null).
    bool FrameChild(const ObjectHeader& h, int depth, D3DXMATRIX* frameMatrix) {
        if (SameName(h.identifier, "Frame"))
            return Frame(depth + 1);
        if (SameName(h.identifier, "Mesh"))
            return Mesh();
        if (SameName(h.identifier, "Material")) {
            std::uint32_t index;
            return Material(h.name, index);
        }
        if (frameMatrix && SameName(h.identifier, "FrameTransformMatrix"))
            return ReadMatrix(*frameMatrix) && Close();
        return SkipRest();
    }

    // The frame's matrix applies to every mesh inside it, after the
    // matrices of the frames nested deeper.
    bool Frame(int depth) {
        if (depth > MaxFrameDepth)
            return false;
        size_t firstMesh = scene.meshes.size();
        D3DXMATRIX local = Identity();
        if (!Children([&](const ObjectHeader& h) { return FrameChild(h, depth, &local); }))
            return false;
        for (size_t i = firstMesh; i < scene.meshes.size(); ++i)
            scene.meshes[i].transform *= local;
        return true;
    }

    bool Mesh() {
        XMeshPart part;
        part.transform = Identity();
        if (!ReadVectors(part.positions) || !ReadPolygons(part.faces, part.positions.size()))
            return false;
        bool ok = Children([&](const ObjectHeader& h) {
            if (SameName(h.identifier, "MeshNormals"))
                return Normals(part);
            if (SameName(h.identifier, "MeshTextureCoords"))
                return Texcoords(part);
            if (SameName(h.identifier, "MeshMaterialList"))
                return MaterialList(part);
            return SkipRest();
        });
        if (!ok || !Consistent(part))
            return false;
        scene.meshes.push_back(std::move(part));
        return true;
    }

    bool Normals(XMeshPart& part) {
        part.normals.clear();
        part.normalFaces = XPolygons();
        part.hasNormals = true;
        return ReadVectors(part.normals) && ReadPolygons(part.normalFaces, part.normals.size()) &&
               Close();
    }

    bool Texcoords(XMeshPart& part) {
        part.texcoords.clear();
        part.hasTexcoords = true;
        return ReadVectors(part.texcoords) && Close();
    }

    // Normals must give each face its corners; texture coordinates come one
    // a position.
    static bool Consistent(const XMeshPart& part) {
        if (part.hasNormals && part.normalFaces.cornerCounts != part.faces.cornerCounts)
            return false;
        if (part.hasTexcoords && part.texcoords.size() != part.positions.size())
            return false;
        return true;
    }

    // Material indices of the faces; a shorter list than the faces repeats
    // its last entry for the rest.
    bool MaterialList(XMeshPart& part) {
        std::uint32_t materialCount, indexCount;
        if (!ReadUInt(materialCount) || !ReadUInt(indexCount))
            return false;
        size_t faceCount = part.faces.cornerCounts.size();
        if (indexCount > faceCount)
            return false;
        part.faceMaterials.clear();
        part.faceMaterials.reserve(faceCount);
        for (std::uint32_t i = 0; i < indexCount; ++i) {
            std::uint32_t index;
            if (!Checkpoint() || !ReadUInt(index) || index >= materialCount)
                return false;
            part.faceMaterials.push_back(index);
        }
        part.materials.clear();
        bool ok = Children(
            [&](const ObjectHeader& h) {
                if (!SameName(h.identifier, "Material"))
                    return SkipRest();
                std::uint32_t index;
                if (!Material(h.name, index))
                    return false;
                part.materials.push_back(index);
                return true;
            },
            [&] { return MaterialReference(part); });
        if (!ok || part.materials.size() != materialCount)
            return false;
        if (materialCount == 0) {
            part.faceMaterials.clear();
            return true;
        }
        std::uint32_t last = part.faceMaterials.empty() ? 0 : part.faceMaterials.back();
        part.faceMaterials.resize(faceCount, last);
        return true;
    }

    // A material declared before (the nearest declaration of that name), or
    // later in the file.
    bool MaterialReference(XMeshPart& part) {
        std::string key;
        if (!ReadReference(key) || key.empty())
            return false;
        auto found = materialNames.find(key);
        if (found != materialNames.end()) {
            part.materials.push_back(found->second);
        } else {
            pending.push_back({scene.meshes.size(), part.materials.size(), std::move(key)});
            part.materials.push_back(0);
        }
        return true;
    }

    bool ResolvePending() {
        for (const PendingMaterial& p : pending) {
            auto found = materialNames.find(p.name);
            if (found == materialNames.end())
                return false;
            scene.meshes[p.mesh].materials[p.slot] = found->second;
        }
        return true;
    }

    // Face colour (RGBA), power, specular (RGB), emissive (RGB), then an
    // optional TextureFilename.
    bool Material(const std::string& name, std::uint32_t& index) {
        float v[11];
        if (!ReadFloats(v, 11))
            return false;
        XMaterial material{};
        material.colors.Diffuse = {v[0], v[1], v[2], v[3]};
        material.colors.Power = v[4];
        material.colors.Specular = {v[5], v[6], v[7], 1.0f};
        material.colors.Emissive = {v[8], v[9], v[10], 1.0f};
        bool ok = Children([&](const ObjectHeader& h) {
            if (SameName(h.identifier, "TextureFilename"))
                return ReadString(material.textureFile) && Close();
            return SkipRest();
        });
        if (!ok)
            return false;
        index = std::uint32_t(scene.materials.size());
        scene.materials.push_back(std::move(material));
        if (!name.empty())
            materialNames[name] = index;
        return true;
    }

    Tokens& tokens;
    XScene& scene;
    Token token;
    std::uint32_t steps = 0;
    std::unordered_map<std::string, std::uint32_t> materialNames;
    std::vector<PendingMaterial> pending;
};

} // namespace

bool ParseXText(XContent& content, int floatBytes, XScene& scene) {
    TextTokens tokens(content, floatBytes);
    return SceneParser<TextTokens>(tokens, scene).Parse();
}

bool ParseXBinary(XContent& content, int floatBytes, XScene& scene) {
    BinaryTokens tokens(content, floatBytes);
    return SceneParser<BinaryTokens>(tokens, scene).Parse();
}
