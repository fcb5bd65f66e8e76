// SIGTERM and SIGINT end the program through its own message loop, as a
// close request would: the loop ends, the termination hook releases what
// exists, the window goes, and so does a message box that is open.
#pragma once

// Installs the handlers for SIGTERM and SIGINT. A signal that the process
// inherited as ignored (a background job of a script) stays ignored. A
// second signal of the same kind ends the process at once.
void EndOnTerminationSignals();

// Ends the program as those signals do, a box that is up included, for a
// cause that the platform layer finds itself: the connection to the display
// lost, or a close request that came while a box was up. Safe on any thread.
void RequestTermination();

// True once one of those signals has arrived, or termination was requested.
// PeekMessageA then posts one WM_QUIT, and MessageBoxA shows no more boxes.
bool TerminationRequested();

// Marks the time a modal box is up on this thread. The box may be drawn by a
// child process (SDL's X11 box forks one that keeps the connection, and with
// it the window, alive), so a signal in that time ends this thread's
// children too.
class ModalBoxScope {
public:
    ModalBoxScope();
    ~ModalBoxScope();
    ModalBoxScope(const ModalBoxScope&) = delete;
    ModalBoxScope& operator=(const ModalBoxScope&) = delete;
};
