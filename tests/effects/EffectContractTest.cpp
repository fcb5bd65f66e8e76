// The names, types and states the viewer relies on, looked up in the three
// embedded effects on the recording device: every parameter, sampler,
// technique and pass by its name, what each pass sets and in which order,
// which maps each technique samples, and what the two scene variants share.
#include "effects/effect_resources.h"
#include "tests/utility/effect/recording_fixture.h"

#include <algorithm>
#include <set>

namespace {

struct ExpectedParameter {
    const char* name;
    D3DXPARAMETER_CLASS kind;
    D3DXPARAMETER_TYPE type;
    UINT rows, columns, elements;
};

constexpr D3DXPARAMETER_CLASS kMatrix = D3DXPC_MATRIX_COLUMNS;

const ExpectedParameter kSceneParameters[] = {
    {"g_MatWorld", kMatrix, D3DXPT_FLOAT, 4, 4, 0},
    {"g_MatWIT", kMatrix, D3DXPT_FLOAT, 4, 4, 0},
    {"g_MatWVP", kMatrix, D3DXPT_FLOAT, 4, 4, 0},
    {"g_CamPos", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, 0},
    {"g_FogStart", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0},
    {"g_FogInvDist", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0},
    {"g_LightAmbient", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 0},
    {"g_LightAmbient2", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 0},
    {"g_LightDirR", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 3, 2},
    {"g_LightColor", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 4, 2},
    {"g_TexDiffuse", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 0},
    {"g_SampDiffuse", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0},
    {"g_TexNormal", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 0},
    {"g_SampNormal", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0},
    {"g_TexSpecular", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 0},
    {"g_SampSpecular", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0},
    {"g_TexEmissive", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 0},
    {"g_SampEmissive", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0},
};

const ExpectedParameter kPostParameters[] = {
    {"g_PixelSize", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, 0},
    {"g_BlurOffset", D3DXPC_VECTOR, D3DXPT_FLOAT, 1, 2, 0},
    {"g_BlurWeights", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 9},
    {"g_BrightRate", D3DXPC_SCALAR, D3DXPT_FLOAT, 1, 1, 0},
    {"g_Tex0", D3DXPC_OBJECT, D3DXPT_TEXTURE, 0, 0, 0},
    {"g_Samp0", D3DXPC_OBJECT, D3DXPT_SAMPLER2D, 0, 0, 0},
};

// Each scene technique: its one pass, the texture stages it samples (0
// diffuse, 1 normal, 2 specular, 3 emissive), whether its vertex program is
// the tangent one, and how many registers its programs' parameters take.
struct ExpectedTechnique {
    const char* name;
    std::vector<double> stages;
    bool tangentFrame;
    double vertexRegisters, pixelRegisters;
};

// VS_Simple reads three matrices, g_CamPos, g_FogStart and g_FogInvDist (15
// registers), VS_Tangent also g_LightDirR (17); the simple pixel programs
// read both ambients, g_LightDirR and g_LightColor (6), the others both
// ambients and g_LightColor (4).
const ExpectedTechnique kSceneTechniques[] = {
    {"T_Std_Simple", {0}, false, 15, 6},        {"T_Std_DN", {0, 1}, true, 17, 4},
    {"T_Std_DNS", {0, 1, 2}, true, 17, 4},      {"T_Std_DNSE", {0, 1, 2, 3}, true, 17, 4},
    {"T_Std_Full", {0, 1, 2, 3}, true, 17, 4},  {"T_Char_Simple", {0}, false, 15, 6},
    {"T_Char_Full", {0, 1, 2, 3}, true, 17, 4},
};

using Args = std::vector<double>;

class EffectContractTest : public RecordingFixture {
protected:
    void SetUp() override {
        RecordingFixture::SetUp();
        RegisterEffectResources();
        for (WORD id :
             {kSceneEffectResource, kDimmedSceneEffectResource, kPostProcessEffectResource}) {
            ID3DXEffect* e = nullptr;
            ID3DXBuffer* errors = nullptr;
            ASSERT_EQ(D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(id), nullptr,
                                                    nullptr, D3DXSHADER_SKIPVALIDATION, nullptr, &e,
                                                    &errors),
                      D3D_OK)
                << id << ": " << TakeText(errors);
            effects.push_back(e);
        }
        IDirect3DTexture9* t = nullptr;
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t, nullptr),
                  D3D_OK);
        texture = t;
    }

    void TearDown() override {
        for (ID3DXEffect* e : effects)
            e->Release();
        if (texture)
            texture->Release();
        RecordingFixture::TearDown();
    }

    static void ExpectParameters(ID3DXEffect* effect, const ExpectedParameter* parameters,
                                 size_t count) {
        D3DXEFFECT_DESC desc{};
        ASSERT_EQ(effect->GetDesc(&desc), D3D_OK);
        EXPECT_EQ(desc.Parameters, count);
        for (size_t i = 0; i < count; ++i) {
            const ExpectedParameter& expected = parameters[i];
            D3DXHANDLE handle = effect->GetParameterByName(nullptr, expected.name);
            ASSERT_NE(handle, nullptr) << expected.name;
            EXPECT_EQ(effect->GetParameter(nullptr, UINT(i)), handle)
                << expected.name << " at " << i;
            D3DXPARAMETER_DESC p{};
            ASSERT_EQ(effect->GetParameterDesc(handle, &p), D3D_OK);
            EXPECT_EQ(p.Class, expected.kind) << expected.name;
            EXPECT_EQ(p.Type, expected.type) << expected.name;
            EXPECT_EQ(p.Rows, expected.rows) << expected.name;
            EXPECT_EQ(p.Columns, expected.columns) << expected.name;
            EXPECT_EQ(p.Elements, expected.elements) << expected.name;
            EXPECT_EQ(p.Semantic, nullptr) << expected.name;
        }
    }

    // The techniques in order, each with the passes named.
    static void ExpectTechniques(
        ID3DXEffect* effect,
        const std::vector<std::pair<const char*, std::vector<const char*>>>& techniques) {
        D3DXEFFECT_DESC desc{};
        effect->GetDesc(&desc);
        EXPECT_EQ(desc.Techniques, techniques.size());
        for (size_t t = 0; t < techniques.size(); ++t) {
            D3DXHANDLE handle = effect->GetTechniqueByName(techniques[t].first);
            ASSERT_NE(handle, nullptr) << techniques[t].first;
            EXPECT_EQ(effect->GetTechnique(UINT(t)), handle) << techniques[t].first;
            D3DXTECHNIQUE_DESC td{};
            effect->GetTechniqueDesc(handle, &td);
            EXPECT_EQ(td.Passes, techniques[t].second.size()) << techniques[t].first;
            for (size_t p = 0; p < techniques[t].second.size(); ++p)
                EXPECT_EQ(effect->GetPassByName(handle, techniques[t].second[p]),
                          effect->GetPass(handle, UINT(p)))
                    << techniques[t].first << " " << techniques[t].second[p];
        }
    }

    // The calls one pass makes when it begins.
    std::vector<RecordedCall> PassCalls(ID3DXEffect* effect, const char* technique, UINT pass) {
        EXPECT_EQ(effect->SetTechnique(technique), D3D_OK) << technique;
        effect->Begin(nullptr, D3DXFX_DONOTSAVESTATE);
        for (UINT p = 0; p < pass; ++p) {
            effect->BeginPass(p);
            effect->EndPass();
        }
        recording->calls.clear();
        EXPECT_EQ(effect->BeginPass(pass), D3D_OK) << technique << " " << pass;
        std::vector<RecordedCall> calls = recording->calls;
        effect->EndPass();
        effect->End();
        return calls;
    }

    static std::vector<Args> ArgsOf(const std::vector<RecordedCall>& calls, const char* name) {
        std::vector<Args> found;
        for (const RecordedCall& c : calls)
            if (c.name == name)
                found.push_back(c.args);
        return found;
    }

    static const std::string& PassText(ID3DXEffect* effect, const char* technique, bool pixel,
                                       std::string* out) {
        D3DXPASS_DESC desc{};
        effect->GetPassDesc(effect->GetPass(effect->GetTechniqueByName(technique), 0), &desc);
        *out = reinterpret_cast<const char*>(pixel ? desc.pPixelShaderFunction
                                                   : desc.pVertexShaderFunction);
        return *out;
    }

    std::vector<ID3DXEffect*> effects; // 10000, 10001, 10002
    IDirect3DTexture9* texture = nullptr;
};

} // namespace

