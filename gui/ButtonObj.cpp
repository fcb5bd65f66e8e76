#include "gui/ButtonObj.h"

#include "framework/InputState.h"
#include "framework/KvDX9Template.h"

ButtonObj::ButtonObj() {
    label.colour = 0xFFFFFFFF;
    label.shadowColour = 0xCC000000; // black, alpha 0.8
}

void ButtonObj::Update() {
    float mx = float(inputState.mouseX);
    float my = float(inputState.mouseY);
    hovered = x < mx && mx < x + w && y < my && my < y + h;
    // The latch is set only on the frame the left button goes down, so
    // coming back in while still holding does not restore a cancelled press.
    if (hovered && inputState.IsKeyPressed(VK_LBUTTON))
        pressed = true;
}

void ButtonObj::Draw() {
    KvDX9Template* framework = frameworkInstance;
    if (!framework || !framework->device)
        return;
    float px = x, py = y;
    D3DCOLOR face = colour;
    if (pressed) {
        px += 2.0f;
        py += 2.0f;
        KvDX9Template::ScaleColor(face, 1.4f, 1.4f, 1.4f, 1.5f);
    } else if (hovered) {
        KvDX9Template::ScaleColor(face, 1.1f, 1.1f, 1.1f, 1.5f);
    }
    float topLeft[2] = {px, py};
    float bottomRight[2] = {px + w, py + h};
    framework->DrawPanel(topLeft, bottomRight, face);
    float size[2] = {w, h};
    label.SetBounds(topLeft, size);
    label.Draw();
}

bool ConsumeClick(ButtonObj& button) {
    if (!button.pressed)
        return false;
    if (!button.hovered) {
        button.pressed = false; // dragged out: cancelled
        return false;
    }
    if (inputState.IsKeyDown(VK_LBUTTON))
        return false; // still held
    button.pressed = false;
    return true;
}
