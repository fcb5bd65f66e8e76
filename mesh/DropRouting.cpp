#include "mesh/DropRouting.h"

#include "mesh/MeshSlot.h"

DropTarget RouteDrop(std::int32_t mouseX, std::int32_t mouseY, std::int32_t width,
                     std::int32_t height) {
    DropTarget target;
    target.content = mouseX < width / 2 ? DropContent::Mesh : DropContent::TextureSet;
    target.slot = mouseY >= height / 2 ? 1 : 0;
    return target;
}

bool LoadDroppedFile(IDirect3DDevice9* device, const char* path, DropTarget target,
                     MeshObj (&meshSlots)[kContentSlots],
                     IDirect3DTexture9* (&textureSets)[kContentSlots][kTextureRoles]) {
    if (target.slot < 0 || target.slot >= kContentSlots)
        return false;
    if (target.content == DropContent::Mesh)
        return LoadMeshSlot(device, meshSlots[target.slot], path);
    return LoadTextureSet(device, textureSets[target.slot], path);
}
