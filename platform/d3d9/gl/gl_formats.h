// How Direct3D formats, primitive types and vertex element types map onto
// OpenGL.
#pragma once

#include "platform/d3d9/d3d9.h"

#include "platform/d3d9/gl/gl_calls.h"

struct GlPixelFormat {
    GLenum internalFormat; // 0: the format has no OpenGL counterpart here
    GLenum format;
    GLenum type;
    GLint swizzle[4]; // how red, green, blue, alpha read from the stored channels
};

// Colour formats in Direct3D's memory layout (A8R8G8B8 is B, G, R, A bytes).
GlPixelFormat GlPixelFormatOf(D3DFORMAT format);
// Depth formats as renderbuffer storage; 0 when not a depth format.
GLenum GlDepthFormatOf(D3DFORMAT format);
GLenum GlPrimitiveOf(D3DPRIMITIVETYPE type);

struct GlAttribFormat {
    GLint size; // GL_BGRA for colours
    GLenum type;
    GLboolean normalized;
};
// False for element types that cannot feed a vertex attribute.
bool GlAttribFormatOf(BYTE declType, GlAttribFormat* out);

// The attribute location of a vertex element in every program of the
// device, or -1 for usages no program reads.
int AttribLocationOf(BYTE usage, BYTE usageIndex);
