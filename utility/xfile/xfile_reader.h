// Reads a whole X file into one mesh.
#pragma once

#include "utility/xfile/merge.h"
#include "utility/xfile/xfile_format.h"
#include "utility/xfile/xmesh_data.h"

#include "platform/d3d9/d3d9.h"

// D3D_OK; D3DXERR_INVALIDDATA for a file that is not an X file, is cut
// short, fails to inflate, holds malformed or inconsistent objects or no
// triangle at all; E_OUTOFMEMORY; E_ABORT when the load was cancelled
// (LoadCancelled). header (may be null) receives the file's header when it
// could be read. On failure mesh is left empty and the reason is in
// LoadFailure(), after where the file is broken where that is known
// (LoadFailurePosition). The triangles come in file order.
HRESULT ReadXFile(const std::uint8_t* bytes, size_t size, XFileHeader* header, XMeshData& mesh);
// The same for the file at `path`, read as it is parsed; E_FAIL when it
// cannot be read.
HRESULT ReadXFile(const char* path, XTriangleOrder order, XMeshData& mesh);
