#include "mesh/TextureSet.h"

#include "framework/KvDX9Template.h"
#include "platform/d3d9/com.h"
#include "utility/core/load_report.h"
#include "utility/d3dx9tex.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

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
    std::string name;
    HRESULT hr = E_FAIL;
    if (TextureSetName(name, path, role))
        hr = LoadTextureImageFromFile(name.c_str(), maxWidth, maxHeight, image);
    else
        SetLoadFailure("no file name");
    if (SUCCEEDED(hr) || LoadCancelled())
        return hr;
    failure = LoadFailureReason();
    // Named as a path of its own: the viewer works in the folder of its
    // data, which need not be the one the user started it in.
    std::error_code error;
    std::filesystem::path fallbackPath =
        std::filesystem::absolute(kTextureSetFallbacks[role], error).lexically_normal();
    std::string consequence =
        "using " + (error ? std::string(kTextureSetFallbacks[role]) : fallbackPath.string());
    ReportLoadFailure(name.c_str(), consequence.c_str());
    fallback = true;
    hr = LoadTextureImageFromFile(kTextureSetFallbacks[role], maxWidth, maxHeight, image);
    if (FAILED(hr) && !LoadCancelled())
        ReportLoadFailure(kTextureSetFallbacks[role]);
    return hr;
}

} // namespace

bool TextureSetName(std::string& name, const char* path, TextureRole role) {
    name.clear();
    if (!path || role < 0 || role >= kTextureRoles)
        return false;
    const char* dot = std::strrchr(path, '.');
    std::string base(path, dot ? std::size_t(dot - path) : std::strlen(path));
    const char* extension = dot ? dot + 1 : "";
    // The pattern adds at most four characters to the base and extension.
    std::vector<char> formatted(base.size() + std::strlen(extension) + 8);
    int written = KvDX9Template::FormatText(formatted.data(), formatted.size(),
                                            kTextureSetPatterns[role], base.c_str(), extension);
    if (written < 0)
        return false;
    name.assign(formatted.data(), std::size_t(written));
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
