#include "platform/d3d9/gl/gl_device.h"

#include "platform/d3d9/formats.h"
#include "platform/d3d9/gl/gl_compile.h"
#include "platform/d3d9/gl/gl_formats.h"
#include "platform/d3d9/gl/gl_resources.h"
#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/gl_shader_interface.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace {

volatile std::sig_atomic_t lossRequested = 0;
GlDevice* currentDevice = nullptr;
std::uint32_t nextTargetSerial = 1;

} // namespace

void RequestGlDeviceLoss() {
    lossRequested = 1;
}

void SimulateGlContextReset(IDirect3DDevice9* device) {
    if (auto* gl = dynamic_cast<GlDevice*>(device))
        gl->contextResetSimulated = true;
}

GlDevice::GlDevice(IDirect3D9* root, D3DDEVTYPE type, DWORD behavior,
                   const D3DPRESENT_PARAMETERS& params, SDL_Window* sdlWindow,
                   SDL_GLContext glContext, bool robustContext)
    : StateDevice(root, type, behavior, params), window(sdlWindow), context(glContext),
      robust(robustContext), generation(NewGlGeneration()) {
    currentDevice = this;
    MakeGlGenerationCurrent(generation);
    rasterValid = false;
    CreateInternalObjects();
}

GlDevice::~GlDevice() {
    MakeCurrent();
    Shutdown();
    userPrograms.clear();
    DestroyInternalObjects();
    SDL_GL_DeleteContext(context);
    if (currentDevice == this)
        currentDevice = nullptr;
    rasterValid = false;
}

void GlDevice::MakeCurrent() {
    if (currentDevice == this)
        return;
    SDL_GL_MakeCurrent(window, context);
    MakeGlGenerationCurrent(generation);
    currentDevice = this;
    rasterValid = false;
}

void GlDevice::CreateInternalObjects() {
    vertexArray = MakeGlVertexArray();
    glBindVertexArray(vertexArray.Get());
    streamBuffer = MakeGlBuffer();
    streamBufferSize = 0;
    streamBufferOffset = 0;
    targetFramebuffer = MakeGlFramebuffer();
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer.Get());
    resolveFramebuffer = MakeGlFramebuffer();
    readFramebuffer = MakeGlFramebuffer();
    for (GlSampler& sampler : samplers)
        sampler = MakeGlSampler();
    std::memset(samplerApplied, 0, sizeof samplerApplied);
    std::memset(boundTextures, 0, sizeof boundTextures);
    activeUnit = 0; // a new context starts on unit 0
    attachedColorSerial = attachedDepthSerial = 0;
    boundProgram = 0;
    vertexArrays.clear();
    inputValid = false;
    // What a missing vertex element reads: white for the diffuse colour,
    // nothing for the specular one, (0, 0, 0, 1) otherwise. Arrays never
    // change these values, so they are set once.
    for (GLuint location = 0; location < ZQ_ATTRIB_COUNT; ++location)
        glVertexAttrib4f(location, 0, 0, 0, 1);
    glVertexAttrib4f(ZQ_ATTRIB_COLOR0, 1, 1, 1, 1);
    glVertexAttrib4f(ZQ_ATTRIB_COLOR1, 0, 0, 0, 0);
    fixedBlockValid = false;
    rasterValid = false;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);

    fixedBlockBuffer = MakeGlBuffer();
    glBindBuffer(GL_UNIFORM_BUFFER, fixedBlockBuffer.Get());
    glBufferData(GL_UNIFORM_BUFFER, sizeof(FixedFunctionBlock), nullptr, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, fixedBlockBuffer.Get());
    ready = glGetError() == GL_NO_ERROR;
}

void GlDevice::DestroyInternalObjects() {
    fixedPrograms.clear();
    fixedBlockBuffer.Reset();
    for (GlSampler& sampler : samplers)
        sampler.Reset();
    resolveColor.Reset();
    readFramebuffer.Reset();
    resolveFramebuffer.Reset();
    targetFramebuffer.Reset();
    streamBuffer.Reset();
    vertexArrays.clear();
    vertexArray.Reset();
}

// ---- Targets ---------------------------------------------------------------------

bool GlDevice::CreateTargetObject(Texture& texture) {
    MakeCurrent();
    GlPixelFormat format = GlPixelFormatOf(texture.format);
    if (!format.internalFormat || (texture.usage & D3DUSAGE_DEPTHSTENCIL))
        return false;
    // Only this creation's own errors count.
    ClearGlErrors();
    auto object = std::make_unique<GlTextureObject>();
    object->texture = MakeGlTexture();
    object->serial = nextTargetSerial++;
    glBindTexture(GL_TEXTURE_2D, object->texture.Get());
    for (size_t level = 0; level < texture.levels.size(); ++level)
        glTexImage2D(GL_TEXTURE_2D, GLint(level), GLint(format.internalFormat),
                     GLsizei(texture.levels[level].width), GLsizei(texture.levels[level].height), 0,
                     format.format, format.type, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(texture.levels.size() - 1));
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    glBindTexture(GL_TEXTURE_2D, 0);
    boundTextures[activeUnit] = 0;
    object->version = texture.version;
    texture.backend = std::move(object);
    return glGetError() == GL_NO_ERROR;
}

