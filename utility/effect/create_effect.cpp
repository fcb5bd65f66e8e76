#include "platform/win32/resources.h"
#include "utility/effect/effect.h"
#include "utility/effect/effect_text.h"

#include <cstring>

namespace {

// Hands the message back as a NUL-terminated buffer when the caller asked.
HRESULT Fail(HRESULT result, const std::string& message, ID3DXBuffer** errors) {
    if (errors && SUCCEEDED(D3DXCreateBuffer(DWORD(message.size() + 1), errors)))
        std::memcpy((*errors)->GetBufferPointer(), message.c_str(), message.size() + 1);
    return result;
}

MacroList MacrosOf(const EffectLayout& layout, const D3DXMACRO* defines) {
    MacroList macros = layout.defines;
    for (; defines && defines->Name; ++defines)
        macros.emplace_back(defines->Name, defines->Definition ? defines->Definition : "");
    return macros;
}

std::string ResourceName(LPCSTR resource) {
    if (IS_INTRESOURCE(resource))
        return std::to_string(reinterpret_cast<std::uintptr_t>(resource));
    return resource ? resource : "(null)";
}

} // namespace

HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT length,
                         const D3DXMACRO* defines, ID3DXInclude*, DWORD, ID3DXEffectPool* pool,
                         ID3DXEffect** effect, ID3DXBuffer** errors) {
    if (errors)
        *errors = nullptr;
    if (!device || !data || !effect)
        return D3DERR_INVALIDCALL;
    *effect = nullptr;
    if (pool)
        return Fail(E_NOTIMPL, "effect pools are not offered", errors);

    // A text that carries its terminating zero ends there.
    const char* text = static_cast<const char*>(data);
    const void* zero = std::memchr(text, '\0', length);
    size_t size = zero ? size_t(static_cast<const char*>(zero) - text) : length;

    auto layout = std::make_unique<EffectLayout>();
    std::string error;
    if (!ParseEffectText(std::string(text, size), layout.get(), &error))
        return Fail(E_FAIL, error, errors);
    auto programs = std::make_unique<EffectPrograms>();
    if (!programs->Build(device, *layout, MacrosOf(*layout, defines), &error))
        return Fail(E_FAIL, error, errors);
    *effect = new Effect(device, std::move(layout), std::move(programs));
    return D3D_OK;
}

HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                      const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                      ID3DXEffectPool* pool, ID3DXEffect** effect,
                                      ID3DXBuffer** errors) {
    if (errors)
        *errors = nullptr;
    if (!device || !effect)
        return D3DERR_INVALIDCALL;
    *effect = nullptr;
    std::string name = "resource " + ResourceName(resource) + ": ";
    HRSRC found = FindResourceA(module, resource, RT_RCDATA);
    const void* data = found ? LockResource(LoadResource(module, found)) : nullptr;
    if (!data)
        return Fail(D3DERR_NOTFOUND, name + "no such RT_RCDATA resource", errors);

    ID3DXBuffer* inner = nullptr;
    HRESULT hr = D3DXCreateEffect(device, data, UINT(SizeofResource(module, found)), defines,
                                  include, flags, pool, effect, &inner);
    if (inner) {
        Fail(hr, name + static_cast<const char*>(inner->GetBufferPointer()), errors);
        inner->Release();
    }
    return hr;
}
