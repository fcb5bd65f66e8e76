// The glow: the bright parts of the scene into a half-size target, blurred
// down and across, added back onto the scene, and the result copied to the
// back buffer.
#include "app/AppMain.h"

#include "framework/InputState.h"

namespace {

struct ClipVertex {
    float x, y, z, u, v;
};
constexpr DWORD kClipVertexFvf = D3DFVF_XYZ | D3DFVF_TEX1;

// Covers the whole target in clip space, (0, 0) to (1, 1) in texture space.
const ClipVertex kClipQuad[4] = {
    {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {1, -1, 0.5f, 1, 1}, {-1, -1, 0.5f, 0, 1}};

void DrawClipQuad(IDirect3DDevice9* device) {
    device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, kClipQuad, sizeof(ClipVertex));
}

} // namespace

void AppMain::PostProcess() {
    ID3DXEffect* e = postEffect;
    device->SetFVF(kClipVertexFvf);
    e->SetTechnique("T_QHDR");
    e->Begin(nullptr, 0);

    // Pass 0: the bright parts of the scene into half target A.
    device->SetRenderTarget(0, halfASurface);
    e->SetTexture("g_Tex0", sceneTexture);
    e->BeginPass(0);
    DrawClipQuad(device);
    e->EndPass();
    // Pass 1: blurred down, into half target B.
    device->SetRenderTarget(0, halfBSurface);
    e->SetTexture("g_Tex0", halfATexture);
    e->BeginPass(1);
    DrawClipQuad(device);
    e->EndPass();
    // Pass 2: blurred across, back into half target A.
    device->SetRenderTarget(0, halfASurface);
    e->SetTexture("g_Tex0", halfBTexture);
    e->BeginPass(2);
    DrawClipQuad(device);
    e->EndPass();
    // Pass 3: the glow added onto the scene. Z shows the glow alone, X the
    // scene alone.
    device->SetRenderTarget(0, sceneSurface);
    if (inputState.IsKeyDown('Z'))
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    e->SetTexture("g_Tex0", halfATexture);
    if (!inputState.IsKeyDown('X')) {
        e->BeginPass(3);
        DrawClipQuad(device);
        e->EndPass();
    }
    e->End();

    device->SetRenderTarget(0, savedBackBuffer);
    device->SetDepthStencilSurface(savedDepth);
    // A thumbnail reads the scene target itself; nobody sees its back
    // buffer.
    if (options.thumbnail)
        return;
    // The copy samples texel for pixel.
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetFVF(kScreenVertexFvf);
    device->SetTexture(0, sceneTexture);
    const float topLeft[2] = {0, 0};
    DrawScreenQuad(topLeft);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
}
