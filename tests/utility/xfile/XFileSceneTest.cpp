// The frames, skins and animation sets read beside the mesh, in every
// encoding, and the repairs of odd animation data.
#include "text_to_encoding.h"
#include "xfile_test_support.h"

#include "utility/core/load_report.h"
#include "utility/xfile/xfile_scene.h"

#include <cmath>

namespace {

const XEncoding kEncodings[] = {XEncoding::Text, XEncoding::Binary, XEncoding::TextCompressed,
                                XEncoding::BinaryCompressed};

// Root holds Arm (one up) and a triangle skinned to both; the set turns
// Arm half a turn about z in 100 ticks, at 100 ticks a second.
std::string TwoBoneBody() {
    return "Frame Root {\n"
           " FrameTransformMatrix { " +
           TranslationText(0, 0, 0) +
           " }\n"
           " Frame Arm { FrameTransformMatrix { " +
           TranslationText(0, 1, 0) +
           " } }\n"
           " Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;2.0;0.0;; 1; 3;0,1,2;;\n"
           "  XSkinMeshHeader { 2; 2; 2; }\n"
           "  SkinWeights { \"Root\"; 2; 0, 2; 1.0, 0.5; " +
           TranslationText(0, 0, 0) +
           " }\n"
           "  SkinWeights { \"Arm\"; 3; 1, 2, 7; 1.0, 0.5, 1.0; " +
           TranslationText(0, -1, 0) +
           " }\n"
           "  SkinWeights { \"Leg\"; 1; 0; 1.0; " +
           TranslationText(0, 0, 0) +
           " }\n"
           " }\n"
           "}\n"
           "AnimTicksPerSecond { 100; }\n"
           "AnimationSet Bend {\n"
           " Animation { AnimationKey { 0; 2; 0; 4; 1.0,0.0,0.0,0.0;;, 100; 4; 0.0,0.0,0.0,2.0;;; }"
           " { Arm } }\n"
           " Animation { AnimationKey { 2; 1; 0; 3; 1.0,2.0,3.0;;; } { Nowhere } }\n"
           "}\n";
}

XFileScene Read(const std::vector<std::uint8_t>& bytes) {
    XFileScene scene;
    EXPECT_EQ(ReadXFileScene(bytes.data(), bytes.size(), scene), D3D_OK) << LoadFailure();
    return scene;
}

XFileScene ReadBody(const std::string& body) {
    return Read(EncodeXText(body, XEncoding::Text));
}

bool HasNote(const XAnimationData& data, const std::string& part) {
    for (const std::string& note : data.notes)
        if (note.find(part) != std::string::npos)
            return true;
    return false;
}

// One frame F with one set "S" of the given Animation contents.
std::string AnimatedFrame(const std::string& animation) {
    return "Frame F { Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; } }\n"
           "AnimationSet S { Animation { " +
           animation + " { F } } }\n";
}

template <class Key>
bool Ordered(const std::vector<Key>& keys) {
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i - 1].time >= keys[i].time)
            return false;
    return true;
}

// What posing relies on, whatever the file held: every frame, bone and
// animation names a frame before it or in range, every weight a vertex of
// its mesh, every placement lies in the mesh, keys come in time order.
void ExpectUsable(const XFileScene& scene) {
    const XAnimationData& a = scene.animation;
    const int frames = int(a.frames.size());
    for (int f = 0; f < frames; ++f)
        ASSERT_LT(a.frames[size_t(f)].parent, f);
    for (const XMeshPlacement& m : a.meshes) {
        ASSERT_LT(m.frame, frames);
        ASSERT_LE(size_t(m.firstVertex) + m.vertexCount, scene.mesh.vertices.size());
        ASSERT_EQ(m.positionOfVertex.size(), m.vertexCount);
    }
    for (const XSkin& skin : a.skins) {
        ASSERT_LT(skin.mesh, a.meshes.size());
        for (const XSkinBone& bone : skin.bones) {
            ASSERT_GE(bone.frame, 0);
            ASSERT_LT(bone.frame, frames);
            ASSERT_EQ(bone.vertices.size(), bone.weights.size());
        }
    }
    for (const XAnimationSet& set : a.sets)
        for (const XAnimation& animation : set.animations) {
            ASSERT_GE(animation.frame, 0);
            ASSERT_LT(animation.frame, frames);
            ASSERT_TRUE(Ordered(animation.rotations) && Ordered(animation.scales) &&
                        Ordered(animation.positions));
        }
}

} // namespace

