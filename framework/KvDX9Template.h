// Drawing conveniences shared by the application and the overlay: default
// device states, fixed-function fog, colour words, immediate-mode primitives
// drawn from memory, and the camera with mouse navigation.
#pragma once

#include "framework/KvDX9.h"
#include "utility/d3dx9math.h"

#include <cstddef>
#include <cstdint>

// Pre-transformed vertex: pixel coordinates, colour, one texture coordinate.
struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kScreenVertexFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
static_assert(sizeof(ScreenVertex) == 28, "pre-transformed vertices are 28 bytes");

struct LineVertex {
    float x, y, z;
    D3DCOLOR color;
};
constexpr DWORD kLineVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
static_assert(sizeof(LineVertex) == 16, "line vertices are 16 bytes");

class KvDX9Template;
// The one framework object, for the overlay widgets.
extern KvDX9Template* frameworkInstance;

// The camera's drag anchor is process-wide and set by the first update; a
// test that starts a fresh navigation forgets it first.
void ForgetDragAnchor();

class KvDX9Template : public KvDX9 {
public:
    KvDX9Template();
    ~KvDX9Template() override;

    void SetDefaultRenderStates();
    void SetLinearFog(float start, float end, D3DCOLOR colour);

    // Each component times 255, truncated, kept to its low 8 bits.
    static D3DCOLOR ColorFromFloats(float r, float g, float b, float a);
    // Each channel times its factor, truncated, clamped to 0..255, in place.
    static void ScaleColor(D3DCOLOR& colour, float fr, float fg, float fb, float fa);

    // A button face shaded from the colour at the top through a lighter band
    // 30 % down to a darker bottom. The caller has set the pre-transformed
    // format and no texture.
    void DrawPanel(const float topLeft[2], const float bottomRight[2], D3DCOLOR colour);
    // A quad from topLeft to the far corner of the client area, texture
    // coordinates (0, 0) to (1, 1).
    void DrawScreenQuad(const float topLeft[2]);
    // Three unit axes, each fading from a pale tint at its negative end to
    // its pure colour at the positive end.
    void DrawAxes();
    // A grid of 50 x 50 cells in the plane of axisA and axisB.
    void DrawGrid(const float axisA[3], const float axisB[3], const float centre[3], float size,
                  D3DCOLOR colour);

    static int FormatText(char* buffer, size_t bufferSize, const char* format, ...)
        __attribute__((format(printf, 3, 4)));

    // ---- Camera ----
    void InitCamera(float fov, float nearZ, float farZ);
    void ApplyProjection();
    void ApplyView();
    // Per-frame mouse navigation: right drag pans, left drag looks, middle
    // drag orbits, the wheel dollies; a drag keeps the cursor where it began.
    void UpdateCamera();

    D3DXVECTOR3 camPos{0, 0, 0};
    D3DXVECTOR3 camDir{0, 0, 1};
    D3DXVECTOR3 camUp{0, 1, 0};
    float fov = 0.0f;
    float nearZ = 0.0f;
    float farZ = 0.0f;
    D3DXMATRIX viewMatrix{};
    D3DXMATRIX projMatrix{};
    float moveSpeed = 0.0f;
    float rotateSpeed = 0.0f;
    float orbitDistance = 0.0f;

private:
    void RecentreCursor(POINT anchor);
};
