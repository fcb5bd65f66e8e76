// The template fixture with the framework's font wrapped so that every text
// call is kept (text, rectangle, format, colour) and still drawn, so tests can
// assert both the arguments and the glyph quads on the recording device.
#pragma once

#include "platform/d3d9/com.h"
#include "tests/framework/TemplateFixture.h"

#include <string>
#include <vector>

struct TextCall {
    std::string text;
    INT count;
    RECT rect;
    DWORD format;
    D3DCOLOR colour;
};

class RecordingFont final : public RefCounted<ID3DXFont> {
public:
    // Takes over the caller's reference to `inner`.
    explicit RecordingFont(ID3DXFont* wrapped) : inner(wrapped) {}
    ~RecordingFont() override { inner->Release(); }

    HRESULT GetDevice(IDirect3DDevice9** device) override { return inner->GetDevice(device); }
    HRESULT GetDescA(D3DXFONT_DESCA* desc) override { return inner->GetDescA(desc); }
    INT DrawTextA(ID3DXSprite* sprite, LPCSTR text, INT count, RECT* rect, DWORD format,
                  D3DCOLOR colour) override {
        calls.push_back(TextCall{text ? text : "", count, *rect, format, colour});
        return inner->DrawTextA(sprite, text, count, rect, format, colour);
    }
    HRESULT OnLostDevice() override { return inner->OnLostDevice(); }
    HRESULT OnResetDevice() override { return inner->OnResetDevice(); }

    std::vector<TextCall> calls;

private:
    ID3DXFont* inner;
};

class OverlayFixture : public TemplateFixture {
protected:
    void SetUp() override {
        TemplateFixture::SetUp();
        fonts = new RecordingFont(app.font);
        app.font = fonts; // released by ReleaseDevice, which releases the real font
        device->SetFVF(kScreenVertexFvf);
        device->calls.clear();
    }

    // The vertex data of the draws of one primitive type, in order: panels
    // are strips, glyph quads are lists.
    std::vector<std::vector<ScreenVertex>> Draws(D3DPRIMITIVETYPE type) const {
        std::vector<std::vector<ScreenVertex>> out;
        for (const RecordedCall* call : device->Calls("DrawPrimitiveUP")) {
            if (call->args[0] != type)
                continue;
            const ScreenVertex* v = &call->As<ScreenVertex>();
            out.emplace_back(v, v + call->data.size() / sizeof(ScreenVertex));
        }
        return out;
    }

    RecordingFont* fonts = nullptr;
};
