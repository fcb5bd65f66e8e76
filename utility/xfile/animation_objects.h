// Reads the objects that animate a file: AnimTicksPerSecond, AnimationSet
// with its Animation, AnimationKey and AnimationOptions objects, and a
// mesh's SkinWeights and XSkinMeshHeader. What they hold is only an
// addition to the meshes, so an object of the wrong layout is noted and
// skipped by its braces rather than failing the load; only a broken token
// stream fails it.
#pragma once

#include "utility/xfile/key_settling.h"
#include "utility/xfile/object_reader.h"
#include "utility/xfile/scene.h"

#include <string>

template <class Tokens>
class AnimationObjects : public ObjectReader<Tokens> {
protected:
    using Base = ObjectReader<Tokens>;
    using Base::Advance;
    using Base::Checkpoint;
    using Base::Children;
    using Base::Close;
    using Base::Is;
    using Base::Object;
    using Base::ReadFloats;
    using Base::ReadMatrix;
    using Base::ReadReference;
    using Base::ReadString;
    using Base::ReadUInt;
    using Base::SkipRest;
    using Base::token;

    AnimationObjects(Tokens& tokens, XScene& scene) : Base(tokens), scene(scene) {}

    // Runs `body` on an object whose "{" was read. When the body finds
    // another layout than it knows (before its closing brace), the reason
    // goes to the notes and the rest of the object is skipped.
    template <class Body>
    bool Lenient(const std::string& what, Body body) {
        failure.clear();
        if (body())
            return true;
        if (Is(TokenKind::End) || Is(TokenKind::Error))
            return false;
        scene.animation.notes.push_back(
            what + ": " + (failure.empty() ? "unexpected content" : failure) + "; ignored");
        failure.clear();
        return SkipRest();
    }

    bool Fail(std::string reason) {
        if (failure.empty())
            failure = std::move(reason);
        return false;
    }

    bool TicksPerSecond() {
        return Lenient("AnimTicksPerSecond", [&] {
            std::uint32_t ticks;
            if (!ReadUInt(ticks))
                return false;
            if (ticks == 0)
                return Fail("zero ticks a second");
            scene.animation.ticksPerSecond = ticks;
            return Close();
        });
    }

    bool AnimationSet(const std::string& name) {
        XAnimationSet set;
        set.name = name;
        bool ok = Lenient("animation set \"" + name + "\"", [&] {
            return Children([&](const ObjectHeader& h) {
                if (SameXName(h.identifier, "Animation"))
                    return Animation(h.name, set);
                return SkipRest();
            });
        });
        if (ok)
            scene.animation.sets.push_back(std::move(set));
        return ok;
    }

    // The frame it drives comes as a reference or as a Frame object in it.
    bool Animation(const std::string& name, XAnimationSet& set) {
        XAnimation animation;
        bool ok = Lenient("animation \"" + name + "\"", [&] {
            return Children(
                [&](const ObjectHeader& h) {
                    if (SameXName(h.identifier, "AnimationKey"))
                        return Key(animation);
                    if (SameXName(h.identifier, "AnimationOptions"))
                        return Options(animation);
                    if (SameXName(h.identifier, "Frame"))
                        return NestedFrame(h.name, animation);
                    return SkipRest();
                },
                [&] { return ReadReference(animation.frameName); });
        });
        if (ok)
            set.animations.push_back(std::move(animation));
        return ok;
    }

    // Only its name and matrix count: the frame is the animation's target.
    bool NestedFrame(const std::string& name, XAnimation& animation) {
        XFrameNode frame;
        frame.name = name;
        D3DXMatrixIdentity(&frame.transform);
        animation.frameName = name;
        bool ok = Children([&](const ObjectHeader& h) {
            if (SameXName(h.identifier, "FrameTransformMatrix"))
                return ReadMatrix(frame.transform) && Close();
            return SkipRest();
        });
        if (ok)
            scene.animationFrames.push_back(std::move(frame));
        return ok;
    }

    bool Options(XAnimation& animation) {
        return Lenient("AnimationOptions", [&] {
            std::uint32_t openClosed, positionQuality;
            if (!ReadUInt(openClosed) || !ReadUInt(positionQuality) || !Close())
                return false;
            animation.closed = openClosed == 1;
            animation.splinePositions = positionQuality == 0;
            return true;
        });
    }

    bool Key(XAnimation& animation) {
        XAnimation keys;
        bool ok = Lenient("animation key", [&] { return KeyBody(keys); });
        if (ok)
            AppendKeys(keys, animation);
        return ok;
    }

    bool KeyBody(XAnimation& keys) {
        std::uint32_t type, count;
        if (!ReadUInt(type) || !ReadUInt(count))
            return false;
        int values = KeyValueCount(type);
        if (values == 0)
            return Fail("key type " + std::to_string(type) + " is none of 0, 1, 2 and 4");
        for (std::uint32_t k = 0; k < count; ++k) {
            std::uint32_t time, given;
            float v[16];
            if (!Checkpoint() || !ReadUInt(time) || !ReadUInt(given))
                return false;
            if (given != std::uint32_t(values))
                return Fail("a key of type " + std::to_string(type) + " with " +
                            std::to_string(given) + " values");
            if (!ReadFloats(v, values))
                return false;
            AddKey(type, time, v, keys);
        }
        return Close();
    }

    bool SkinHeader(XSkin& skin) {
        return Lenient("XSkinMeshHeader", [&] {
            if (!ReadUInt(skin.maxWeightsPerVertex) || !ReadUInt(skin.maxWeightsPerFace) ||
                !ReadUInt(skin.boneCount) || !Close())
                return false;
            skin.hasHeader = true;
            return true;
        });
    }

    bool SkinWeights(XSkin& skin) {
        XSkinBone bone;
        bool ok = Lenient("skin weights", [&] {
            std::uint32_t count;
            if (!ReadString(bone.frameName) || !ReadUInt(count))
                return false;
            bone.vertices.reserve(std::min<size_t>(count, this->tokens.Remaining()));
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint32_t vertex;
                if (!Checkpoint() || !ReadUInt(vertex))
                    return false;
                bone.vertices.push_back(vertex);
            }
            bone.weights.resize(bone.vertices.size());
            for (float& weight : bone.weights)
                if (!Checkpoint() || !ReadFloats(&weight, 1))
                    return false;
            return ReadMatrix(bone.offset) && Close();
        });
        if (ok)
            skin.bones.push_back(std::move(bone));
        return ok;
    }

    XScene& scene;
    std::string failure; // why the object being read does not fit its layout
};
