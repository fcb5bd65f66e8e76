#include "mesh/DropRouting.h"

DropTarget RouteDrop(std::int32_t mouseX, std::int32_t mouseY, std::int32_t width,
                     std::int32_t height) {
    DropTarget target;
    target.content = mouseX < width / 2 ? DropContent::Mesh : DropContent::TextureSet;
    target.slot = mouseY >= height / 2 ? 1 : 0;
    return target;
}
