// The backend-independent half of the Win32 stand-in: window classes, window
// records, the message queue and the coordinate conversions.
#include "platform/win32/win32.h"

#include "platform/win32/sdl_win32.h"
#include "platform/win32/termination.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/window.h"

#include <deque>
#include <map>
#include <set>
#include <string>

namespace {

Win32Backend* installedBackend = nullptr;
std::map<std::string, WNDCLASSEXA> windowClasses;
std::set<HWND> liveWindows;
std::deque<MSG> messageQueue;
bool terminationQuitPosted = false;

// Frame sizes of a fixed dialog-framed window with a caption, so that the
// outer size that the caller computes from them gives back its client area.
constexpr int kDialogFrame = 3;
constexpr int kCaptionHeight = 23;

} // namespace

void SetWin32Backend(Win32Backend* backend) {
    installedBackend = backend;
}

Win32Backend& CurrentWin32Backend() {
    return installedBackend ? *installedBackend : SdlWin32Backend();
}

bool IsLiveWindow(HWND hwnd) {
    return hwnd && liveWindows.count(hwnd) != 0;
}

ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || !wc->lpszClassName || !wc->lpfnWndProc)
        return 0;
    auto inserted = windowClasses.emplace(wc->lpszClassName, *wc);
    if (!inserted.second)
        return 0; // already registered, as Win32 answers
    return ATOM(0xC000 + windowClasses.size());
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
    if (!className)
        return nullptr;
    auto cls = windowClasses.find(className);
    if (cls == windowClasses.end())
        return nullptr;
    auto* window = new HWND__;
    window->className = className;
    window->title = windowName ? windowName : "";
    window->proc = cls->second.lpfnWndProc;
    window->style = style;
    window->x = x;
    window->y = y;
    int frameX = 0, frameY = 0;
    if ((style & WS_CAPTION) == WS_CAPTION) {
        frameX = 2 * kDialogFrame;
        frameY = 2 * kDialogFrame + kCaptionHeight;
    }
    window->clientWidth = width - frameX;
    window->clientHeight = height - frameY;
    if (window->clientWidth <= 0 || window->clientHeight <= 0 ||
        !CurrentWin32Backend().CreateNativeWindow(window)) {
        delete window;
        return nullptr;
    }
    liveWindows.insert(window);
    return window;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!IsLiveWindow(hwnd))
        return FALSE;
    if (hwnd->proc)
        hwnd->proc(hwnd, WM_DESTROY, 0, 0);
    CurrentWin32Backend().DestroyNativeWindow(hwnd);
    liveWindows.erase(hwnd);
    // Messages still queued for it would reach a freed window.
    for (auto it = messageQueue.begin(); it != messageQueue.end();) {
        if (it->hwnd == hwnd) {
            if (it->message == WM_DROPFILES)
                DragFinish(reinterpret_cast<HDROP>(it->wParam));
            it = messageQueue.erase(it);
        } else {
            ++it;
        }
    }
    delete hwnd;
    return TRUE;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
    if (!IsLiveWindow(hwnd))
        return FALSE;
    BOOL wasVisible = hwnd->visible;
    hwnd->visible = cmdShow != SW_HIDE;
    CurrentWin32Backend().ShowNativeWindow(hwnd, hwnd->visible);
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) {
    return IsLiveWindow(hwnd);
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    if (!IsLiveWindow(hwnd) || !rect)
        return FALSE;
    *rect = RECT{0, 0, hwnd->clientWidth, hwnd->clientHeight};
    return TRUE;
}

namespace {

// As SendMessage: the window procedure at once, not through the queue.
LRESULT SendToProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return IsLiveWindow(hwnd) && hwnd->proc ? hwnd->proc(hwnd, msg, wParam, lParam) : 0;
}

} // namespace

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SYSKEYDOWN:
        // Alt+F4 chooses Close from the system menu. The menu itself, which
        // Alt or F10 alone would open, has nothing to stand for under SDL.
        if (wParam == WPARAM(VK_F4) && ((lParam >> 16) & KF_ALTDOWN))
            SendToProcedure(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            SendToProcedure(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return 0;
    }
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return kDialogFrame;
    case SM_CYCAPTION:
        return kCaptionHeight;
    default:
        return 0;
    }
}

// Icons, cursors and brushes have no meaning under SDL; the handles exist so
// the class record can be filled as on Windows.
HICON LoadIconA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HICON>(const_cast<char*>(name));
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
    return reinterpret_cast<HCURSOR>(const_cast<char*>(name));
}

HGDIOBJ GetStockObject(int object) {
    return reinterpret_cast<HGDIOBJ>(std::uintptr_t(0x100 + object));
}

HMODULE GetModuleHandleA(LPCSTR) {
    static char module;
    return reinterpret_cast<HMODULE>(&module);
}

HWND GetForegroundWindow() {
    return CurrentWin32Backend().ForegroundWindow();
}

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT, UINT, UINT removeMsg) {
    CurrentWin32Backend().PumpEvents();
    // A termination signal ends the message loop as a quit request does.
    if (TerminationRequested() && !terminationQuitPosted) {
        terminationQuitPosted = true;
        PostQuitMessage(0);
    }
    for (auto it = messageQueue.begin(); it != messageQueue.end(); ++it) {
        if (hwnd && it->hwnd != hwnd)
            continue;
        *msg = *it;
        if (removeMsg & PM_REMOVE)
            messageQueue.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    // Character messages are not used; report whether a key message came by.
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN);
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg || !IsLiveWindow(msg->hwnd) || !msg->hwnd->proc)
        return 0;
    return msg->hwnd->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !IsLiveWindow(hwnd))
        return FALSE;
    Win32Backend& backend = CurrentWin32Backend();
    messageQueue.push_back(MSG{hwnd, msg, wParam, lParam, backend.Time(), backend.GetCursorPos()});
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    Win32Backend& backend = CurrentWin32Backend();
    messageQueue.push_back(
        MSG{nullptr, WM_QUIT, WPARAM(exitCode), 0, backend.Time(), backend.GetCursorPos()});
}

BOOL GetKeyboardState(PBYTE keys) {
    if (!keys)
        return FALSE;
    CurrentWin32Backend().GetKeyboardState(keys);
    return TRUE;
}

BOOL GetCursorPos(POINT* point) {
    if (!point)
        return FALSE;
    *point = CurrentWin32Backend().GetCursorPos();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    CurrentWin32Backend().SetCursorPos(POINT{x, y});
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    if (!IsLiveWindow(hwnd) || !point)
        return FALSE;
    POINT origin = CurrentWin32Backend().ClientOrigin(hwnd);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    if (!IsLiveWindow(hwnd) || !point)
        return FALSE;
    POINT origin = CurrentWin32Backend().ClientOrigin(hwnd);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

void DragAcceptFiles(HWND hwnd, BOOL accept) {
    if (IsLiveWindow(hwnd))
        CurrentWin32Backend().AcceptFiles(hwnd, accept != FALSE);
}

DWORD timeGetTime() {
    return CurrentWin32Backend().Time();
}

UINT timeBeginPeriod(UINT) {
    return 0; // TIMERR_NOERROR: the backends' clocks already tick in milliseconds
}

void Sleep(DWORD milliseconds) {
    CurrentWin32Backend().Sleep(milliseconds);
}
