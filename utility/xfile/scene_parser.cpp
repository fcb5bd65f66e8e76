// Reads the objects this library uses (Frame, FrameTransformMatrix, Mesh,
// MeshNormals, MeshTextureCoords, MeshMaterialList, Material,
// TextureFilename, and when asked the animation objects) by their known
// layouts and skips every other object, declared or not, by its braces.
#include "utility/xfile/scene.h"

#include "utility/xfile/animation_objects.h"

#include <unordered_map>

namespace {

// Frames nest by recursion; deeper files are refused rather than allowed to
// exhaust the stack.
constexpr int MaxFrameDepth = 256;
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

// A material named before its declaration, settled once the file is read.
struct PendingMaterial {
    size_t mesh;
    size_t slot;
    std::string name;
    std::string list; // the identifier of the list that names it
    LoadPosition position;
};

template <class Tokens>
class SceneParser : public AnimationObjects<Tokens> {
public:
    SceneParser(Tokens& tokens, XScene& scene) : AnimationObjects<Tokens>(tokens, scene) {}

    bool Parse() {
        Advance();
        while (!Is(TokenKind::End)) {
            bool ok;
            if (Is(TokenKind::Template))
                ok = SkipTemplate();
            else if (Is(TokenKind::OpenBrace))
                ok = SkipReference();
            else
                ok = Object([&](const ObjectHeader& h) { return FrameChild(h, 0, nullptr, -1); });
            if (!ok)
                return false;
        }
        return ResolvePending();
    }

private:
    using Base = AnimationObjects<Tokens>;
    using Base::Advance;
    using Base::AnimationSet;
    using Base::Checkpoint;
    using Base::Children;
    using Base::Close;
    using Base::Fail;
    using Base::FailAt;
    using Base::FailIn;
    using Base::Is;
    using Base::Object;
    using Base::object;
    using Base::ReadFloats;
    using Base::ReadIndex;
    using Base::ReadMatrix;
    using Base::ReadReference;
    using Base::ReadString;
    using Base::ReadUInt;
    using Base::Reserve;
    using Base::scene;
    using Base::SkinHeader;
    using Base::SkinWeights;
    using Base::SkipReference;
    using Base::SkipRest;
    using Base::SkipTemplate;
    using Base::TicksPerSecond;
    using Base::token;
    using Base::tokens;

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

    // What the corners of faces index: `limit` items, a `noun` each.
    struct CornerItems {
        size_t limit;
        const char* noun;
        const char* items;
    };

    // Faces whose corners index `corner` items; with `shape`, of as many
    // faces as it has, each with as many corners as its own.
    bool ReadPolygons(XPolygons& polygons, const CornerItems& corner,
                      const XPolygons* shape = nullptr) {
        if (shape && Is(TokenKind::Integer) && token.integer != shape->cornerCounts.size())
            return Fail(std::to_string(token.integer) + " faces for the mesh's " +
                        std::to_string(shape->cornerCounts.size()));
        std::uint32_t count;
        if (!ReadUInt(count))
            return false;
        Reserve(polygons.cornerCounts, count);
        Reserve(polygons.corners, std::uint64_t(count) * 3);
        for (std::uint32_t f = 0; f < count; ++f) {
            if (shape && Is(TokenKind::Integer) && token.integer != shape->cornerCounts[f])
                return Fail("face " + std::to_string(f) + " has " + std::to_string(token.integer) +
                            " corners where the mesh's has " +
                            std::to_string(shape->cornerCounts[f]));
            std::uint32_t corners;
            if (!Checkpoint() || !ReadUInt(corners))
                return false;
            polygons.cornerCounts.push_back(corners);
            for (std::uint32_t k = 0; k < corners; ++k) {
                std::uint32_t index;
                if (!ReadIndex(index, corner.limit, corner.noun, corner.items))
                    return false;
                polygons.corners.push_back(index);
            }
        }
        return true;
    }

    // What may sit in a frame (the frame `frame`), and at the top of the
    // file (frameMatrix null, frame -1).
    bool FrameChild(const ObjectHeader& h, int depth, D3DXMATRIX* frameMatrix, int frame) {
        if (SameXName(h.identifier, "Frame"))
            return Frame(depth + 1, h.name, frame);
        if (SameXName(h.identifier, "Mesh"))
            return Mesh(frame);
        if (scene.keepAnimation && SameXName(h.identifier, "AnimationSet"))
            return AnimationSet(h.name);
        if (scene.keepAnimation && SameXName(h.identifier, "AnimTicksPerSecond"))
            return TicksPerSecond();
        if (SameXName(h.identifier, "Material")) {
            std::uint32_t index;
            return Material(h.name, index);
        }
        if (frameMatrix && SameXName(h.identifier, "FrameTransformMatrix"))
            return ReadMatrix(*frameMatrix) && Close();
        return SkipRest();
    }

    // The frame's matrix applies to every mesh inside it, after the
    // matrices of the frames nested deeper.
    bool Frame(int depth, const std::string& name, int parent) {
        if (depth > MaxFrameDepth)
            return Fail("frames nested more than " + std::to_string(MaxFrameDepth) + " deep");
        size_t firstMesh = scene.meshes.size();
        D3DXMATRIX local = Identity();
        int index = -1;
        std::vector<XFrameNode>& frames = scene.animation.frames;
        if (scene.keepAnimation) {
            index = int(frames.size());
            frames.push_back({name, parent, Identity()});
        }
        if (!Children([&](const ObjectHeader& h) { return FrameChild(h, depth, &local, index); }))
            return false;
        if (index >= 0)
            frames[size_t(index)].transform = local;
        for (size_t i = firstMesh; i < scene.meshes.size(); ++i)
            scene.meshes[i].transform *= local;
        return true;
    }

