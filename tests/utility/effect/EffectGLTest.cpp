// The effect runtime with the OpenGL device's driver: compiler and linker
// messages come back with the program or pass they belong to and lines of
// the effect text, and what the runtime writes into the constant registers
// reads in GLSL as the parameters they hold (a row vector times a matrix).
#include "platform/win32/resources.h"
#include "tests/support/GlTestDevice.h"
#include "utility/d3dx9effect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

constexpr char kPackingEffect[] = R"(@declarations
float4x4 g_M;
float4x3 g_N;
float3 g_V[2];
float g_S;
float g_W[3];
preshader float2 c_P = { g_S * 4, 1 - g_S };
technique T_Matrix { pass P0 { VertexShader = VS; PixelShader = PS_Matrix; } }
technique T_Rest { pass P0 { VertexShader = VS; PixelShader = PS_Rest; } }

@vertex VS
layout(location = ZQ_ATTRIB_POSITION0) in vec3 inPosition;
out vec4 vProduct;
out vec3 vOther;
void VertexMain() {
    zq_Position = vec4(inPosition, 1.0);
    vProduct = vec4(1.0, 2.0, 3.0, 4.0) * g_M;
    vOther = vec4(1.0, -1.0, 0.5, 2.0) * g_N + g_V[1];
}

@common inputs
in vec4 vProduct;
in vec3 vOther;

@pixel PS_Matrix uses inputs
vec4 PixelMain() {
    return vProduct;
}

@pixel PS_Rest uses inputs
vec4 PixelMain() {
    return vec4(vOther.xy, g_W[2] + c_P.x, c_P.y);
}
)";

struct Vertex {
    float x, y, z;
};
const Vertex kQuad[4] = {{-1, 1, 0.5f}, {1, 1, 0.5f}, {1, -1, 0.5f}, {-1, -1, 0.5f}};

class EffectGLTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gl.Ok()); }

    HRESULT Create(const std::string& text, ID3DXEffect** effect, std::string* errors) {
        ID3DXBuffer* buffer = nullptr;
        HRESULT hr = D3DXCreateEffect(gl.device, text.c_str(), UINT(text.size()), nullptr, nullptr,
                                      0, nullptr, effect, &buffer);
        *errors = buffer ? static_cast<const char*>(buffer->GetBufferPointer()) : "";
        if (buffer)
            buffer->Release();
        return hr;
    }

    // The colour of the one pixel the technique draws into a float target.
    D3DXVECTOR4 DrawPixel(ID3DXEffect* effect, const char* technique) {
        IDirect3DTexture9* texture = nullptr;
        IDirect3DSurface9* surface = nullptr;
        gl.device->CreateTexture(1, 1, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A32B32G32R32F,
                                 D3DPOOL_DEFAULT, &texture, nullptr);
        texture->GetSurfaceLevel(0, &surface);
        IDirect3DSurface9* back = nullptr;
        gl.device->GetRenderTarget(0, &back);
        gl.device->SetRenderTarget(0, surface);
        gl.device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        gl.device->SetFVF(D3DFVF_XYZ);
        gl.device->BeginScene();
        effect->SetTechnique(technique);
        effect->Begin(nullptr, 0);
        effect->BeginPass(0);
        gl.device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kQuad, sizeof(Vertex));
        effect->EndPass();
        effect->End();
        gl.device->EndScene();
        std::vector<float> pixel = gl.ReadFloat(surface);
        gl.device->SetRenderTarget(0, back);
        back->Release();
        surface->Release();
        texture->Release();
        return pixel.size() == 4 ? D3DXVECTOR4(pixel[0], pixel[1], pixel[2], pixel[3])
                                 : D3DXVECTOR4(-1, -1, -1, -1);
    }

    GlTestDevice gl{16, 16};
};

} // namespace

