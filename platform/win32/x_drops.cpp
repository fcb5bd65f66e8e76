#include "platform/win32/x_drops.h"

#if defined(ZQ_HAVE_X11)

#include "platform/win32/drop.h"
#include "platform/win32/x_window.h"
#include "platform/win32/x_wire_hooks.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <mutex>

namespace {

// The version of the drag protocol we speak; a source of a later one is
// ignored, as the protocol asks.
constexpr int kProtocolVersion = 5;

struct Atoms {
    Atom enter, position, status, leave, drop, finished;
    Atom selection, typeList, actionCopy, incr, received;
    Atom uriList, textPlain, textPlainUtf8;
};

// One drag over one of our windows.
struct Drag {
    Window window = None;
    SDL_Window* sdlWindow = nullptr;
    Window source = None;
    int version = 0;
    Atom type = None; // what we will ask for; None: nothing we can read
    bool accepted = false;
    bool converting = false;
};

Display* display = nullptr;
Atoms atoms;
WireToEvent originalClientMessage = nullptr;
WireToEvent originalSelectionNotify = nullptr;
std::vector<Drag> drags; // one for each window of ours, on the event thread

// What the wire-to-event hook sees: it may run on any thread that reads the
// display, with the display locked, so it only copies.
std::mutex heldMutex;
std::vector<Window> ourWindows; // guarded by heldMutex
std::vector<XEvent> held;       // guarded by heldMutex

bool IsOurs(Window window) {
    return std::find(ourWindows.begin(), ourWindows.end(), window) != ourWindows.end();
}

bool IsDragMessage(const XEvent& event) {
    if (event.type == ClientMessage) {
        const Atom type = event.xclient.message_type;
        return (type == atoms.enter || type == atoms.position || type == atoms.leave ||
                type == atoms.drop) &&
               IsOurs(event.xclient.window);
    }
    return event.type == SelectionNotify && event.xselection.selection == atoms.selection &&
           IsOurs(event.xselection.requestor);
}

// Holds the drag messages back from SDL as Xlib reads them.
Bool HoldDragMessages(Display* from, XEvent* event, _xEvent* wire) {
    const WireToEvent original =
        WireEventType(wire) == ClientMessage ? originalClientMessage : originalSelectionNotify;
    if (!original(from, event, wire))
        return False;
    std::lock_guard<std::mutex> lock(heldMutex);
    if (!IsDragMessage(*event))
        return True;
    held.push_back(*event);
    return False;
}

Atom Intern(const char* name) {
    return XInternAtom(display, name, False);
}

void InternAtoms() {
    atoms.enter = Intern("XdndEnter");
    atoms.position = Intern("XdndPosition");
    atoms.status = Intern("XdndStatus");
    atoms.leave = Intern("XdndLeave");
    atoms.drop = Intern("XdndDrop");
    atoms.finished = Intern("XdndFinished");
    atoms.selection = Intern("XdndSelection");
    atoms.typeList = Intern("XdndTypeList");
    atoms.actionCopy = Intern("XdndActionCopy");
    atoms.incr = Intern("INCR");
    atoms.received = Intern("ZELQAD_DROPPED_FILES");
    atoms.uriList = Intern("text/uri-list");
    atoms.textPlain = Intern("text/plain");
    atoms.textPlainUtf8 = Intern("text/plain;charset=utf-8");
}

void SendToSource(const Drag& drag, Atom type, long l1, long l2, long l3, long l4) {
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.display = display;
    reply.xclient.window = drag.source;
    reply.xclient.message_type = type;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = long(drag.window);
    reply.xclient.data.l[1] = l1;
    reply.xclient.data.l[2] = l2;
    reply.xclient.data.l[3] = l3;
    reply.xclient.data.l[4] = l4;
    XSendEvent(display, drag.source, False, NoEventMask, &reply);
    XFlush(display);
}

// Ready for the next drag over the same window.
void Forget(Drag& drag) {
    drag.source = None;
    drag.version = 0;
    drag.type = None;
    drag.accepted = false;
    drag.converting = false;
}

// Ends the drag for its source, which may then let go of its data.
void Finish(Drag& drag, bool taken) {
    // Sources before version 2 expect no answer to the drop.
    if (drag.version >= 2)
        SendToSource(drag, atoms.finished, taken ? 1 : 0, long(taken ? atoms.actionCopy : None), 0,
                     0);
    Forget(drag);
}

void Refuse(Drag& drag, const std::string& reason) {
    std::fprintf(stderr, "zelqad: drop refused: %s\n", reason.c_str());
    Finish(drag, false);
}

// The types the source offers: up to three in the message, or all of them
// in a list on its window.
std::vector<Atom> OfferedTypes(const XClientMessageEvent& enter) {
    std::vector<Atom> types;
    if (!(enter.data.l[1] & 1)) {
        for (int i = 2; i < 5; ++i)
            if (enter.data.l[i] != None)
                types.push_back(Atom(enter.data.l[i]));
        return types;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // A source whose window has gone makes this fail, with an error that is
    // logged as another client's.
    if (XGetWindowProperty(display, Window(enter.data.l[0]), atoms.typeList, 0, 1024, False,
                           XA_ATOM, &type, &format, &count, &after, &data) == Success &&
        data && format == 32)
        types.assign(reinterpret_cast<const unsigned long*>(data),
                     reinterpret_cast<const unsigned long*>(data) + count);
    if (data)
        XFree(data);
    return types;
}

// What to ask the source for: a list of URIs, else plain text that may list
// files. Atoms are compared as numbers: a type that names no atom simply
// matches none.
Atom ChooseType(const std::vector<Atom>& offered) {
    for (Atom wanted : {atoms.uriList, atoms.textPlainUtf8, atoms.textPlain})
        if (std::find(offered.begin(), offered.end(), wanted) != offered.end())
            return wanted;
    return None;
}

Drag* DragOf(Window window) {
    for (Drag& drag : drags)
        if (drag.window == window)
            return &drag;
    return nullptr;
}

void OnEnter(Drag& drag, const XClientMessageEvent& enter) {
    Forget(drag);
    drag.source = Window(enter.data.l[0]);
    drag.version = int((unsigned long)(enter.data.l[1]) >> 24);
    drag.type = drag.version <= kProtocolVersion ? ChooseType(OfferedTypes(enter)) : None;
}

void OnPosition(Drag& drag, const XClientMessageEvent& position,
                const std::function<bool(SDL_Window*)>& accepts) {
    if (Window(position.data.l[0]) != drag.source || drag.version > kProtocolVersion)
        return;
    drag.accepted = drag.type != None && accepts(drag.sdlWindow);
    // Bit 1: send every move, so that a window that stops taking drops can
    // say so.
    SendToSource(drag, atoms.status, (drag.accepted ? 1 : 0) | 2, 0, 0,
                 long(drag.accepted ? atoms.actionCopy : None));
}

void OnDrop(Drag& drag, const XClientMessageEvent& drop) {
    if (Window(drop.data.l[0]) != drag.source)
        return;
    if (!drag.accepted) {
        Refuse(drag, drag.type == None ? "it offers no list of files" : "the window takes no drop");
        return;
    }
    const Time time = drag.version >= 1 ? Time(drop.data.l[2]) : CurrentTime;
    XConvertSelection(display, atoms.selection, drag.type, atoms.received, drag.window, time);
    XFlush(display);
    drag.converting = true;
}

// The data the source put on our window, deleted there once read.
bool ReadReceived(Window window, Atom& type, std::string& bytes) {
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const bool read =
        XGetWindowProperty(display, window, atoms.received, 0, LONG_MAX / 4, True, AnyPropertyType,
                           &type, &format, &count, &after, &data) == Success &&
        data && format == 8;
    if (read)
        bytes.assign(reinterpret_cast<const char*>(data), count);
    if (data)
        XFree(data);
    return read;
}

void OnSelection(Drag& drag, const XSelectionEvent& selection, std::vector<XDrop>& completed) {
    if (!drag.converting)
        return;
    drag.converting = false;
    Atom type = None;
    std::string bytes;
    if (selection.property == None || !ReadReceived(drag.window, type, bytes)) {
        Refuse(drag, "its source gave no list of files");
        return;
    }
    // Data of this size come in pieces, which are not collected.
    if (type == atoms.incr) {
        Refuse(drag, "its list of files is too long to receive");
        return;
    }
    const std::string hostName = ThisHostName();
    DroppedFiles files = drag.type == atoms.uriList ? ReadUriList(bytes, hostName)
                                                    : ReadDroppedText(bytes, hostName);
    for (const std::string& item : files.ignored)
        ReportIgnoredItem(item);
    if (!files.refusal.empty()) {
        Refuse(drag, files.refusal);
        return;
    }
    completed.push_back(XDrop{drag.sdlWindow, std::move(files.paths)});
    Finish(drag, true);
}

std::vector<XEvent> TakeHeld() {
    std::lock_guard<std::mutex> lock(heldMutex);
    std::vector<XEvent> taken;
    taken.swap(held);
    return taken;
}

} // namespace

void ReceiveXDropsFor(SDL_Window* window) {
    const XWindowOfSdl x = XWindowOf(window);
    const Window id = x.window;
    if (id == None || (display && x.display != display))
        return;
    if (!display) {
        display = x.display;
        InternAtoms();
        originalClientMessage = XESetWireToEvent(display, ClientMessage, HoldDragMessages);
        originalSelectionNotify = XESetWireToEvent(display, SelectionNotify, HoldDragMessages);
    }
    Drag drag;
    drag.window = id;
    drag.sdlWindow = window;
    drags.push_back(drag);
    std::lock_guard<std::mutex> lock(heldMutex);
    ourWindows.push_back(id);
}

void ForgetXDropsFor(SDL_Window* window) {
    const XWindowOfSdl x = XWindowOf(window);
    const Window id = x.window;
    if (!display || id == None || x.display != display)
        return;
    drags.erase(std::remove_if(drags.begin(), drags.end(),
                               [id](const Drag& drag) { return drag.window == id; }),
                drags.end());
    std::lock_guard<std::mutex> lock(heldMutex);
    ourWindows.erase(std::remove(ourWindows.begin(), ourWindows.end(), id), ourWindows.end());
    held.erase(std::remove_if(held.begin(), held.end(),
                              [id](const XEvent& event) { return event.xany.window == id; }),
               held.end());
    // The last window gone, SDL may close this display and open another.
    if (ourWindows.empty()) {
        XESetWireToEvent(display, ClientMessage, originalClientMessage);
        XESetWireToEvent(display, SelectionNotify, originalSelectionNotify);
        held.clear();
        display = nullptr;
    }
}

std::vector<XDrop> AnswerXDrags(const std::function<bool(SDL_Window*)>& accepts) {
    std::vector<XDrop> completed;
    for (const XEvent& event : TakeHeld()) {
        if (event.type == SelectionNotify) {
            if (Drag* drag = DragOf(event.xselection.requestor))
                OnSelection(*drag, event.xselection, completed);
            continue;
        }
        const XClientMessageEvent& message = event.xclient;
        Drag* drag = DragOf(message.window);
        if (!drag)
            continue;
        if (message.message_type == atoms.enter)
            OnEnter(*drag, message);
        else if (message.message_type == atoms.position)
            OnPosition(*drag, message, accepts);
        else if (message.message_type == atoms.drop)
            OnDrop(*drag, message);
        else if (message.message_type == atoms.leave && Window(message.data.l[0]) == drag->source)
            Forget(*drag);
    }
    return completed;
}

#else

// Without X11, SDL's drops are the only ones.
void ReceiveXDropsFor(SDL_Window*) {}
void ForgetXDropsFor(SDL_Window*) {}
std::vector<XDrop> AnswerXDrags(const std::function<bool(SDL_Window*)>&) {
    return {};
}

#endif