TEST_F(EffectContractTest, SceneEffectsDeclareEveryNameInOrder) {
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant ? "10001" : "10000");
        ExpectParameters(effects[variant], kSceneParameters, std::size(kSceneParameters));
        std::vector<std::pair<const char*, std::vector<const char*>>> techniques;
        for (const ExpectedTechnique& t : kSceneTechniques)
            techniques.push_back({t.name, {"P0"}});
        ExpectTechniques(effects[variant], techniques);
    }
}

TEST_F(EffectContractTest, PostProcessingEffectDeclaresEveryNameInOrder) {
    ExpectParameters(effects[2], kPostParameters, std::size(kPostParameters));
    ExpectTechniques(effects[2], {{"T_Bright", {"P0"}}, {"T_QHDR", {"P0", "P1", "P2", "P3"}}});
}

TEST_F(EffectContractTest, ScenePassesSetTheTwoProgramsAndTheirSamplersOnly) {
    for (const char* name : {"g_TexDiffuse", "g_TexNormal", "g_TexSpecular", "g_TexEmissive"})
        effects[0]->SetTexture(name, texture);
    std::set<double> simpleVertex, tangentVertex, pixelPrograms;
    for (const ExpectedTechnique& t : kSceneTechniques) {
        SCOPED_TRACE(t.name);
        std::vector<RecordedCall> calls = PassCalls(effects[0], t.name, 0);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[0].name, "SetVertexShader");
        EXPECT_EQ(calls[1].name, "SetPixelShader");
        EXPECT_TRUE(ArgsOf(calls, "SetRenderState").empty());
        (t.tangentFrame ? tangentVertex : simpleVertex).insert(calls[0].args[0]);
        pixelPrograms.insert(calls[1].args[0]);

        // Trilinear, wrapped, on the stages of the maps it samples.
        std::vector<Args> textures = ArgsOf(calls, "SetTexture");
        std::vector<Args> states = ArgsOf(calls, "SetSamplerState");
        ASSERT_EQ(textures.size(), t.stages.size());
        ASSERT_EQ(states.size(), 5 * t.stages.size());
        for (size_t i = 0; i < t.stages.size(); ++i) {
            double s = t.stages[i];
            EXPECT_EQ(textures[i], (Args{s, Ptr(texture)}));
            EXPECT_EQ(states[5 * i + 0], (Args{s, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR}));
            EXPECT_EQ(states[5 * i + 1], (Args{s, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}));
            EXPECT_EQ(states[5 * i + 2], (Args{s, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}));
            EXPECT_EQ(states[5 * i + 3], (Args{s, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP}));
            EXPECT_EQ(states[5 * i + 4], (Args{s, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP}));
        }
        EXPECT_EQ(ArgsOf(calls, "SetVertexShaderConstantF"),
                  (std::vector<Args>{{0, t.vertexRegisters}}));
        EXPECT_EQ(ArgsOf(calls, "SetPixelShaderConstantF"),
                  (std::vector<Args>{{0, t.pixelRegisters}}));
    }
    // Two vertex programs shared as the techniques say; seven pixel programs.
    EXPECT_EQ(simpleVertex.size(), 1u);
    EXPECT_EQ(tangentVertex.size(), 1u);
    EXPECT_NE(*simpleVertex.begin(), *tangentVertex.begin());
    EXPECT_EQ(pixelPrograms.size(), 7u);
    for (const char* name : {"g_TexDiffuse", "g_TexNormal", "g_TexSpecular", "g_TexEmissive"})
        effects[0]->SetTexture(name, nullptr);
}

