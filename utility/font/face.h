// Finding a font file for a face name, and loading it at a cell size.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

// The file of the face `name`, or of the face that stands in for it; empty
// when the system has no usable face at all.
std::string FindFontFile(const std::string& name, bool fixedPitch);

// A FreeType face sized so that ascent plus descent make `cellHeight` pixels
// and, when `averageWidth` is not 0, digits are that many pixels wide.
class SizedFace {
public:
    SizedFace() = default;
    ~SizedFace();
    SizedFace(const SizedFace&) = delete;
    SizedFace& operator=(const SizedFace&) = delete;

    bool Load(const std::string& file, int cellHeight, int averageWidth, bool bold, bool italic);

    FT_Face face = nullptr;
    int ascent = 0; // pixels from the top of the cell to the baseline
    int cellHeight = 0;
    bool embolden = false;

private:
    FT_Library library = nullptr;
};
