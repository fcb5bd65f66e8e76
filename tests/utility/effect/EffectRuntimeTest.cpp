// The effect runtime on the recording device: what creation reports, how
// handles and names reach parameters, what a pass sets and in which order,
// how constants are packed, what Begin saves and End restores, and what
// OnLostDevice lets go of.
#include "platform/win32/resources.h"
#include "tests/utility/effect/recording_fixture.h"
#include "tests/utility/effect/test_effect.h"

#include <cstring>
#include <iterator>

namespace {

class EffectRuntimeTest : public RecordingFixture {
protected:
    void SetUp() override {
        RecordingFixture::SetUp();
        ASSERT_EQ(Create(kTestEffect, &effect), D3D_OK);
        recording->calls.clear();
    }

    void TearDown() override {
        if (effect)
            effect->Release();
        RecordingFixture::TearDown();
    }

    HRESULT Create(const char* text, ID3DXEffect** out, std::string* errors = nullptr) {
        ID3DXBuffer* buffer = nullptr;
        HRESULT hr = D3DXCreateEffect(device, text, UINT(std::strlen(text)), nullptr, nullptr, 0,
                                      nullptr, out, &buffer);
        std::string message = TakeText(buffer);
        if (errors)
            *errors = message;
        return hr;
    }

    IDirect3DTexture9* Texture(D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DTexture9* t = nullptr;
        DWORD usage = pool == D3DPOOL_DEFAULT ? D3DUSAGE_RENDERTARGET : 0;
        EXPECT_EQ(device->CreateTexture(4, 4, 1, usage, D3DFMT_A8R8G8B8, pool, &t, nullptr),
                  D3D_OK);
        return t;
    }

    // The floats of the last constant write of a program's register file.
    std::vector<float> LastConstants(const char* call) const {
        auto writes = recording->Calls(call);
        if (writes.empty())
            return {};
        const RecordedCall* last = writes.back();
        const float* f = reinterpret_cast<const float*>(last->data.data());
        return std::vector<float>(f, f + last->data.size() / sizeof(float));
    }

    ID3DXEffect* effect = nullptr;
};

const char* const kBrokenTexts[][2] = {
    {"@declarations\nfloat4 g_X\n", "line 3: expected ';'"},
    {"@declarations\nfloat5 g_X;\n", "line 2: unknown declaration or type 'float5'"},
    {"@declarations\ntechnique T { pass P0 { VertexShader = VS; PixelShader = PS; } }\n",
     "line 2: no @vertex program VS"},
    {"@declarations\ntechnique T { pass P0 { DstBlend = ONE; } }\n",
     "line 2: unknown render state 'DstBlend'"},
    {"@declarations\ntechnique T { pass P0 { DestBlend = WRAP; } }\n",
     "line 2: 'WRAP' is no value of this state"},
    {"@declarations\ntexture g_T;\nsampler g_S : register(s16) { Texture = g_T; }\n",
     "line 3: sampler registers are s0 to s15"},
    {"@declarations\nsampler g_S : register(s1) { MinFilter = LINEAR; }\n",
     "line 2: sampler g_S names no texture"},
    {"@declarations\nfloat g_A;\nfloat g_A;\n", "line 3: 'g_A' declared twice"},
    {"@declarations\nfloat4x4 g_M;\npreshader float g_P = { g_M.x };\n",
     "line 3: a preshader reads only scalar and vector parameters"},
    {"@declarations\nfloat2 g_O;\npreshader float2 g_P = { g_O.z, 1 };\n",
     "line 3: no component 'z' in this parameter"},
    {"@declarations\n/* never closed\n", "line 2: unclosed comment"},
    {"float g_X;\n@declarations\n", "line 1: text outside a section"},
    {"@vertex VS uses nothing\n@declarations\n", "line 1: no @common block nothing"},
    {"@pixel PS\n@pixel PS\n@declarations\n", "line 2: program PS defined twice"},
    {"@pixel\n@declarations\n", "line 1: @pixel needs a name"},
    {"@pixel zq_Mine\n@declarations\n", "line 1: @pixel needs a name"},
    {"@shader PS\n@declarations\n", "line 1: unknown section @shader"},
    {"@common A\n", "no @declarations section"},
};

} // namespace

