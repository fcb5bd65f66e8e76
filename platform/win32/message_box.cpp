// MessageBoxA: the box itself comes from the backend; every message also goes
// to stderr, so that it survives where no box can be shown.
#include "platform/win32/message_box.h"

#include "platform/win32/termination.h"
#include "platform/win32/win32_backend.h"
#include "platform/win32/window.h"

#include <cstdio>
#include <cstring>

namespace {

bool boxesShown = true;

} // namespace

void SetMessageBoxesShown(bool shown) {
    boxesShown = shown;
}

std::string MessageLine(const char* caption, const char* text) {
    std::string line = "zelqad: ";
    // Most texts already begin with their caption ("Failed: Load Mesh from
    // X"); saying it twice helps nobody.
    std::size_t captionLength = std::strlen(caption);
    bool captioned = std::strncmp(text, caption, captionLength) == 0 &&
                     std::strncmp(text + captionLength, ": ", 2) == 0;
    if (!captioned) {
        line += caption;
        line += ": ";
    }
    // Further lines (a compiler's log) are indented under the first, and
    // blank ones dropped, so that the message reads as one entry of a log.
    bool first = true;
    for (const char* start = text;;) {
        const char* end = std::strchr(start, '\n');
        std::size_t length = end ? std::size_t(end - start) : std::strlen(start);
        if (first || length > 0) {
            if (!first)
                line += "\n  ";
            line.append(start, length);
            first = false;
        }
        if (!end)
            break;
        start = end + 1;
    }
    line += '\n';
    return line;
}

int MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT) {
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : "Error";
    std::fputs(MessageLine(shownCaption, shownText).c_str(), stderr);
    // The program is ending on a signal, or nobody is there to answer a box.
    if (TerminationRequested() || !boxesShown)
        return 0;
    std::string why;
    bool shown;
    {
        ModalBoxScope box;
        shown = CurrentWin32Backend().MessageBox(IsLiveWindow(hwnd) ? hwnd : nullptr, shownText,
                                                 shownCaption, why);
    }
    if (shown)
        return IDOK;
    // Whoever called goes on as after an answered box; the message is above.
    if (!TerminationRequested())
        std::fprintf(stderr, "zelqad: no message box could be shown (%s)\n", why.c_str());
    return 0;
}
