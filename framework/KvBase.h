// Root of the application framework: the one main window, the message loop,
// frame pacing at a fixed rate with frame-rate statistics, the modal message
// box, and the three hooks an application overrides.
#pragma once

#include "platform/win32/win32.h"

#include <cstdint>

class KvBase {
public:
    using DropHandler = void (*)(const char* path);

    KvBase() = default;
    KvBase(const KvBase&) = delete;
    KvBase& operator=(const KvBase&) = delete;
    virtual ~KvBase();

    virtual bool OnInit() = 0;
    virtual void OnTerm() = 0;
    virtual void OnFrame() = 0;

    // Blocks until the loop ends. False when the class or the window cannot be
    // made or OnInit fails (the window then stays until the shell goes).
    bool Run(HINSTANCE instance, float fps);

    // printf-style text, cut to 1024 characters, in a modal box with OK.
    void ShowMessage(const char* caption, const char* format, ...)
        __attribute__((format(printf, 3, 4)));

    // The window accepts dropped files exactly while a handler is installed.
    void SetDropHandler(DropHandler handler);
    // While the handler runs for a dropped file, the file's place in its
    // drop: 0 for the first, and outside a drop.
    static UINT DroppedFileIndex();
    // The procedure of the window class; tests and benchmarks, whose windows
    // are of a class of their own, hand it messages directly.
    static LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    // A run that only draws pictures for files keeps its window hidden.
    bool showWindow = true;
    // The client size Run opens the window with; a picture drawn for a file
    // may want another.
    std::int32_t clientWidth = 1024;
    std::int32_t clientHeight = 768;

    HWND hwnd = nullptr;
    HINSTANCE hinstance = nullptr;
    bool quit = false;
    std::int32_t width = 0;
    std::int32_t height = 0;
    float aspect = 0.0f;
    float framePeriod = 0.0f;   // ms
    std::uint32_t frameDue = 0; // timeGetTime of the next frame
    float frameCarry = 0.0f;    // fractional ms carried between frames
    std::uint32_t fpsWindowStart = 0;
    std::int32_t fpsFrameCount = 0;
    std::int32_t fps = 0;
    float frameTime = 0.0f; // smoothed ms of work per frame

protected:
    // For the most-derived destructor: while the application is still whole,
    // runs OnTerm and destroys a window that is still open. The base
    // destructor cannot do it, because by then the overrides are gone.
    void CloseIfOpen();

private:
    void PumpMessages();
    void StepFrame();
};
