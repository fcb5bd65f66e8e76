// Xlib's hook for turning what the server sent into an event, through which
// we see events of SDL's connection as Xlib reads them. Its header,
// Xlibint.h, cannot stand beside the standard library's headers (it defines
// min and max as macros), so it is declared here as Xlib has it. A hook
// calls the one it replaced first; returning False drops the event before
// anyone, SDL included, can read it. Hooks run with the display locked, on
// whichever thread reads it: they must make no Xlib calls.
#pragma once

#include <X11/Xlib.h>

struct _xEvent;
using WireToEvent = Bool (*)(Display*, XEvent*, _xEvent*);
extern "C" WireToEvent XESetWireToEvent(Display* display, int eventType, WireToEvent hook);

// The type of the event on the wire: its first byte, less the bit that
// marks a sent one.
inline int WireEventType(const _xEvent* wire) {
    return *reinterpret_cast<const unsigned char*>(wire) & 0x7f;
}
