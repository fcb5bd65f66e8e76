// Why a call was refused. Every D3DERR_INVALIDCALL of the stand-in comes with
// its reason, "Call: what is wrong", as the debug runtime of Direct3D 9 printed
// one for each call it refused. The reason is kept for the caller to read back
// (GetRefusalText) rather than printed: a run whose calls are all valid stays
// quiet, and one that is not can say why.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <cstdarg>
#include <string>

class RefusalText {
public:
    // Keeps "call: reason", the reason printf-style, in place of the last one
    // and returns D3DERR_INVALIDCALL, so that a check reads
    // `return refusal.Refuse("SetTexture", "stage %u ...", stage)`.
    HRESULT Refuse(const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));
    HRESULT RefuseV(const char* call, const char* format, va_list args);

    // Empty before the first refusal.
    const char* Get() const { return text.c_str(); }

private:
    std::string text;
};

// The check of a root object's calls that name an adapter: each root offers
// one.
inline HRESULT CheckAdapter(RefusalText& refusal, const char* call, UINT adapter) {
    if (adapter != 0)
        return refusal.Refuse(call, "adapter %u past the only one", adapter);
    return D3D_OK;
}
