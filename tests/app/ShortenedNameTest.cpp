#include "app/ShortenedName.h"

#include "utility/core/utf8.h"

#include <gtest/gtest.h>

namespace {

// Ten pixels a code point, as a fixed-pitch face draws half-width text.
int TenEach(std::string_view text) {
    int width = 0;
    for (size_t at = 0; at < text.size(); NextCodePoint(text, at))
        width += 10;
    return width;
}

} // namespace

TEST(ShortenedNameTest, ALongNameKeepsItsStartAndEndAroundAnEllipsis) {
    const struct {
        const char* name;
        int room;
        const char* shown;
    } cases[] = {
        {"model.x", 70, "model.x"}, // fits exactly
        {"a_very_long_model_name.x", 100, "a_ver\xE2\x80\xA6me.x"},
        {"a_very_long_model_name.x", 110,
         "a_ver\xE2\x80\xA6"
         "ame.x"},
        // Code points, not bytes: Cyrillic, Latin-1 and CJK are kept whole.
        {"\xD1\x81\xD0\xBB\xD0\xBE\xD0\xBC\xD0\xB0\xD0\xBD_\xC3\xBC\xE6\xA8\xA1\xE5\x9E\x8B.x", 80,
         "\xD1\x81\xD0\xBB\xD0\xBE\xD0\xBC\xE2\x80\xA6\xE5\x9E\x8B.x"},
        {"abc", 20, "a\xE2\x80\xA6"},
        {"abc", 10, "\xE2\x80\xA6"}, // nothing but the ellipsis fits
        {"abc", -5, "\xE2\x80\xA6"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenInMiddle(c.name, c.room, TenEach), c.shown) << c.name << " " << c.room;
}
