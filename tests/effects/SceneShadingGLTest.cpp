// The scene effect drawn by the OpenGL device against the shading model
// worked out on the processor. Each case draws one quad that covers a small
// float target under a perspective camera:
//
//      c0 +-----------+ c1      far edge (tilted away from the camera)
//         |  \        |
//         |     \     |         triangle fan c0 c1 c2, c0 c2 c3
//         |        \  |
//      c3 +-----------+ c2      near edge
//
// with its own normal and tangent at each corner, so that the interpolated
// vectors, the light directions in the tangent frame and the view vector vary
// across the pixels. Every technique is drawn in the plain and the dimmed
// variant and compared pixel by pixel within 2/255.
#include "effects/effect_resources.h"
#include "tests/effects/float_image.h"
#include "tests/effects/scene_reference.h"
#include "utility/d3dx9effect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

constexpr int kWidth = 40;
constexpr int kHeight = 30;
constexpr float kTolerance = 2.0f / 255.0f;

const D3DVERTEXELEMENT9 kShadingLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END()};

D3DXVECTOR3 Normalized(D3DXVECTOR3 v) {
    D3DXVec3Normalize(&v, &v);
    return v;
}

// The camera and the quad's corners in world space.
struct Camera {
    D3DXVECTOR3 eye{0.3f, 0.8f, -3.5f};
    D3DXVECTOR3 at{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 forward, right, up;
    D3DXMATRIX view, projection;

    Camera() {
        D3DXVECTOR3 worldUp(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &worldUp);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 3, float(kWidth) / kHeight, 0.1f, 100);
        forward = Normalized(at - eye);
        D3DXVec3Cross(&right, &worldUp, &forward);
        right = Normalized(right);
        D3DXVec3Cross(&up, &forward, &right);
    }

    // Far corners (0, 1) tilted away, near corners (2, 3) towards the eye.
    D3DXVECTOR3 Corner(int i) const {
        static const float kSide[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
        float s = 6.0f, tilt = 1.5f;
        return at + right * (kSide[i][0] * s) + up * (kSide[i][1] * s) +
               forward * (kSide[i][1] * tilt);
    }
};

// Directions given in world space, as object-space vectors: the programs
// carry normals and tangents by g_MatWIT, whose inverse is the world
// matrix's transpose.
D3DXVECTOR3 ObjectDirection(const D3DXVECTOR3& world, const D3DXMATRIX& worldMatrix) {
    D3DXMATRIX transposed;
    D3DXMatrixTranspose(&transposed, &worldMatrix);
    D3DXVECTOR3 out;
    D3DXVec3TransformNormal(&out, &world, &transposed);
    return out;
}

struct Maps {
    FloatImage diffuse{4, 4, D3DXVECTOR4(0.8f, 0.6f, 0.4f, 0.7f)};
    FloatImage normal{4, 4, D3DXVECTOR4(0.5f, 0.5f, 1.0f, 0.5f)}; // flat, height 0.5
    FloatImage specular{4, 4, D3DXVECTOR4(0.6f, 0.5f, 0.4f, 0.1f)};
    FloatImage emissive{4, 4, D3DXVECTOR4(0.5f, 0.5f, 0.5f, 1.0f)}; // adds nothing
};

// A diffuse map that reads back its own texture coordinate, to see the
// parallax shift.
FloatImage CoordinateRamp() {
    FloatImage ramp(64, 64, D3DXVECTOR4(0, 0, 0.5f, 0.9f));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ramp.At(x, y) = D3DXVECTOR4((x + 0.5f) / 64, (y + 0.5f) / 64, 0.5f, 0.9f);
    return ramp;
}

struct SceneCase {
    std::string name;
    Maps maps;
    // World-space normal and tangent at each corner; by default they differ.
    D3DXVECTOR3 normals[4] = {
        {0.0f, 0.1f, -1.0f}, {0.5f, 0.4f, -0.8f}, {-0.4f, 0.7f, -0.4f}, {0.3f, -0.6f, -0.7f}};
    D3DXVECTOR3 tangents[4] = {
        {1, 0, 0}, {0.9f, 0.3f, 0.1f}, {0.8f, -0.2f, 0.3f}, {1, 0.1f, -0.2f}};
    bool fog = false;

