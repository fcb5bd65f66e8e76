#include "utility/font/face.h"

#include <fontconfig/fontconfig.h>

#include <cctype>
#include <cmath>
#include <unistd.h>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The file fontconfig matches to `family`, and whether the match really is
// that family rather than fontconfig's nearest guess.
std::string MatchFamily(const std::string& family, bool* exact) {
    *exact = false;
    if (!FcInit())
        return std::string();
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.c_str()));
    if (!pattern)
        return std::string();
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    std::string file;
    if (match) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
            file = reinterpret_cast<const char*>(path);
        FcChar8* matched = nullptr;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &matched) == FcResultMatch; ++i)
            if (Lower(reinterpret_cast<const char*>(matched)) == Lower(family))
                *exact = true;
        FcPatternDestroy(match);
    }
    return file;
}

// True when fontconfig has an up-to-date cache of every font folder its
// configuration names. Without one, its first match scans every font on the
// system, which takes seconds; reading the configuration alone is quick.
bool FontCachesValid() {
    FcConfig* config = FcInitLoadConfig();
    if (!config)
        return false;
    bool valid = false;
    if (FcStrList* dirs = FcConfigGetFontDirs(config)) {
        valid = true;
        while (FcChar8* dir = FcStrListNext(dirs))
            valid = valid && FcDirCacheValid(dir);
        FcStrListDone(dirs);
    }
    FcConfigDestroy(config);
    return valid;
}

// Where Debian's fonts-ipafont-gothic keeps the Gothic stand-in.
constexpr const char* kGothicFiles[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
};

std::string KnownGothicFile() {
    for (const char* file : kGothicFiles)
        if (access(file, R_OK) == 0)
            return file;
    return std::string();
}

} // namespace

std::string FindFontFile(const std::string& name, bool fixedPitch) {
    const bool gothic = Lower(name).find("gothic") != std::string::npos;
    // Without fontconfig's caches, the stand-in's known file spares the
    // scan; with them, fontconfig may still find the face itself.
    if ((fixedPitch || gothic) && !FontCachesValid()) {
        std::string known = KnownGothicFile();
        if (!known.empty())
            return known;
    }
    bool exact = false;
    std::string file = MatchFamily(name, &exact);
    if (exact)
        return file;
    // The Windows Gothic faces are fixed-pitch Japanese sans-serif faces; the
    // nearest on a Debian desktop is IPAGothic, then any monospace face.
    if (fixedPitch || gothic) {
        std::string ipa = MatchFamily("IPAGothic", &exact);
        if (exact)
            return ipa;
        std::string mono = MatchFamily("monospace", &exact);
        if (!mono.empty())
            return mono;
    }
    return file.empty() ? MatchFamily("sans-serif", &exact) : file;
}

SizedFace::~SizedFace() {
    if (face)
        FT_Done_Face(face);
    if (library)
        FT_Done_FreeType(library);
}

bool SizedFace::Load(const std::string& file, int height, int averageWidth, bool bold,
                     bool italic) {
    if (file.empty() || height <= 0 || FT_Init_FreeType(&library) != 0 ||
        FT_New_Face(library, file.c_str(), 0, &face) != 0 || !FT_IS_SCALABLE(face))
        return false;
    // The cell is ascent plus descent, as a Windows font height names it.
    FT_Size_RequestRec request{FT_SIZE_REQUEST_TYPE_REAL_DIM, 0, FT_Long(height) * 64, 0, 0};
    if (FT_Request_Size(face, &request) != 0)
        return false;
    ascent = int(std::lround(double(face->size->metrics.ascender) / 64.0));
    cellHeight = height;
    FT_Matrix shape{0x10000, 0, 0, 0x10000};
    if (averageWidth > 0 && FT_Load_Char(face, '0', FT_LOAD_DEFAULT) == 0 &&
        face->glyph->advance.x > 0)
        shape.xx = FT_Fixed(double(averageWidth) * 64.0 * 65536.0 / double(face->glyph->advance.x));
    if (italic)
        shape.xy = FT_Fixed(0.2 * 65536.0);
    FT_Set_Transform(face, &shape, nullptr);
    embolden = bold && !(face->style_flags & FT_STYLE_FLAG_BOLD);
    return true;
}
