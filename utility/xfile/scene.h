// What the parser keeps of an X file before the meshes are merged: every
// Mesh object with the transform of the frames around it, and the materials.
// The parser checks counts and indices, so the merge can trust them.
#pragma once

#include "utility/xfile/tokens.h"
#include "utility/xfile/xfile_format.h"
#include "utility/xfile/xmesh_data.h"

#include <cstdint>
#include <vector>

// Faces of any number of corners: cornerCounts[f] corners of face f, one
// after the other in corners.
struct XPolygons {
    std::vector<std::uint32_t> cornerCounts;
    std::vector<std::uint32_t> corners;
};

struct XMeshPart {
    std::vector<D3DXVECTOR3> positions;
    XPolygons faces;
    bool hasNormals = false;
    std::vector<D3DXVECTOR3> normals;
    XPolygons normalFaces; // the same shape as faces, indexing normals
    bool hasTexcoords = false;
    std::vector<D3DXVECTOR2> texcoords;       // one a position
    std::vector<std::uint32_t> materials;     // indices into XScene::materials
    std::vector<std::uint32_t> faceMaterials; // one a face, indexing `materials`; empty without
    D3DXMATRIX transform;                     // product of the enclosing frame matrices
};

struct XScene {
    std::vector<XMeshPart> meshes;
    std::vector<XMaterial> materials;
};

// Parses the body of a file (after the header, inflated when it was
// compressed). False on malformed content. May throw std::bad_alloc.
bool ParseXText(const std::uint8_t* data, size_t size, int floatBytes, XScene& scene);
bool ParseXBinary(const std::uint8_t* data, size_t size, int floatBytes, XScene& scene);
