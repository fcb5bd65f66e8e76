#include "tests/support/RecordingDeviceFixture.h"
#include "utility/d3dx9font.h"
#include "utility/font/face.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

struct GlyphVertex {
    float x, y, z, rhw;
    DWORD color;
    float u, v;
};

class FontTest : public RecordingDeviceFixture {
protected:
    FontTest() { params = WindowedPresentParameters(256, 64); }

    ID3DXFont* MakeFont(const char* face = "MS Gothic") {
        ID3DXFont* font = nullptr;
        EXPECT_EQ(D3DXCreateFontA(device, 20, 10, FW_NORMAL, 1, FALSE, SHIFTJIS_CHARSET,
                                  OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, face, &font),
                  D3D_OK);
        return font;
    }
};

} // namespace

TEST(FontFaceTest, AMissingGothicFaceIsMatchedToAFixedPitchGothicOne) {
    std::string file = FindFontFile("MS Gothic", true);
    ASSERT_FALSE(file.empty());
    // Debian names the face through links; the file behind them is IPAGothic's.
    std::string real = std::filesystem::canonical(file).string();
    EXPECT_NE(real.find("ipag"), std::string::npos) << real;
    EXPECT_FALSE(FindFontFile("No Such Face At All", false).empty());
}

// A sandbox without /etc, or a system whose caches were never built: no
// font folder is known to be cached, so the stand-in's own file is taken
// without asking fontconfig to scan.
TEST(FontFaceTest, WithoutFontCachesTheGothicStandInIsFoundByItsKnownFile) {
    const char* previous = std::getenv("FONTCONFIG_FILE");
    std::string saved = previous ? previous : "";
    setenv("FONTCONFIG_FILE", "/nonexistent/fonts.conf", 1);
    std::string file = FindFontFile("MS Gothic", true);
    if (previous)
        setenv("FONTCONFIG_FILE", saved.c_str(), 1);
    else
        unsetenv("FONTCONFIG_FILE");
    // Without a configuration fontconfig knows no font folder at all, so
    // only the known file can have named it.
    EXPECT_EQ(file, "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf");
}

TEST_F(FontTest, CellHeightAndDigitWidthFollowTheRequest) {
    ID3DXFont* font = MakeFont();
    RECT rect{0, 0, 0, 0};
    EXPECT_EQ(font->DrawTextA(nullptr, "0123456789", -1, &rect, DT_CALCRECT, 0), 20);
    EXPECT_EQ(rect.bottom, 20);
    EXPECT_NEAR(rect.right, 100, 2);
    rect = RECT{0, 0, 0, 0};
    EXPECT_EQ(font->DrawTextA(nullptr, "a\nb\nc", -1, &rect, DT_CALCRECT, 0), 60);
    font->Release();
}

TEST_F(FontTest, DrawingLeavesTheDeviceStatesAsTheyWere) {
    ID3DXFont* font = MakeFont();
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ALPHAREF, 3);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    RECT rect{10, 10, 200, 60};
    font->DrawTextA(nullptr, "Text", -1, &rect, DT_NOCLIP, 0xFFFFFFFF);
    DWORD value = 0;
    device->GetRenderState(D3DRS_ZENABLE, &value);
    EXPECT_EQ(value, DWORD(D3DZB_TRUE));
    device->GetRenderState(D3DRS_ALPHAREF, &value);
    EXPECT_EQ(value, 3u);
    device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
    EXPECT_EQ(value, DWORD(D3DTEXF_LINEAR));
    device->GetFVF(&value);
    EXPECT_EQ(value, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
    IDirect3DBaseTexture9* texture = nullptr;
    device->GetTexture(0, &texture);
    EXPECT_EQ(texture, nullptr);
    font->Release();
}

