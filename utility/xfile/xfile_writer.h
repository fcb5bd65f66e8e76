// Writes one mesh as an X file in any encoding.
#pragma once

#include "utility/xfile/xfile_format.h"
#include "utility/xfile/xmesh_data.h"

// One frame-less Mesh object with MeshNormals (when mesh.hasNormals),
// MeshTextureCoords (when mesh.hasTexcoords) and a MeshMaterialList of
// inline Material objects with their TextureFilename (when the mesh has
// materials). floatBytes is 4 or 8. False when compression fails. May throw
// std::bad_alloc.
bool WriteXFile(const XMeshData& mesh, XEncoding encoding, int floatBytes,
                std::vector<std::uint8_t>& out);
