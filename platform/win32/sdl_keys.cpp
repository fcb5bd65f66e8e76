#include "platform/win32/sdl_keys.h"

namespace {

// The key by its position, as on a US keyboard.
int VirtualKeyFromScancode(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9)
        return '1' + (sc - SDL_SCANCODE_1);
    if (sc == SDL_SCANCODE_0)
        return '0';
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
        return VK_F1 + (sc - SDL_SCANCODE_F1);
    switch (sc) {
    case SDL_SCANCODE_ESCAPE:
        return VK_ESCAPE;
    case SDL_SCANCODE_SPACE:
        return VK_SPACE;
    case SDL_SCANCODE_RETURN:
        return VK_RETURN;
    case SDL_SCANCODE_BACKSPACE:
        return VK_BACK;
    case SDL_SCANCODE_TAB:
        return VK_TAB;
    case SDL_SCANCODE_PAUSE:
        return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK:
        return VK_CAPITAL;
    case SDL_SCANCODE_PAGEUP:
        return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN:
        return VK_NEXT;
    case SDL_SCANCODE_END:
        return VK_END;
    case SDL_SCANCODE_HOME:
        return VK_HOME;
    case SDL_SCANCODE_LEFT:
        return VK_LEFT;
    case SDL_SCANCODE_UP:
        return VK_UP;
    case SDL_SCANCODE_RIGHT:
        return VK_RIGHT;
    case SDL_SCANCODE_DOWN:
        return VK_DOWN;
    case SDL_SCANCODE_INSERT:
        return VK_INSERT;
    case SDL_SCANCODE_DELETE:
        return VK_DELETE;
    case SDL_SCANCODE_LSHIFT:
        return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT:
        return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL:
        return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL:
        return VK_RCONTROL;
    case SDL_SCANCODE_LALT:
        return VK_LMENU;
    case SDL_SCANCODE_RALT:
        return VK_RMENU;
    default:
        return 0;
    }
}

// The punctuation keys by the character the layout gives them, wherever the
// key is.
int VirtualKeyFromPunctuation(SDL_Keycode keycode) {
    switch (keycode) {
    case SDLK_EQUALS:
    case SDLK_PLUS:
        return VK_OEM_PLUS;
    case SDLK_COMMA:
        return VK_OEM_COMMA;
    case SDLK_MINUS:
        return VK_OEM_MINUS;
    case SDLK_PERIOD:
        return VK_OEM_PERIOD;
    case SDLK_LEFTBRACKET:
        return VK_OEM_4;
    case SDLK_RIGHTBRACKET:
        return VK_OEM_6;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    default:
        return 0;
    }
}

} // namespace

int VirtualKeyFromKey(SDL_Scancode scancode, SDL_Keycode keycode) {
    if (keycode >= SDLK_a && keycode <= SDLK_z)
        return 'A' + (keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9)
        return '0' + (keycode - SDLK_0);
    // The digit row's keys are the digits, whatever the layout gives them
    // unshifted.
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_0)
        return VirtualKeyFromScancode(scancode);
    if (int vk = VirtualKeyFromPunctuation(keycode))
        return vk;
    // A letter position that the layout gives another punctuation mark is a
    // key this program does not use. Letters of other scripts keep their
    // position, as Windows does.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z && keycode > 0 && keycode < 0x80)
        return 0;
    return VirtualKeyFromScancode(scancode);
}

void MarkPressedKeys(const Uint8* pressed, int count, SDL_Keycode (*layout)(SDL_Scancode),
                     BYTE keys[256]) {
    for (int i = 0; i < count; ++i) {
        if (!pressed[i])
            continue;
        auto scancode = SDL_Scancode(i);
        if (int vk = VirtualKeyFromKey(scancode, layout(scancode)))
            keys[vk] |= 0x80;
    }
}
