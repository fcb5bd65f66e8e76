// The one process-wide record of keyboard, mouse-button, cursor and wheel
// state that all frame logic reads. The shell takes one snapshot at the start
// of every paced frame, so every reader in a frame sees the same values and a
// change shows as an edge for exactly one frame. Only the wheel remainder is
// fed between frames, by the window procedure.
#pragma once

#include "platform/win32/win32.h"

#include <cstdint>

struct InputState {
    BYTE keys[256];      // GetKeyboardState layout: bit 7 down, bit 0 toggle
    BYTE prevKeys[256];  // keys of the previous frame
    std::int32_t mouseX; // client pixels, not clamped to the client area
    std::int32_t mouseY;
    std::int32_t wheelSteps;     // whole notches since the previous frame
    std::int32_t wheelRemainder; // WM_MOUSEWHEEL units not yet a whole notch
    HWND window;

    bool IsKeyDown(int vk) const { return (keys[vk & 0xFF] & 0x80) != 0; }
    bool IsKeyPressed(int vk) const {
        return (keys[vk & 0xFF] & 0x80) != 0 && (prevKeys[vk & 0xFF] & 0x80) == 0;
    }

    // Zeroes both key arrays and the wheel, binds the window, reads the cursor.
    void Start(HWND mainWindow);
    // The per-frame snapshot: previous keys, keyboard, cursor, wheel.
    void Snapshot();
    // Between frames: a WM_MOUSEWHEEL delta.
    void AddWheelDelta(int delta) { wheelRemainder += delta; }

private:
    void UpdateMouse();
};

extern InputState inputState;
