// libjpeg's default error handler ends the process and its messages go to
// stderr. Ours jumps, without printing, back to the setjmp in `jump`; each
// step that calls libjpeg keeps no C++ objects of its own, so the jump skips
// no destructor.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio> // jpeglib.h uses FILE without including it

#include <jpeglib.h>

struct JpegErrorJump {
    jpeg_error_mgr manager; // first, so libjpeg's pointer to it is ours too
    std::jmp_buf jump;
};

// Sets up `errors` and returns what a compress or decompress object's `err`
// must point to before the object is created.
jpeg_error_mgr* UseJpegErrorJump(JpegErrorJump& errors);

// Jumps back to the setjmp of the object's JpegErrorJump.
[[noreturn]] void JumpToJpegSetjmp(j_common_ptr info);
