/* stb_image compiled into the fuzz targets, so that the fuzzer sees its
   branches and AddressSanitizer its memory accesses: the library build
   links Debian's prebuilt copy, which the targets' own definitions take
   the place of. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