TEST(XFileSceneTest, TwoBoneSkinReadsAlikeInEveryEncoding) {
    for (XEncoding encoding : kEncodings) {
        SCOPED_TRACE(XEncodingName(encoding));
        std::vector<std::uint8_t> bytes = EncodeXText(TwoBoneBody(), encoding);
        XFileScene scene = Read(bytes);
        const XAnimationData& a = scene.animation;

        XMeshData plain;
        ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, plain), D3D_OK);
        EXPECT_EQ(scene.mesh.vertices.size(), plain.vertices.size());

        ASSERT_EQ(a.frames.size(), 2u);
        EXPECT_EQ(a.frames[0].name, "Root");
        EXPECT_EQ(a.frames[0].parent, -1);
        EXPECT_EQ(a.frames[1].name, "Arm");
        EXPECT_EQ(a.frames[1].parent, 0);
        EXPECT_EQ(a.frames[1].transform._42, 1.0f);

        ASSERT_EQ(a.meshes.size(), 1u);
        EXPECT_EQ(a.meshes[0].frame, 0);
        EXPECT_EQ(a.meshes[0].vertexCount, 3u);
        EXPECT_EQ(a.meshes[0].faceCount, 1u);

        ASSERT_EQ(a.skins.size(), 1u);
        const XSkin& skin = a.skins[0];
        EXPECT_TRUE(skin.hasHeader);
        EXPECT_EQ(skin.maxWeightsPerVertex, 2u);
        EXPECT_EQ(skin.boneCount, 2u);
        ASSERT_EQ(skin.bones.size(), 2u); // "Leg" names no frame
        EXPECT_EQ(skin.bones[1].frame, 1);
        EXPECT_EQ(skin.bones[1].vertices, (std::vector<std::uint32_t>{1, 2})); // 7 dropped
        EXPECT_EQ(skin.bones[1].weights, (std::vector<float>{1.0f, 0.5f}));
        EXPECT_EQ(skin.bones[1].offset._42, -1.0f);
        EXPECT_TRUE(HasNote(a, "\"Leg\""));
        EXPECT_TRUE(HasNote(a, "1 of 3 name vertices the mesh lacks (it has 3)"));

        EXPECT_EQ(a.ticksPerSecond, 100u);
        ASSERT_EQ(a.sets.size(), 1u);
        const XAnimationSet& set = a.sets[0];
        EXPECT_EQ(set.name, "Bend");
        EXPECT_EQ(set.lastTick, 100u);
        EXPECT_DOUBLE_EQ(a.Seconds(set), 1.0);
        ASSERT_EQ(set.animations.size(), 1u); // "Nowhere" is no frame
        EXPECT_TRUE(HasNote(a, "\"Nowhere\""));
        const XAnimation& arm = set.animations[0];
        EXPECT_EQ(arm.frame, 1);
        ASSERT_EQ(arm.rotations.size(), 2u);
        EXPECT_EQ(arm.rotations[0].value.w, 1.0f);
        EXPECT_EQ(arm.rotations[1].value.z, 1.0f); // (0, 0, 0, 2) normalised
        EXPECT_TRUE(HasNote(a, "1 rotations not of unit length"));
    }
}

TEST(XFileSceneTest, TheMeshIsTheOneThePlainReaderGives) {
    // Normals that split positions, frames with transforms and a skin: the
    // mesh must not change for what is kept beside it.
    std::string body = "Frame A { FrameTransformMatrix { " + TranslationText(1, 2, 3) +
                       " }\n"
                       " Mesh { 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n"
                       "  2; 3;0,1,2;, 3;0,2,3;;\n"
                       "  MeshNormals { 2; 0.0;0.0;1.0;, 0.0;1.0;0.0;; 2; 3;0,0,0;, 3;1,1,1;; }\n"
                       "  SkinWeights { \"A\"; 1; 3; 1.0; " +
                       TranslationText(0, 0, 0) + " }\n } }\n";
    std::vector<std::uint8_t> bytes = EncodeXText(body, XEncoding::Binary);
    XFileScene scene = Read(bytes);
    XMeshData plain;
    ASSERT_EQ(
        ReadXFile(DataPath("b3d_pistol/pistol.x").c_str(), XTriangleOrder::ByAttribute, plain),
        D3D_OK);
    XFileScene pistol;
    ASSERT_EQ(LoadXFileScene(DataPath("b3d_pistol/pistol.x").c_str(), pistol), D3D_OK);
    EXPECT_TRUE(SameMesh(pistol.mesh, plain));

    ASSERT_EQ(ReadXFile(bytes.data(), bytes.size(), nullptr, plain), D3D_OK);
    EXPECT_TRUE(SameMesh(scene.mesh, plain));
    // Positions 0 and 2 carry two normals each, so two vertices copy them.
    const XMeshPlacement& placed = scene.animation.meshes[0];
    EXPECT_EQ(placed.vertexCount, 6u);
    EXPECT_EQ(placed.positionOfVertex, (std::vector<std::uint32_t>{0, 1, 2, 3, 0, 2}));
    EXPECT_EQ(placed.bindTransform._43, 3.0f);
}

