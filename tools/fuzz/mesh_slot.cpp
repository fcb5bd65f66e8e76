// The viewer's own preparation of a dropped or start-up mesh file:
// LoadMeshSlot reads it with its materials, clones it to the shading layout,
// splits bowties, computes tangents and repairs the degenerate ones.
#include "tools/fuzz/fuzz_support.h"
#include "tools/fuzz/mesh_checks.h"

#include "framework/KvDX9.h"
#include "mesh/MeshSlot.h"
#include "mesh/ShadingLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* path = WriteScratchFile(data, size);
    sharedDevice = FuzzDevice();
    LiveObjectGuard guard;
    MeshObj slot;
    if (LoadMeshSlot(sharedDevice, slot, path)) {
        FuzzCheck(HasShadingLayout(slot.mesh), "a loaded slot is in the shading layout");
        CheckMeshIndices(slot.mesh);
    } else {
        FuzzCheck(!slot.mesh || !HasShadingLayout(slot.mesh),
                  "a failed slot holds nothing or the mesh as read");
    }
    slot.Release();
    sharedDevice = nullptr;
    return 0;
}
