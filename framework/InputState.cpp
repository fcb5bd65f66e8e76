#include "framework/InputState.h"

#include <cstring>

InputState inputState;

void InputState::Start(HWND mainWindow) {
    std::memset(keys, 0, sizeof keys);
    std::memset(prevKeys, 0, sizeof prevKeys);
    window = mainWindow;
    UpdateMouse();
    wheelSteps = 0;
    wheelRemainder = 0;
}

void InputState::Snapshot() {
    std::memcpy(prevKeys, keys, sizeof keys);
    GetKeyboardState(keys);
    UpdateMouse();
    // Truncating division: the remainder keeps the sign of the dividend, so
    // partial deltas of fine wheels add up across frames in either direction.
    wheelSteps = wheelRemainder / WHEEL_DELTA;
    wheelRemainder = wheelRemainder % WHEEL_DELTA;
}

void InputState::UpdateMouse() {
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    ScreenToClient(window, &cursor);
    mouseX = cursor.x;
    mouseY = cursor.y;
}