    void SetAllNormals(const D3DXVECTOR3& n, const D3DXVECTOR3& t) {
        for (int i = 0; i < 4; ++i)
            normals[i] = n, tangents[i] = t;
    }
};

constexpr D3DCOLOR kFogColor = 0xFF336699;

class SceneShadingGLTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterEffectResources();
        gl = new GlTestDevice(kWidth, kHeight);
        if (!gl->Ok())
            return;
        IDirect3DDevice9* d = gl->device;
        for (int variant = 0; variant < 2; ++variant)
            D3DXCreateEffectFromResourceA(
                d, nullptr,
                MAKEINTRESOURCEA(variant ? kDimmedSceneEffectResource : kSceneEffectResource),
                nullptr, nullptr, D3DXSHADER_SKIPVALIDATION, nullptr, &effects[variant], nullptr);
        d->CreateVertexDeclaration(kShadingLayout, &declaration);
        target = new FloatTarget(d, kWidth, kHeight);
    }

    static void TearDownTestSuite() {
        delete target;
        for (ID3DXEffect*& e : effects)
            ReleaseRef(e);
        ReleaseRef(declaration);
        delete gl;
    }

    template <class T>
    static void ReleaseRef(T*& p) {
        if (p)
            p->Release();
        p = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(gl->Ok());
        ASSERT_TRUE(effects[0] && effects[1]);
        ASSERT_TRUE(declaration && target->surface);
        D3DXMatrixScaling(&world, 1.5f, 0.7f, 1.2f);
        D3DXMATRIX rotation, translation;
        D3DXMatrixRotationY(&rotation, 0.4f);
        D3DXMatrixTranslation(&translation, 0.2f, -0.1f, 0.3f);
        world = world * rotation * translation;
        params.world = world;
        D3DXMATRIX inverse;
        D3DXMatrixInverse(&inverse, nullptr, &world);
        D3DXMatrixTranspose(&params.worldInverseTranspose, &inverse);
        params.worldViewProjection = world * camera.view * camera.projection;
        params.camPos = camera.eye;
        params.fogStart = 3.0f;
        params.fogInvDist = 1.0f / (5.0f - 3.0f);
        params.ambient = D3DXVECTOR4(0.1f, 0.1f, 0.2f, 1.0f);
        params.ambient2 = D3DXVECTOR4(0.1f, 0.1f, 0.05f, 1.0f);
        params.lightDir[0] = Normalized(-D3DXVECTOR3(0.3f, -1.0f, 0.4f));
        params.lightDir[1] = Normalized(-D3DXVECTOR3(-0.8f, 0.5f, -0.1f));
        params.lightColor[0] = D3DXVECTOR4(0.9f, 0.9f, 0.9f, 1.0f);
        params.lightColor[1] = D3DXVECTOR4(0.35f, 0.35f, 0.35f, 1.0f);
    }

    void Quad(const SceneCase& c, SceneVertex quad[4]) const {
        static const float kUv[4][2] = {{0.2f, 0.2f}, {0.8f, 0.2f}, {0.8f, 0.8f}, {0.2f, 0.8f}};
        D3DXMATRIX inverse;
        D3DXMatrixInverse(&inverse, nullptr, &world);
        for (int i = 0; i < 4; ++i) {
            D3DXVECTOR3 corner = camera.Corner(i);
            D3DXVec3TransformCoord(&quad[i].position, &corner, &inverse);
            quad[i].normal = ObjectDirection(c.normals[i], world);
            quad[i].tangent = ObjectDirection(c.tangents[i], world);
            quad[i].u = kUv[i][0];
            quad[i].v = kUv[i][1];
        }
    }

    // Sets every parameter by name from `params` and the case's maps, with
    // fresh textures, and draws the quad once.
    FloatImage Draw(ID3DXEffect* effect, SceneTechnique technique, const SceneCase& c) {
        IDirect3DDevice9* d = gl->device;
        d->SetRenderTarget(0, target->surface);
        d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_FOGENABLE, c.fog);
        d->SetRenderState(D3DRS_FOGCOLOR, kFogColor);

        effect->SetValue("g_LightDirR", params.lightDir, sizeof params.lightDir);
        effect->SetValue("g_LightColor", params.lightColor, sizeof params.lightColor);
        effect->SetValue("g_LightAmbient", &params.ambient, 16);
        effect->SetValue("g_LightAmbient2", &params.ambient2, 16);
        effect->SetValue("g_CamPos", &params.camPos, 12);
        effect->SetValue("g_FogStart", &params.fogStart, 4);
        effect->SetValue("g_FogInvDist", &params.fogInvDist, 4);
        IDirect3DTexture9* textures[4] = {
            CreateFloatTexture(d, c.maps.diffuse), CreateFloatTexture(d, c.maps.normal),
            CreateFloatTexture(d, c.maps.specular), CreateFloatTexture(d, c.maps.emissive)};
        const char* names[4] = {"g_TexDiffuse", "g_TexNormal", "g_TexSpecular", "g_TexEmissive"};
        for (int i = 0; i < 4; ++i)
            effect->SetTexture(names[i], textures[i]);
        D3DXMATRIX inverse;
        D3DXMatrixInverse(&inverse, nullptr, &world);
        effect->SetMatrix("g_MatWorld", &world);
        effect->SetMatrixTranspose("g_MatWIT", &inverse);
        effect->SetMatrix("g_MatWVP", &params.worldViewProjection);

        SceneVertex quad[4];
        Quad(c, quad);
        d->SetVertexDeclaration(declaration);
        d->BeginScene();
        effect->SetTechnique(TechniqueName(technique));
        d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
        effect->Begin(nullptr, 0);
        effect->BeginPass(0);
        d->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(SceneVertex));
        effect->EndPass();
        effect->End();
        d->EndScene();
        for (int i = 0; i < 4; ++i) {
            effect->SetTexture(names[i], nullptr);
            textures[i]->Release();
        }
        return ReadFloatImage(*gl, target->surface);
    }

    // The reference image; `unsure` marks pixels on the edge of an
    // exponent-0 highlight.
    FloatImage Expected(SceneTechnique technique, bool dimmed, const SceneCase& c,
                        std::vector<bool>* unsure) const {
        SceneVertex quad[4];
        Quad(c, quad);
        Interpolants corners[4];
        float screen[4][2];
        for (int i = 0; i < 4; ++i) {
            corners[i] = RunSceneVertexProgram(technique, params, quad[i]);
            const D3DXVECTOR4& p = corners[i].clip;
            screen[i][0] = (p.x / p.w + 1) * 0.5f * kWidth;
            screen[i][1] = (1 - p.y / p.w) * 0.5f * kHeight;
        }
        SceneMaps maps{&c.maps.diffuse, &c.maps.normal, &c.maps.specular, &c.maps.emissive};
        FloatImage image(kWidth, kHeight, D3DXVECTOR4(0, 0, 0, 0));
        unsure->assign(image.texels.size(), false);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                Interpolants at;
                EXPECT_TRUE(InterpolateAt(corners, screen, float(x), float(y), &at))
                    << "pixel " << x << "," << y << " outside the quad";
                ShadedPixel shaded = RunScenePixelProgram(technique, dimmed, params, at, maps);
                D3DXVECTOR4 colour = shaded.colour;
                if (c.fog)
                    colour = FogBlend(colour, at.fog);
                image.At(x, y) = colour;
                (*unsure)[size_t(y) * kWidth + x] = shaded.atHighlightEdge;
            }
        }
        return image;
    }

    // Perspective-correct weights of the fan triangle holding the pixel
    // centre (Direct3D 9 puts pixel centres on whole screen coordinates).
    static bool InterpolateAt(const Interpolants corners[4], const float screen[4][2], float x,
                              float y, Interpolants* out) {
        static const int kTriangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& t : kTriangles) {
            const float* a = screen[t[0]];
            const float* b = screen[t[1]];
            const float* c = screen[t[2]];
            float area = (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
            float l[3] = {((b[0] - x) * (c[1] - y) - (b[1] - y) * (c[0] - x)) / area,
                          ((c[0] - x) * (a[1] - y) - (c[1] - y) * (a[0] - x)) / area,
                          ((a[0] - x) * (b[1] - y) - (a[1] - y) * (b[0] - x)) / area};
            if (l[0] < -1e-6f || l[1] < -1e-6f || l[2] < -1e-6f)
                continue;
            float weights[3], sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += weights[k] = l[k] / corners[t[k]].clip.w;
            for (float& w : weights)
                w /= sum;
            Interpolants three[3] = {corners[t[0]], corners[t[1]], corners[t[2]]};
            *out = InterpolateCorners(three, weights);
            return true;
        }
        return false;
    }

    // The device's fog after the pixel program: the factor clamped, the
    // colour blended towards the fog colour.
    static D3DXVECTOR4 FogBlend(const D3DXVECTOR4& colour, float factor) {
        float f = std::fmin(std::fmax(factor, 0.0f), 1.0f);
        float fog[3] = {float((kFogColor >> 16) & 0xFF) / 255, float((kFogColor >> 8) & 0xFF) / 255,
                        float(kFogColor & 0xFF) / 255};
        return D3DXVECTOR4(fog[0] * (1 - f) + colour.x * f, fog[1] * (1 - f) + colour.y * f,
                           fog[2] * (1 - f) + colour.z * f, colour.w);
    }

    void ExpectMatchesModel(const SceneCase& c) {
        for (SceneTechnique technique : kSceneTechniques) {
            for (int dimmed = 0; dimmed < 2; ++dimmed) {
                SCOPED_TRACE(c.name + ", " + TechniqueName(technique) +
                             (dimmed ? ", dimmed" : ", plain"));
                FloatImage drawn = Draw(effects[dimmed], technique, c);
                std::vector<bool> unsure;
                FloatImage expected = Expected(technique, dimmed != 0, c, &unsure);
                ExpectClose(drawn, expected, unsure);
            }
        }
    }

    static void ExpectClose(const FloatImage& drawn, const FloatImage& expected,
                            const std::vector<bool>& unsure) {
        ASSERT_EQ(drawn.texels.size(), expected.texels.size());
        float worst = 0;
        size_t worstAt = 0, compared = 0;
        for (size_t i = 0; i < drawn.texels.size(); ++i) {
            if (unsure[i])
                continue;
            ++compared;
            const float* a = &drawn.texels[i].x;
            const float* b = &expected.texels[i].x;
            for (int k = 0; k < 4; ++k) {
                float error = std::fabs(a[k] - b[k]);
                if (!(error <= worst)) // also catches NaN
                    worst = error, worstAt = i;
            }
        }
        const D3DXVECTOR4& a = drawn.texels[worstAt];
        const D3DXVECTOR4& b = expected.texels[worstAt];
        EXPECT_LE(worst, kTolerance)
            << "pixel " << worstAt % kWidth << "," << worstAt / kWidth << ": drawn (" << a.x << " "
            << a.y << " " << a.z << " " << a.w << "), expected (" << b.x << " " << b.y << " " << b.z
            << " " << b.w << ")";
        EXPECT_GT(compared, drawn.texels.size() * 3 / 4);
    }

    static GlTestDevice* gl;
    static ID3DXEffect* effects[2]; // plain, dimmed
    static IDirect3DVertexDeclaration9* declaration;
    static FloatTarget* target;

    Camera camera;
    D3DXMATRIX world;
    SceneParameters params;
};

