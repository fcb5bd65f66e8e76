// Reads the objects that animate a file: AnimTicksPerSecond, AnimationSet
// with its Animation, AnimationKey and AnimationOptions objects, and a
// mesh's SkinWeights and XSkinMeshHeader. What they hold is only an
// addition to the meshes, so an object of the wrong layout is noted and
// skipped by its braces rather than failing the load; only a broken token
// stream fails it. Every object level is read through Lenient, so that a
// failure is always skipped at the level it happens on and the braces stay
// matched.
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
    using Base::Fail;
    using Base::ForgetFailure;
    using Base::Is;
    using Base::Object;
    using Base::ReadFloats;
    using Base::ReadMatrix;
    using Base::ReadReference;
    using Base::ReadString;
    using Base::ReadUInt;
    using Base::Reserve;
    using Base::SkipRest;
    using Base::token;

    AnimationObjects(Tokens& tokens, XScene& scene) : Base(tokens), scene(scene) {}

    enum class Outcome { Read, Skipped, Broken };

    // Runs `body` on an object whose "{" was read: Read when the object
    // fits its layout. When the body finds another layout (before the
    // closing brace), the reason goes to the notes and the rest of the
    // object is skipped: Skipped, and nothing of it must be kept. Broken
    // when the token stream itself fails (or the load was cancelled), and
    // the failure stays for the reader.
    template <class Body>
    Outcome Lenient(const std::string& what, Body body) {
        if (body())
            return Outcome::Read;
        if (Is(TokenKind::End) || Is(TokenKind::Error) || Base::Failure().reason.empty())
            return Outcome::Broken;
        scene.animation.notes.push_back(what + ": " + Base::Failure().reason + "; ignored");
        ForgetFailure();
        return SkipRest() ? Outcome::Skipped : Outcome::Broken;
    }

    // Keeps `object` in `kept` when it was read whole; false when the
    // stream broke.
    template <class Object, class Kept>
    static bool Keep(Outcome outcome, Object& object, Kept& kept) {
        if (outcome == Outcome::Read)
            kept.push_back(std::move(object));
        return outcome != Outcome::Broken;
    }

    bool TicksPerSecond() {
        std::uint32_t ticks = 0;
        Outcome outcome = Lenient("AnimTicksPerSecond", [&] {
            if (!ReadUInt(ticks))
                return false;
            if (ticks == 0)
                return Fail("zero ticks a second");
            return Close();
        });
        if (outcome == Outcome::Read)
            scene.animation.ticksPerSecond = ticks;
        return outcome != Outcome::Broken;
    }

    bool AnimationSet(const std::string& name) {
        XAnimationSet set;
        set.name = name;
        Outcome outcome = Lenient("animation set \"" + name + "\"", [&] {
            return Children([&](const ObjectHeader& h) {
                if (SameXName(h.identifier, "Animation"))
                    return Animation(h.name, set);
                return SkipRest();
            });
        });
        return Keep(outcome, set, scene.animation.sets);
    }

    // The frame it drives comes as a reference or as a Frame object in it.
    bool Animation(const std::string& name, XAnimationSet& set) {
        XAnimation animation;
        Outcome outcome = Lenient("animation \"" + name + "\"", [&] {
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
                [&] { return Reference(animation.frameName); });
        });
        return Keep(outcome, animation, set.animations);
    }

    // "{ name }": called on its "{", which Lenient takes as the start of
    // the object read.
    bool Reference(std::string& name) {
        std::string read;
        Outcome outcome = Lenient("frame reference", [&] { return ReadReference(read); });
        if (outcome == Outcome::Read)
            name = read;
        return outcome != Outcome::Broken;
    }

    // Only its name and matrix count: the frame is the animation's target.
    bool NestedFrame(const std::string& name, XAnimation& animation) {
        XFrameNode frame;
        frame.name = name;
        D3DXMatrixIdentity(&frame.transform);
        Outcome outcome = Lenient("frame \"" + name + "\"", [&] {
            return Children([&](const ObjectHeader& h) {
                if (SameXName(h.identifier, "FrameTransformMatrix"))
                    return Matrix(frame.transform);
                return SkipRest();
            });
        });
        if (outcome == Outcome::Read)
            animation.frameName = name;
        return Keep(outcome, frame, scene.animationFrames);
    }

    bool Matrix(D3DXMATRIX& matrix) {
        D3DXMATRIX read;
        Outcome outcome =
            Lenient("FrameTransformMatrix", [&] { return ReadMatrix(read) && Close(); });
        if (outcome == Outcome::Read)
            matrix = read;
        return outcome != Outcome::Broken;
    }

    bool Options(XAnimation& animation) {
        std::uint32_t openClosed = 0, positionQuality = 0;
        Outcome outcome = Lenient("AnimationOptions", [&] {
            return ReadUInt(openClosed) && ReadUInt(positionQuality) && Close();
        });
        if (outcome == Outcome::Read) {
            animation.closed = openClosed == 1;
            animation.splinePositions = positionQuality == 0;
        }
        return outcome != Outcome::Broken;
    }

    bool Key(XAnimation& animation) {
        XAnimation keys;
        Outcome outcome = Lenient("animation key", [&] { return KeyBody(keys); });
        if (outcome == Outcome::Read)
            AppendKeys(keys, animation);
        return outcome != Outcome::Broken;
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
        std::uint32_t values[3];
        Outcome outcome = Lenient("XSkinMeshHeader", [&] {
            return ReadUInt(values[0]) && ReadUInt(values[1]) && ReadUInt(values[2]) && Close();
        });
        if (outcome == Outcome::Read) {
            skin.hasHeader = true;
            skin.maxWeightsPerVertex = values[0];
            skin.maxWeightsPerFace = values[1];
            skin.boneCount = values[2];
        }
        return outcome != Outcome::Broken;
    }

    bool SkinWeights(XSkin& skin) {
        XSkinBone bone;
        Outcome outcome = Lenient("skin weights", [&] {
            std::uint32_t count;
            if (!ReadString(bone.frameName) || !ReadUInt(count))
                return false;
            Reserve(bone.vertices, count);
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
        return Keep(outcome, bone, skin.bones);
    }

    XScene& scene;
};
