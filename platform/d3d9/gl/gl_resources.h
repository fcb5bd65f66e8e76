// What the OpenGL device hangs on resources: the GPU copy of a texture,
// surface, buffer or program, and the resource version it was made from.
#pragma once

#include "platform/d3d9/gl/gl_objects.h"
#include "platform/d3d9/resources.h"

#include <cstdint>

class GlDevice;

struct GlTextureObject final : BackendObject {
    GlTexture texture;
    std::uint32_t version = 0;
    std::uint32_t serial = 0; // names this object in the framebuffer cache
};

struct GlSurfaceObject final : BackendObject {
    GlRenderbuffer renderbuffer;
    std::uint32_t serial = 0;
    GLsizei samples = 0;
};

// Bumped whenever a buffer object goes: OpenGL then clears the attribute
// pointers that used it, and a new buffer may come back under its name.
extern std::uint32_t glBufferDeletions;

struct GlBufferObject final : BackendObject {
    ~GlBufferObject() override { ++glBufferDeletions; }

    GlBuffer buffer;
    std::uint32_t version = 0;
};

struct GlShaderObject final : BackendObject {
    GlShaderObject(GlDevice* owner, std::uint32_t serialNumber, GlShader compiled)
        : device(owner), serial(serialNumber), shader(std::move(compiled)) {}
    ~GlShaderObject() override;

    GlDevice* device;
    std::uint32_t serial;
    GlShader shader;
};
