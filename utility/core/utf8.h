// Reading UTF-8 text a code point at a time, as file names and messages
// come.
#pragma once

#include <cstddef>
#include <string_view>

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point that starts at `at` in `text`, moving `at` past it. A byte
// that does not start a well-formed sequence (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, a value past U+10FFFF)
// reads as U+FFFD and is passed alone, so that the next one is read afresh.
// `at` must be before the end.
char32_t NextCodePoint(std::string_view text, size_t& at);
