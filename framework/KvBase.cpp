#include "framework/KvBase.h"

#include "framework/InputState.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

KvBase::DropHandler dropHandler = nullptr;
UINT droppedFileIndex = 0;
bool classToRegister = true;

constexpr const char* kClassName = "KvWindow";
constexpr const char* kTitle = "ZELQAd";
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr float kFrameTimeSmoothing = 0.3f;

// True when a is later than b on the wrapping 32-bit millisecond clock.
bool Later(std::uint32_t a, std::uint32_t b) {
    return std::int32_t(a - b) > 0;
}

} // namespace

KvBase::~KvBase() {
    // A derived class that did not call CloseIfOpen still must not leave a
    // window behind a freed object.
    if (hwnd)
        DestroyWindow(hwnd);
}

void KvBase::CloseIfOpen() {
    if (!hwnd)
        return;
    OnTerm();
    DestroyWindow(hwnd);
    hwnd = nullptr;
}

bool KvBase::Run(HINSTANCE instance, float fps) {
    hinstance = instance;
    quit = false;
    width = clientWidth;
    height = clientHeight;
    aspect = float(width) / float(height); // 4 / 3 for the window
    framePeriod = float(1000.0 / double(fps));
    frameDue = timeGetTime();
    frameCarry = framePeriod;
    fpsWindowStart = timeGetTime();
    fpsFrameCount = 0;
    this->fps = 0;
    frameTime = 0.0f;
    dropHandler = nullptr;

    if (classToRegister) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(WNDCLASSEXA);
        wc.style = 0;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        wc.lpszClassName = kClassName;
        wc.hIconSm = LoadIconA(nullptr, IDI_WINLOGO);
        if (!RegisterClassExA(&wc))
            return false;
        classToRegister = false;
    }

    hwnd = CreateWindowExA(
        0, kClassName, kTitle, kWindowStyle, 40, 40, width + 2 * GetSystemMetrics(SM_CXDLGFRAME),
        height + 2 * GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION), nullptr,
        nullptr, instance, nullptr);
    if (!hwnd)
        return false;
    ShowWindow(hwnd, showWindow ? SW_SHOWNORMAL : SW_HIDE);
    UpdateWindow(hwnd);
    timeBeginPeriod(1);
    inputState.Start(hwnd);

    if (!OnInit())
        return false;
    PumpMessages();
    OnTerm();
    if (hwnd) {
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
    return true;
}

void KvBase::PumpMessages() {
    MSG msg;
    while (!quit) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                break;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        StepFrame();
        // Alt+F4 by polling: the window procedure swallows WM_SYSKEYDOWN.
        if (inputState.IsKeyPressed(VK_F4) &&
            (inputState.IsKeyDown(VK_LMENU) || inputState.IsKeyDown(VK_RMENU)))
            break;
    }
}

void KvBase::StepFrame() {
    std::uint32_t now = timeGetTime();
    if (Later(frameDue, now)) {
        // Sleep half the time left: the loop stays responsive to messages
        // without busy waiting; 1 ms left gives Sleep(0).
        Sleep((frameDue - now) / 2);
        return;
    }

    float period = framePeriod;
    auto whole = std::uint32_t(period);
    float frac = period - float(whole);
    long double lateBy = (long double)frameCarry + (long double)period;
    std::uint32_t late = frameDue + std::uint32_t(lateBy);
    if (Later(now, late)) {
        // More than a period overdue: missed frames are dropped, not caught up.
        frameDue = now + whole;
        frameCarry = frac;
    } else {
        frameDue += whole;
        frameCarry = frameCarry + frac;
        auto carried = std::int32_t(frameCarry);
        if (carried != 0) {
            frameDue += std::uint32_t(carried);
            frameCarry -= float(carried);
        }
    }

    inputState.Snapshot();

    ++fpsFrameCount;
    if (!Later(fpsWindowStart + 1000, now)) {
        fps = fpsFrameCount;
        fpsFrameCount = 0;
        fpsWindowStart += 1000;
    }

    OnFrame();

    std::uint32_t elapsed = timeGetTime() - now;
    frameTime = frameTime + (float(elapsed) - frameTime) * kFrameTimeSmoothing;
}

void KvBase::ShowMessage(const char* caption, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    MessageBoxA(hwnd, text, caption, MB_OK);
}

void KvBase::SetDropHandler(DropHandler handler) {
    dropHandler = handler;
    if (hwnd)
        DragAcceptFiles(hwnd, handler != nullptr);
}

UINT KvBase::DroppedFileIndex() {
    return droppedFileIndex;
}

LRESULT KvBase::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_MOUSEWHEEL:
        inputState.AddWheelDelta(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_DROPFILES: {
        auto drop = reinterpret_cast<HDROP>(wParam);
        if (dropHandler) {
            UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, nullptr, 0);
            // Room for the whole path: a Linux path may be longer than the
            // 260 bytes of a Windows one, and a cut path names another file.
            std::vector<char> path(260);
            for (UINT i = 0; i < count; ++i) {
                UINT length = DragQueryFileA(drop, i, nullptr, 0);
                if (length + 1 > path.size())
                    path.resize(length + 1);
                DragQueryFileA(drop, i, path.data(), UINT(path.size()));
                droppedFileIndex = i;
                dropHandler(path.data());
            }
            droppedFileIndex = 0;
        }
        DragFinish(drop);
        return 0;
    }
    case WM_SYSKEYDOWN:
        // No system menu by Alt or F10 and no default Alt+F4.
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
