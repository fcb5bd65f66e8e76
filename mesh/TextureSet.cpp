#include "mesh/TextureSet.h"

#include "framework/KvDX9Template.h"
#include "platform/d3d9/com.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9tex.h"

#include <cstdio>
#include <cstring>
#include <string>

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

// The role's image from the set's own file, or from the role's fallback
// when that cannot be read; each file that fails is reported.
HRESULT PrepareRole(const char* path, TextureRole role, UINT maxWidth, UINT maxHeight,
                    TextureImage& image, bool& fallback, std::string& failure) {
    fallback = false;
    BuiltPath name;
    HRESULT hr = E_FAIL;
    if (TextureSetName(name, path, role)) {
        hr = LoadTextureImageFromFile(name, maxWidth, maxHeight, image);
    } else {
        SetLoadFailure("the name is too long");
        std::snprintf(name, sizeof name, "%s", path);
    }
    if (SUCCEEDED(hr) || LoadCancelled())
        return hr;
    failure = LoadFailure()[0] ? LoadFailure() : "cannot be read";
    std::string consequence = std::string("using ") + kTextureSetFallbacks[role];
    ReportLoadFailure(name, consequence.c_str());
    fallback = true;
    hr = LoadTextureImageFromFile(kTextureSetFallbacks[role], maxWidth, maxHeight, image);
    if (FAILED(hr) && !LoadCancelled())
        ReportLoadFailure(kTextureSetFallbacks[role]);
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

bool PrepareTextureSet(const char* path, UINT maxWidth, UINT maxHeight,
                       PreparedTextureSet& prepared) {
    prepared = PreparedTextureSet{};
    for (int role = 0; role < kTextureRoles; ++role) {
        if (FAILED(PrepareRole(path, TextureRole(role), maxWidth, maxHeight, prepared.images[role],
                               prepared.fallback[role], prepared.failures[role])))
            return false;
        prepared.filled = role + 1;
        ReportLoadProgress(std::uint64_t(role + 1), kTextureRoles);
    }
    return true;
}

bool InstallTextureSet(IDirect3DDevice9* device, IDirect3DTexture9* (&set)[kTextureRoles],
                       const PreparedTextureSet& prepared) {
    for (IDirect3DTexture9*& texture : set)
        ReleaseRef(texture);
    for (int role = 0; role < prepared.filled; ++role) {
        if (SUCCEEDED(CreateTextureFromTextureImage(device, prepared.images[role], &set[role])))
            continue;
        // The device refused the image (out of memory, say): the fallback
        // stands in, as it does for a file that cannot be read.
        if (prepared.fallback[role] ||
            FAILED(D3DXCreateTextureFromFileA(device, kTextureSetFallbacks[role], &set[role])))
            return false;
    }
    return prepared.filled == kTextureRoles;
}

bool LoadTextureSet(IDirect3DDevice9* device, IDirect3DTexture9* (&set)[kTextureRoles],
                    const char* path) {
    UINT maxWidth, maxHeight;
    MaxTextureSize(device, maxWidth, maxHeight);
    PreparedTextureSet prepared;
    PrepareTextureSet(path, maxWidth, maxHeight, prepared);
    return InstallTextureSet(device, set, prepared);
}
