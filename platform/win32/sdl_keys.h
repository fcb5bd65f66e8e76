// Maps SDL keys to the virtual-key codes of key messages and GetKeyboardState.
#pragma once

#include "platform/win32/win32.h"

#include <SDL_keycode.h>
#include <SDL_scancode.h>

// As Windows names keys: letters and digits by the keyboard layout (the key
// labelled Z is 'Z' on a German keyboard too), every other key by its
// position. 0 where the key has no virtual-key code that this program uses.
int VirtualKeyFromKey(SDL_Scancode scancode, SDL_Keycode keycode);

// Marks (0x80) the virtual key of every pressed entry of SDL's keyboard
// state, each scancode named through `layout` (SDL_GetKeyFromScancode).
void MarkPressedKeys(const Uint8* pressed, int count, SDL_Keycode (*layout)(SDL_Scancode),
                     BYTE keys[256]);
