#include "framework/KvDX9Template.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

KvDX9Template* frameworkInstance = nullptr;

namespace {

DWORD FloatBits(float f) {
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Truncates toward zero and keeps the low 8 bits, without clamping, as the
// colour word arithmetic wants; values no integer can hold give 0.
DWORD LowByte(float component) {
    double scaled = std::trunc(double(component * 255.0f));
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.0e18)
        return 0;
    return DWORD(static_cast<long long>(scaled) & 0xFF);
}

DWORD ScaledChannel(DWORD channel, float factor) {
    float scaled = std::trunc(float(channel) * factor);
    if (!(scaled > 0.0f))
        return 0; // negative or not a number
    return scaled >= 255.0f ? 255 : DWORD(scaled);
}

} // namespace

KvDX9Template::KvDX9Template() {
    frameworkInstance = this;
}

KvDX9Template::~KvDX9Template() {
    if (frameworkInstance == this)
        frameworkInstance = nullptr;
}

void KvDX9Template::SetDefaultRenderStates() {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, ColorFromFloats(0.1f, 0.1f, 0.1f, 1.0f));
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetRenderState(D3DRS_ALPHAREF, 3);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

void KvDX9Template::SetLinearFog(float start, float end, D3DCOLOR colour) {
    device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_RANGEFOGENABLE, TRUE);
    device->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
    device->SetRenderState(D3DRS_FOGCOLOR, colour);
    device->SetRenderState(D3DRS_FOGSTART, FloatBits(start));
    device->SetRenderState(D3DRS_FOGEND, FloatBits(end));
}

D3DCOLOR KvDX9Template::ColorFromFloats(float r, float g, float b, float a) {
    return (LowByte(a) << 24) | (LowByte(r) << 16) | (LowByte(g) << 8) | LowByte(b);
}

void KvDX9Template::ScaleColor(D3DCOLOR& colour, float fr, float fg, float fb, float fa) {
    DWORD r = ScaledChannel((colour >> 16) & 0xFF, fr);
    DWORD g = ScaledChannel((colour >> 8) & 0xFF, fg);
    DWORD b = ScaledChannel(colour & 0xFF, fb);
    DWORD a = ScaledChannel(colour >> 24, fa);
    colour = (a << 24) | (r << 16) | (g << 8) | b;
}

void KvDX9Template::DrawPanel(const float p0[2], const float p1[2], D3DCOLOR colour) {
    const float toUnit = 1.0f / 255.0f;
    float k[3] = {float((colour >> 16) & 0xFF) * toUnit, float((colour >> 8) & 0xFF) * toUnit,
                  float(colour & 0xFF) * toUnit};
    float alpha = float(colour >> 24) * toUnit;
    float light[3], dark[3];
    for (int i = 0; i < 3; ++i) {
        light[i] = std::fmin(1.0f, k[i] * 1.3f + 0.2f);
        dark[i] = std::fmax(0.0f, k[i] * 0.7f - 0.2f);
    }
    D3DCOLOR lightColour = ColorFromFloats(light[0], light[1], light[2], alpha);
    D3DCOLOR darkColour = ColorFromFloats(dark[0], dark[1], dark[2], alpha);
    float ym = 0.7f * p0[1] + 0.3f * p1[1];
    ScreenVertex v[6] = {{p0[0], p0[1], 0.5f, 1.0f, colour, 0.0f, 0.0f},
                         {p1[0], p0[1], 0.5f, 1.0f, colour, 1.0f, 0.0f},
                         {p0[0], ym, 0.5f, 1.0f, lightColour, 0.0f, 0.3f},
                         {p1[0], ym, 0.5f, 1.0f, lightColour, 1.0f, 0.3f},
                         {p0[0], p1[1], 0.5f, 1.0f, darkColour, 0.0f, 1.0f},
                         {p1[0], p1[1], 0.5f, 1.0f, darkColour, 1.0f, 1.0f}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 4, v, sizeof(ScreenVertex));
}

void KvDX9Template::DrawScreenQuad(const float p0[2]) {
    // Only the far corner moves by half a pixel; it is worked out once.
    static const float farX = float(width) - 0.5f;
    static const float farY = float(height) - 0.5f;
    ScreenVertex v[4] = {{p0[0], p0[1], 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
                         {farX, p0[1], 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 0.0f},
                         {farX, farY, 0.5f, 1.0f, 0xFFFFFFFF, 1.0f, 1.0f},
                         {p0[0], farY, 0.5f, 1.0f, 0xFFFFFFFF, 0.0f, 1.0f}};
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, v, sizeof(ScreenVertex));
}

void KvDX9Template::DrawAxes() {
    static const LineVertex axes[6] = {
        {-1, 0, 0, 0x00FF7F7F}, {1, 0, 0, 0xFFFF0000},  {0, -1, 0, 0x007FFF7F},
        {0, 1, 0, 0xFF00FF00},  {0, 0, -1, 0x007F7FFF}, {0, 0, 1, 0xFF0000FF},
    };
    device->DrawPrimitiveUP(D3DPT_LINELIST, 3, axes, sizeof(LineVertex));
}

void KvDX9Template::DrawGrid(const float a[3], const float b[3], const float centre[3], float size,
                             D3DCOLOR colour) {
    float h = size * 0.5f;
    float start[3], step = size / 50.0f;
    for (int i = 0; i < 3; ++i)
        start[i] = centre[i] - h * b[i] - h * a[i];
    LineVertex q[4];
    for (int i = 0; i < 4; ++i)
        q[i] = LineVertex{start[0], start[1], start[2], colour};
    // q0-q1 runs along B, q2-q3 along A.
    q[1].x += size * b[0], q[1].y += size * b[1], q[1].z += size * b[2];
    q[3].x += size * a[0], q[3].y += size * a[1], q[3].z += size * a[2];
    for (int line = 0; line < 51; ++line) {
        device->DrawPrimitiveUP(D3DPT_LINELIST, 2, q, sizeof(LineVertex));
        for (int i = 0; i < 2; ++i) {
            q[i].x += step * a[0], q[i].y += step * a[1], q[i].z += step * a[2];
            q[i + 2].x += step * b[0], q[i + 2].y += step * b[1], q[i + 2].z += step * b[2];
        }
    }
}

int KvDX9Template::FormatText(char* buffer, size_t bufferSize, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, bufferSize, format, args);
    va_end(args);
    return written;
}
