// Move-only owners of OpenGL objects: each name is deleted exactly once, by
// the owner that holds it, and only in the context generation that made it
// (a context lost and made anew has no such name any more).
#pragma once

#include "platform/d3d9/gl/gl_calls.h"

#include <cstdint>
#include <utility>

// Context generations: each context a device makes, the first and every one
// after a loss, has a number no other context of the process has. A name
// belongs to the generation that was current when it was made, and is
// deleted only while that generation is current again.
std::uint32_t NewGlGeneration();
std::uint32_t CurrentGlGeneration();
// Called whenever a device makes its context current.
void MakeGlGenerationCurrent(std::uint32_t generation);

template <void (*Delete)(GLuint)>
class GlName {
public:
    GlName() = default;
    explicit GlName(GLuint name) : name(name), generation(CurrentGlGeneration()) {}
    GlName(GlName&& other) noexcept
        : name(std::exchange(other.name, 0)), generation(other.generation) {}
    GlName& operator=(GlName&& other) noexcept {
        if (this != &other) {
            Reset();
            name = std::exchange(other.name, 0);
            generation = other.generation;
        }
        return *this;
    }
    GlName(const GlName&) = delete;
    GlName& operator=(const GlName&) = delete;
    ~GlName() { Reset(); }

    GLuint Get() const { return name; }
    explicit operator bool() const { return name != 0; }
    // False unless the context that made the name is the current one.
    bool Valid() const { return name != 0 && generation == CurrentGlGeneration(); }
    void Reset() {
        if (name && generation == CurrentGlGeneration())
            Delete(name);
        name = 0;
    }

private:
    GLuint name = 0;
    std::uint32_t generation = 0;
};

namespace gl_delete {
inline void Texture(GLuint n) {
    glDeleteTextures(1, &n);
}
inline void Buffer(GLuint n) {
    glDeleteBuffers(1, &n);
}
inline void Framebuffer(GLuint n) {
    glDeleteFramebuffers(1, &n);
}
inline void Renderbuffer(GLuint n) {
    glDeleteRenderbuffers(1, &n);
}
inline void VertexArray(GLuint n) {
    glDeleteVertexArrays(1, &n);
}
inline void Sampler(GLuint n) {
    glDeleteSamplers(1, &n);
}
inline void Shader(GLuint n) {
    glDeleteShader(n);
}
inline void Program(GLuint n) {
    glDeleteProgram(n);
}
} // namespace gl_delete

using GlTexture = GlName<gl_delete::Texture>;
using GlBuffer = GlName<gl_delete::Buffer>;
using GlFramebuffer = GlName<gl_delete::Framebuffer>;
using GlRenderbuffer = GlName<gl_delete::Renderbuffer>;
using GlVertexArray = GlName<gl_delete::VertexArray>;
using GlSampler = GlName<gl_delete::Sampler>;
using GlShader = GlName<gl_delete::Shader>;
using GlProgram = GlName<gl_delete::Program>;

GlTexture MakeGlTexture();
GlBuffer MakeGlBuffer();
GlFramebuffer MakeGlFramebuffer();
GlRenderbuffer MakeGlRenderbuffer();
GlVertexArray MakeGlVertexArray();
GlSampler MakeGlSampler();