bool GlDevice::CreateTargetObject(Surface& surface) {
    MakeCurrent();
    const D3DSURFACE_DESC& d = surface.desc;
    GLenum storage = (d.Usage & D3DUSAGE_DEPTHSTENCIL) ? GlDepthFormatOf(d.Format)
                                                       : GlPixelFormatOf(d.Format).internalFormat;
    if (!storage)
        return false;
    GLint maxSamples = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
    GLsizei samples =
        d.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES ? GLsizei(d.MultiSampleType) : 0;
    if (samples > maxSamples)
        return false;
    auto object = std::make_unique<GlSurfaceObject>();
    object->renderbuffer = MakeGlRenderbuffer();
    object->serial = nextTargetSerial++;
    object->samples = samples;
    glBindRenderbuffer(GL_RENDERBUFFER, object->renderbuffer.Get());
    ClearGlErrors();
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, storage, GLsizei(d.Width),
                                     GLsizei(d.Height));
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    surface.backend = std::move(object);
    return glGetError() == GL_NO_ERROR;
}

GlDevice::Attachment GlDevice::AttachmentOf(Surface& surface) {
    if (surface.owner) {
        TextureName(surface.owner);
        auto* object = static_cast<GlTextureObject*>(surface.owner->backend.get());
        if (!object)
            return {};
        return Attachment{object->serial, object->texture.Get(), GL_TEXTURE_2D,
                          GLint(surface.level), 0};
    }
    auto* object = static_cast<GlSurfaceObject*>(surface.backend.get());
    if (!object || !object->renderbuffer.Valid())
        return {};
    return Attachment{object->serial, object->renderbuffer.Get(), GL_RENDERBUFFER, 0,
                      object->samples};
}

static void Attach(GLenum target, GLenum point, const GlDevice::Attachment& a) {
    if (a.kind == GL_TEXTURE_2D)
        glFramebufferTexture2D(target, point, GL_TEXTURE_2D, a.name, a.level);
    else
        glFramebufferRenderbuffer(target, point, GL_RENDERBUFFER, a.name);
}

bool GlDevice::BindTargets() {
    if (!state.renderTarget)
        return false;
    Attachment color = AttachmentOf(*state.renderTarget);
    Attachment depth = state.depthStencil ? AttachmentOf(*state.depthStencil) : Attachment{};
    if (!color.serial)
        return false;
    // The target framebuffer stays bound: the few places that bind another
    // one bind it back before they return.
    if (color.serial == attachedColorSerial && depth.serial == attachedDepthSerial)
        return targetsComplete;
    if (color.serial != attachedColorSerial) {
        Attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, color);
        attachedColorSerial = color.serial;
        CountState();
    }
    if (depth.serial != attachedDepthSerial) {
        // Clearing the combined point detaches a stencil part as well.
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
        if (depth.serial) {
            bool stencil = HasStencil(state.depthStencil->desc.Format);
            Attach(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                   depth);
        }
        attachedDepthSerial = depth.serial;
        CountState();
    }
    targetsComplete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return targetsComplete;
}

void GlDevice::ClearTargets(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                            DWORD stencil) {
    MakeCurrent();
    if (!BindTargets())
        return;
    const D3DVIEWPORT9& vp = state.viewport;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    rasterValid = false;
    glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
                 float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f);
    glClearDepth(z);
    glClearStencil(GLint(stencil));
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET)
        mask |= GL_COLOR_BUFFER_BIT;
    // The device's checks let depth and stencil through only where the
    // depth surface has them.
    if (flags & D3DCLEAR_ZBUFFER)
        mask |= GL_DEPTH_BUFFER_BIT;
    if (flags & D3DCLEAR_STENCIL)
        mask |= GL_STENCIL_BUFFER_BIT;
    // Clearing covers the viewport, cut by the rectangles when there are any.
    glEnable(GL_SCISSOR_TEST);
    auto clearArea = [&](LONG x1, LONG y1, LONG x2, LONG y2) {
        LONG left = std::max<LONG>(x1, LONG(vp.X)), top = std::max<LONG>(y1, LONG(vp.Y));
        LONG right = std::min<LONG>(x2, LONG(vp.X + vp.Width));
        LONG bottom = std::min<LONG>(y2, LONG(vp.Y + vp.Height));
        if (right <= left || bottom <= top)
            return;
        glScissor(left, top, right - left, bottom - top);
        glClear(mask);
    };
    if (count == 0)
        clearArea(LONG(vp.X), LONG(vp.Y), LONG(vp.X + vp.Width), LONG(vp.Y + vp.Height));
    for (DWORD i = 0; i < count; ++i)
        clearArea(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    glDisable(GL_SCISSOR_TEST);
}