TEST_F(EffectRuntimeTest, BrokenEffectTextsFailWithTheirLineAndReason) {
    for (const auto& broken : kBrokenTexts) {
        ID3DXEffect* failed = nullptr;
        std::string errors;
        EXPECT_LT(Create(broken[0], &failed, &errors), 0) << broken[0];
        EXPECT_EQ(failed, nullptr);
        EXPECT_NE(errors.find(broken[1]), std::string::npos) << broken[1] << " in: " << errors;
    }
    // Deeply nested parentheses are refused, not recursed into without end.
    std::string deep = "@declarations\nfloat g_A;\npreshader float g_P = { " +
                       std::string(5000, '(') + "g_A" + std::string(5000, ')') + " };\n";
    ID3DXEffect* failed = nullptr;
    std::string errors;
    EXPECT_LT(Create(deep.c_str(), &failed, &errors), 0);
    EXPECT_NE(errors.find("nested too deeply"), std::string::npos) << errors;
}

TEST_F(EffectRuntimeTest, ResourcesAreFoundByIdentifierTypeAndModule) {
    static const char kData[] = "abc";
    static const EmbeddedResource kTable[] = {{kResourceTypeRcData, 31000, kData, 3},
                                              {kResourceTypeRcData, 31001, kData, 2},
                                              {kResourceTypeRcData, 31000, kData + 1, 1}};
    RegisterResources(kTable, std::size(kTable));
    RegisterResources(kTable, std::size(kTable)); // again: nothing changes
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(31000), RT_RCDATA);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(SizeofResource(nullptr, found), 3u); // the first entry wins
    EXPECT_EQ(LockResource(LoadResource(nullptr, found)), static_cast<const void*>(kData));
    EXPECT_EQ(FindResourceA(GetModuleHandleA(nullptr), "#31001", RT_RCDATA),
              FindResourceA(nullptr, MAKEINTRESOURCEA(31001), RT_RCDATA));
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(31000), MAKEINTRESOURCEA(6)), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(31002), RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "#31x", RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "#99999999999999999999", RT_RCDATA), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "name", RT_RCDATA), nullptr);
    int other = 0;
    EXPECT_EQ(FindResourceA(reinterpret_cast<HMODULE>(&other), MAKEINTRESOURCEA(31000), RT_RCDATA),
              nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
}

TEST_F(EffectRuntimeTest, EffectsFromResourcesAndTheirFailures) {
    static const char kBroken[] = "@declarations\ntechnique T {}\n";
    static const EmbeddedResource kTable[] = {
        {kResourceTypeRcData, 31100, kTestEffect, DWORD(sizeof kTestEffect)}, // with its zero
        {kResourceTypeRcData, 31101, kBroken, DWORD(sizeof kBroken - 1)}};
    RegisterResources(kTable, std::size(kTable));
    ID3DXEffect* fromResource = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(31100), nullptr,
                                            nullptr, D3DXSHADER_SKIPVALIDATION, nullptr,
                                            &fromResource, &errors),
              D3D_OK);
    EXPECT_EQ(errors, nullptr);
    EXPECT_NE(fromResource->GetTechniqueByName("T_Two"), nullptr);
    fromResource->Release();

    EXPECT_LT(D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(31101), nullptr,
                                            nullptr, 0, nullptr, &fromResource, &errors),
              0);
    EXPECT_EQ(fromResource, nullptr);
    EXPECT_EQ(TakeText(errors), "resource 31101: line 2: technique T has no pass (at '}')");

    EXPECT_EQ(D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(4242), nullptr,
                                            nullptr, 0, nullptr, &fromResource, &errors),
              D3DERR_NOTFOUND);
    EXPECT_EQ(TakeText(errors), "resource 4242: no such RT_RCDATA resource");

    // No error buffer asked for: the failure is still reported.
    EXPECT_EQ(D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCEA(4242), nullptr,
                                            nullptr, 0, nullptr, &fromResource, nullptr),
              D3DERR_NOTFOUND);
    ID3DXEffectPool* pool = reinterpret_cast<ID3DXEffectPool*>(&fromResource);
    EXPECT_EQ(D3DXCreateEffect(device, kTestEffect, UINT(sizeof kTestEffect), nullptr, nullptr, 0,
                               pool, &fromResource, &errors),
              E_NOTIMPL);
    EXPECT_EQ(TakeText(errors), "effect pools are not offered");
    EXPECT_EQ(D3DXCreateEffect(nullptr, kTestEffect, 10, nullptr, nullptr, 0, nullptr,
                               &fromResource, nullptr),
              D3DERR_INVALIDCALL);
}

