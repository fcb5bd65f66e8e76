#include "tools/fuzz/xfile_checks.h"

#include "tools/fuzz/fuzz_support.h"

void CheckXMeshData(const XMeshData& mesh) {
    FuzzCheck(mesh.TriangleCount() > 0, "a read mesh has a triangle");
    FuzzCheck(mesh.indices.size() == 3 * mesh.TriangleCount(), "three indices a triangle");
    for (std::uint32_t index : mesh.indices)
        FuzzCheck(index < mesh.vertices.size(), "indices name vertices");
    for (std::uint32_t attribute : mesh.attributes)
        FuzzCheck(attribute < mesh.materials.size(), "attributes name materials");
}
