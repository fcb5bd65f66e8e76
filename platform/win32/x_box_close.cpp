#include "platform/win32/x_box_close.h"

#if defined(ZQ_HAVE_X11)

#include "platform/win32/termination.h"
#include "platform/win32/x_window.h"
#include "platform/win32/x_wire_hooks.h"

#include <poll.h>

#include <atomic>
#include <system_error>
#include <thread>

namespace {

// One box is up at a time: boxes are modal.
Display* display = nullptr;
Window watched = None;
Atom protocols = None;
Atom deleteWindow = None;
WireToEvent replaced = nullptr;
std::atomic<bool> stopping{false};
std::thread reader;

// How often the reader looks whether the box has gone.
constexpr int kStopPollMs = 50;

// A close request stays in the queue for SDL, which reads it once the box
// has gone; by then the program is ending anyway.
Bool NoticeCloseRequest(Display* from, XEvent* event, _xEvent* wire) {
    if (!replaced(from, event, wire))
        return False;
    const XClientMessageEvent& message = event->xclient;
    if (message.window == watched && message.message_type == protocols && message.format == 32 &&
        Atom(message.data.l[0]) == deleteWindow)
        RequestTermination();
    return True;
}

// Reads what has come, so that the hook sees it; never waits for more.
void ReadEvents() {
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (!stopping.load()) {
        if (poll(&connection, 1, kStopPollMs) > 0)
            XEventsQueued(display, QueuedAfterReading);
    }
}

} // namespace

XCloseWatch::XCloseWatch(SDL_Window* window) {
    const XWindowOfSdl x = XWindowOf(window);
    if (x.window == None)
        return;
    display = x.display;
    watched = x.window;
    protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    replaced = XESetWireToEvent(display, ClientMessage, NoticeCloseRequest);
    stopping = false;
    try {
        reader = std::thread(ReadEvents);
    } catch (const std::system_error&) {
        // The box still works; only a close request waits for it.
    }
}

XCloseWatch::~XCloseWatch() {
    if (!display)
        return;
    stopping = true;
    if (reader.joinable())
        reader.join();
    XESetWireToEvent(display, ClientMessage, replaced);
    display = nullptr;
    watched = None;
}

#else

// Without X11 there is nothing to watch.
XCloseWatch::XCloseWatch(SDL_Window*) {}
XCloseWatch::~XCloseWatch() {}

#endif