TEST_F(EffectContractTest, QhdrPassesSetTheirBlendStatesInOrderAndNeverEnableBlending) {
    ID3DXEffect* post = effects[2];
    post->SetTexture("g_Tex0", texture);
    const std::vector<Args> kStates[4] = {{{D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                           {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                                           {D3DRS_BLENDOP, D3DBLENDOP_ADD}},
                                          {},
                                          {},
                                          {{D3DRS_DESTBLEND, D3DBLEND_ONE}}};
    // P0 and P3 run the vertex program with the four neighbour coordinates,
    // P1 and P2 the plain one, as does T_Bright.
    double vertex[4];
    for (UINT pass = 0; pass < 4; ++pass) {
        SCOPED_TRACE(pass);
        std::vector<RecordedCall> calls = PassCalls(post, "T_QHDR", pass);
        size_t states = kStates[pass].size();
        EXPECT_EQ(ArgsOf(calls, "SetRenderState"), kStates[pass]);
        ASSERT_GE(calls.size(), states + 2);
        EXPECT_EQ(calls[states].name, "SetVertexShader"); // after the states
        EXPECT_EQ(calls[states + 1].name, "SetPixelShader");
        vertex[pass] = calls[states].args[0];
        EXPECT_EQ(ArgsOf(calls, "SetTexture"), (std::vector<Args>{{0, Ptr(texture)}}));
        EXPECT_EQ(ArgsOf(calls, "SetSamplerState"),
                  (std::vector<Args>{{0, D3DSAMP_MIPFILTER, D3DTEXF_NONE},
                                     {0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                     {0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                     {0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
                                     {0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP}}));
    }
    EXPECT_EQ(vertex[0], vertex[3]);
    EXPECT_EQ(vertex[1], vertex[2]);
    EXPECT_NE(vertex[0], vertex[1]);
    std::vector<RecordedCall> bright = PassCalls(post, "T_Bright", 0);
    EXPECT_TRUE(ArgsOf(bright, "SetRenderState").empty());
    EXPECT_EQ(bright[0].args[0], vertex[1]);

    // A whole run with saving: the blend states come back at End.
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ZERO);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVDESTCOLOR);
    post->SetTechnique("T_QHDR");
    post->Begin(nullptr, 0);
    for (UINT pass = 0; pass < 4; ++pass) {
        post->BeginPass(pass);
        post->EndPass();
    }
    post->End();
    DWORD value = 0;
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_ZERO));
    device->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_INVDESTCOLOR));
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE));
    post->SetTexture("g_Tex0", nullptr);
}

