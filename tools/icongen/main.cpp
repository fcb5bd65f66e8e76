// icongen OUTPUT_DIR: writes the program's icon (zelqad.svg, and zelqad.png
// drawn from the same shapes) into an existing folder; packaging/icons keeps
// the committed copies.
#include "tools/icongen/icon_files.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUTPUT_DIR\n");
        return 2;
    }
    std::string error;
    if (!WriteIconFiles(argv[1], error)) {
        std::fprintf(stderr, "icongen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