TEST_F(FontTest, GlyphQuadsCarryTheColourAndSitOnHalfPixels) {
    ID3DXFont* font = MakeFont();
    recording->calls.clear();
    RECT rect{10, 10, 200, 60};
    font->DrawTextA(nullptr, "AB", -1, &rect, DT_NOCLIP, 0x80FF2040);
    auto draws = recording->Calls("DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0]->args[0], double(D3DPT_TRIANGLELIST));
    EXPECT_EQ(draws[0]->args[1], 4.0); // two glyphs of two triangles
    for (size_t i = 0; i < 12; ++i) {
        const GlyphVertex& v = draws[0]->As<GlyphVertex>(i);
        EXPECT_EQ(v.color, 0x80FF2040u);
        EXPECT_EQ(v.x - std::floor(v.x), 0.5f);
        EXPECT_GE(v.y, 9.5f);
        EXPECT_LE(v.y, 30.5f);
    }
    font->Release();
}

// Text comes in UTF-8: a glyph a code point, of the face's own width (the
// Gothic face draws Cyrillic and CJK full width, Latin-1 half width), and
// one replacement glyph a malformed byte.
TEST_F(FontTest, UtfEightTextDrawsAGlyphACodePoint) {
    ID3DXFont* font = MakeFont();
    const struct {
        const char* text;
        int glyphs;
        int width;
    } cases[] = {
        {"\xD1\x81\xD0\xBB\xD0\xBE\xD0\xBC\xD0\xB0\xD0\xBD_\xC3\xBC\xE6\xA8\xA1\xE5\x9E\x8B.x", 12,
         6 * 20 + 10 + 10 + 2 * 20 + 10 + 10},
        {"a\xE6\xA8z", 4, 10 + 2 * 20 + 10}, // two bytes of a sequence cut short
        {"\xE2\x80\xA6", 1, 20},
    };
    for (const auto& c : cases) {
        recording->calls.clear();
        RECT rect{0, 0, 1000, 60};
        font->DrawTextA(nullptr, c.text, -1, &rect, DT_NOCLIP, 0xFFFFFFFF);
        double triangles = 0;
        for (const auto* draw : recording->Calls("DrawPrimitiveUP"))
            triangles += draw->args[1];
        EXPECT_EQ(triangles, 2.0 * c.glyphs) << c.text;
        RECT measured{0, 0, 0, 0};
        font->DrawTextA(nullptr, c.text, -1, &measured, DT_CALCRECT, 0);
        EXPECT_EQ(measured.right, c.width) << c.text;
    }
    font->Release();
}

TEST_F(FontTest, ClippedTextStaysInsideItsRectangle) {
    ID3DXFont* font = MakeFont();
    recording->calls.clear();
    RECT rect{10, 10, 25, 60};
    font->DrawTextA(nullptr, "WWWW", -1, &rect, DT_LEFT, 0xFFFFFFFF);
    auto draws = recording->Calls("DrawPrimitiveUP");
    ASSERT_EQ(draws.size(), 1u);
    size_t vertices = draws[0]->data.size() / sizeof(GlyphVertex);
    EXPECT_LT(vertices, 4u * 6u); // glyphs past the right edge are gone
    for (size_t i = 0; i < vertices; ++i)
        EXPECT_LE(draws[0]->As<GlyphVertex>(i).x, 24.5f);
    font->Release();
}

TEST_F(FontTest, AFailingGlyphPageFailsTheFont) {
    recording->failTextureCreations = 1;
    ID3DXFont* font = nullptr;
    EXPECT_LT(D3DXCreateFontA(device, 20, 10, FW_NORMAL, 1, FALSE, SHIFTJIS_CHARSET, 0, 0, 1,
                              "MS Gothic", &font),
              0);
    EXPECT_EQ(font, nullptr);
    EXPECT_LT(D3DXCreateFontA(device, 0, 0, FW_NORMAL, 1, FALSE, 0, 0, 0, 1, "MS Gothic", &font),
              0);
    EXPECT_EQ(D3DXCreateFontA(nullptr, 20, 10, FW_NORMAL, 1, FALSE, 0, 0, 0, 1, "x", &font),
              D3DERR_INVALIDCALL);
}