TEST_F(EffectRuntimeTest, HandlesAndNamesReachTheSameParameter) {
    D3DXHANDLE byName = effect->GetParameterByName(nullptr, "g_V");
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(effect->GetParameter(nullptr, 1), byName);
    EXPECT_EQ(effect->GetParameterByName(nullptr, "g_Missing"), nullptr);
    EXPECT_EQ(effect->GetParameterByName(byName, "g_V"), nullptr); // no members
    EXPECT_EQ(effect->GetParameter(nullptr, 11), nullptr);

    float a[3] = {1, 2, 3}, b[3] = {4, 5, 6}, out[3] = {};
    EXPECT_EQ(effect->SetValue(byName, a, 12), D3D_OK);
    EXPECT_EQ(effect->GetValue("g_V", out, 12), D3D_OK);
    EXPECT_EQ(out[2], 3.0f);
    EXPECT_EQ(effect->SetValue("g_V", b, 8), D3D_OK); // a shorter write keeps the rest
    EXPECT_EQ(effect->GetValue(byName, out, 12), D3D_OK);
    EXPECT_EQ(out[0], 4.0f);
    EXPECT_EQ(out[1], 5.0f);
    EXPECT_EQ(out[2], 3.0f);
    EXPECT_EQ(effect->SetValue(byName, a, 16), D3DERR_INVALIDCALL); // larger than a float3
    EXPECT_EQ(effect->SetValue("g_Missing", a, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetValue("g_T", a, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetValue(byName, nullptr, 4), D3DERR_INVALIDCALL);

    D3DXHANDLE technique = effect->GetTechniqueByName("T_Two");
    ASSERT_NE(technique, nullptr);
    EXPECT_EQ(effect->GetTechnique(1), technique);
    EXPECT_EQ(effect->GetTechnique(2), nullptr);
    EXPECT_EQ(effect->GetTechniqueByName(technique), nullptr); // a handle is no name
    EXPECT_EQ(effect->SetValue(technique, a, 4), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique(byName), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique("T_None"), D3DERR_INVALIDCALL);
    D3DXHANDLE second = effect->GetPassByName("T_Two", "Second");
    EXPECT_EQ(effect->GetPass(technique, 1), second);
    EXPECT_EQ(effect->GetPass(technique, 2), nullptr);
    EXPECT_EQ(effect->GetPassByName(technique, "P1"), nullptr);
    D3DXPASS_DESC pass{};
    ASSERT_EQ(effect->GetPassDesc(second, &pass), D3D_OK);
    EXPECT_STREQ(pass.Name, "Second");
    EXPECT_EQ(effect->GetPassDesc(technique, &pass), D3DERR_INVALIDCALL);

    // Another effect's handles are not this effect's: they read as names.
    ID3DXEffect* other = nullptr;
    ASSERT_EQ(Create(kTestEffect, &other), D3D_OK);
    EXPECT_EQ(effect->SetValue(other->GetParameterByName(nullptr, "g_V"), a, 12),
              D3DERR_INVALIDCALL);
    other->Release();

    D3DXPARAMETER_DESC desc{};
    ASSERT_EQ(effect->GetParameterDesc("g_A", &desc), D3D_OK);
    EXPECT_EQ(desc.Class, D3DXPC_VECTOR);
    EXPECT_EQ(desc.Columns, 2u);
    EXPECT_EQ(desc.Elements, 3u);
    EXPECT_EQ(desc.Bytes, 24u);
    ASSERT_EQ(effect->GetParameterDesc("g_SampT2", &desc), D3D_OK);
    EXPECT_EQ(desc.Type, D3DXPT_SAMPLER2D);
    D3DXEFFECT_DESC effectDesc{};
    ASSERT_EQ(effect->GetDesc(&effectDesc), D3D_OK);
    EXPECT_EQ(effectDesc.Parameters, 10u);
    EXPECT_EQ(effectDesc.Techniques, 2u);
    EXPECT_EQ(effectDesc.Functions, 3u);
    IDirect3DDevice9* owner = nullptr;
    ASSERT_EQ(effect->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, device);
    owner->Release();
}

TEST_F(EffectRuntimeTest, APassSetsItsStatesInOrderThenProgramsSamplersAndConstants) {
    IDirect3DTexture9* t = Texture();
    effect->SetTexture("g_T", t);
    ASSERT_EQ(effect->SetTechnique("T_One"), D3D_OK);
    UINT passes = 0;
    ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), D3D_OK);
    EXPECT_EQ(passes, 1u);
    recording->calls.clear();
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    std::vector<std::string> expected = {
        "SetRenderState", "SetRenderState",  "SetRenderState",           "SetVertexShader",
        "SetPixelShader", "SetTexture",      "SetSamplerState",          "SetSamplerState",
        "SetTexture",     "SetSamplerState", "SetVertexShaderConstantF", "SetPixelShaderConstantF"};
    EXPECT_EQ(recording->Names(), expected);
    const auto& c = recording->calls;
    EXPECT_EQ(c[0].args, (std::vector<double>{D3DRS_ZENABLE, FALSE}));
    EXPECT_EQ(c[1].args, (std::vector<double>{D3DRS_CULLMODE, D3DCULL_NONE}));
    EXPECT_EQ(c[2].args, (std::vector<double>{D3DRS_ALPHABLENDENABLE, TRUE}));
    // Both samplers of g_T bind it, each at its register with its states.
    EXPECT_EQ(c[5].args, (std::vector<double>{2, Ptr(t)}));
    EXPECT_EQ(c[6].args, (std::vector<double>{2, D3DSAMP_MINFILTER, D3DTEXF_POINT}));
    EXPECT_EQ(c[7].args, (std::vector<double>{2, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP}));
    EXPECT_EQ(c[8].args, (std::vector<double>{5, Ptr(t)}));
    EXPECT_EQ(c[9].args, (std::vector<double>{5, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}));
    // Registers from c0: g_M and g_V in the vertex program; g_S, g_A[3] and
    // the preshader in the pixel program (g_Unused only in a comment).
    EXPECT_EQ(c[10].args, (std::vector<double>{0, 5}));
    EXPECT_EQ(c[11].args, (std::vector<double>{0, 5}));
    EXPECT_EQ(effect->EndPass(), D3D_OK);
    EXPECT_EQ(effect->End(), D3D_OK);
    effect->SetTexture("g_T", nullptr);
    t->Release();
}

