#include "utility/d3dx9font.h"

#include "platform/d3d9/com.h"
#include "utility/core/utf8.h"
#include "utility/font/face.h"

#include FT_OUTLINE_H

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr UINT kAtlasSize = 512;

struct Glyph {
    size_t page;    // atlas texture
    int x, y, w, h; // texels in the page
    int left, top;  // bitmap offset from the pen and the baseline
    int advance;    // pixels
};

struct ScreenVertex {
    float x, y, z, rhw;
    D3DCOLOR color;
    float u, v;
};
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Every state the text drawing changes, read before and written back after,
// so that drawing text leaves the device as it found it.
class SavedStates {
public:
    explicit SavedStates(IDirect3DDevice9* d) : device(d) {
        for (auto& s : renderStates)
            device->GetRenderState(s.first, &s.second);
        for (auto& s : stageStates)
            device->GetTextureStageState(0, s.first, &s.second);
        for (auto& s : samplerStates)
            device->GetSamplerState(0, s.first, &s.second);
        device->GetTexture(0, &texture);
        device->GetFVF(&fvf);
        device->GetVertexDeclaration(&declaration);
        device->GetVertexShader(&vertexShader);
        device->GetPixelShader(&pixelShader);
    }
    ~SavedStates() {
        for (auto& s : renderStates)
            device->SetRenderState(s.first, s.second);
        for (auto& s : stageStates)
            device->SetTextureStageState(0, s.first, s.second);
        for (auto& s : samplerStates)
            device->SetSamplerState(0, s.first, s.second);
        device->SetTexture(0, texture);
        if (declaration)
            device->SetVertexDeclaration(declaration);
        else
            device->SetFVF(fvf);
        device->SetVertexShader(vertexShader);
        device->SetPixelShader(pixelShader);
        for (IUnknown* held :
             {static_cast<IUnknown*>(texture), static_cast<IUnknown*>(declaration),
              static_cast<IUnknown*>(vertexShader), static_cast<IUnknown*>(pixelShader)})
            if (held)
                held->Release();
    }
    SavedStates(const SavedStates&) = delete;
    SavedStates& operator=(const SavedStates&) = delete;

private:
    IDirect3DDevice9* device;
    std::pair<D3DRENDERSTATETYPE, DWORD> renderStates[11] = {{D3DRS_ALPHABLENDENABLE, 0},
                                                             {D3DRS_SRCBLEND, 0},
                                                             {D3DRS_DESTBLEND, 0},
                                                             {D3DRS_BLENDOP, 0},
                                                             {D3DRS_ALPHATESTENABLE, 0},
                                                             {D3DRS_ALPHAFUNC, 0},
                                                             {D3DRS_ALPHAREF, 0},
                                                             {D3DRS_CULLMODE, 0},
                                                             {D3DRS_ZENABLE, 0},
                                                             {D3DRS_FOGENABLE, 0},
                                                             {D3DRS_SEPARATEALPHABLENDENABLE, 0}};
    std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stageStates[6] = {
        {D3DTSS_COLOROP, 0}, {D3DTSS_COLORARG1, 0}, {D3DTSS_COLORARG2, 0},
        {D3DTSS_ALPHAOP, 0}, {D3DTSS_ALPHAARG1, 0}, {D3DTSS_ALPHAARG2, 0}};
    std::pair<D3DSAMPLERSTATETYPE, DWORD> samplerStates[5] = {{D3DSAMP_MINFILTER, 0},
                                                              {D3DSAMP_MAGFILTER, 0},
                                                              {D3DSAMP_MIPFILTER, 0},
                                                              {D3DSAMP_ADDRESSU, 0},
                                                              {D3DSAMP_ADDRESSV, 0}};
    IDirect3DBaseTexture9* texture = nullptr;
    DWORD fvf = 0;
    IDirect3DVertexDeclaration9* declaration = nullptr;
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DPixelShader9* pixelShader = nullptr;
};

class Font final : public RefCounted<ID3DXFont> {
public:
    Font(IDirect3DDevice9* d, const D3DXFONT_DESCA& made) : device(d), desc(made) {
        device->AddRef();
    }
    ~Font() override {
        for (IDirect3DTexture9* page : pages)
            page->Release();
        device->Release();
    }

    bool Init(const std::string& file, int height, int width, bool bold, bool italic) {
        return face.Load(file, height, width, bold, italic) && AddPage();
    }

    HRESULT GetDevice(IDirect3DDevice9** out) override {
        if (!out)
            return D3DERR_INVALIDCALL;
        device->AddRef();
        *out = device;
        return D3D_OK;
    }

    HRESULT GetDescA(D3DXFONT_DESCA* out) override {
        if (!out)
            return D3DERR_INVALIDCALL;
        *out = desc;
        return D3D_OK;
    }