TEST(XFileSceneTest, EveryKeyTypeAndTheOptionsAreRead) {
    XFileScene scene = ReadBody(AnimatedFrame(
        "AnimationKey { 1; 1; 5; 3; 2.0,3.0,4.0;;; }\n"
        "AnimationKey { 2; 1; 5; 3; 7.0,8.0,9.0;;; }\n"
        "AnimationKey { 4; 1; 10; 16; 0.0,2.0,0.0,0.0, -2.0,0.0,0.0,0.0, 0.0,0.0,2.0,0.0,"
        " 5.0,6.0,7.0,1.0;;; }\n"
        "AnimationOptions { 0; 0; }"));
    ASSERT_EQ(scene.animation.sets.size(), 1u);
    const XAnimation& a = scene.animation.sets[0].animations.at(0);
    EXPECT_FALSE(a.closed);
    EXPECT_TRUE(a.splinePositions);
    ASSERT_EQ(a.scales.size(), 2u);
    EXPECT_EQ(a.scales[0].value, D3DXVECTOR3(2, 3, 4));
    EXPECT_EQ(a.positions[0].value, D3DXVECTOR3(7, 8, 9));
    // The matrix: scale 2, a quarter turn about z (x to y), then (5, 6, 7).
    EXPECT_EQ(a.scales[1].time, 10u);
    EXPECT_NEAR(a.scales[1].value.x, 2.0f, 1e-6f);
    EXPECT_NEAR(a.scales[1].value.z, 2.0f, 1e-6f);
    EXPECT_EQ(a.positions[1].value, D3DXVECTOR3(5, 6, 7));
    const XQuaternion& q = a.rotations.at(0).value;
    EXPECT_NEAR(q.w, std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(q.z, std::sqrt(0.5f), 1e-6f);
    EXPECT_EQ(scene.animation.sets[0].lastTick, 10u);
    EXPECT_EQ(scene.animation.ticksPerSecond, kDefaultTicksPerSecond);

    XFileScene closed = ReadBody(AnimatedFrame("AnimationOptions { 1; 1; }"));
    EXPECT_TRUE(closed.animation.sets[0].animations.at(0).closed);
    EXPECT_FALSE(closed.animation.sets[0].animations.at(0).splinePositions);
}

TEST(XFileSceneTest, KeysAreSortedAndTheLastOfATimeKept) {
    XFileScene scene =
        ReadBody(AnimatedFrame("AnimationKey { 2; 4; 30; 3; 3.0,0.0,0.0;;, 10; 3; 1.0,0.0,0.0;;,"
                               " 30; 3; 4.0,0.0,0.0;;, 20; 3; 2.0,0.0,0.0;;; }"));
    const std::vector<XVectorKey>& keys = scene.animation.sets[0].animations.at(0).positions;
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].time, 10u);
    EXPECT_EQ(keys[1].time, 20u);
    EXPECT_EQ(keys[2].time, 30u);
    EXPECT_EQ(keys[2].value.x, 4.0f);
    EXPECT_TRUE(HasNote(scene.animation, "sorted"));
    EXPECT_TRUE(HasNote(scene.animation, "1 keys at a time already keyed"));
}

TEST(XFileSceneTest, ObjectsOfAnotherLayoutAreNotedAndSkipped) {
    // A key type the format lacks, a key with too few values, a zero tick
    // rate and a skin weight of no number: the mesh and the good key stay.
    std::string body = AnimatedFrame("AnimationKey { 3; 1; 0; 3; 1.0,0.0,0.0;;; }\n"
                                     "AnimationKey { 0; 1; 0; 3; 1.0,0.0,0.0;;; }\n"
                                     "AnimationKey { 2; 1; 0; 3; 1.0,0.0,0.0;;; }") +
                       "AnimTicksPerSecond { 0; }\n"
                       "Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;"
                       " SkinWeights { \"F\"; 1; 0; x; } }\n";
    for (XEncoding encoding : kEncodings) {
        SCOPED_TRACE(XEncodingName(encoding));
        XFileScene scene = Read(EncodeXText(body, encoding));
        const XAnimationData& a = scene.animation;
        EXPECT_EQ(scene.mesh.TriangleCount(), 2u);
        EXPECT_TRUE(HasNote(a, "key type 3 is none of 0, 1, 2 and 4"));
        EXPECT_TRUE(HasNote(a, "a key of type 0 with 3 values"));
        EXPECT_TRUE(HasNote(a, "AnimTicksPerSecond: zero ticks a second"));
        EXPECT_TRUE(HasNote(a, "skin weights: expected a number, found the name \"x\"; ignored"));
        EXPECT_EQ(a.ticksPerSecond, kDefaultTicksPerSecond);
        ASSERT_EQ(a.sets.at(0).animations.size(), 1u);
        EXPECT_EQ(a.sets[0].animations[0].positions.size(), 1u);
        EXPECT_TRUE(a.sets[0].animations[0].rotations.empty());
    }
}

