// The four textures the shading effect samples for one mesh slot, loaded
// from one path by a fixed naming rule, each with a fallback file.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "utility/image/texture_image.h"

#include <string>

enum TextureRole { kDiffuse, kNormalMap, kSpecular, kEmissive, kTextureRoles };

// The four images of a set, decoded without a device.
struct PreparedTextureSet {
    TextureImage images[kTextureRoles];
    // The image came from the role's fallback file, because of this.
    bool fallback[kTextureRoles] = {};
    std::string failures[kTextureRoles];
    // The roles that hold an image, from the first: fewer than four when a
    // fallback could not be read either.
    int filled = 0;
};

// Releases the four textures of `set`, then loads entry i from the name
// that TextureSetName builds for role i, or from the role's fallback file
// when that one cannot be read. True when all four hold a texture. A
// fallback that fails too ends the load at once with false: the entries
// before it keep their textures, it and the later ones stay null.
// Every file that cannot be read is reported on stderr with the reason,
// also when its fallback stands in for it.
bool LoadTextureSet(IDirect3DDevice9* device, IDirect3DTexture9* (&set)[kTextureRoles],
                    const char* path);

// LoadTextureSet in two steps, for loading off the device's thread. The
// first reads and decodes the files (or their fallbacks) on any thread,
// honours the load's cancellation and reports its progress; false when a
// fallback fails too (or the load was cancelled). The second, on the
// device's thread, releases the set's textures and makes the prepared ones,
// falling back once more for an image the device refuses; its result is
// LoadTextureSet's.
bool PrepareTextureSet(const char* path, UINT maxWidth, UINT maxHeight,
                       PreparedTextureSet& prepared);
bool InstallTextureSet(IDirect3DDevice9* device, IDirect3DTexture9* (&set)[kTextureRoles],
                       const PreparedTextureSet& prepared);

// The file name of one role: the path split at its last "." (of the whole
// text, directories included) into base and extension, put together by the
// role's pattern "%s.%s", "%s_np.%s", "%s_sa.%s" or "%s_ea.%s". A path
// without "." is all base with an empty extension. False (name empty) when
// the path is null or the role is not one of the four.
bool TextureSetName(std::string& name, const char* path, TextureRole role);

// Relative to the working directory: "./data/null.tex" and its companions.
extern const char* const kTextureSetFallbacks[kTextureRoles];
