#include "utility/core/utf8.h"

namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

char32_t NextCodePoint(std::string_view text, size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    auto invalid = [&] {
        ++at;
        return kReplacementCharacter;
    };
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    size_t length;
    char32_t value;
    char32_t least; // the smallest value that needs this length
    if ((lead & 0xE0) == 0xC0)
        length = 2, value = lead & 0x1F, least = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, value = lead & 0x0F, least = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, value = lead & 0x07, least = 0x10000;
    else
        return invalid();
    if (text.size() - at < length)
        return invalid();
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if (!IsContinuation(next))
            return invalid();
        value = value << 6 | (next & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return invalid();
    at += length;
    return value;
}