    HRESULT OnLostDevice() override { return D3D_OK; } // glyph pages are managed
    HRESULT OnResetDevice() override { return D3D_OK; }

    INT DrawTextA(ID3DXSprite*, LPCSTR text, INT count, RECT* rect, DWORD format,
                  D3DCOLOR color) override;

private:
    bool AddPage();
    // Renders the glyph of `c` into the face's slot.
    bool Render(char32_t c, FT_Int32 hinting);
    const Glyph* GlyphOf(char32_t c);
    int LineWidth(std::string_view line);

    IDirect3DDevice9* device;
    D3DXFONT_DESCA desc;
    SizedFace face;
    std::vector<IDirect3DTexture9*> pages;
    int penX = 0, penY = 0, rowHeight = 0; // packing cursor in the last page
    std::unordered_map<char32_t, Glyph> glyphs;
};

bool Font::AddPage() {
    IDirect3DTexture9* page = nullptr;
    if (FAILED(device->CreateTexture(kAtlasSize, kAtlasSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                     &page, nullptr)))
        return false;
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(page->LockRect(0, &locked, nullptr, 0))) {
        // Transparent until a glyph covers it.
        for (UINT y = 0; y < kAtlasSize; ++y)
            std::memset(static_cast<BYTE*>(locked.pBits) + size_t(y) * locked.Pitch, 0,
                        kAtlasSize * 4);
        page->UnlockRect(0);
    }
    pages.push_back(page);
    penX = penY = rowHeight = 0;
    return true;
}

bool Font::Render(char32_t c, FT_Int32 hinting) {
    if (FT_Load_Char(face.face, c, FT_LOAD_DEFAULT | hinting) != 0)
        return false;
    FT_GlyphSlot slot = face.face->glyph;
    if (face.embolden && slot->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Embolden(&slot->outline, 64);
    return FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0;
}

const Glyph* Font::GlyphOf(char32_t c) {
    auto found = glyphs.find(c);
    if (found != glyphs.end())
        return &found->second;
    // The full hinting of some faces (IPAGothic's underscore) fits a stroke
    // thinner than a pixel to no row at all: such a glyph is rendered again
    // with light hinting, which keeps it.
    if (!Render(c, FT_LOAD_TARGET_NORMAL))
        return nullptr;
    FT_GlyphSlot slot = face.face->glyph;
    if (slot->bitmap.rows == 0 && slot->bitmap.width > 0 && !Render(c, FT_LOAD_TARGET_LIGHT))
        return nullptr;
    const FT_Bitmap& bitmap = slot->bitmap;
    int w = int(bitmap.width), h = int(bitmap.rows);
    if (w + 1 > int(kAtlasSize) || h + 1 > int(kAtlasSize))
        return nullptr;
    if (penX + w + 1 > int(kAtlasSize)) {
        penX = 0;
        penY += rowHeight + 1;
        rowHeight = 0;
    }
    if (penY + h + 1 > int(kAtlasSize) && !AddPage())
        return nullptr;
    // A glyph that would reach out of its line's cell is moved into it, so
    // that a rectangle one line high shows it whole.
    const int descent = face.cellHeight - face.ascent;
    const int top = std::max(std::min(slot->bitmap_top, face.ascent), h - descent);
    Glyph glyph{pages.size() - 1,
                penX,
                penY,
                w,
                h,
                slot->bitmap_left,
                top,
                int(std::lround(double(slot->advance.x) / 64.0))};
    if (w > 0 && h > 0) {
        D3DLOCKED_RECT locked;
        RECT area{penX, penY, penX + w, penY + h};
        if (FAILED(pages.back()->LockRect(0, &locked, &area, 0)))
            return nullptr;
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<BYTE*>(locked.pBits) +
                                                         size_t(y) * locked.Pitch);
            const unsigned char* coverage = bitmap.buffer + y * bitmap.pitch;
            for (int x = 0; x < w; ++x)
                row[x] = (std::uint32_t(coverage[x]) << 24) | 0x00FFFFFF;
        }
        pages.back()->UnlockRect(0);
    }
    penX += w + 1;
    rowHeight = std::max(rowHeight, h);
    return &(glyphs[c] = glyph);
}

int Font::LineWidth(std::string_view line) {
    int width = 0;
    for (size_t at = 0; at < line.size();)
        if (const Glyph* g = GlyphOf(NextCodePoint(line, at)))
            width += g->advance;
    return width;
}

