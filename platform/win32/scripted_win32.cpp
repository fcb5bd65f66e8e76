#include "platform/win32/scripted_win32.h"

#include "platform/win32/drop.h"
#include "platform/win32/window.h"

#include <cstring>

ScriptedWin32::ScriptedWin32() = default;
ScriptedWin32::~ScriptedWin32() = default;

void ScriptedWin32::PostDrop(HWND hwnd, std::vector<std::string> paths) {
    PostMessageA(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(std::move(paths))), 0);
}

void ScriptedWin32::PostWheel(HWND hwnd, int delta) {
    PostMessageA(hwnd, WM_MOUSEWHEEL, WPARAM(WORD(SHORT(delta))) << 16, 0);
}

bool ScriptedWin32::CreateNativeWindow(HWND) {
    calls.push_back("CreateWindow");
    return !failWindowCreation;
}

void ScriptedWin32::DestroyNativeWindow(HWND hwnd) {
    calls.push_back("DestroyWindow");
    if (lastShownWindow == hwnd)
        lastShownWindow = nullptr;
}

void ScriptedWin32::ShowNativeWindow(HWND hwnd, bool show) {
    calls.push_back(show ? "ShowWindow 1" : "ShowWindow 0");
    if (show)
        lastShownWindow = hwnd;
}

void ScriptedWin32::PumpEvents() {
    if (onPump)
        onPump();
}

void ScriptedWin32::GetKeyboardState(BYTE out[256]) {
    std::memcpy(out, keys, 256);
}

POINT ScriptedWin32::GetCursorPos() {
    return cursor;
}

void ScriptedWin32::SetCursorPos(POINT screen) {
    calls.push_back("SetCursorPos " + std::to_string(screen.x) + " " + std::to_string(screen.y));
    cursor = screen;
}

POINT ScriptedWin32::ClientOrigin(HWND) {
    return clientOrigin;
}

bool ScriptedWin32::MessageBox(HWND owner, const char* text, const char* caption,
                               std::string& why) {
    messageBoxes.push_back(MessageBoxRecord{owner, caption, text});
    if (failMessageBoxes)
        why = "no box in this test";
    return !failMessageBoxes;
}

DWORD ScriptedWin32::Time() {
    return now;
}

void ScriptedWin32::Sleep(DWORD milliseconds) {
    calls.push_back("Sleep " + std::to_string(milliseconds));
    now += milliseconds ? milliseconds : 1;
    if (onSleep)
        onSleep();
}

HWND ScriptedWin32::ForegroundWindow() {
    return windowInFront ? lastShownWindow : nullptr;
}

void ScriptedWin32::AcceptFiles(HWND, bool accept) {
    calls.push_back(accept ? "DragAcceptFiles 1" : "DragAcceptFiles 0");
}