void GlDevice::CopyTargetToMemory(Surface& target, Surface& dest) {
    MakeCurrent();
    Attachment source = AttachmentOf(target);
    GlPixelFormat format = GlPixelFormatOf(target.desc.Format);
    if (!source.serial || !format.internalFormat || dest.pixels.empty())
        return;
    GLsizei w = GLsizei(target.desc.Width), h = GLsizei(target.desc.Height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer.Get());
    Attach(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, source);
    if (source.samples > 0) {
        // A multisampled target is resolved before its pixels can be read.
        ResolveInto(w, h);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer.Get());
    }
    glReadPixels(0, 0, w, h, format.format, format.type, dest.pixels.data());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer.Get());
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer.Get());
}

void GlDevice::ResolveInto(GLsizei width, GLsizei height) {
    if (!resolveColor || resolveWidth != width || resolveHeight != height) {
        resolveColor = MakeGlRenderbuffer();
        glBindRenderbuffer(GL_RENDERBUFFER, resolveColor.Get());
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        glBindRenderbuffer(GL_RENDERBUFFER, 0);
        resolveWidth = width;
        resolveHeight = height;
    }
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer.Get());
    glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              resolveColor.Get());
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

HRESULT GlDevice::PresentBackBuffer() {
    MakeCurrent();
    current.glCalls = glCallCount - callsAtLastPresent;
    callsAtLastPresent = glCallCount;
    lastFrame = current;
    current = Counters{};
    if (lossRequested) {
        lossRequested = 0;
        return D3DERR_DEVICELOST;
    }
    Attachment back = AttachmentOf(*backBuffer);
    if (!back.serial)
        return Refuse("Present", "the back buffer has no OpenGL storage");
    GLsizei w = GLsizei(backBuffer->desc.Width), h = GLsizei(backBuffer->desc.Height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer.Get());
    Attach(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, back);
    if (back.samples > 0) {
        ResolveInto(w, h);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, resolveFramebuffer.Get());
    }
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(window, &drawableW, &drawableH);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // The back buffer's rows run top-down; the window's bottom-up.
    glBlitFramebuffer(0, 0, w, h, 0, drawableH, drawableW, 0, GL_COLOR_BUFFER_BIT,
                      (drawableW == w && drawableH == h) ? GL_NEAREST : GL_LINEAR);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer.Get());
    glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, targetFramebuffer.Get());
    SDL_GL_SwapWindow(window);
    const bool reset = std::exchange(contextResetSimulated, false);
    if (reset || (robust && glGetGraphicsResetStatus() != GL_NO_ERROR)) {
        contextLost = true;
        return D3DERR_DEVICELOST;
    }
    return D3D_OK;
}

bool GlDevice::ResetTargets() {
    MakeCurrent();
    if (contextLost) {
        // The old context and every name in it are gone: start a new one.
        // Managed resources upload again from their system-memory copies.
        userPrograms.clear();
        SDL_GL_DeleteContext(context);
        // Only this device's names went with its context; another device's
        // stay as they are.
        generation = NewGlGeneration();
        MakeGlGenerationCurrent(generation);
        context = CreateGlContext(window, type == D3DDEVTYPE_REF, &robust);
        if (!context)
            return false;
        SDL_GL_MakeCurrent(window, context);
        currentDevice = this;
        DestroyInternalObjects();
        CreateInternalObjects();
        contextLost = false;
        for (DeviceChild* child : Children())
            child->backend.reset();
    }
    SDL_GL_SetSwapInterval(params.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1);
    attachedColorSerial = attachedDepthSerial = 0;
    return ready;
}

GLuint GlDevice::FixedProgram(std::uint32_t variant) {
    auto found = fixedPrograms.find(variant);
    if (found != fixedPrograms.end())
        return found->second.Get();
    // Made on first use: a picture that needs three variants compiles three.
    std::string log;
    const std::string prelude = "#version 330 core\n" + FixedFunctionDefines(variant);
    GLuint vs = CompileGlShader(GL_VERTEX_SHADER, prelude + kFixedFunctionVertexSource, &log);
    GLuint ps = vs ? CompileGlShader(GL_FRAGMENT_SHADER,
                                     prelude + kPixelOutputSource + kFixedFunctionPixelSource, &log)
                   : 0;
    GLuint program = vs && ps ? LinkGlProgram(vs, ps, &log) : 0;
    if (vs)
        glDeleteShader(vs);
    if (ps)
        glDeleteShader(ps);
    if (!program) {
        // Kept as 0, so that the failure is told once and its draws skipped.
        std::fprintf(stderr, "fixed-function program %#x: %s\n", unsigned(variant), log.c_str());
        fixedPrograms.emplace(variant, GlProgram());
        return 0;
    }
    glUniformBlockBinding(program, glGetUniformBlockIndex(program, "FixedFunction"), 0);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "uTexture0"), 0);
    glUseProgram(boundProgram);
    fixedPrograms.emplace(variant, GlProgram(program));
    return program;
}
