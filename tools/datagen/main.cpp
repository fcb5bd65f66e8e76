// datagen OUTPUT_DIR: writes the viewer's default data (solid.x, skin.x,
// both texture sets and the fallback textures) into an existing folder. The
// same build writes the same bytes on every run.
#include "tools/datagen/default_data.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: datagen OUTPUT_DIR\n");
        return 2;
    }
    std::string error;
    if (!WriteDefaultData(argv[1], error)) {
        std::fprintf(stderr, "datagen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
