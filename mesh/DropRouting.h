// Routing of files dropped on the window: the quarter of the client area
// under the pointer decides what a file replaces. Left half: a mesh; right
// half: a texture set; top half: slot 0; bottom half: slot 1.
#pragma once

#include <cstdint>

constexpr int kContentSlots = 2;

enum class DropContent { Mesh, TextureSet };

struct DropTarget {
    DropContent content;
    int slot;
};

// The centre lines belong to the right and bottom halves: x = width / 2 is a
// texture drop, y = height / 2 goes to slot 1 (both halved by integer
// division). Positions outside the client area fall in the nearest quarter.
DropTarget RouteDrop(std::int32_t mouseX, std::int32_t mouseY, std::int32_t width,
                     std::int32_t height);
