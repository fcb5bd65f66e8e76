#include "mesh/TextureSet.h"

#include "framework/KvDX9Template.h"
#include "platform/d3d9/com.h"
#include "utility/d3dx9tex.h"

#include <cstring>

const char* const kTextureSetFallbacks[kTextureRoles] = {
    "./data/null.tex",
    "./data/null_np.tex",
    "./data/null_sa.tex",
    "./data/null_ea.tex",
};

namespace {

const char* const kTextureSetPatterns[kTextureRoles] = {
    "%s.%s",
    "%s_np.%s",
    "%s_sa.%s",
    "%s_ea.%s",
};

HRESULT LoadRole(IDirect3DDevice9* device, const char* path, TextureRole role,
                 IDirect3DTexture9** texture) {
    BuiltPath name;
    HRESULT hr = E_FAIL;
    if (TextureSetName(name, path, role))
        hr = D3DXCreateTextureFromFileA(device, name, texture);
    if (FAILED(hr))
        hr = D3DXCreateTextureFromFileA(device, kTextureSetFallbacks[role], texture);
    return hr;
}

} // namespace

bool TextureSetName(BuiltPath& name, const char* path, TextureRole role) {
    name[0] = '\0';
    if (!path || role < 0 || role >= kTextureRoles)
        return false;
    std::size_t length = std::strlen(path);
    if (length > kMaxBuiltPath)
        return false;
    const char* dot = std::strrchr(path, '.');
    std::size_t baseLength = dot ? std::size_t(dot - path) : length;
    const char* extension = dot ? dot + 1 : "";
    if (std::strlen(extension) > kMaxTextureExtension)
        return false;
    BuiltPath base;
    std::memcpy(base, path, baseLength);
    base[baseLength] = '\0';
    int written =
        KvDX9Template::FormatText(name, sizeof name, kTextureSetPatterns[role], base, extension);
    if (written < 0 || std::size_t(written) > kMaxBuiltPath) {
        name[0] = '\0';
        return false;
    }
    return true;
}

bool LoadTextureSet(IDirect3DDevice9* device, IDirect3DTexture9* (&set)[kTextureRoles],
                    const char* path) {
    for (IDirect3DTexture9*& texture : set)
        ReleaseRef(texture);
    for (int role = 0; role < kTextureRoles; ++role)
        if (FAILED(LoadRole(device, path, TextureRole(role), &set[role])))
            return false;
    return true;
}
