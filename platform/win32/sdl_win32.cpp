#include "platform/win32/sdl_win32.h"

#include "platform/win32/display_choice.h"
#include "platform/win32/drop.h"
#include "platform/win32/sdl_keys.h"
#include "platform/win32/termination.h"
#include "platform/win32/wayland_connection.h"
#include "platform/win32/window.h"
#include "platform/win32/x_box_close.h"
#include "platform/win32/x_drops.h"
#include "platform/win32/x_errors.h"
#include "platform/win32/x_map.h"

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kWindowDataKey = "zq.hwnd";
// A window manager answers a map at once; one that was still starting when
// the request came takes the next one.
constexpr int kMapRetryMs = 500;
constexpr int kMapLimitMs = 5000;

class SdlBackend final : public Win32Backend {
public:
    bool CreateNativeWindow(HWND hwnd) override {
        if (!InitVideo())
            return false;
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (hwnd->style & WS_THICKFRAME)
            flags |= SDL_WINDOW_RESIZABLE;
        SDL_Window* window = SDL_CreateWindow(hwnd->title.c_str(), hwnd->x, hwnd->y,
                                              hwnd->clientWidth, hwnd->clientHeight, flags);
        if (!window) {
            std::fprintf(stderr, "zelqad: no window: %s\n", SDL_GetError());
            return false;
        }
        SDL_SetWindowData(window, kWindowDataKey, hwnd);
        WatchXErrorsFor(window);
        ReceiveXDropsFor(window);
        // SDL keeps one connection for all its windows.
        if (!waylandDisplay)
            waylandDisplay = WaylandDisplayOf(window);
        hwnd->native = window;
        return true;
    }

    void DestroyNativeWindow(HWND hwnd) override {
        if (foreground == hwnd)
            foreground = nullptr;
        if (dropWindow == hwnd)
            dropWindow = nullptr;
        auto* window = static_cast<SDL_Window*>(hwnd->native);
        ForgetXDropsFor(window);
        ForgetXErrorsFor(window);
        SDL_DestroyWindow(window);
        hwnd->native = nullptr;
    }

    void ShowNativeWindow(HWND hwnd, bool show) override {
        auto* window = static_cast<SDL_Window*>(hwnd->native);
        if (show) {
            // SDL would wait for ever for a window manager that drops the
            // request; one that maps the window late is seen by SDL then.
            if (MapXWindow(window, kMapRetryMs, kMapLimitMs) == XMapResult::NotMapped) {
                std::fprintf(stderr,
                             "zelqad: the window manager has not shown the window within %d s\n",
                             kMapLimitMs / 1000);
            } else {
                SDL_ShowWindow(window);
                SDL_RaiseWindow(window);
            }
            // A window shown normally becomes the active one; focus events
            // from the window manager keep this up to date afterwards.
            foreground = hwnd;
        } else {
            SDL_HideWindow(window);
            if (foreground == hwnd)
                foreground = nullptr;
        }
    }

    void PumpEvents() override {
        if (!videoReady)
            return;
        SDL_Event event;
        while (SDL_PollEvent(&event))
            Translate(event);
        const auto accepts = [this](SDL_Window* window) {
            return acceptingWindow && acceptingWindow->native == window;
        };
        for (XDrop& drop : AnswerXDrags(accepts))
            PostDrop(static_cast<HWND>(SDL_GetWindowData(drop.window, kWindowDataKey)),
                     std::move(drop.paths));
        EndOnLostWaylandConnection();
    }

    void GetKeyboardState(BYTE keys[256]) override {
        std::memset(keys, 0, 256);
        if (videoReady) {
            int count = 0;
            const Uint8* state = SDL_GetKeyboardState(&count);
            MarkPressedKeys(state, count, SDL_GetKeyFromScancode, keys);
            Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
            if (buttons & SDL_BUTTON_LMASK)
                keys[VK_LBUTTON] |= 0x80;
            if (buttons & SDL_BUTTON_RMASK)
                keys[VK_RBUTTON] |= 0x80;
            if (buttons & SDL_BUTTON_MMASK)
                keys[VK_MBUTTON] |= 0x80;
        }
        keys[VK_SHIFT] = (keys[VK_LSHIFT] | keys[VK_RSHIFT]) & 0x80;
        keys[VK_CONTROL] = (keys[VK_LCONTROL] | keys[VK_RCONTROL]) & 0x80;
        keys[VK_MENU] = (keys[VK_LMENU] | keys[VK_RMENU]) & 0x80;
        for (int vk = 0; vk < 256; ++vk)
            keys[vk] |= toggles[vk];
    }