GlTestDevice* SceneShadingGLTest::gl = nullptr;
ID3DXEffect* SceneShadingGLTest::effects[2] = {nullptr, nullptr};
IDirect3DVertexDeclaration9* SceneShadingGLTest::declaration = nullptr;
FloatTarget* SceneShadingGLTest::target = nullptr;

} // namespace

TEST_F(SceneShadingGLTest, VaryingFramesWithFlatAndTiltedNormalMaps) {
    SceneCase flat;
    flat.name = "flat normal map";
    ExpectMatchesModel(flat);
    SceneCase tilted;
    tilted.name = "tilted normal map, used without renormalising";
    tilted.maps.normal = FloatImage(4, 4, D3DXVECTOR4(0.8f, 0.3f, 0.7f, 0.5f));
    ExpectMatchesModel(tilted);
}

TEST_F(SceneShadingGLTest, ParallaxShiftsEveryMapWithTheHeight) {
    for (float height : {0.0f, 1.0f}) {
        SceneCase c;
        c.name = "height " + std::to_string(height);
        c.maps.diffuse = CoordinateRamp();
        c.maps.normal = FloatImage(4, 4, D3DXVECTOR4(0.5f, 0.5f, 1.0f, height));
        ExpectMatchesModel(c);
    }
}

TEST_F(SceneShadingGLTest, SpecularExponentFromTheMapAlpha) {
    for (float alpha : {0.0f, 1.0f}) {
        SceneCase c;
        c.name = "specular alpha " + std::to_string(alpha);
        c.maps.specular = FloatImage(4, 4, D3DXVECTOR4(0.6f, 0.5f, 0.4f, alpha));
        ExpectMatchesModel(c);
    }
}

