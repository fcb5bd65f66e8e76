// X protocol errors that other clients cause. Xlib's default handler ends the
// process on any error, and a drag source whose window has gone (destroyed
// before the replies of the drop protocol reach it) makes our requests
// about that window fail. Errors about our own windows still go to the
// handler that was there before (SDL's, which then ends the program as Xlib
// does); any other is logged and the program carries on.
#pragma once

struct SDL_Window;

// Counts the window as ours and makes sure the handler is in place (again,
// where SDL restored the default after a restart of its video). Does nothing
// for a window that is not an X11 one.
void WatchXErrorsFor(SDL_Window* window);

// Forgets a window that is about to be destroyed.
void ForgetXErrorsFor(SDL_Window* window);
