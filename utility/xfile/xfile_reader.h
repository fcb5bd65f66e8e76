// Reads a whole X file held in memory into one mesh.
#pragma once

#include "utility/xfile/xfile_format.h"
#include "utility/xfile/xmesh_data.h"

#include "platform/d3d9/d3d9.h"

// D3D_OK; D3DXERR_INVALIDDATA for a file that is not an X file, is cut
// short, fails to inflate, holds malformed or inconsistent objects or no
// triangle at all;
// E_OUTOFMEMORY. header (may be null) receives the file's header when it
// could be read. On failure mesh is left empty.
HRESULT ReadXFile(const std::uint8_t* bytes, size_t size, XFileHeader* header, XMeshData& mesh);