TEST_F(EffectRuntimeTest, MatricesGoInAsColumnsVectorsAndArrayElementsOneRegisterEach) {
    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    float v[3] = {0.5f, 3.0f, -2.0f}, s = 0.1f, a[6] = {1, 2, 3, 4, 5, 6};
    effect->SetMatrix("g_M", &m);
    effect->SetValue("g_V", v, 12);
    effect->SetValue("g_S", &s, 4);
    effect->SetValue("g_A", a, 24);
    effect->SetTechnique("T_One");
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    std::vector<float> vertex = LastConstants("SetVertexShaderConstantF");
    EXPECT_EQ(vertex, std::vector<float>(
                          {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16, 0.5f, 3, -2, 0}));
    std::vector<float> pixel = LastConstants("SetPixelShaderConstantF");
    // The preshader: g_S + g_S, and (g_V.y - 1) * -3, each a single-precision step.
    float twice = s + s, derived = (v[1] - 1.0f) * -3.0f;
    EXPECT_EQ(pixel, std::vector<float>(
                         {s, 0, 0, 0, 1, 2, 0, 0, 3, 4, 0, 0, 5, 6, 0, 0, twice, derived, 0, 0}));
    effect->EndPass();
    effect->End();

    // The transposing setter holds the transpose.
    effect->SetMatrixTranspose("g_M", &m);
    D3DXMATRIX held;
    ASSERT_EQ(effect->GetValue("g_M", &held, 64), D3D_OK);
    EXPECT_EQ(held._12, 5.0f);
    EXPECT_EQ(held._41, 4.0f);
    EXPECT_EQ(effect->SetMatrix("g_V", &m), D3DERR_INVALIDCALL);
}