    POINT GetCursorPos() override {
        if (!videoReady)
            return POINT{0, 0};
        // A warp shows in SDL's state only once its motion event arrives;
        // until then the cursor is where the warp put it.
        if (warpPending)
            return warpTarget;
        int x = 0, y = 0;
        // The window-relative position follows every motion event, warps
        // and drags beyond the edge included; SDL's global query may answer
        // from a cache that only physical motion refreshes.
        if (SDL_Window* focus = SDL_GetMouseFocus()) {
            int wx = 0, wy = 0;
            SDL_GetWindowPosition(focus, &wx, &wy);
            SDL_GetMouseState(&x, &y);
            return POINT{wx + x, wy + y};
        }
        SDL_GetGlobalMouseState(&x, &y);
        return POINT{x, y};
    }

    void SetCursorPos(POINT screen) override {
        if (!videoReady)
            return;
        SDL_WarpMouseGlobal(screen.x, screen.y);
        warpTarget = screen;
        warpPending = true;
    }

    POINT ClientOrigin(HWND hwnd) override {
        int x = hwnd->x, y = hwnd->y;
        if (hwnd->native)
            SDL_GetWindowPosition(static_cast<SDL_Window*>(hwnd->native), &x, &y);
        return POINT{x, y};
    }

    bool MessageBox(HWND owner, const char* text, const char* caption, std::string& why) override {
        SDL_Window* parent = owner ? static_cast<SDL_Window*>(owner->native) : nullptr;
        XCloseWatch closeWatch(parent);
        if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, parent) == 0)
            return true;
        why = SDL_GetError();
        // A box owned by the window must be drawn by the window's own
        // system, which may lack what it needs (X11's lacks its core fonts
        // on some desktops); a box of its own may come from elsewhere, such
        // as the desktop's dialog tool.
        return parent && !TerminationRequested() &&
               SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, nullptr) == 0;
    }

    DWORD Time() override { return DWORD(SDL_GetTicks64()); }

    void Sleep(DWORD milliseconds) override { SDL_Delay(milliseconds); }

    HWND ForegroundWindow() override { return foreground; }

    void AcceptFiles(HWND hwnd, bool accept) override {
        if (accept)
            acceptingWindow = hwnd;
        else if (acceptingWindow == hwnd)
            acceptingWindow = nullptr;
    }

