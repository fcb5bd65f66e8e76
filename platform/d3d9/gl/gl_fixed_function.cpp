#include "platform/d3d9/gl/gl_fixed_function.h"

#include <cmath>
#include <cstring>

namespace {

void CopyMatrix(const D3DMATRIX& m, float* out) {
    std::memcpy(out, &m, 16 * sizeof(float));
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
    return r;
}

// Inverse transpose of the upper 3 x 3 block, which carries normals: for a
// row vector n, n * (M^-1)^T keeps it perpendicular to transformed surfaces.
void NormalMatrix(const D3DMATRIX& m, float* out) {
    const float(*a)[4] = m.m;
    float c00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    float c01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    float c02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    float c10 = a[0][2] * a[2][1] - a[0][1] * a[2][2];
    float c11 = a[0][0] * a[2][2] - a[0][2] * a[2][0];
    float c12 = a[0][1] * a[2][0] - a[0][0] * a[2][1];
    float c20 = a[0][1] * a[1][2] - a[0][2] * a[1][1];
    float c21 = a[0][2] * a[1][0] - a[0][0] * a[1][2];
    float c22 = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    float det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
    float k = det != 0.0f ? 1.0f / det : 0.0f;
    // The cofactor matrix divided by the determinant is the inverse transpose.
    float r[16] = {c00 * k, c01 * k, c02 * k, 0, c10 * k, c11 * k, c12 * k, 0,
                   c20 * k, c21 * k, c22 * k, 0, 0,       0,       0,       1};
    std::memcpy(out, r, sizeof r);
}

void CopyColor(const D3DCOLORVALUE& c, float* out) {
    out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
}

void ColorFromWord(DWORD argb, float* out) {
    out[0] = float((argb >> 16) & 0xFF) / 255.0f;
    out[1] = float((argb >> 8) & 0xFF) / 255.0f;
    out[2] = float(argb & 0xFF) / 255.0f;
    out[3] = float(argb >> 24) / 255.0f;
}

float FloatState(const DeviceState& s, D3DRENDERSTATETYPE which) {
    float f;
    std::memcpy(&f, &s.renderStates[which], sizeof f);
    return f;
}

// Where a material colour comes from, after the vertex format has its say:
// a vertex colour that is not there falls back to the material.
std::int32_t ColorSource(const DeviceState& s, D3DRENDERSTATETYPE which,
                         const VertexLayoutInfo& layout) {
    if (!s.renderStates[D3DRS_COLORVERTEX])
        return D3DMCS_MATERIAL;
    DWORD source = s.renderStates[which];
    if (source == D3DMCS_COLOR1 && layout.hasColor0)
        return D3DMCS_COLOR1;
    if (source == D3DMCS_COLOR2 && layout.hasColor1)
        return D3DMCS_COLOR2;
    return D3DMCS_MATERIAL;
}

} // namespace

