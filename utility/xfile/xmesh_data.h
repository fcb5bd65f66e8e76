// One mesh as the X file reader produces it and the writer consumes it:
// vertices in the layout position, normal, texture coordinate; triangles
// with one attribute (material index) each; the materials.
#pragma once

#include "platform/memory/large_allocator.h"
#include "utility/d3dx9math.h"

#include <cstdint>
#include <string>
#include <vector>

struct XVertex {
    D3DXVECTOR3 position;
    D3DXVECTOR3 normal;
    D3DXVECTOR2 texcoord;
};

struct XMaterial {
    D3DMATERIAL9 colors;     // Diffuse = face colour, Specular, Emissive, Power; Ambient zero
    std::string textureFile; // empty when the material names no texture
};

struct XMeshData {
    LargeVector<XVertex> vertices;
    LargeVector<std::uint32_t> indices;    // three a triangle
    LargeVector<std::uint32_t> attributes; // one a triangle, indexing materials
    std::vector<XMaterial> materials;
    bool hasNormals = false;
    bool hasTexcoords = false;

    size_t TriangleCount() const { return attributes.size(); }
};
