#include "utility/core/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<char32_t> CodePoints(std::string_view text) {
    std::vector<char32_t> points;
    for (size_t at = 0; at < text.size();)
        points.push_back(NextCodePoint(text, at));
    return points;
}

} // namespace

TEST(Utf8Test, EachLengthOfSequenceReadsAsItsCodePoint) {
    EXPECT_EQ(CodePoints("a_\xC3\xBC\xD1\x81\xE6\xA8\xA1\xF0\x9F\x98\x80"),
              (std::vector<char32_t>{'a', '_', 0xFC, 0x441, 0x6A21, 0x1F600}));
}

// Each bad byte stands for itself, so what follows it still reads.
TEST(Utf8Test, MalformedBytesReadAsOneReplacementEach) {
    const char32_t bad = kReplacementCharacter;
    const struct {
        std::string text;
        std::vector<char32_t> points;
    } cases[] = {
        {"\x80z", {bad, 'z'}},                      // a stray continuation byte
        {"\xFFz", {bad, 'z'}},                      // no sequence starts so
        {"\xE6\xA8", {bad, bad}},                   // cut short by the end
        {"\xE6z\xA1", {bad, 'z', bad}},             // cut short by another byte
        {"\xC0\xAF", {bad, bad}},                   // '/' in an overlong form
        {"\xED\xA0\x80", {bad, bad, bad}},          // a surrogate
        {"\xF4\x90\x80\x80", {bad, bad, bad, bad}}, // past U+10FFFF
        {std::string("a\0b", 3), {'a', 0, 'b'}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodePoints(c.text), c.points) << c.text;
}