TEST_F(EffectGLTest, ConstantsReadAsTheParametersTheyHold) {
    ID3DXEffect* effect = nullptr;
    std::string errors;
    ASSERT_EQ(Create(kPackingEffect, &effect, &errors), D3D_OK) << errors;
    D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    effect->SetMatrix("g_M", &m);
    float n[12] = {1, 0, 2, 0, 3, 0, 4, 4, 4, -1, -2, -3}; // 4 rows of 3
    float v[6] = {0, 0, 0, 0.25f, 0.5f, 0.75f};
    float s = 0.125f;
    float w[3] = {0, 0, 7};
    effect->SetValue("g_N", n, sizeof n);
    effect->SetValue("g_V", v, sizeof v);
    effect->SetValue("g_S", &s, 4);
    effect->SetValue("g_W", w, sizeof w);

    // (1 2 3 4) times m, the row vector on the left.
    D3DXVECTOR4 product = DrawPixel(effect, "T_Matrix");
    EXPECT_FLOAT_EQ(product.x, 1 * 1 + 2 * 5 + 3 * 9 + 4 * 13);
    EXPECT_FLOAT_EQ(product.y, 1 * 2 + 2 * 6 + 3 * 10 + 4 * 14);
    EXPECT_FLOAT_EQ(product.z, 1 * 3 + 2 * 7 + 3 * 11 + 4 * 15);
    EXPECT_FLOAT_EQ(product.w, 1 * 4 + 2 * 8 + 3 * 12 + 4 * 16);

    // (1 -1 0.5 2) times the 4 x 3 matrix, plus g_V[1]; then g_W[2] and the
    // preshader (g_S * 4, 1 - g_S).
    D3DXVECTOR4 rest = DrawPixel(effect, "T_Rest");
    EXPECT_FLOAT_EQ(rest.x, 1 * 1 - 1 * 0 + 0.5f * 4 + 2 * -1 + 0.25f);
    EXPECT_FLOAT_EQ(rest.y, 1 * 0 - 1 * 3 + 0.5f * 4 + 2 * -2 + 0.5f);
    EXPECT_FLOAT_EQ(rest.z, 7 + 0.5f);
    EXPECT_FLOAT_EQ(rest.w, 0.875f);
    effect->Release();
}

TEST_F(EffectGLTest, CompilerErrorsNameTheProgramAndTheLineOfTheEffectText) {
    std::string text = kPackingEffect;
    size_t at = text.find("return vec4(vOther.xy"); // in PS_Rest
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 6, "retrun");
    std::string line = std::to_string(1 + std::count(text.begin(), text.begin() + long(at), '\n'));
    ID3DXEffect* effect = nullptr;
    std::string errors;
    EXPECT_LT(Create(text, &effect, &errors), 0);
    EXPECT_EQ(effect, nullptr);
    EXPECT_EQ(errors.rfind("pixel program PS_Rest: ", 0), 0u) << errors;
    EXPECT_NE(errors.find(":" + line + "("), std::string::npos) << line << " in " << errors;
}

TEST_F(EffectGLTest, LinkErrorsNameThePass) {
    std::string text = kPackingEffect;
    size_t at = text.find("in vec3 vOther;");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 15, "in vec2 vOther;"); // no longer what the vertex program writes
    ID3DXEffect* effect = nullptr;
    std::string errors;
    EXPECT_LT(Create(text, &effect, &errors), 0);
    EXPECT_EQ(effect, nullptr);
    EXPECT_EQ(errors.rfind("technique T_Matrix pass P0 (VS + PS_Matrix): ", 0), 0u) << errors;
    EXPECT_GT(errors.size(), std::strlen("technique T_Matrix pass P0 (VS + PS_Matrix): "));
}

TEST_F(EffectGLTest, ABrokenResourceNamesTheResourceAndTheProgram) {
    static const char kBroken[] =
        "@declarations\n"
        "technique T { pass P0 { VertexShader = VS; PixelShader = PS; } }\n"
        "@vertex VS\nvoid VertexMain() { zq_Position = vec4(0.0); }\n"
        "@pixel PS\nvec4 PixelMain() { return undefinedName; }\n";
    static const EmbeddedResource kTable[] = {
        {kResourceTypeRcData, 31200, kBroken, DWORD(sizeof kBroken - 1)}};
    RegisterResources(kTable, std::size(kTable));
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    EXPECT_LT(D3DXCreateEffectFromResourceA(gl.device, nullptr, MAKEINTRESOURCEA(31200), nullptr,
                                            nullptr, 0, nullptr, &effect, &errors),
              0);
    ASSERT_NE(errors, nullptr);
    std::string text = static_cast<const char*>(errors->GetBufferPointer());
    errors->Release();
    EXPECT_EQ(text.rfind("resource 31200: pixel program PS: ", 0), 0u) << text;
    EXPECT_NE(text.find("undefinedName"), std::string::npos) << text;
    EXPECT_NE(text.find(":6("), std::string::npos) << text;
}