TEST_F(SceneShadingGLTest, SignedEmissiveMap) {
    for (float level : {0.0f, 1.0f}) {
        SceneCase c;
        c.name = "emissive " + std::to_string(level);
        c.maps.emissive = FloatImage(4, 4, D3DXVECTOR4(level, level, level, 1.0f));
        ExpectMatchesModel(c);
    }
}

TEST_F(SceneShadingGLTest, RimAtGrazingAnglesAndNoneHeadOn) {
    SceneCase grazing;
    grazing.name = "grazing";
    grazing.SetAllNormals(camera.up, camera.right);
    ExpectMatchesModel(grazing);
    SceneCase headOn;
    headOn.name = "head-on";
    headOn.SetAllNormals(-camera.forward, camera.right);
    ExpectMatchesModel(headOn);
}

TEST_F(SceneShadingGLTest, HemisphereAmbientForNormalsUpAndDown) {
    SceneCase upward;
    upward.name = "normals up";
    upward.SetAllNormals(D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(1, 0, 0));
    ExpectMatchesModel(upward);
    SceneCase downward;
    downward.name = "normals down";
    downward.SetAllNormals(D3DXVECTOR3(0, -1, 0), D3DXVECTOR3(1, 0, 0));
    ExpectMatchesModel(downward);
}

