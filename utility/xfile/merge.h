// Turns the parsed meshes into one indexed triangle mesh.
#pragma once

#include "utility/xfile/scene.h"

// Every mesh of the scene, in file order, transformed by its frames
// (positions by the matrix, normals by its inverse-transpose, renormalised);
// a position that carries different normals becomes one vertex per normal;
// faces of more than three corners become fans (0, k, k + 1); faces of fewer
// corners give no triangles. Materials follow one another mesh by mesh; the
// meshes without a material list share one default material. False when the
// result would not fit 32-bit indices. May throw std::bad_alloc.
bool MergeScene(const XScene& scene, XMeshData& out);

// White diffuse, nothing else: the material of faces the file gives none.
XMaterial DefaultXMaterial();
