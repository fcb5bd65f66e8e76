#include "tests/effects/scene_reference.h"

#include <cmath>

namespace {

struct Features {
    bool tangentFamily, specularMap, emissiveMap, parallax, character;
};

Features FeaturesOf(SceneTechnique t) {
    switch (t) {
    case SceneTechnique::StdSimple:
        return {false, false, false, false, false};
    case SceneTechnique::StdDN:
        return {true, false, false, false, false};
    case SceneTechnique::StdDNS:
        return {true, true, false, false, false};
    case SceneTechnique::StdDNSE:
        return {true, true, true, false, false};
    case SceneTechnique::StdFull:
        return {true, true, true, true, false};
    case SceneTechnique::CharSimple:
        return {false, false, false, false, true};
    case SceneTechnique::CharFull:
        return {true, true, true, true, true};
    }
    return {};
}

using V3 = D3DXVECTOR3;

float Dot(const V3& a, const V3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

V3 Cross(const V3& a, const V3& b) {
    return V3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

V3 Normalize(const V3& v) {
    return v / std::sqrt(Dot(v, v));
}

V3 Mul(const V3& a, const V3& b) {
    return V3(a.x * b.x, a.y * b.y, a.z * b.z);
}

V3 Rgb(const D3DXVECTOR4& c) {
    return V3(c.x, c.y, c.z);
}

// (x, y, z, w) times the matrix, row-vector convention.
D3DXVECTOR4 Transform(float x, float y, float z, float w, const D3DXMATRIX& m) {
    D3DXVECTOR4 out;
    float in[4] = {x, y, z, w};
    float* o = &out.x;
    for (int c = 0; c < 4; ++c)
        o[c] = in[0] * m.m[0][c] + in[1] * m.m[1][c] + in[2] * m.m[2][c] + in[3] * m.m[3][c];
    return out;
}

// v times the upper-left 3 x 3 block.
V3 Transform3(const V3& v, const D3DXMATRIX& m) {
    return V3(v.x * m._11 + v.y * m._21 + v.z * m._31, v.x * m._12 + v.y * m._22 + v.z * m._32,
              v.x * m._13 + v.y * m._23 + v.z * m._33);
}

V3 IntoFrame(const V3& v, const V3& T, const V3& B, const V3& N) {
    return V3(Dot(v, T), Dot(v, B), Dot(v, N));
}

float WrappedSquaredDiffuse(float nDotL) {
    float k = std::fmax((nDotL + 0.4f) * 0.71428573f, 0.0f);
    return k * k;
}

float RimLight(float eDotN) {
    return 0.25f * std::fmax(0.5f - std::fabs(eDotN), 0.0f);
}

D3DXVECTOR3 HemisphereAmbient(float up, const D3DXVECTOR4& ambient, const D3DXVECTOR4& ambient2) {
    float h = 0.5f * up + 0.5f;
    return Rgb(ambient) * h + Rgb(ambient2) * (1.0f - h);
}

} // namespace

const char* TechniqueName(SceneTechnique technique) {
    switch (technique) {
    case SceneTechnique::StdSimple:
        return "T_Std_Simple";
    case SceneTechnique::StdDN:
        return "T_Std_DN";
    case SceneTechnique::StdDNS:
        return "T_Std_DNS";
    case SceneTechnique::StdDNSE:
        return "T_Std_DNSE";
    case SceneTechnique::StdFull:
        return "T_Std_Full";
    case SceneTechnique::CharSimple:
        return "T_Char_Simple";
    case SceneTechnique::CharFull:
        return "T_Char_Full";
    }
    return "";
}

Interpolants RunSceneVertexProgram(SceneTechnique technique, const SceneParameters& p,
                                   const SceneVertex& vertex) {
    Interpolants out{};
    const V3& pos = vertex.position;
    out.clip = Transform(pos.x, pos.y, pos.z, 1, p.worldViewProjection);
    D3DXVECTOR4 world = Transform(pos.x, pos.y, pos.z, 1, p.world);
    V3 view = V3(world.x, world.y, world.z) - p.camPos;
    float d = std::sqrt(Dot(view, view));
    out.fog = 1.0f - (d - p.fogStart) * p.fogInvDist;
    out.u = vertex.u;
    out.v = vertex.v;
    if (!FeaturesOf(technique).tangentFamily) {
        const V3& n = vertex.normal;
        D3DXVECTOR4 worldNormal = Transform(n.x, n.y, n.z, 1, p.worldInverseTranspose);
        out.texcoord[1] = V3(worldNormal.x, worldNormal.y, worldNormal.z);
        out.texcoord[2] = view;
        return out;
    }
    V3 T = Normalize(Transform3(vertex.tangent, p.worldInverseTranspose));
    V3 N = Normalize(Transform3(vertex.normal, p.worldInverseTranspose));
    V3 B = Cross(N, T);
    out.texcoord[1] = IntoFrame(view, T, B, N);
    out.texcoord[2] = V3(T.y, B.y, N.y);
    out.texcoord[3] = IntoFrame(p.lightDir[0], T, B, N);
    out.texcoord[4] = IntoFrame(p.lightDir[1], T, B, N);
    return out;
}

Interpolants InterpolateCorners(const Interpolants c[3], const float w[3]) {
    Interpolants out{};
    out.fog = c[0].fog * w[0] + c[1].fog * w[1] + c[2].fog * w[2];
    out.u = c[0].u * w[0] + c[1].u * w[1] + c[2].u * w[2];
    out.v = c[0].v * w[0] + c[1].v * w[1] + c[2].v * w[2];
    for (int t = 1; t < 5; ++t)
        out.texcoord[t] =
            c[0].texcoord[t] * w[0] + c[1].texcoord[t] * w[1] + c[2].texcoord[t] * w[2];
    return out;
}

ShadedPixel RunScenePixelProgram(SceneTechnique technique, bool dimmed, const SceneParameters& p,
                                 const Interpolants& in, const SceneMaps& maps) {
    Features f = FeaturesOf(technique);
    float u = in.u, v = in.v;
    V3 n, E, L[2];
    float up;
    if (f.tangentFamily) {
        E = Normalize(in.texcoord[1]);
        if (f.parallax) {
            float height = maps.normal->Sample(in.u, in.v, true).w;
            float o = (height - 0.5f) * 0.1f;
            u = in.u - o * E.x;
            v = in.v - o * E.y;
        }
        D3DXVECTOR4 nm = maps.normal->Sample(u, v, true);
        n = V3(2 * nm.x - 1, 2 * nm.y - 1, 2 * nm.z - 1); // not normalised again
        L[0] = Normalize(in.texcoord[3]);
        L[1] = Normalize(in.texcoord[4]);
        up = Dot(n, Normalize(in.texcoord[2]));
    } else {
        n = Normalize(in.texcoord[1]);
        E = Normalize(in.texcoord[2]);
        L[0] = p.lightDir[0];
        L[1] = p.lightDir[1];
        up = n.y;
    }
    D3DXVECTOR4 D = maps.diffuse->Sample(u, v, true);
    V3 C[2] = {Rgb(p.lightColor[0]), Rgb(p.lightColor[1])};

    V3 ambient = HemisphereAmbient(up, p.ambient, p.ambient2);
    float k[2];
    for (int i = 0; i < 2; ++i)
        k[i] = f.character ? WrappedSquaredDiffuse(Dot(n, L[i])) : std::fmax(Dot(n, L[i]), 0.0f);
    V3 R = E - n * (2 * Dot(E, n));

    float power = 32.0f;
    V3 specularColour(0.5f, 0.5f, 0.5f);
    if (f.specularMap) {
        D3DXVECTOR4 S = maps.specular->Sample(u, v, true);
        power = 255.0f * S.w;
        specularColour = Rgb(S);
    }
    ShadedPixel out{};
    V3 highlight(0, 0, 0);
    for (int i = 0; i < 2; ++i) {
        float base = std::fmax(Dot(R, L[i]), 0.0f);
        float s = base > 0 ? std::pow(base, power) : 0.0f;
        highlight += C[i] * s;
        out.atHighlightEdge =
            out.atHighlightEdge || (power == 0 && std::fabs(Dot(R, L[i])) < 1e-3f);
    }
    V3 col = Mul(Rgb(D), ambient + C[0] * k[0] + C[1] * k[1]) + Mul(specularColour, highlight);
    if (f.emissiveMap) {
        D3DXVECTOR4 Em = maps.emissive->Sample(u, v, true);
        col += V3(2 * Em.x - 1, 2 * Em.y - 1, 2 * Em.z - 1);
    }
    if (f.character) {
        float rim = RimLight(Dot(E, n));
        col += V3(rim, rim, rim);
    }
    if (dimmed)
        col *= 0.85f;
    out.colour = D3DXVECTOR4(col.x, col.y, col.z, D.w);
    return out;
}
