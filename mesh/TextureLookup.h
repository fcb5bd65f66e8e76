// Finding the texture files that X-file materials name. The names come from
// Windows, whose file system ignores case, and sometimes name a file on the
// author's disk ("C:\models\top.tga") that was shipped beside the mesh.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <string>

// The file a material's texture name means under `directory` (a prefix the
// name is joined to as it is): the joined path when it names a file; else
// that path with each component matched ignoring case in its directory's
// listing; else the name's last component (after its last `\` or `/`)
// joined to `directory`, matched the same way. False when nothing is found.
bool FindMaterialTexture(const char* directory, const char* name, std::string& found);

// The path with each component replaced by the directory entry that equals
// it ignoring ASCII case (a directory for all but the last, a regular file
// for the last); an entry of exactly that name wins, else the first in byte
// order. `.` and `..` stay as they are, empty components go; `\` becomes
// `/`. False when some component has no such entry, or the path ends in a
// separator.
bool ResolveIgnoringCase(const char* path, std::string& resolved);

// FindMaterialTexture, then the texture read from what it found. On any
// failure *texture is null and the result is the failure code.
HRESULT LoadMaterialTexture(IDirect3DDevice9* device, const char* directory, const char* name,
                            IDirect3DTexture9** texture);
