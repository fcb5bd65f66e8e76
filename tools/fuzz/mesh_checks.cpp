#include "tools/fuzz/mesh_checks.h"

#include "tools/fuzz/fuzz_support.h"
#include "utility/mesh/mesh_access.h"

#include <vector>

void CheckMeshIndices(ID3DXMesh* mesh) {
    LargeVector<DWORD> indices;
    FuzzCheck(SUCCEEDED(ReadIndices(mesh, indices)), "the indices can be read");
    FuzzCheck(indices.size() == 3 * size_t(mesh->GetNumFaces()), "three indices a face");
    for (DWORD index : indices)
        FuzzCheck(index < mesh->GetNumVertices(), "indices name vertices");
}

void CheckAdjacency(ID3DXMesh* mesh, const DWORD* adjacency) {
    for (size_t i = 0; i < 3 * size_t(mesh->GetNumFaces()); ++i)
        FuzzCheck(adjacency[i] == 0xFFFFFFFFu || adjacency[i] < mesh->GetNumFaces(),
                  "adjacency names faces");
}
