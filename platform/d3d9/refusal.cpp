#include "platform/d3d9/refusal.h"

#include <cstdio>

HRESULT RefusalText::Refuse(const char* call, const char* format, ...) {
    va_list args;
    va_start(args, format);
    HRESULT result = RefuseV(call, format, args);
    va_end(args);
    return result;
}

HRESULT RefusalText::RefuseV(const char* call, const char* format, va_list args) {
    // Measured first: a reason may quote a long name.
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    text = call;
    text += ": ";
    if (length > 0) {
        const size_t start = text.size();
        text.resize(start + size_t(length) + 1);
        std::vsnprintf(&text[start], size_t(length) + 1, format, args);
        text.resize(start + size_t(length));
    }
    return D3DERR_INVALIDCALL;
}