TEST_F(EffectContractTest, BlurPassesWorkOutTheOffsetMultiplesOncePerPass) {
    ID3DXEffect* post = effects[2];
    float offset[2] = {0.00525f, 0.007f};
    ASSERT_EQ(post->SetValue("g_BlurOffset", offset, 8), D3D_OK);
    for (UINT pass : {1u, 2u}) {
        SCOPED_TRACE(pass);
        float o = pass == 1 ? offset[1] : offset[0]; // P1 down (v), P2 across (u)
        std::vector<RecordedCall> calls = PassCalls(post, "T_QHDR", pass);
        auto writes = std::find_if(calls.begin(), calls.end(), [](const RecordedCall& c) {
            return c.name == "SetPixelShaderConstantF";
        });
        ASSERT_NE(writes, calls.end());
        const float* f = reinterpret_cast<const float*>(writes->data.data());
        std::vector<float> registers(f, f + writes->data.size() / 4);
        std::vector<float> lower = {o + o, o * 3, o * 4, o * 5};
        std::vector<float> upper = {o * 6, o * 7, o * 8};
        EXPECT_NE(std::search(registers.begin(), registers.end(), lower.begin(), lower.end()),
                  registers.end());
        EXPECT_NE(std::search(registers.begin(), registers.end(), upper.begin(), upper.end()),
                  registers.end());
    }
}

TEST_F(EffectContractTest, DimmedVariantDiffersOnlyInItsPixelPrograms) {
    for (const ExpectedTechnique& t : kSceneTechniques) {
        SCOPED_TRACE(t.name);
        std::string plain, dimmed;
        EXPECT_EQ(PassText(effects[0], t.name, false, &plain),
                  PassText(effects[1], t.name, false, &dimmed));
        PassText(effects[0], t.name, true, &plain);
        PassText(effects[1], t.name, true, &dimmed);
        EXPECT_EQ(plain.find("ZQ_DIMMED 1"), std::string::npos);
        EXPECT_EQ(dimmed.rfind("#define ZQ_DIMMED 1\n", 0), 0u);
        EXPECT_EQ(dimmed.substr(std::string("#define ZQ_DIMMED 1\n").size()), plain);
        // Same states too: the same calls, only other program objects.
        std::vector<RecordedCall> a = PassCalls(effects[0], t.name, 0);
        std::vector<RecordedCall> b = PassCalls(effects[1], t.name, 0);
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 2; i < a.size(); ++i)
            EXPECT_EQ(a[i].args, b[i].args) << a[i].name;
    }
}
