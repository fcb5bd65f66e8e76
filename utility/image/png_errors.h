// libpng reports an error through a callback that must not return. Ours
// jumps, without printing, back to the setjmp of the step that made the call;
// each step keeps no C++ objects of its own, so the jump skips no destructor.
#pragma once

#include <png.h>

void PngErrorJump(png_structp png, png_const_charp message);
void PngIgnoreWarning(png_structp png, png_const_charp message);