    bool Mesh(int frame) {
        XMeshPart part;
        part.transform = Identity();
        part.frame = frame;
        XSkin skin;
        if (!ReadVectors(part.positions) ||
            !ReadPolygons(part.faces, {part.positions.size(), "vertex", "vertices"}))
            return false;
        bool ok = Children([&](const ObjectHeader& h) {
            if (SameXName(h.identifier, "MeshNormals"))
                return Normals(part);
            if (SameXName(h.identifier, "MeshTextureCoords"))
                return Texcoords(part);
            if (SameXName(h.identifier, "MeshMaterialList"))
                return MaterialList(part);
            if (scene.keepAnimation && SameXName(h.identifier, "SkinWeights"))
                return SkinWeights(skin);
            if (scene.keepAnimation && SameXName(h.identifier, "XSkinMeshHeader"))
                return SkinHeader(skin);
            return SkipRest();
        });
        if (!ok)
            return false;
        if (skin.hasHeader || !skin.bones.empty()) {
            skin.mesh = std::uint32_t(scene.meshes.size());
            scene.animation.skins.push_back(std::move(skin));
        }
        scene.meshes.push_back(std::move(part));
        return true;
    }

    // Normals must give each face its corners.
    bool Normals(XMeshPart& part) {
        part.normals.clear();
        part.normalFaces = XPolygons();
        part.hasNormals = true;
        return ReadVectors(part.normals) &&
               ReadPolygons(part.normalFaces, {part.normals.size(), "normal", "normals"},
                            &part.faces) &&
               Close();
    }

    // Texture coordinates come one a position.
    bool Texcoords(XMeshPart& part) {
        part.texcoords.clear();
        part.hasTexcoords = true;
        if (Is(TokenKind::Integer) && token.integer != part.positions.size())
            return Fail(std::to_string(token.integer) + " texture coordinates for the " +
                        std::to_string(part.positions.size()) + " vertices");
        return ReadVectors(part.texcoords) && Close();
    }

    // Material indices of the faces; a shorter list than the faces repeats
    // its last entry for the rest.
    bool MaterialList(XMeshPart& part) {
        const LoadPosition declared = tokens.TokenPosition();
        std::uint32_t materialCount, indexCount;
        if (!ReadUInt(materialCount))
            return false;
        size_t faceCount = part.faces.cornerCounts.size();
        if (Is(TokenKind::Integer) && token.integer > faceCount)
            return Fail(std::to_string(token.integer) + " face materials for the " +
                        std::to_string(faceCount) + " faces");
        if (!ReadUInt(indexCount))
            return false;
        part.faceMaterials.clear();
        part.faceMaterials.reserve(faceCount);
        for (std::uint32_t i = 0; i < indexCount; ++i) {
            std::uint32_t index;
            if (!Checkpoint() || !ReadIndex(index, materialCount, "material", "materials"))
                return false;
            part.faceMaterials.push_back(index);
        }
        part.materials.clear();
        bool ok = Children(
            [&](const ObjectHeader& h) {
                if (!SameXName(h.identifier, "Material"))
                    return SkipRest();
                std::uint32_t index;
                if (!Material(h.name, index))
                    return false;
                part.materials.push_back(index);
                return true;
            },
            [&] { return MaterialReference(part); });
        if (!ok)
            return false;
        if (part.materials.size() != materialCount)
            return FailAt(declared, std::to_string(materialCount) + " materials declared, " +
                                        std::to_string(part.materials.size()) + " given");
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
        const LoadPosition position = tokens.TokenPosition();
        std::string key;
        if (!ReadReference(key))
            return false;
        if (key.empty())
            return FailAt(position, "a material named by its GUID alone");
        auto found = materialNames.find(key);
        if (found != materialNames.end()) {
            part.materials.push_back(found->second);
        } else {
            pending.push_back({scene.meshes.size(), part.materials.size(), std::move(key),
                               std::string(object), position});
            part.materials.push_back(0);
        }
        return true;
    }

    bool ResolvePending() {
        for (const PendingMaterial& p : pending) {
            auto found = materialNames.find(p.name);
            if (found == materialNames.end())
                return FailIn(p.list, p.position, "no material is named " + QuotedXName(p.name));
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
            if (SameXName(h.identifier, "TextureFilename"))
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

    std::unordered_map<std::string, std::uint32_t> materialNames;
    std::vector<PendingMaterial> pending;
};

} // namespace

namespace {

template <class Tokens>
bool ParseWith(XContent& content, int floatBytes, XScene& scene) {
    Tokens tokens(content, floatBytes);
    SceneParser<Tokens> parser(tokens, scene);
    bool parsed = parser.Parse();
    scene.failure = parser.Failure();
    return parsed;
}

} // namespace

bool ParseXText(XContent& content, int floatBytes, XScene& scene) {
    return ParseWith<TextTokens>(content, floatBytes, scene);
}

bool ParseXBinary(XContent& content, int floatBytes, XScene& scene) {
    return ParseWith<BinaryTokens>(content, floatBytes, scene);
}
