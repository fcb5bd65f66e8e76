// The font of the utility library: text drawn as textured quads through the
// device, from glyphs rasterised with FreeType out of a face that fontconfig
// finds. A face the system lacks is matched to a near one: a fixed-pitch or
// Gothic request to IPAGothic, then to any monospace face.
#pragma once

#include "platform/d3d9/d3d9.h"

struct ID3DXSprite; // text is always drawn without one here

constexpr int LF_FACESIZE = 32;

// What the font was made with, as D3DXCreateFontA was asked.
struct D3DXFONT_DESCA {
    INT Height;
    UINT Width;
    UINT Weight;
    UINT MipLevels;
    BOOL Italic;
    BYTE CharSet;
    BYTE OutputPrecision;
    BYTE Quality;
    BYTE PitchAndFamily;
    CHAR FaceName[LF_FACESIZE];
};

struct ID3DXFont : IUnknown {
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT GetDescA(D3DXFONT_DESCA* desc) = 0;
    // Draws `count` characters (-1: up to the terminating zero) in the
    // rectangle with the DT_ format and ARGB colour, blended by its alpha.
    // Returns the height of the text in pixels, 0 on failure.
    virtual INT DrawTextA(ID3DXSprite* sprite, LPCSTR text, INT count, RECT* rect, DWORD format,
                          D3DCOLOR color) = 0;
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

// `height` is the cell height in pixels, `width` the average character width
// (0: the face's own proportions).
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight,
                        UINT mipLevels, BOOL italic, DWORD charSet, DWORD outputPrecision,
                        DWORD quality, DWORD pitchAndFamily, LPCSTR faceName, ID3DXFont** font);