TEST_F(EffectRuntimeTest, CommitChangesWritesWhatChangedInsideThePass) {
    IDirect3DTexture9* first = Texture();
    IDirect3DTexture9* second = Texture();
    effect->SetTexture("g_T", first);
    EXPECT_EQ(effect->CommitChanges(), D3DERR_INVALIDCALL); // no pass yet
    effect->SetTechnique("T_One");
    effect->Begin(nullptr, 0);
    effect->BeginPass(0);
    recording->calls.clear();
    EXPECT_EQ(effect->CommitChanges(), D3D_OK);
    EXPECT_TRUE(recording->calls.empty());

    float s = 2.0f;
    effect->SetValue("g_S", &s, 4); // read by the pixel program (and its preshader) only
    effect->SetTexture("g_T", second);
    float unused = 1.0f;
    effect->SetValue("g_Unused", &unused, 4);
    EXPECT_EQ(effect->CommitChanges(), D3D_OK);
    std::vector<std::string> expected = {"SetTexture", "SetTexture", "SetPixelShaderConstantF"};
    EXPECT_EQ(recording->Names(), expected);
    EXPECT_EQ(recording->calls[0].args, (std::vector<double>{2, Ptr(second)}));
    EXPECT_EQ(recording->calls[1].args, (std::vector<double>{5, Ptr(second)}));
    std::vector<float> pixel = LastConstants("SetPixelShaderConstantF");
    EXPECT_EQ(pixel[0], 2.0f);
    EXPECT_EQ(pixel[16], 4.0f);

    // Values set after CommitChanges wait for the next one.
    recording->calls.clear();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    effect->SetMatrix("g_M", &identity);
    EXPECT_TRUE(recording->calls.empty());
    effect->CommitChanges();
    EXPECT_EQ(recording->Names(), std::vector<std::string>{"SetVertexShaderConstantF"});
    effect->EndPass();
    effect->End();
    effect->SetTexture("g_T", nullptr);
    first->Release();
    second->Release();
}

