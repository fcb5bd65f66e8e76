#include "platform/d3d9/gl/gl_objects.h"

namespace {
std::uint32_t nextGeneration = 1;
std::uint32_t currentGeneration = 0;
} // namespace

std::uint32_t NewGlGeneration() {
    return nextGeneration++;
}

std::uint32_t CurrentGlGeneration() {
    return currentGeneration;
}

void MakeGlGenerationCurrent(std::uint32_t generation) {
    currentGeneration = generation;
}

GlTexture MakeGlTexture() {
    GLuint n = 0;
    glGenTextures(1, &n);
    return GlTexture(n);
}

GlBuffer MakeGlBuffer() {
    GLuint n = 0;
    glGenBuffers(1, &n);
    return GlBuffer(n);
}

GlFramebuffer MakeGlFramebuffer() {
    GLuint n = 0;
    glGenFramebuffers(1, &n);
    return GlFramebuffer(n);
}

GlRenderbuffer MakeGlRenderbuffer() {
    GLuint n = 0;
    glGenRenderbuffers(1, &n);
    return GlRenderbuffer(n);
}

GlVertexArray MakeGlVertexArray() {
    GLuint n = 0;
    glGenVertexArrays(1, &n);
    return GlVertexArray(n);
}

GlSampler MakeGlSampler() {
    GLuint n = 0;
    glGenSamplers(1, &n);
    return GlSampler(n);
}

unsigned long glCallCount = 0;

std::uint32_t glBufferDeletions = 0;
