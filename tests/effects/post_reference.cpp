#include "tests/effects/post_reference.h"

#include <algorithm>

namespace {

D3DXVECTOR3 Rgb(const D3DXVECTOR4& c) {
    return D3DXVECTOR3(c.x, c.y, c.z);
}

D3DXVECTOR3 S(const FloatImage& source, float u, float v) {
    return Rgb(source.Sample(u, v, false));
}

// Tap k of a blur: S at k spacings from the centre on both sides; the
// spacing multiple is formed once, as the pass does: o + o for 2, o * k else.
D3DXVECTOR3 BlurTaps(const FloatImage& source, float u, float v, float o, int k, bool vertical) {
    float step = k == 2 ? o + o : o * float(k);
    if (vertical)
        return S(source, u, v + step) + S(source, u, v - step);
    return S(source, u + step, v) + S(source, u - step, v);
}

} // namespace

D3DXVECTOR3 CrossFilter(const PostParameters& p, const FloatImage& source, float u, float v) {
    static const int kNear[5][2] = {{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    static const int kFar[8][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1},
                                   {2, 0}, {-2, 0}, {0, 2},   {0, -2}};
    float px = p.pixelSize[0], py = p.pixelSize[1];
    D3DXVECTOR3 sum(0, 0, 0);
    for (const auto& d : kNear)
        sum += S(source, u + float(d[0]) * px, v + float(d[1]) * py) * 0.12f;
    for (const auto& d : kFar)
        sum += S(source, u + float(d[0]) * px, v + float(d[1]) * py) * 0.05f;
    return sum;
}

D3DXVECTOR4 RunPostProgram(PostProgram program, const PostParameters& p, const FloatImage& source,
                           float u, float v) {
    D3DXVECTOR4 centre = source.Sample(u, v, false);
    D3DXVECTOR3 col;
    switch (program) {
    case PostProgram::Bright:
        col = Rgb(centre) * p.brightRate;
        break;
    case PostProgram::BrightPass: {
        col = CrossFilter(p, source, u, v);
        float energy = std::clamp(col.x * col.x + col.y * col.y + col.z * col.z, 0.0f, 1.0f);
        col = col * (energy * p.brightRate);
        break;
    }
    case PostProgram::BlurV:
    case PostProgram::BlurH: {
        bool vertical = program == PostProgram::BlurV;
        float o = vertical ? p.blurOffset[1] : p.blurOffset[0];
        col = Rgb(centre) * p.blurWeights[0];
        for (int k = 1; k <= 8; ++k)
            col += BlurTaps(source, u, v, o, k, vertical) * p.blurWeights[k];
        break;
    }
    case PostProgram::Composite:
        col = CrossFilter(p, source, u, v);
        break;
    }
    return D3DXVECTOR4(col.x, col.y, col.z, centre.w);
}

FloatImage RunPostPass(PostProgram program, const PostParameters& p, const FloatImage& source,
                       int width, int height) {
    FloatImage out(width, height, D3DXVECTOR4(0, 0, 0, 0));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.At(x, y) = RunPostProgram(program, p, source, float(x) / float(width),
                                          float(y) / float(height));
    return out;
}

FloatImage Blend(const FloatImage& output, const FloatImage& target, bool addToTarget) {
    FloatImage out = target;
    for (size_t i = 0; i < out.texels.size(); ++i) {
        const D3DXVECTOR4& s = output.texels[i];
        const D3DXVECTOR4& d = target.texels[i];
        float keep = addToTarget ? 1.0f : 1.0f - s.w;
        out.texels[i] = D3DXVECTOR4(s.x * s.w + d.x * keep, s.y * s.w + d.y * keep,
                                    s.z * s.w + d.z * keep, s.w * s.w + d.w * keep);
    }
    return out;
}