INT Font::DrawTextA(ID3DXSprite*, LPCSTR text, INT count, RECT* rect, DWORD format,
                    D3DCOLOR color) {
    if (!text || !rect)
        return 0;
    size_t length = count < 0 ? std::strlen(text) : size_t(count);
    // Lines end at line breaks unless the text is a single line.
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i <= length; ++i) {
        bool end = i == length || (!(format & DT_SINGLELINE) && text[i] == '\n');
        if (end) {
            size_t n = i - start;
            if (n && text[start + n - 1] == '\r')
                --n;
            lines.emplace_back(text + start, n);
            start = i + 1;
        }
    }
    int textHeight = int(lines.size()) * face.cellHeight;
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = rect->top + (rect->bottom - rect->top - face.cellHeight) / 2;
        else if (format & DT_BOTTOM)
            top = rect->bottom - face.cellHeight;
    }
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const auto& line : lines)
            widest = std::max(widest, LineWidth(line));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + textHeight;
        return textHeight;
    }

    std::vector<std::vector<ScreenVertex>> batches(pages.size());
    bool clip = !(format & DT_NOCLIP);
    for (size_t l = 0; l < lines.size(); ++l) {
        int width = LineWidth(lines[l]);
        int x = rect->left;
        if (format & DT_CENTER)
            x = (rect->left + rect->right - width) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - width;
        int baseline = top + int(l) * face.cellHeight + face.ascent;
        for (size_t at = 0; at < lines[l].size();) {
            const Glyph* g = GlyphOf(NextCodePoint(lines[l], at));
            if (!g)
                continue;
            float x0 = float(x + g->left), y0 = float(baseline - g->top);
            float x1 = x0 + float(g->w), y1 = y0 + float(g->h);
            float u0 = float(g->x) / kAtlasSize, v0 = float(g->y) / kAtlasSize;
            float u1 = float(g->x + g->w) / kAtlasSize, v1 = float(g->y + g->h) / kAtlasSize;
            x += g->advance;
            if (g->w == 0 || g->h == 0)
                continue;
            if (clip) {
                // Cut the quad to the rectangle, moving its texture
                // coordinates with the edges.
                float cx0 = std::max(x0, float(rect->left)), cy0 = std::max(y0, float(rect->top));
                float cx1 = std::min(x1, float(rect->right));
                float cy1 = std::min(y1, float(rect->bottom));
                if (cx0 >= cx1 || cy0 >= cy1)
                    continue;
                float du = (u1 - u0) / (x1 - x0), dv = (v1 - v0) / (y1 - y0);
                u0 += (cx0 - x0) * du, u1 -= (x1 - cx1) * du;
                v0 += (cy0 - y0) * dv, v1 -= (y1 - cy1) * dv;
                x0 = cx0, y0 = cy0, x1 = cx1, y1 = cy1;
            }
            // Texel centres on pixel centres: the quad starts half a pixel
            // before the first pixel it fills.
            x0 -= 0.5f, y0 -= 0.5f, x1 -= 0.5f, y1 -= 0.5f;
            ScreenVertex a{x0, y0, 0, 1, color, u0, v0}, b{x1, y0, 0, 1, color, u1, v0},
                c{x1, y1, 0, 1, color, u1, v1}, d{x0, y1, 0, 1, color, u0, v1};
            if (g->page >= batches.size())
                batches.resize(g->page + 1); // a glyph opened a new page
            std::vector<ScreenVertex>& batch = batches[g->page];
            batch.insert(batch.end(), {a, b, c, a, c, d});
        }
    }

    SavedStates saved(device);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    device->SetRenderState(D3DRS_ALPHAREF, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetFVF(kScreenFvf);
    for (size_t page = 0; page < batches.size(); ++page) {
        if (batches[page].empty())
            continue;
        device->SetTexture(0, pages[page]);
        device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, UINT(batches[page].size() / 3),
                                batches[page].data(), sizeof(ScreenVertex));
    }
    return textHeight;
}

} // namespace

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                        UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                        DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, ID3DXFont** out) {
    if (!device || !out)
        return D3DERR_INVALIDCALL;
    *out = nullptr;
    // What GetDescA gives back; the face name is cut to the record's size.
    D3DXFONT_DESCA desc{height,
                        width,
                        weight,
                        mipLevels,
                        italic,
                        BYTE(charSet),
                        BYTE(outputPrecision),
                        BYTE(quality),
                        BYTE(pitchAndFamily),
                        {}};
    if (faceName)
        std::strncpy(desc.FaceName, faceName, LF_FACESIZE - 1);
    // A negative height names the character height without the internal
    // leading; the cell is about an eighth taller.
    int cell = height < 0 ? (-height * 9 + 7) / 8 : height;
    std::string file = FindFontFile(faceName ? faceName : "", (pitchAndFamily & 3) == FIXED_PITCH);
    auto* font = new Font(device, desc);
    if (!font->Init(file, cell, int(width), weight >= FW_BOLD, italic != FALSE)) {
        font->Release();
        return E_FAIL;
    }
    *out = font;
    return D3D_OK;
}