TEST(XFileSceneTest, AFrameInsideAnAnimationIsItsTarget) {
    XFileScene scene =
        ReadBody("Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }\n"
                 "AnimationSet S { Animation { AnimationKey { 2; 1; 0; 3; 1.0,0.0,0.0;;; }\n"
                 " Frame Loose { FrameTransformMatrix { " +
                 TranslationText(4, 0, 0) + " } } } }\n");
    const XAnimationData& a = scene.animation;
    ASSERT_EQ(a.frames.size(), 1u);
    EXPECT_EQ(a.frames[0].name, "Loose");
    EXPECT_EQ(a.frames[0].transform._41, 4.0f);
    EXPECT_EQ(a.sets.at(0).animations.at(0).frame, 0);
    EXPECT_EQ(a.meshes.at(0).frame, -1);

    // A broken matrix in the frame, or a broken reference, is skipped at
    // its own level: the set after it is still read.
    XFileScene broken = ReadBody(
        "Frame F { Mesh { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; } }\n"
        "AnimationSet S { Animation { Frame F { FrameTransformMatrix { 1.0; x; } } }\n"
        " Animation { { F x } } }\n"
        "AnimationSet T { Animation { AnimationKey { 2; 1; 0; 3; 1.0,0.0,0.0;;; } { F } } }\n");
    EXPECT_TRUE(HasNote(broken.animation,
                        "FrameTransformMatrix: expected a number, found the name \"x\"; ignored"));
    EXPECT_TRUE(HasNote(broken.animation,
                        "frame reference: expected \"}\", found the name \"x\"; ignored"));
    ASSERT_EQ(broken.animation.sets.size(), 2u);
    EXPECT_EQ(broken.animation.sets[1].name, "T");
    EXPECT_EQ(broken.animation.sets[1].animations.size(), 1u);
}

TEST(XFileSceneTest, RealFilesLoadWithTheirSetsAndSkins) {
    XFileScene pistol;
    ASSERT_EQ(LoadXFileScene(DataPath("b3d_pistol/pistol.x").c_str(), pistol), D3D_OK);
    const XAnimationData& a = pistol.animation;
    ASSERT_EQ(a.sets.size(), 1u);
    EXPECT_EQ(a.sets[0].name, "AnimationSet0");
    EXPECT_EQ(a.sets[0].animations.size(), 2u);
    EXPECT_EQ(a.sets[0].lastTick, 9440u);
    EXPECT_EQ(a.ticksPerSecond, kDefaultTicksPerSecond);
    EXPECT_EQ(a.meshes.size(), 3u);
    EXPECT_EQ(a.skins.size(), 3u);
    EXPECT_EQ(a.skins[0].bones.at(0).frameName, "joint1");

    XFileScene bad;
    ASSERT_EQ(LoadXFileScene(DataPath("assimp_bad_skinweights/bad_skinweights.x").c_str(), bad),
              D3D_OK);
    EXPECT_TRUE(HasNote(bad.animation, "name vertices the mesh lacks"));
}

TEST(XFileSceneTest, DamagedOrCutFilesNeverBreakTheReader) {
    for (XEncoding encoding : {XEncoding::Binary, XEncoding::BinaryCompressed, XEncoding::Text}) {
        SCOPED_TRACE(XEncodingName(encoding));
        const std::vector<std::uint8_t> bytes = EncodeXText(TwoBoneBody(), encoding);
        for (size_t at = 0; at < bytes.size(); ++at) {
            for (std::uint8_t value :
                 {std::uint8_t(0), std::uint8_t(0xFF), std::uint8_t(bytes[at] + 1)}) {
                std::vector<std::uint8_t> damaged = bytes;
                damaged[at] = value;
                XFileScene scene;
                if (ReadXFileScene(damaged.data(), damaged.size(), scene) == D3D_OK)
                    ExpectUsable(scene);
                else
                    ASSERT_TRUE(scene.animation.frames.empty() && scene.mesh.vertices.empty());
            }
            XFileScene cut;
            if (ReadXFileScene(bytes.data(), at, cut) == D3D_OK)
                ExpectUsable(cut);
        }
    }
}
