// The stderr form of a message that MessageBoxA shows.
#pragma once

#include <string>

// "zelqad: <caption>: <text>" with a newline: the caption is left out where
// the text already begins with it, and every further line of the text is
// indented under the first, blank lines dropped.
std::string MessageLine(const char* caption, const char* text);

// A run without a user to answer them (pictures drawn for files) writes its
// messages to stderr only; MessageBoxA then returns at once, as after a box
// that could not be shown.
void SetMessageBoxesShown(bool shown);
