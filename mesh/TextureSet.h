// The four textures the shading effect samples for one mesh slot, loaded
// from one path by a fixed naming rule, each with a fallback file.
#pragma once

#include "mesh/Paths.h"
#include "platform/d3d9/d3d9.h"

enum TextureRole { kDiffuse, kNormalMap, kSpecular, kEmissive, kTextureRoles };

// Releases the four textures of `set`, then loads entry i from the name
// that TextureSetName builds for role i, or from the role's fallback file
// when that one cannot be read (or its name cannot be built within the
// length limits). True when all four hold a texture. A fallback that fails
// too ends the load at once with false: the entries before it keep their
// textures, it and the later ones stay null.
bool LoadTextureSet(IDirect3DDevice9* device, IDirect3DTexture9* (&set)[kTextureRoles],
                    const char* path);

// The file name of one role: the path split at its last "." (of the whole
// text, directories included) into base and extension, put together by the
// role's pattern "%s.%s", "%s_np.%s", "%s_sa.%s" or "%s_ea.%s". A path
// without "." is all base with an empty extension. False when the path is
// longer than kMaxBuiltPath, its extension longer than kMaxTextureExtension
// or the name longer than kMaxBuiltPath.
bool TextureSetName(BuiltPath& name, const char* path, TextureRole role);

// Relative to the working directory: "./data/null.tex" and its companions.
extern const char* const kTextureSetFallbacks[kTextureRoles];