void FillFixedFunctionBlock(const DeviceState& s, const VertexLayoutInfo& layout, bool textureBound,
                            FixedFunctionBlock* b) {
    std::memset(b, 0, sizeof *b);
    D3DMATRIX worldView = Multiply(s.world, s.view);
    CopyMatrix(worldView, b->worldView);
    CopyMatrix(s.projection, b->projection);
    NormalMatrix(worldView, b->normalMatrix);
    b->viewport[0] = float(s.viewport.X);
    b->viewport[1] = float(s.viewport.Y);
    b->viewport[2] = float(s.viewport.Width);
    b->viewport[3] = float(s.viewport.Height);
    CopyColor(s.material.Diffuse, b->matDiffuse);
    CopyColor(s.material.Ambient, b->matAmbient);
    CopyColor(s.material.Specular, b->matSpecular);
    CopyColor(s.material.Emissive, b->matEmissive);
    ColorFromWord(s.renderStates[D3DRS_AMBIENT], b->globalAmbient);
    ColorFromWord(s.renderStates[D3DRS_FOGCOLOR], b->fogColor);
    ColorFromWord(s.renderStates[D3DRS_TEXTUREFACTOR], b->textureFactor);
    b->fogParams[0] = FloatState(s, D3DRS_FOGSTART);
    b->fogParams[1] = FloatState(s, D3DRS_FOGEND);
    b->fogParams[2] = FloatState(s, D3DRS_FOGDENSITY);
    b->fogParams[3] = s.material.Power;

    const DWORD* rs = s.renderStates;
    b->flags0[0] = layout.pretransformed;
    b->flags0[1] = rs[D3DRS_LIGHTING] && !layout.pretransformed;
    b->flags0[3] = rs[D3DRS_SPECULARENABLE] != 0;
    b->flags1[0] = rs[D3DRS_NORMALIZENORMALS] != 0;
    b->flags1[1] = rs[D3DRS_LOCALVIEWER] != 0;
    // Table (pixel) fog wins over vertex fog, as on Direct3D 9.
    if (rs[D3DRS_FOGENABLE] && rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE) {
        b->flags1[2] = kFogTable;
        b->flags1[3] = std::int32_t(rs[D3DRS_FOGTABLEMODE]);
    } else if (rs[D3DRS_FOGENABLE] && rs[D3DRS_FOGVERTEXMODE] != D3DFOG_NONE) {
        b->flags1[2] = kFogVertex;
        b->flags1[3] = std::int32_t(rs[D3DRS_FOGVERTEXMODE]);
    }
    b->flags2[0] = rs[D3DRS_RANGEFOGENABLE] != 0;
    b->flags2[1] = rs[D3DRS_ALPHATESTENABLE] ? std::int32_t(rs[D3DRS_ALPHAFUNC]) : 0;
    b->flags2[2] = std::int32_t(rs[D3DRS_ALPHAREF] & 0xFF);
    const DWORD* ts = s.stageStates[0];
    b->flags2[3] = std::int32_t(ts[D3DTSS_COLOROP]);
    b->flags3[0] = std::int32_t(ts[D3DTSS_COLORARG1]);
    b->flags3[1] = std::int32_t(ts[D3DTSS_COLORARG2]);
    b->flags3[2] = std::int32_t(ts[D3DTSS_ALPHAOP]);
    b->flags3[3] = std::int32_t(ts[D3DTSS_ALPHAARG1]);
    b->flags4[0] = std::int32_t(ts[D3DTSS_ALPHAARG2]);
    b->flags4[1] = textureBound;
    b->flags4[2] = ColorSource(s, D3DRS_DIFFUSEMATERIALSOURCE, layout);
    b->flags4[3] = ColorSource(s, D3DRS_AMBIENTMATERIALSOURCE, layout);
    b->flags5[0] = ColorSource(s, D3DRS_SPECULARMATERIALSOURCE, layout);
    b->flags5[1] = ColorSource(s, D3DRS_EMISSIVEMATERIALSOURCE, layout);
    b->flags5[2] = layout.hasColor0;
    b->flags5[3] = layout.hasColor1;

    if (!b->flags0[1])
        return;
    int count = 0;
    for (const auto& entry : s.lights) {
        if (!entry.second.enabled || count == kFixedFunctionLights)
            continue;
        const D3DLIGHT9& l = entry.second.light;
        CopyColor(l.Diffuse, b->lightDiffuse[count]);
        CopyColor(l.Specular, b->lightSpecular[count]);
        CopyColor(l.Ambient, b->lightAmbient[count]);
        const D3DMATRIX& v = s.view;
        float* p = b->lightPosition[count];
        p[0] = l.Position.x * v._11 + l.Position.y * v._21 + l.Position.z * v._31 + v._41;
        p[1] = l.Position.x * v._12 + l.Position.y * v._22 + l.Position.z * v._32 + v._42;
        p[2] = l.Position.x * v._13 + l.Position.y * v._23 + l.Position.z * v._33 + v._43;
        p[3] = float(l.Type);
        float* d = b->lightDirection[count];
        d[0] = l.Direction.x * v._11 + l.Direction.y * v._21 + l.Direction.z * v._31;
        d[1] = l.Direction.x * v._12 + l.Direction.y * v._22 + l.Direction.z * v._32;
        d[2] = l.Direction.x * v._13 + l.Direction.y * v._23 + l.Direction.z * v._33;
        float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        if (length > 0.0f)
            d[0] /= length, d[1] /= length, d[2] /= length;
        d[3] = l.Range;
        float* a = b->lightAttenuation[count];
        a[0] = l.Attenuation0, a[1] = l.Attenuation1, a[2] = l.Attenuation2, a[3] = l.Falloff;
        b->lightSpot[count][0] = std::cos(l.Theta * 0.5f);
        b->lightSpot[count][1] = std::cos(l.Phi * 0.5f);
        ++count;
    }
    b->flags0[2] = count;
}

