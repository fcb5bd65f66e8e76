// Key codes as Windows gives them: letters and digits by the keyboard
// layout, every other key by its position.
#include "platform/win32/sdl_keys.h"

#include <SDL_keyboard.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

// The German layout where it differs from the US one: Z and Y change places,
// and umlauts sit on punctuation positions.
SDL_Keycode GermanLayout(SDL_Scancode sc) {
    switch (sc) {
    case SDL_SCANCODE_Y:
        return SDLK_z;
    case SDL_SCANCODE_Z:
        return SDLK_y;
    case SDL_SCANCODE_SEMICOLON:
        return 0xF6; // o umlaut
    default:
        if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
            return SDLK_a + (sc - SDL_SCANCODE_A);
        return SDL_SCANCODE_TO_KEYCODE(sc);
    }
}

} // namespace

TEST(SdlKeysTest, LettersAndDigitsFollowTheLayoutOtherKeysTheirPosition) {
    struct Case {
        const char* layout;
        SDL_Scancode position;
        SDL_Keycode label;
        int vk;
    } cases[] = {
        {"US", SDL_SCANCODE_Z, SDLK_z, 'Z'},
        {"US", SDL_SCANCODE_X, SDLK_x, 'X'},
        {"US", SDL_SCANCODE_0, SDLK_0, '0'},
        {"German", SDL_SCANCODE_Y, SDLK_z, 'Z'},
        {"German", SDL_SCANCODE_Z, SDLK_y, 'Y'},
        {"German", SDL_SCANCODE_SEMICOLON, 0xF6, 0},
        {"French", SDL_SCANCODE_W, SDLK_z, 'Z'},
        {"French", SDL_SCANCODE_Q, SDLK_a, 'A'},
        {"French", SDL_SCANCODE_SEMICOLON, SDLK_m, 'M'},
        // Punctuation goes by the mark the layout gives, wherever its key is.
        {"US", SDL_SCANCODE_LEFTBRACKET, SDLK_LEFTBRACKET, VK_OEM_4},
        {"US", SDL_SCANCODE_EQUALS, SDLK_EQUALS, VK_OEM_PLUS},
        {"French", SDL_SCANCODE_M, SDLK_COMMA, VK_OEM_COMMA},
        {"German", SDL_SCANCODE_SLASH, SDLK_MINUS, VK_OEM_MINUS},
        {"German", SDL_SCANCODE_RIGHTBRACKET, SDLK_PLUS, VK_OEM_PLUS},
        {"German", SDL_SCANCODE_8, SDLK_8, '8'}, // [ is AltGr+8
        // The digit row gives symbols unshifted, yet its keys are the digits.
        {"French", SDL_SCANCODE_1, SDLK_AMPERSAND, '1'},
        {"French", SDL_SCANCODE_2, 0xE9, '2'},
        {"French", SDL_SCANCODE_6, SDLK_MINUS, '6'},
        // Letters of another script keep their position.
        {"Russian", SDL_SCANCODE_Z, 0x44F, 'Z'},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VirtualKeyFromKey(c.position, c.label), c.vk)
            << c.layout << " " << SDL_GetScancodeName(c.position);

    // Keys without a letter or digit go by their position.
    struct PositionCase {
        SDL_Scancode position;
        SDL_Keycode label;
        int vk;
    } positions[] = {
        {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, VK_ESCAPE},
        {SDL_SCANCODE_SPACE, SDLK_SPACE, VK_SPACE},
        {SDL_SCANCODE_F4, SDLK_F4, VK_F4},
        {SDL_SCANCODE_F10, SDLK_F10, VK_F10},
        {SDL_SCANCODE_LALT, SDLK_LALT, VK_LMENU},
        {SDL_SCANCODE_RALT, SDLK_MODE, VK_RMENU}, // AltGr
        {SDL_SCANCODE_LEFT, SDLK_LEFT, VK_LEFT},
        {SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, VK_RSHIFT},
        {SDL_SCANCODE_KP_5, SDLK_KP_5, 0},
    };
    for (const PositionCase& c : positions) {
        EXPECT_EQ(VirtualKeyFromKey(c.position, c.label), c.vk) << SDL_GetScancodeName(c.position);
        // A layout that gives the key no symbol at all changes nothing.
        EXPECT_EQ(VirtualKeyFromKey(c.position, SDLK_UNKNOWN), c.vk)
            << SDL_GetScancodeName(c.position);
    }
}

TEST(SdlKeysTest, PolledStateNamesEachPressedKeyThroughTheLayout) {
    // A letter's virtual key is its capital's code; as a BYTE it indexes the
    // key table without the sign of a char.
    constexpr BYTE kVkQ = 'Q', kVkY = 'Y', kVkZ = 'Z';
    Uint8 pressed[SDL_NUM_SCANCODES] = {};
    pressed[SDL_SCANCODE_Y] = 1; // labelled Z on a German keyboard
    pressed[SDL_SCANCODE_SPACE] = 1;
    BYTE keys[256] = {};
    keys[kVkQ] = 0x01; // toggle bits stay
    MarkPressedKeys(pressed, SDL_NUM_SCANCODES, GermanLayout, keys);
    BYTE expected[256] = {};
    expected[kVkZ] = 0x80;
    expected[VK_SPACE] = 0x80;
    expected[kVkQ] = 0x01;
    EXPECT_EQ(std::memcmp(keys, expected, sizeof keys), 0);
    EXPECT_EQ(keys[kVkY], 0);
}