TEST_F(EffectRuntimeTest, BeginSavesWhatTheTechniqueChangesAndEndPutsItBack) {
    IDirect3DTexture9* before = Texture();
    IDirect3DTexture9* mine = Texture();
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCCOLOR);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_DESTCOLOR);
    device->SetSamplerState(2, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetTexture(0, before);
    device->SetTexture(5, before);
    effect->SetTexture("g_T", mine);
    effect->SetTexture("g_U", mine);

    // T_Two: P0 sets DESTBLEND and samples s0, Second sets SRCBLEND and
    // DESTBLEND and samples s2 and s5.
    effect->SetTechnique("T_Two");
    ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
    for (UINT pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(effect->BeginPass(pass), D3D_OK);
        ASSERT_EQ(effect->EndPass(), D3D_OK);
    }
    DWORD value = 0;
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_ONE));
    IDirect3DVertexShader9* program = nullptr;
    device->GetVertexShader(&program);
    EXPECT_NE(program, nullptr);
    program->Release();

    ASSERT_EQ(effect->End(), D3D_OK);
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_SRCCOLOR));
    device->GetRenderState(D3DRS_DESTBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_DESTCOLOR));
    device->GetSamplerState(2, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_ANISOTROPIC));
    device->GetSamplerState(0, D3DSAMP_MIPFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
    IDirect3DBaseTexture9* bound = nullptr;
    for (DWORD slot : {0u, 5u}) {
        device->GetTexture(slot, &bound);
        EXPECT_EQ(bound, before) << slot;
        bound->Release();
    }
    device->GetTexture(2, &bound);
    EXPECT_EQ(bound, nullptr);
    device->GetVertexShader(&program);
    EXPECT_EQ(program, nullptr);
    IDirect3DPixelShader9* pixel = nullptr;
    device->GetPixelShader(&pixel);
    EXPECT_EQ(pixel, nullptr);

    // Without saving, the technique's states stay.
    ASSERT_EQ(effect->Begin(nullptr, D3DXFX_DONOTSAVESTATE), D3D_OK);
    effect->BeginPass(1);
    effect->EndPass();
    effect->End();
    device->GetRenderState(D3DRS_SRCBLEND, &value);
    EXPECT_EQ(value, DWORD(D3DBLEND_ONE));
    device->GetPixelShader(&pixel);
    EXPECT_NE(pixel, nullptr);
    pixel->Release();

    device->SetTexture(0, nullptr);
    device->SetTexture(2, nullptr);
    device->SetTexture(5, nullptr);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    effect->SetTexture("g_T", nullptr);
    effect->SetTexture("g_U", nullptr);
    before->Release();
    mine->Release();
}

TEST_F(EffectRuntimeTest, TheBracketIsKeptInOrder) {
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
    effect->SetTechnique("T_One");
    ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
    EXPECT_EQ(effect->Begin(nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique("T_Two"), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL);
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
    // End closes an open pass too.
    EXPECT_EQ(effect->End(), D3D_OK);
    EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
    EXPECT_EQ(effect->SetTechnique("T_Two"), D3D_OK);
}

TEST_F(EffectRuntimeTest, OnLostDeviceLetsGoOfRenderTargetsSoTheDeviceCanReset) {
    IDirect3DTexture9* target = Texture(D3DPOOL_DEFAULT);
    IDirect3DTexture9* managed = Texture();
    effect->SetTexture("g_T", target);
    effect->SetTexture("g_U", managed);
    effect->SetTechnique("T_Two");
    effect->Begin(nullptr, 0); // lost in the middle of a technique
    effect->BeginPass(1);
    device->SetTexture(2, nullptr);
    device->SetTexture(5, nullptr);
    target->Release();                                     // the application's reference
    EXPECT_EQ(device->Reset(&params), D3DERR_INVALIDCALL); // the effect still holds it

    EXPECT_EQ(effect->OnLostDevice(), D3D_OK);
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    EXPECT_EQ(effect->OnResetDevice(), D3D_OK);

    // Usable again; the managed texture is still bound by its sampler.
    effect->SetTechnique("T_Two");
    ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
    recording->calls.clear();
    ASSERT_EQ(effect->BeginPass(0), D3D_OK);
    EXPECT_EQ(recording->Calls("SetTexture").at(0)->args, (std::vector<double>{0, Ptr(managed)}));
    effect->EndPass();
    effect->End();
    effect->SetTexture("g_U", nullptr);
    managed->Release();
}