namespace {

// The variant's fields, packed: bit 0 pretransformed, bit 1 lit, bits 2 to 5
// the number of lights, bit 6 textured, bits 7 and 8 the fog source, bit 9
// alpha-tested, bit 10 specular added.
constexpr std::uint32_t kPretransformedBit = 1u << 0;
constexpr std::uint32_t kLitBit = 1u << 1;
constexpr int kLightCountShift = 2;
constexpr std::uint32_t kTexturedBit = 1u << 6;
constexpr int kFogSourceShift = 7;
constexpr std::uint32_t kAlphaTestBit = 1u << 9;
constexpr std::uint32_t kSpecularBit = 1u << 10;

} // namespace

std::uint32_t FixedFunctionVariant(const FixedFunctionBlock& b) {
    std::uint32_t variant = 0;
    if (b.flags0[0])
        variant |= kPretransformedBit;
    if (b.flags0[1])
        variant |= kLitBit | std::uint32_t(b.flags0[2]) << kLightCountShift;
    if (b.flags4[1])
        variant |= kTexturedBit;
    variant |= std::uint32_t(b.flags1[2]) << kFogSourceShift;
    if (b.flags2[1])
        variant |= kAlphaTestBit;
    if (b.flags0[3])
        variant |= kSpecularBit;
    return variant;
}

std::string FixedFunctionDefines(std::uint32_t variant) {
    auto define = [](const char* name, std::uint32_t value) {
        return std::string("#define ") + name + " " + std::to_string(value) + "\n";
    };
    return define("ZQ_PRETRANSFORMED", (variant & kPretransformedBit) != 0) +
           define("ZQ_LIT", (variant & kLitBit) != 0) +
           define("ZQ_LIGHTS", (variant >> kLightCountShift) & 15u) +
           define("ZQ_TEXTURED", (variant & kTexturedBit) != 0) +
           define("ZQ_FOG", (variant >> kFogSourceShift) & 3u) +
           define("ZQ_ALPHA_TEST", (variant & kAlphaTestBit) != 0) +
           define("ZQ_SPECULAR", (variant & kSpecularBit) != 0);
}

// ---- GLSL ------------------------------------------------------------------------

#define ZQ_FF_BLOCK                                                                                \
    "layout(std140, row_major) uniform FixedFunction {\n"                                          \
    "    mat4 worldView;\n"                                                                        \
    "    mat4 projection;\n"                                                                       \
    "    mat4 normalMatrix;\n"                                                                     \
    "    vec4 viewport;\n"                                                                         \
    "    vec4 matDiffuse, matAmbient, matSpecular, matEmissive;\n"                                 \
    "    vec4 globalAmbient;\n"                                                                    \
    "    vec4 fogColor;\n"                                                                         \
    "    vec4 fogParams;\n"                                                                        \
    "    vec4 textureFactor;\n"                                                                    \
    "    ivec4 flags0, flags1, flags2, flags3, flags4, flags5;\n"                                  \
    "    vec4 lightDiffuse[8], lightSpecular[8], lightAmbient[8];\n"                               \
    "    vec4 lightPosition[8], lightDirection[8], lightAttenuation[8], lightSpot[8];\n"           \
    "};\n"

const char* const kFixedFunctionVertexSource = ZQ_FF_BLOCK R"GLSL(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 3) in vec4 aTexCoord;
layout(location = 7) in vec4 aColor0;
layout(location = 8) in vec4 aColor1;
out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTexCoord;
out float vFog;
out float vEyeDepth;

vec4 MaterialColor(int source, vec4 material) {
    if (source == 1) return aColor0;
    if (source == 2) return aColor1;
    return material;
}