private:
    bool InitVideo() {
        if (videoReady)
            return true;
        // The program's own handlers end it on SIGTERM and SIGINT, message
        // boxes included (EndOnTerminationSignals); SDL's would only queue a
        // quit event that nobody reads.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
        const std::string requestedDriver = requested ? requested : "";
        if (!StartVideo(requestedDriver))
            return false;
        std::string missing =
            MissingDisplayReason(requestedDriver.c_str(), SDL_GetCurrentVideoDriver(),
                                 std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
        if (!missing.empty()) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            std::fprintf(stderr, "zelqad: %s\n", missing.c_str());
            return false;
        }
        SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
        SDL_EventState(SDL_DROPTEXT, SDL_ENABLE);
        videoReady = true;
        return true;
    }

    // Starts SDL's video on the drivers asked for, or on its own choice, but
    // never on Wayland where the compositor offers no seat.
    static bool StartVideo(const std::string& requestedDriver) {
        const char* display = std::getenv("DISPLAY");
        if (WaylandMayBeTried(requestedDriver.c_str()) &&
            ProbeWaylandSeat() == WaylandSeat::Missing) {
            std::string others = DriversBesideWayland(requestedDriver.c_str(), display);
            if (others.empty() ||
                !SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, others.c_str(), SDL_HINT_OVERRIDE) ||
                SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
                std::fprintf(
                    stderr, "zelqad: %s\n",
                    SeatlessWaylandReason(display, std::getenv("WAYLAND_DISPLAY"), !others.empty())
                        .c_str());
                return false;
            }
            return true;
        }
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "zelqad: no video: %s\n", SDL_GetError());
            return false;
        }
        return true;
    }

    // A lost compositor ends the viewer as a lost X server does (there Xlib
    // ends the process); SDL would go on drawing into the dead connection.
    void EndOnLostWaylandConnection() {
        if (waylandLossReported)
            return;
        int error = WaylandConnectionError(waylandDisplay);
        if (error == 0)
            return;
        waylandLossReported = true;
        std::fprintf(stderr, "zelqad: lost the connection to %s: %s\n",
                     WaylandDisplayName(std::getenv("WAYLAND_DISPLAY")).c_str(),
                     std::strerror(error));
        RequestTermination();
    }

    static HWND WindowOfId(Uint32 id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (!window)
            return nullptr;
        HWND hwnd = static_cast<HWND>(SDL_GetWindowData(window, kWindowDataKey));
        return IsLiveWindow(hwnd) ? hwnd : nullptr;
    }

    void Translate(const SDL_Event& event) {
        switch (event.type) {
        case SDL_MOUSEMOTION:
            warpPending = false; // SDL's own state is newer than the warp
            break;
        case SDL_WINDOWEVENT: {
            HWND hwnd = WindowOfId(event.window.windowID);
            if (!hwnd)
                break;
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
            else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
                foreground = hwnd;
            else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && foreground == hwnd)
                foreground = nullptr;
            break;
        }
        case SDL_MOUSEWHEEL: {
            HWND hwnd = WindowOfId(event.wheel.windowID);
            if (!hwnd)
                break;
            float notches = event.wheel.preciseY;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                notches = -notches;
            // Fine-resolution wheels send fractions of a notch; the fraction
            // that does not make a whole unit yet waits for the next event.
            wheelResidue += notches * WHEEL_DELTA;
            int delta = int(wheelResidue);
            wheelResidue -= float(delta);
            if (delta != 0)
                PostMessageA(hwnd, WM_MOUSEWHEEL, WPARAM(WORD(SHORT(delta))) << 16, 0);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            int vk = VirtualKeyFromKey(event.key.keysym.scancode, event.key.keysym.sym);
            bool down = event.type == SDL_KEYDOWN;
            if (down && !event.key.repeat && vk)
                toggles[vk] ^= 1;
            HWND hwnd = WindowOfId(event.key.windowID);
            if (!hwnd)
                break;
            bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
            bool system = alt || vk == VK_F10;
            UINT msg =
                down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
            PostMessageA(hwnd, msg, WPARAM(vk), alt ? LPARAM(KF_ALTDOWN) << 16 : 0);
            break;
        }
        case SDL_DROPBEGIN:
            dropWindow = WindowOfId(event.drop.windowID);
            dropPaths.clear();
            dropOpen = true;
            break;
        case SDL_DROPFILE: {
            // Where SDL receives the drop itself (Wayland), it has already
            // turned each URI it could into a path.
            const char* given = event.drop.file ? event.drop.file : "";
            DroppedItem item = ReadDroppedItem(given, hostName);
            if (item.kind == DroppedItem::Kind::LocalFile)
                dropPaths.push_back(std::move(item.path));
            else
                ReportIgnoredItem(given);
            SDL_free(event.drop.file);
            if (!dropOpen)
                dropWindow = WindowOfId(event.drop.windowID);
            if (!dropOpen)
                FinishDrop();
            break;
        }
        case SDL_DROPTEXT: {
            // Text that lists files is a drop of those files.
            DroppedFiles files = ReadDroppedText(event.drop.file ? event.drop.file : "", hostName);
            SDL_free(event.drop.file);
            if (!dropOpen)
                dropWindow = WindowOfId(event.drop.windowID);
            if (!files.refusal.empty())
                std::fprintf(stderr, "zelqad: dropped text ignored: %s\n", files.refusal.c_str());
            for (std::string& path : files.paths)
                dropPaths.push_back(std::move(path));
            if (!dropOpen)
                FinishDrop();
            break;
        }
        case SDL_DROPCOMPLETE:
            FinishDrop();
            break;
        default:
            break;
        }
    }

    void FinishDrop() {
        PostDrop(dropWindow ? dropWindow : acceptingWindow, std::move(dropPaths));
        dropPaths.clear();
        dropOpen = false;
        dropWindow = nullptr;
    }

    // One drop message per drop, however many files it carries.
    void PostDrop(HWND target, std::vector<std::string> paths) {
        if (target && target == acceptingWindow && !paths.empty())
            PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(std::move(paths))),
                         0);
    }

    bool videoReady = false;
    wl_display* waylandDisplay = nullptr;
    bool waylandLossReported = false;
    HWND foreground = nullptr;
    HWND acceptingWindow = nullptr;
    HWND dropWindow = nullptr;
    bool dropOpen = false;
    std::vector<std::string> dropPaths;
    const std::string hostName = ThisHostName();
    float wheelResidue = 0.0f;
    bool warpPending = false;
    POINT warpTarget{0, 0};
    BYTE toggles[256] = {};
};

} // namespace

Win32Backend& SdlWin32Backend() {
    static SdlBackend backend;
    return backend;
}

SDL_Window* SdlWindowOf(HWND hwnd) {
    return IsLiveWindow(hwnd) ? static_cast<SDL_Window*>(hwnd->native) : nullptr;
}