TEST_F(SceneShadingGLTest, FogFromTheVertexProgramsBetweenStartAndEnd) {
    SceneCase c;
    c.name = "fog";
    c.fog = true;
    // The fog starts beyond the nearest corner and ends before the farthest,
    // so the factor runs past both ends across the quad: some pixels keep
    // their colour, some are pure fog colour.
    float nearest = 1e9f, farthest = 0;
    for (int i = 0; i < 4; ++i) {
        D3DXVECTOR3 view = camera.Corner(i) - camera.eye;
        nearest = std::fmin(nearest, D3DXVec3Length(&view));
        farthest = std::fmax(farthest, D3DXVec3Length(&view));
    }
    float range = farthest - nearest;
    params.fogStart = nearest + 0.25f * range;
    params.fogInvDist = 1.0f / (0.5f * range);
    ExpectMatchesModel(c);

    SceneVertex quad[4];
    Quad(c, quad);
    float clearest = -1e9f, foggiest = 1e9f;
    for (const SceneVertex& v : quad) {
        float f = RunSceneVertexProgram(SceneTechnique::StdFull, params, v).fog;
        clearest = std::fmax(clearest, f), foggiest = std::fmin(foggiest, f);
    }
    EXPECT_GT(clearest, 1.0f);
    EXPECT_LT(foggiest, 0.0f);
}

TEST_F(SceneShadingGLTest, DimmedVariantIsThePlainColourTimesPoint85WithTheSameAlpha) {
    SceneCase c;
    c.name = "dimmed against plain";
    c.maps.emissive = FloatImage(4, 4, D3DXVECTOR4(0.9f, 0.7f, 0.6f, 1.0f));
    for (SceneTechnique technique : kSceneTechniques) {
        SCOPED_TRACE(TechniqueName(technique));
        FloatImage plain = Draw(effects[0], technique, c);
        FloatImage dimmed = Draw(effects[1], technique, c);
        for (size_t i = 0; i < plain.texels.size(); ++i) {
            const D3DXVECTOR4& p = plain.texels[i];
            const D3DXVECTOR4& d = dimmed.texels[i];
            ASSERT_NEAR(d.x, p.x * 0.85f, 1e-5f + std::fabs(p.x) * 1e-6f) << i;
            ASSERT_NEAR(d.y, p.y * 0.85f, 1e-5f + std::fabs(p.y) * 1e-6f) << i;
            ASSERT_NEAR(d.z, p.z * 0.85f, 1e-5f + std::fabs(p.z) * 1e-6f) << i;
            ASSERT_EQ(d.w, p.w) << i;
        }
    }
}

TEST_F(SceneShadingGLTest, HalfHeightLeavesTheFullTechniqueAsTheOneWithoutParallax) {
    SceneCase c;
    c.name = "height 0.5";
    c.maps.diffuse = CoordinateRamp();
    FloatImage full = Draw(effects[0], SceneTechnique::StdFull, c);
    FloatImage unshifted = Draw(effects[0], SceneTechnique::StdDNSE, c);
    for (size_t i = 0; i < full.texels.size(); ++i)
        ASSERT_NEAR(full.texels[i].x, unshifted.texels[i].x, 1e-6f) << i;
}

// Checks that need no model: numbers the shading gives in closed form.

