// Turns the parsed meshes into one indexed triangle mesh.
#pragma once

#include "utility/xfile/scene.h"

enum class XTriangleOrder {
    File,        // as the faces come in the file
    ByAttribute, // grouped by attribute in ascending order, file order within each
};

// Every mesh of the scene, in file order, transformed by its frames
// (positions by the matrix, normals by its inverse-transpose, renormalised);
// a position that carries different normals becomes one vertex per normal;
// faces of more than three corners become fans (0, k, k + 1); faces of fewer
// corners give no triangles. Materials follow one another mesh by mesh; the
// meshes without a material list share one default material. The vertices
// are numbered as the faces meet them in file order, whatever the order of
// the triangles. False when the result would not fit 32-bit indices, or the
// load was cancelled. May throw std::bad_alloc.
// With `origins`, also where each vertex came from.
struct XVertexOrigins {
    std::vector<std::uint32_t> firstVertex; // of each mesh; the vertex count last
    LargeVector<std::uint32_t> position;    // of each vertex, in its mesh's positions
};
bool MergeScene(const XScene& scene, XTriangleOrder order, XMeshData& out,
                XVertexOrigins* origins = nullptr);

// White diffuse, nothing else: the material of faces the file gives none.
XMaterial DefaultXMaterial();
