// Maps SDL scancodes to the virtual-key codes of GetKeyboardState.
#pragma once

#include <SDL_scancode.h>

// 0 where the key has no virtual-key code that this program uses.
int VirtualKeyFromScancode(SDL_Scancode scancode);