float VertexFog(int function, float d) {
    if (function == 1) return exp(-fogParams.z * d);
    if (function == 2) return exp(-(fogParams.z * d) * (fogParams.z * d));
    float range = fogParams.y - fogParams.x;
    return range != 0.0 ? (fogParams.y - d) / range : 1.0;
}

void main() {
    vTexCoord = aTexCoord.xy;
#if ZQ_PRETRANSFORMED
    // Pre-transformed: pixel coordinates with Direct3D's pixel centres on
    // whole numbers, depth as given, 1/w in the fourth component.
    float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
    vec2 ndc = 2.0 * (aPosition.xy + 0.5 - viewport.xy) / viewport.zw - 1.0;
    gl_Position = vec4(ndc, 2.0 * aPosition.z - 1.0, 1.0) * w;
    vDiffuse = flags5.z != 0 ? aColor0 : vec4(1.0);
    vSpecular = flags5.w != 0 ? aColor1 : vec4(0.0);
    vFog = flags5.w != 0 ? aColor1.a : 1.0;
    vEyeDepth = aPosition.z;
#else
    vec4 eye = vec4(aPosition.xyz, 1.0) * worldView;
    vec4 clip = eye * projection;
    // Direct3D clip space into OpenGL's: rows run top-down, pixel centres
    // move by half a pixel, depth goes from [0, w] to [-w, w].
    gl_Position = vec4(clip.x + clip.w / viewport.z, -clip.y + clip.w / viewport.w,
                       2.0 * clip.z - clip.w, clip.w);
    vEyeDepth = eye.z;
#if ZQ_FOG == 1
    float distance = flags2.x != 0 ? length(eye.xyz) : abs(eye.z);
    vFog = VertexFog(flags1.w, distance);
#else
    vFog = 1.0;
#endif

#if !ZQ_LIT
    vDiffuse = flags5.z != 0 ? aColor0 : vec4(1.0);
    vSpecular = flags5.w != 0 ? aColor1 : vec4(0.0);
#else
    vec4 diffuseMaterial = MaterialColor(flags4.z, matDiffuse);
    vec3 n = aNormal * mat3(normalMatrix);
    if (flags1.x != 0 && dot(n, n) > 0.0) n = normalize(n);
    vec3 toEye = flags1.y != 0 ? normalize(-eye.xyz) : vec3(0.0, 0.0, -1.0);
    vec3 ambient = vec3(0.0), diffuse = vec3(0.0), specular = vec3(0.0);
    for (int i = 0; i < ZQ_LIGHTS; ++i) {
        int type = int(lightPosition[i].w);
        vec3 toLight;
        float attenuation = 1.0;
        if (type == 3) {
            toLight = -lightDirection[i].xyz;
        } else {
            vec3 offset = lightPosition[i].xyz - eye.xyz;
            float d = length(offset);
            toLight = d > 0.0 ? offset / d : vec3(0.0);
            vec4 a = lightAttenuation[i];
            float denominator = a.x + a.y * d + a.z * d * d;
            attenuation = d > lightDirection[i].w ? 0.0
                        : (denominator > 0.0 ? 1.0 / denominator : 1.0);
            if (type == 2) {
                float rho = dot(lightDirection[i].xyz, -toLight);
                float inner = lightSpot[i].x, outer = lightSpot[i].y;
                float spot = rho > inner ? 1.0
                           : rho <= outer ? 0.0
                           : pow((rho - outer) / max(inner - outer, 1e-6), a.w);
                attenuation *= spot;
            }
        }
        ambient += lightAmbient[i].rgb * attenuation;
        float nDotL = dot(n, toLight);
        if (nDotL > 0.0) {
            diffuse += lightDiffuse[i].rgb * nDotL * attenuation;
            vec3 h = normalize(toEye + toLight);
            float nDotH = max(dot(n, h), 0.0);
            specular += lightSpecular[i].rgb * pow(nDotH, fogParams.w) * attenuation;
        }
    }
    vec4 emissiveMaterial = MaterialColor(flags5.y, matEmissive);
    vec4 ambientMaterial = MaterialColor(flags4.w, matAmbient);
    vec4 specularMaterial = MaterialColor(flags5.x, matSpecular);
    vec3 lit = emissiveMaterial.rgb + ambientMaterial.rgb * (globalAmbient.rgb + ambient) +
               diffuseMaterial.rgb * diffuse;
    vDiffuse = vec4(clamp(lit, 0.0, 1.0), diffuseMaterial.a);
    vSpecular = vec4(clamp(specularMaterial.rgb * specular, 0.0, 1.0), 0.0);
#endif
#endif
}
)GLSL";

