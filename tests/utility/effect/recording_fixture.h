// The recording device for effect tests, with an automatic depth buffer, and
// helpers for what effects hand back.
#pragma once

#include "tests/support/RecordingDeviceFixture.h"
#include "utility/d3dx9effect.h"

#include <cstdint>
#include <string>
#include <vector>

class RecordingFixture : public RecordingDeviceFixture {
protected:
    RecordingFixture() {
        params.EnableAutoDepthStencil = TRUE;
        params.AutoDepthStencilFormat = D3DFMT_D24X8;
    }

    static double Ptr(const void* p) { return double(reinterpret_cast<std::uintptr_t>(p)); }
};

// The text of an error buffer (empty for none), releasing it.
inline std::string TakeText(ID3DXBuffer*& buffer) {
    std::string text = buffer ? static_cast<const char*>(buffer->GetBufferPointer()) : "";
    if (buffer)
        buffer->Release();
    buffer = nullptr;
    return text;
}
