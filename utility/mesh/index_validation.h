// The checks that bowtie cleaning makes of indices and adjacency before it
// trusts them, with the library's own wording for each finding.
#pragma once

#include "utility/core/array_view.h"
#include "utility/d3dx9mesh.h"

#include <string>
#include <vector>

// Every finding, face by face: corner indices outside the vertex range
// (the all-ones index included), neighbours outside the face range, a vertex
// used twice by one face, a neighbour named twice by one face.
std::vector<std::string> ValidateIndices(ArrayView<DWORD> indices, DWORD vertexCount,
                                         const DWORD* adjacency);