const char* const kPixelOutputSource = R"GLSL(
bool zq_AlphaPasses(float alpha, int function, int reference) {
    int a = int(floor(clamp(alpha, 0.0, 1.0) * 255.0 + 0.5));
    if (function == 1) return false;
    if (function == 2) return a < reference;
    if (function == 3) return a == reference;
    if (function == 4) return a <= reference;
    if (function == 5) return a > reference;
    if (function == 6) return a != reference;
    if (function == 7) return a >= reference;
    return true;
}

vec4 zq_FinishPixel(vec4 color, int alphaFunction, int alphaReference, bool fog,
                    float fogFactor, vec3 fogColor) {
    if (!zq_AlphaPasses(color.a, alphaFunction, alphaReference)) discard;
    if (fog) color.rgb = mix(fogColor, color.rgb, clamp(fogFactor, 0.0, 1.0));
    return color;
}
)GLSL";

const char* const kFixedFunctionPixelSource = ZQ_FF_BLOCK R"GLSL(
uniform sampler2D uTexture0;
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTexCoord;
in float vFog;
in float vEyeDepth;
out vec4 fragColor;

vec4 StageArgument(int argument, vec4 diffuse, vec4 texel) {
    int select = argument & 15;
    vec4 value = diffuse;
    if (select == 2) value = texel;
    else if (select == 3) value = textureFactor;
    else if (select == 4) value = vSpecular;
    if ((argument & 16) != 0) value = 1.0 - value;
    if ((argument & 32) != 0) value = value.aaaa;
    return value;
}

vec4 StageOperation(int op, vec4 a, vec4 b) {
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 5) return clamp(a * b * 2.0, 0.0, 1.0);
    if (op == 6) return clamp(a * b * 4.0, 0.0, 1.0);
    if (op == 7) return clamp(a + b, 0.0, 1.0);
    if (op == 8) return clamp(a + b - 0.5, 0.0, 1.0);
    if (op == 10) return clamp(a - b, 0.0, 1.0);
    return a * b;
}

float PixelFog(float depth) {
    int function = flags1.w;
    if (function == 1) return exp(-fogParams.z * depth);
    if (function == 2) return exp(-(fogParams.z * depth) * (fogParams.z * depth));
    float range = fogParams.y - fogParams.x;
    return range != 0.0 ? (fogParams.y - depth) / range : 1.0;
}

void main() {
    // A stage without a texture reads opaque white, so untextured geometry
    // shows its vertex or lighting colour.
#if ZQ_TEXTURED
    vec4 texel = texture(uTexture0, vTexCoord);
#else
    vec4 texel = vec4(1.0);
#endif
    vec4 color = vDiffuse;
    int colorOp = flags2.w;
    if (colorOp != 1) {
        color.rgb = StageOperation(colorOp, StageArgument(flags3.x, vDiffuse, texel),
                                   StageArgument(flags3.y, vDiffuse, texel)).rgb;
        int alphaOp = flags3.z;
        if (alphaOp != 1)
            color.a = StageOperation(alphaOp, StageArgument(flags3.w, vDiffuse, texel),
                                     StageArgument(flags4.x, vDiffuse, texel)).a;
    }
#if ZQ_SPECULAR
    color.rgb = clamp(color.rgb + vSpecular.rgb, 0.0, 1.0);
#endif
#if ZQ_FOG == 2
    float fog = PixelFog(abs(vEyeDepth));
#else
    float fog = vFog;
#endif
    fragColor = zq_FinishPixel(color, ZQ_ALPHA_TEST != 0 ? flags2.y : 0, flags2.z, ZQ_FOG != 0,
                               fog, fogColor.rgb);
}
)GLSL";
