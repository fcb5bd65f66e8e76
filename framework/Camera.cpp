// The camera of KvDX9Template: projection, view, and mouse navigation.
#include "framework/InputState.h"
#include "framework/KvDX9Template.h"

#include <algorithm>
#include <cmath>

namespace {

// Cursor position at the end of the previous update, in client pixels.
struct DragAnchor {
    bool set = false;
    POINT point{0, 0};
} dragAnchor;

constexpr float kPitchLimit = 1.569051f; // 89.9 degrees: the view never flips
constexpr float kHalfPi = D3DX_PI * 0.5f;

D3DXVECTOR3 DirectionOf(float yaw, float pitch) {
    return D3DXVECTOR3(std::cos(yaw) * std::cos(pitch), std::sin(pitch),
                       std::sin(yaw) * std::cos(pitch));
}

} // namespace

void ForgetDragAnchor() {
    dragAnchor = DragAnchor{};
}

void KvDX9Template::InitCamera(float fieldOfView, float nearPlane, float farPlane) {
    fov = fieldOfView;
    nearZ = nearPlane;
    farZ = farPlane;
    ApplyProjection();
    moveSpeed = farZ * 0.00025f;
    rotateSpeed = fov * 0.005f;
    orbitDistance = farZ * 0.1f;
    camPos = D3DXVECTOR3(0, 0, -orbitDistance);
    camDir = D3DXVECTOR3(0, 0, 1);
    camUp = D3DXVECTOR3(0, 1, 0);
}

void KvDX9Template::ApplyProjection() {
    float t = std::tan(fov * 0.5f);
    float q = 1.0f / (farZ - nearZ);
    projMatrix =
        D3DXMATRIX(t, 0, 0, 0, 0, aspect * t, 0, 0, 0, 0, farZ * q, 1, 0, 0, -nearZ * farZ * q, 0);
    device->SetTransform(D3DTS_PROJECTION, &projMatrix);
}

void KvDX9Template::ApplyView() {
    D3DXVECTOR3 at = camPos + camDir;
    D3DXMatrixLookAtLH(&viewMatrix, &camPos, &at, &camUp);
    device->SetTransform(D3DTS_VIEW, &viewMatrix);
}

void KvDX9Template::RecentreCursor(POINT anchor) {
    inputState.mouseX = anchor.x;
    inputState.mouseY = anchor.y;
    POINT screen = anchor;
    ClientToScreen(hwnd, &screen);
    SetCursorPos(screen.x, screen.y);
}

void KvDX9Template::UpdateCamera() {
    if (!dragAnchor.set) {
        dragAnchor.point = POINT{inputState.mouseX, inputState.mouseY};
        dragAnchor.set = true;
    }
    float dx = float(inputState.mouseX - dragAnchor.point.x);
    float dy = float(inputState.mouseY - dragAnchor.point.y);
    float yaw = (camDir.z == 0.0f && camDir.x == 0.0f) ? 0.0f : std::atan2(camDir.z, camDir.x);
    float pitch = std::asin(std::clamp(camDir.y, -1.0f, 1.0f));

    if (inputState.IsKeyDown(VK_RBUTTON)) {
        // Pan: sideways in the horizontal plane, then up and down with the
        // left button also held, or along the view without it.
        float s = -moveSpeed;
        camPos.x += std::cos(yaw + kHalfPi) * s * dx;
        camPos.z += std::sin(yaw + kHalfPi) * s * dx;
        if (inputState.IsKeyDown(VK_LBUTTON))
            camPos.y += s * dy;
        else
            camPos += camDir * (s * dy);
        RecentreCursor(dragAnchor.point);
    } else if (inputState.IsKeyDown(VK_LBUTTON)) {
        yaw -= rotateSpeed * dx;
        pitch = std::clamp(pitch - rotateSpeed * dy, -kPitchLimit, kPitchLimit);
        camDir = DirectionOf(yaw, pitch);
        RecentreCursor(dragAnchor.point);
    }
    if (inputState.IsKeyDown(VK_MBUTTON)) {
        // Orbit about the point ahead at the orbit distance.
        D3DXVECTOR3 target = camPos + camDir * orbitDistance;
        yaw -= rotateSpeed * dx;
        pitch = std::clamp(pitch - rotateSpeed * dy, -kPitchLimit, kPitchLimit);
        camDir = DirectionOf(yaw, pitch);
        camPos = target - camDir * orbitDistance;
        RecentreCursor(dragAnchor.point);
    }
    if (int notches = inputState.wheelSteps) {
        // Dolly: each notch covers a tenth of the way to the orbit point,
        // which stays where it was.
        float step = float(notches) * 0.1f * orbitDistance;
        orbitDistance -= step;
        camPos += camDir * step;
    }
    ApplyView();
    dragAnchor.point = POINT{inputState.mouseX, inputState.mouseY};
}
