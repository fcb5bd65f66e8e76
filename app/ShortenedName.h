// Names too long for the room a line gives them, shortened in the middle so
// that both their start and their end (the extension) stay readable.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// How wide a text draws, in pixels.
using TextWidth = std::function<int(std::string_view)>;

// `name` whole when its width is at most `room`, else as many of its code
// points as fit around a "…" in the middle, one more at the start than at the
// end where they are odd; "…" alone when nothing more fits.
std::string ShortenInMiddle(std::string_view name, int room, const TextWidth& width);
