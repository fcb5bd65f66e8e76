// Poses at chosen times against values worked out by hand: a two-bone
// skin, a two-frame rigid model, each key type, and the blending rules.
#include "../xfile/text_to_encoding.h"
#include "../xfile/xfile_test_support.h"

#include "utility/animation/frame_pose.h"
#include "utility/animation/scene_poser.h"
#include "utility/xfile/key_settling.h"
#include "utility/xfile/xfile_scene.h"

#include <cmath>

namespace {

const char* kTriangle = "3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;2.0;0.0;; 1; 3;0,1,2;;";

XFileScene Read(const std::string& body) {
    std::vector<std::uint8_t> bytes = EncodeXText(body, XEncoding::Binary);
    XFileScene scene;
    EXPECT_EQ(ReadXFileScene(bytes.data(), bytes.size(), scene), D3D_OK);
    return scene;
}

// The loaded vertices with the given normal and tangent.
std::vector<SkinVertex> Rest(const XMeshData& mesh, D3DXVECTOR3 normal, D3DXVECTOR3 tangent) {
    std::vector<SkinVertex> rest;
    for (const XVertex& v : mesh.vertices)
        rest.push_back({v.position, normal, tangent, v.texcoord});
    return rest;
}

std::vector<SkinVertex> Posed(const XFileScene& scene, const std::vector<SkinVertex>& rest,
                              double seconds) {
    ScenePoser poser;
    EXPECT_TRUE(poser.Build(scene.animation, rest.size()));
    std::vector<SkinVertex> out(rest.size());
    poser.Pose(&scene.animation.sets.at(0), seconds, rest.data(), out.data());
    return out;
}

::testing::AssertionResult Near(const D3DXVECTOR3& a, const D3DXVECTOR3& b) {
    if (std::fabs(a.x - b.x) < 1e-5f && std::fabs(a.y - b.y) < 1e-5f &&
        std::fabs(a.z - b.z) < 1e-5f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
}

// Arm, one up from Root, turns half a turn about z in one second; vertex 0
// follows Root, 1 Arm, 2 both by halves.
std::string TwoBoneBody() {
    return "Frame Root { Frame Arm { FrameTransformMatrix { " + TranslationText(0, 1, 0) +
           " } }\n Mesh { " + kTriangle + "\n  SkinWeights { \"Root\"; 2; 0, 2; 1.0, 0.5; " +
           TranslationText(0, 0, 0) + " }\n  SkinWeights { \"Arm\"; 2; 1, 2; 1.0, 0.5; " +
           TranslationText(0, -1, 0) +
           " } } }\nAnimTicksPerSecond { 100; }\n"
           "AnimationSet Bend { Animation { AnimationKey { 0; 2; 0; 4; 1.0,0.0,0.0,0.0;;,"
           " 100; 4; 0.0,0.0,0.0,1.0;;; } { Arm } } }\n";
}

} // namespace

TEST(PoseTest, TwoBoneSkinBendsByItsWeights) {
    XFileScene scene = Read(TwoBoneBody());
    std::vector<SkinVertex> rest = Rest(scene.mesh, {1, 0, 0}, {0, 1, 0});

    // A quarter turn at half a second: Arm maps (x, y) to (-y, x), then up one.
    std::vector<SkinVertex> half = Posed(scene, rest, 0.5);
    EXPECT_TRUE(Near(half[0].position, {0, 0, 0}));
    EXPECT_TRUE(Near(half[1].position, {1, 2, 0}));
    EXPECT_TRUE(Near(half[2].position, {-0.5f, 1.5f, 0}));
    EXPECT_TRUE(Near(half[1].normal, {0, 1, 0}));
    EXPECT_TRUE(Near(half[1].tangent, {-1, 0, 0}));
    EXPECT_TRUE(Near(half[0].normal, {1, 0, 0}));

    // Half a turn at the end, held after it; the start is the rest pose.
    for (double seconds : {1.0, 3.0}) {
        std::vector<SkinVertex> end = Posed(scene, rest, seconds);
        EXPECT_TRUE(Near(end[1].position, {-1, 2, 0}));
    }
    std::vector<SkinVertex> start = Posed(scene, rest, 0);
    for (size_t i = 0; i < rest.size(); ++i)
        EXPECT_TRUE(Near(start[i].position, rest[i].position));
}

TEST(PoseTest, RigidFramesMoveTheirOwnMeshes) {
    // B's mesh loads five along x; its position keys lift it ten in a
    // second (4800 ticks, the rate of files that give none).
    XFileScene scene = Read("Frame A { Mesh { " + std::string(kTriangle) +
                            " } }\nFrame B { FrameTransformMatrix { " + TranslationText(5, 0, 0) +
                            " } Mesh { " + kTriangle +
                            " } }\nAnimationSet Lift { Animation { AnimationKey { 2; 2;"
                            " 0; 3; 5.0,0.0,0.0;;, 4800; 3; 5.0,10.0,0.0;;; } { B } } }\n");
    std::vector<SkinVertex> rest = Rest(scene.mesh, {0, 0, 1}, {1, 0, 0});
    ASSERT_EQ(rest.size(), 6u);
    EXPECT_TRUE(Near(rest[4].position, {6, 0, 0}));
    std::vector<SkinVertex> posed = Posed(scene, rest, 0.25);
    EXPECT_TRUE(Near(posed[1].position, {1, 0, 0}));
    EXPECT_TRUE(Near(posed[4].position, {6, 2.5f, 0}));
    EXPECT_TRUE(Near(posed[5].position, {5, 4.5f, 0}));
    EXPECT_TRUE(Near(posed[5].normal, {0, 0, 1}));
}

TEST(PoseTest, ScaledFramesKeepNormalsUpright) {
    // Twice as wide: a 45-degree surface direction leans towards x, its
    // normal away from it.
    XFileScene scene = Read("Frame F { Mesh { " + std::string(kTriangle) +
                            " } }\nAnimationSet S { Animation { AnimationKey { 1; 1;"
                            " 0; 3; 2.0,1.0,1.0;;; } { F } } }\n");
    float h = std::sqrt(0.5f);
    std::vector<SkinVertex> rest = Rest(scene.mesh, {h, -h, 0}, {h, h, 0});
    std::vector<SkinVertex> posed = Posed(scene, rest, 7.0); // one key: held at any time
    EXPECT_TRUE(Near(posed[1].position, {2, 0, 0}));
    EXPECT_TRUE(Near(posed[1].tangent, {2 / std::sqrt(5.0f), 1 / std::sqrt(5.0f), 0}));
    EXPECT_TRUE(Near(posed[1].normal, {1 / std::sqrt(5.0f), -2 / std::sqrt(5.0f), 0}));

    // Mirrored in x, a normal along x turns round with its surface.
    XFileScene mirrored = Read("Frame F { Mesh { " + std::string(kTriangle) +
                               " } }\nAnimationSet S { Animation { AnimationKey { 1; 1;"
                               " 0; 3; -1.0,1.0,1.0;;; } { F } } }\n");
    std::vector<SkinVertex> flipped = Posed(mirrored, Rest(mirrored.mesh, {1, 0, 0}, {0, 1, 0}), 0);
    EXPECT_TRUE(Near(flipped[1].position, {-1, 0, 0}));
    EXPECT_TRUE(Near(flipped[1].normal, {-1, 0, 0}));
}

TEST(PoseTest, MatrixKeysInterpolateAsScaleRotationAndTranslation) {
    XAnimation animation;
    D3DXMATRIX rest;
    D3DXMatrixIdentity(&rest);
    // At 0 nothing; at 100 twice the size, a quarter turn about z, two along x.
    const float start[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float end[16] = {0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 2, 0, 0, 1};
    AddKey(4, 100, end, animation);
    AddKey(4, 0, start, animation);
    KeyRepairs repairs;
    SettleKeys(animation, repairs);
    D3DXMATRIX m = SampleAnimation(animation, rest, 50);
    // Scale 1.5 and an eighth of a turn: x goes to 1.5 (cos 45, sin 45).
    float c = 1.5f * std::sqrt(0.5f);
    D3DXVECTOR3 x(1, 0, 0), moved;
    D3DXVec3TransformCoord(&moved, &x, &m);
    EXPECT_TRUE(Near(moved, {c + 1, c, 0}));
    EXPECT_NEAR(m._33, 1.5f, 1e-6f);
    // Before the first key and after the last the end keys hold.
    EXPECT_NEAR(SampleAnimation(animation, rest, -10)._11, 1.0f, 1e-6f);
    EXPECT_NEAR(SampleAnimation(animation, rest, 1e9)._12, 2.0f, 1e-6f);
}

TEST(PoseTest, RotationTakesTheShorterWay) {
    // q and -q are the same turn: from none to a quarter turn written as
    // its negative, the middle is an eighth turn, not three eighths.
    XAnimation animation;
    float h = std::sqrt(0.5f);
    animation.rotations = {{0, {0, 0, 0, 1}}, {10, {0, 0, -h, -h}}};
    D3DXMATRIX rest;
    D3DXMatrixIdentity(&rest);
    D3DXMATRIX m = SampleAnimation(animation, rest, 5);
    EXPECT_NEAR(m._11, std::cos(float(M_PI) / 4), 1e-6f);
    EXPECT_NEAR(m._12, std::sin(float(M_PI) / 4), 1e-6f);
}

TEST(PoseTest, OnlyTheFourHeaviestInfluencesCountScaledToOne) {
    std::string body = "Frame Root {";
    for (int b = 0; b < 5; ++b)
        body += " Frame B" + std::to_string(b) + " { }";
    body += " Mesh { " + std::string(kTriangle);
    const char* weights[] = {"0.1", "0.5", "0.2", "0.4", "0.3"};
    for (int b = 0; b < 5; ++b)
        body += " SkinWeights { \"B" + std::to_string(b) + "\"; 1; 2; " + weights[b] + "; " +
                TranslationText(0, 0, 0) + " }";
    body += " SkinWeights { \"B0\"; 1; 1; 0.0; " + TranslationText(0, 0, 0) + " } } }\n";
    XFileScene scene = Read(body);
    SkinRig rig;
    ASSERT_TRUE(rig.Build(scene.animation, scene.mesh.vertices.size()));
    const SkinInfluences& heavy = rig.Influences().at(2);
    float total = 0;
    for (int i = 0; i < kMaxInfluences; ++i) {
        EXPECT_NE(heavy.entry[i], rig.Influences()[0].entry[0] + 1); // B0, the lightest
        total += heavy.weight[i];
    }
    EXPECT_NEAR(total, 1.0f, 1e-6f);
    EXPECT_NEAR(heavy.weight[0], 0.5f / 1.4f, 1e-6f);
    // Without weight (vertex 1) or any weights (vertex 0) a vertex is rigid.
    for (int v : {0, 1}) {
        EXPECT_EQ(rig.Influences()[size_t(v)].weight[0], 1.0f);
        EXPECT_EQ(rig.Influences()[size_t(v)].entry[0], 0u);
    }
}

TEST(PoseTest, ThePistolMovesWithinItsSet) {
    XFileScene pistol;
    ASSERT_EQ(LoadXFileScene(DataPath("b3d_pistol/pistol.x").c_str(), pistol), D3D_OK);
    std::vector<SkinVertex> rest = Rest(pistol.mesh, {0, 0, 1}, {1, 0, 0});
    std::vector<SkinVertex> start = Posed(pistol, rest, 0), later = Posed(pistol, rest, 1.2);
    double moved = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        ASSERT_TRUE(std::isfinite(later[i].position.x));
        moved += std::fabs(later[i].position.y - start[i].position.y);
    }
    EXPECT_GT(moved, 0.0);
}

TEST(PoseTest, APreparedMeshFollowsTheVerticesItCameFrom) {
    // The two-bone triangle reordered, with vertex 1 copied at the end.
    XFileScene scene = Read(TwoBoneBody());
    std::vector<SkinVertex> loaded = Rest(scene.mesh, {1, 0, 0}, {0, 1, 0});
    const std::vector<std::uint32_t> from = {2, 0, 1, 1};
    std::vector<SkinVertex> rest;
    for (std::uint32_t v : from)
        rest.push_back(loaded[v]);
    ScenePoser poser;
    ASSERT_TRUE(poser.Build(scene.animation, loaded.size()));
    EXPECT_FALSE(poser.Remap({0, 3}));
    ASSERT_TRUE(poser.Remap(from));
    std::vector<SkinVertex> posed(rest.size());
    poser.Pose(&scene.animation.sets[0], 0.5, rest.data(), posed.data());
    EXPECT_TRUE(Near(posed[0].position, {-0.5f, 1.5f, 0}));
    EXPECT_TRUE(Near(posed[1].position, {0, 0, 0}));
    EXPECT_TRUE(Near(posed[2].position, {1, 2, 0}));
    EXPECT_TRUE(Near(posed[3].position, {1, 2, 0}));
}

TEST(PoseTest, SetsAreChosenByNumberOrName) {
    XAnimationData data;
    data.sets.resize(3);
    data.sets[0].name = "Run";
    data.sets[1].name = "12";
    data.sets[2].name = "Walk";
    EXPECT_EQ(ChooseAnimationSet(data, "1"), &data.sets[0]);
    EXPECT_EQ(ChooseAnimationSet(data, "3"), &data.sets[2]);
    EXPECT_EQ(ChooseAnimationSet(data, "Walk"), &data.sets[2]);
    for (const char* none : {"0", "4", "12", "walk", "", "99999999999"})
        EXPECT_EQ(ChooseAnimationSet(data, none), nullptr) << none;
}