TEST_F(SceneShadingGLTest, FlatNormalMapShadesLikeTheVertexNormal) {
    SceneCase c;
    c.name = "flat map, one frame";
    c.SetAllNormals(-camera.forward, camera.right); // an orthonormal frame everywhere
    FloatImage simple = Draw(effects[0], SceneTechnique::StdSimple, c);
    FloatImage mapped = Draw(effects[0], SceneTechnique::StdDN, c);
    for (size_t i = 0; i < simple.texels.size(); ++i) {
        ASSERT_NEAR(mapped.texels[i].x, simple.texels[i].x, 1e-4f) << i;
        ASSERT_NEAR(mapped.texels[i].z, simple.texels[i].z, 1e-4f) << i;
    }
}

// The lighting terms alone, one at a time: the hemisphere ambient for normals
// up, sideways and down, then the character programs' wrapped light and rim
// at the centre pixel, where the view ray meets the quad head-on at
// `camera.at`.
TEST_F(SceneShadingGLTest, AmbientWrappedLightAndRimEachAlone) {
    params.lightColor[0] = params.lightColor[1] = D3DXVECTOR4(0, 0, 0, 1); // ambient alone
    SceneCase c;
    c.maps.diffuse = FloatImage(4, 4, D3DXVECTOR4(1, 1, 1, 1));
    for (float y : {1.0f, 0.0f, -1.0f}) {
        if (y == 0)
            c.SetAllNormals(D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 1));
        else
            c.SetAllNormals(D3DXVECTOR3(0, y, 0), D3DXVECTOR3(1, 0, 0));
        // The upper colour, half of each, or the lower colour.
        float h = 0.5f * y + 0.5f;
        const D3DXVECTOR4 &up = params.ambient, &down = params.ambient2;
        float r = up.x * h + down.x * (1 - h), g = up.y * h + down.y * (1 - h),
              b = up.z * h + down.z * (1 - h);
        for (SceneTechnique technique : {SceneTechnique::StdSimple, SceneTechnique::StdFull}) {
            FloatImage image = Draw(effects[0], technique, c);
            EXPECT_NEAR(image.At(20, 15).x, r, 1e-5f) << y;
            EXPECT_NEAR(image.At(3, 27).y, g, 1e-5f) << y;
            EXPECT_NEAR(image.At(37, 2).z, b, 1e-5f) << y;
        }
    }

    params.ambient = params.ambient2 = D3DXVECTOR4(0, 0, 0, 1);
    params.lightColor[0] = D3DXVECTOR4(1, 1, 1, 1);
    params.lightDir[0] = camera.up; // at right angles to a normal facing the camera
    c.SetAllNormals(-camera.forward, camera.right);
    // The standard programs stop at the terminator; the character ones wrap
    // the light by 0.4 and square it: ((0 + 0.4) / 1.4)^2. Facing the
    // camera, no rim.
    const float wrapped = (0.4f / 1.4f) * (0.4f / 1.4f);
    EXPECT_NEAR(Draw(effects[0], SceneTechnique::StdSimple, c).At(20, 15).y, 0.0f, 1e-3f);
    for (SceneTechnique technique : {SceneTechnique::CharSimple, SceneTechnique::CharFull})
        EXPECT_NEAR(Draw(effects[0], technique, c).At(20, 15).y, wrapped, 1e-3f)
            << TechniqueName(technique);
    // Seen edge-on and unlit: the whole rim, 0.25 x 0.5.
    params.lightColor[0] = D3DXVECTOR4(0, 0, 0, 1);
    c.SetAllNormals(camera.up, camera.right);
    for (SceneTechnique technique : {SceneTechnique::CharSimple, SceneTechnique::CharFull})
        EXPECT_NEAR(Draw(effects[0], technique, c).At(20, 15).y, 0.125f, 2e-3f)
            << TechniqueName(technique);
}

TEST_F(SceneShadingGLTest, EmissiveMapAddsMinusOneNothingOrOne) {
    SceneCase c;
    FloatImage drawn[3];
    for (int level = 0; level < 3; ++level) {
        float e = 0.5f * float(level);
        c.maps.emissive = FloatImage(4, 4, D3DXVECTOR4(e, e, e, 1));
        drawn[level] = Draw(effects[0], SceneTechnique::StdDNSE, c);
    }
    for (size_t i = 0; i < drawn[1].texels.size(); i += 7) {
        ASSERT_NEAR(drawn[0].texels[i].x, drawn[1].texels[i].x - 1, 1e-5f) << i;
        ASSERT_NEAR(drawn[2].texels[i].y, drawn[1].texels[i].y + 1, 1e-5f) << i;
        ASSERT_EQ(drawn[0].texels[i].w, drawn[1].texels[i].w) << i;
    }
}
