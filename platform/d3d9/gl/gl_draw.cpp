// The drawing half of the OpenGL device: raster state, vertex input, the
// choice of program, textures and samplers, and the draw calls themselves.
#include "platform/d3d9/formats.h"
#include "platform/d3d9/gl/gl_device.h"
#include "platform/d3d9/gl/gl_formats.h"
#include "platform/d3d9/gl/gl_resources.h"
#include "platform/d3d9/gl_shader_interface.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMinStreamBuffer = 1 << 20;

GLenum BlendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BLENDFACTOR:
        return GL_CONSTANT_COLOR;
    case D3DBLEND_INVBLENDFACTOR:
        return GL_ONE_MINUS_CONSTANT_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum BlendEquation(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLenum CompareFunction(DWORD cmp) {
    switch (cmp) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLint AddressMode(DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
    case D3DTADDRESS_MIRRORONCE:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    default:
        return GL_REPEAT;
    }
}

GLint MinFilter(DWORD minFilter, DWORD mipFilter) {
    bool linear = minFilter != D3DTEXF_POINT && minFilter != D3DTEXF_NONE;
    if (mipFilter == D3DTEXF_NONE)
        return linear ? GL_LINEAR : GL_NEAREST;
    if (mipFilter == D3DTEXF_POINT)
        return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

} // namespace

void GlDevice::ApplyRasterState() {
    const DWORD* rs = state.renderStates;
    RasterState want;
    std::memset(&want, 0, sizeof want);
    const D3DVIEWPORT9& vp = state.viewport;
    want.viewport[0] = GLint(vp.X);
    want.viewport[1] = GLint(vp.Y);
    want.viewport[2] = GLint(vp.Width);
    want.viewport[3] = GLint(vp.Height);
    want.depthRange[0] = vp.MinZ;
    want.depthRange[1] = vp.MaxZ;
    want.depthTest = rs[D3DRS_ZENABLE] != D3DZB_FALSE && state.depthStencil;
    want.depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
    want.depthFunction = CompareFunction(rs[D3DRS_ZFUNC]);
    // Rows run top-down in every target, so Direct3D's clockwise faces are
    // OpenGL's counter-clockwise ones: culling counter-clockwise culls back
    // faces.
    want.cullFace = rs[D3DRS_CULLMODE] == D3DCULL_CCW  ? GL_BACK
                    : rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT
                                                       : 0;
    want.blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    bool separate = rs[D3DRS_SEPARATEALPHABLENDENABLE] != 0;
    want.blendFactors[0] = BlendFactor(rs[D3DRS_SRCBLEND]);
    want.blendFactors[1] = BlendFactor(rs[D3DRS_DESTBLEND]);
    want.blendFactors[2] = BlendFactor(separate ? rs[D3DRS_SRCBLENDALPHA] : rs[D3DRS_SRCBLEND]);
    want.blendFactors[3] = BlendFactor(separate ? rs[D3DRS_DESTBLENDALPHA] : rs[D3DRS_DESTBLEND]);
    want.blendEquations[0] = BlendEquation(rs[D3DRS_BLENDOP]);
    want.blendEquations[1] = BlendEquation(separate ? rs[D3DRS_BLENDOPALPHA] : rs[D3DRS_BLENDOP]);
    want.colorMask = rs[D3DRS_COLORWRITEENABLE] & 0xF;
    want.polygonMode = rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                       : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                 : GL_FILL;
    if (rasterValid && std::memcmp(&want, &appliedRaster, sizeof want) == 0)
        return;
    CountState();
    glViewport(want.viewport[0], want.viewport[1], want.viewport[2], want.viewport[3]);
    glDepthRange(want.depthRange[0], want.depthRange[1]);
    if (want.depthTest)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
    glDepthMask(want.depthWrite);
    glDepthFunc(want.depthFunction);
    if (want.cullFace) {
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(want.cullFace);
    } else {
        glDisable(GL_CULL_FACE);
    }
    if (want.blend)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    glBlendFuncSeparate(want.blendFactors[0], want.blendFactors[1], want.blendFactors[2],
                        want.blendFactors[3]);
    glBlendEquationSeparate(want.blendEquations[0], want.blendEquations[1]);
    glColorMask(want.colorMask & 1, (want.colorMask >> 1) & 1, (want.colorMask >> 2) & 1,
                (want.colorMask >> 3) & 1);
    glPolygonMode(GL_FRONT_AND_BACK, want.polygonMode);
    appliedRaster = want;
    rasterValid = true;
}

void GlDevice::SetUpVertexInput(VertexLayoutInfo* info, GLuint streamZeroBuffer,
                                GLintptr baseOffset, UINT streamZeroStride) {
    // What the attribute pointers depend on; when it is what they already
    // point at, the draw costs no OpenGL call here. The device's checks let
    // only a layout that is set, over streams that are bound, through.
    InputBinding want;
    if (state.declaration)
        want.elements = state.declaration->elements;
    else
        want.elements = ElementsFromFvf(state.fvf);
    want.bufferDeletions = glBufferDeletions;
    want.buffers[0] = streamZeroBuffer;
    want.offsets[0] = baseOffset;
    want.strides[0] = streamZeroStride;
    for (const D3DVERTEXELEMENT9& e : want.elements) {
        if (e.Stream == 0 || e.Stream == 0xFF)
            continue;
        const DeviceState::Stream& s = state.streams[e.Stream];
        want.buffers[e.Stream] = BufferName(*s.buffer);
        want.offsets[e.Stream] = GLintptr(s.offset);
        want.strides[e.Stream] = s.stride;
    }
    if (inputValid && want == appliedInput) {
        *info = appliedLayout;
        return;
    }
    // Every layout and stream set drawn before keeps a vertex array of its
    // own: going back to it is one call. A buffer that went away may have
    // left its name to another, so then they all go.
    if (!vertexArrays.empty() && vertexArrays.front().input.bufferDeletions != glBufferDeletions)
        vertexArrays.clear();
    for (CachedVertexArray& cached : vertexArrays) {
        if (cached.input == want) {
            glBindVertexArray(cached.array.Get());
            appliedInput = std::move(want);
            appliedLayout = *info = cached.layout;
            inputValid = true;
            CountState();
            return;
        }
    }
    if (vertexArrays.size() >= kMaxCachedVertexArrays)
        vertexArrays.clear();
    vertexArrays.push_back(CachedVertexArray{want, MakeGlVertexArray(), {}});
    CachedVertexArray& made = vertexArrays.back();
    glBindVertexArray(made.array.Get());

    *info = VertexLayoutInfo{false, false, false, false};
    unsigned wanted = 0;
    for (const D3DVERTEXELEMENT9& e : want.elements) {
        if (e.Stream == 0xFF)
            break;
        int location = AttribLocationOf(e.Usage, e.UsageIndex);
        GlAttribFormat format;
        if (location < 0 || !GlAttribFormatOf(e.Type, &format))
            continue;
        glBindBuffer(GL_ARRAY_BUFFER, want.buffers[e.Stream]);
        glVertexAttribPointer(GLuint(location), format.size, format.type, format.normalized,
                              GLsizei(want.strides[e.Stream]),
                              reinterpret_cast<const void*>(want.offsets[e.Stream] + e.Offset));
        wanted |= 1u << location;
        info->pretransformed |= e.Usage == D3DDECLUSAGE_POSITIONT;
        info->hasNormal |= location == ZQ_ATTRIB_NORMAL0;
        info->hasColor0 |= location == ZQ_ATTRIB_COLOR0;
        info->hasColor1 |= location == ZQ_ATTRIB_COLOR1;
    }
    for (GLuint location = 0; location < ZQ_ATTRIB_COUNT; ++location)
        if ((wanted >> location) & 1)
            glEnableVertexAttribArray(location);
    made.layout = *info;
    appliedInput = std::move(want);
    appliedLayout = *info;
    inputValid = true;
    CountState();
}

GLuint GlDevice::TextureName(IDirect3DBaseTexture9* base) {
    auto* texture = static_cast<Texture*>(base);
    if (!texture)
        return 0;
    auto* object = static_cast<GlTextureObject*>(texture->backend.get());
    if (object && object->texture.Valid() && object->version == texture->version)
        return object->texture.Get();
    if (texture->IsRenderTarget()) {
        // A render target made in an earlier context: its pixels are gone,
        // only the storage comes back.
        if (!object || !object->texture.Valid())
            CreateTargetObject(*texture);
        object = static_cast<GlTextureObject*>(texture->backend.get());
        return object ? object->texture.Get() : 0;
    }
    GlPixelFormat format = GlPixelFormatOf(texture->format);
    if (!format.internalFormat)
        return 0;
    bool fresh = !object || !object->texture.Valid();
    if (fresh) {
        auto made = std::make_unique<GlTextureObject>();
        made->texture = MakeGlTexture();
        object = made.get();
        texture->backend = std::move(made);
    }
    // Uploads go through unit 0, which must then be the active one.
    if (activeUnit != 0) {
        glActiveTexture(GL_TEXTURE0);
        activeUnit = 0;
    }
    BindTexture(0, object->texture.Get());
    for (size_t level = 0; level < texture->levels.size(); ++level) {
        const Texture::Level& l = texture->levels[level];
        if (fresh)
            glTexImage2D(GL_TEXTURE_2D, GLint(level), GLint(format.internalFormat),
                         GLsizei(l.width), GLsizei(l.height), 0, format.format, format.type,
                         l.pixels.data());
        else
            glTexSubImage2D(GL_TEXTURE_2D, GLint(level), 0, 0, GLsizei(l.width), GLsizei(l.height),
                            format.format, format.type, l.pixels.data());
    }
    if (fresh) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(texture->levels.size() - 1));
        glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, format.swizzle);
    }
    object->version = texture->version;
    ++current.uploads;
    return object->texture.Get();
}

template <class Buffer>
static GlBufferObject* UploadBuffer(Buffer& buffer, GLenum target, unsigned* uploads) {
    auto* object = static_cast<GlBufferObject*>(buffer.backend.get());
    if (object && object->buffer.Valid() && object->version == buffer.version)
        return object;
    if (!object || !object->buffer.Valid()) {
        auto made = std::make_unique<GlBufferObject>();
        made->buffer = MakeGlBuffer();
        object = made.get();
        buffer.backend = std::move(made);
    }
    glBindBuffer(target, object->buffer.Get());
    glBufferData(target, GLsizeiptr(buffer.data.size()), buffer.data.data(),
                 (buffer.usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    object->version = buffer.version;
    ++*uploads;
    return object;
}

GLuint GlDevice::BufferName(VertexBuffer& buffer) {
    return UploadBuffer(buffer, GL_ARRAY_BUFFER, &current.uploads)->buffer.Get();
}

GLuint GlDevice::BufferName(IndexBuffer& buffer) {
    return UploadBuffer(buffer, GL_ELEMENT_ARRAY_BUFFER, &current.uploads)->buffer.Get();
}

void GlDevice::BindTexture(DWORD stage, GLuint name) {
    if (boundTextures[stage] == name)
        return;
    if (activeUnit != stage) {
        glActiveTexture(GL_TEXTURE0 + stage);
        activeUnit = stage;
    }
    glBindTexture(GL_TEXTURE_2D, name);
    boundTextures[stage] = name;
    CountState();
}

void GlDevice::ApplySampler(DWORD stage) {
    const DWORD* want = state.samplerStates[stage];
    if (samplerApplied[stage] &&
        std::memcmp(want, appliedSamplerStates[stage], sizeof appliedSamplerStates[stage]) == 0)
        return;
    GLuint s = samplers[stage].Get();
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, AddressMode(want[D3DSAMP_ADDRESSU]));
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, AddressMode(want[D3DSAMP_ADDRESSV]));
    glSamplerParameteri(s, GL_TEXTURE_MIN_FILTER,
                        MinFilter(want[D3DSAMP_MINFILTER], want[D3DSAMP_MIPFILTER]));
    glSamplerParameteri(s, GL_TEXTURE_MAG_FILTER,
                        want[D3DSAMP_MAGFILTER] == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
    glSamplerParameterf(s, GL_TEXTURE_MIN_LOD, float(want[D3DSAMP_MAXMIPLEVEL]));
    float bias;
    std::memcpy(&bias, &want[D3DSAMP_MIPMAPLODBIAS], sizeof bias);
    glSamplerParameterf(s, GL_TEXTURE_LOD_BIAS, bias);
    DWORD c = want[D3DSAMP_BORDERCOLOR];
    float border[4] = {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f,
                       float(c & 0xFF) / 255.0f, float(c >> 24) / 255.0f};
    glSamplerParameterfv(s, GL_TEXTURE_BORDER_COLOR, border);
    glBindSampler(stage, s);
    std::memcpy(appliedSamplerStates[stage], want, sizeof appliedSamplerStates[stage]);
    samplerApplied[stage] = true;
    CountState();
}

bool GlDevice::UseProgram(const VertexLayoutInfo& layout) {
    const DeviceState& s = state;
    if (s.vertexShader || s.pixelShader) {
        if (!s.vertexShader || !s.pixelShader)
            return false; // a program runs only with its partner
        UserProgram* user = LinkedProgram(*s.vertexShader, *s.pixelShader);
        if (!user)
            return false;
        if (boundProgram != user->program.Get()) {
            glUseProgram(user->program.Get());
            boundProgram = user->program.Get();
            CountState();
        }
        if (user->constantsVersion != s.constantsVersion) {
            if (s.vertexConstantsUsed)
                glUniform4fv(user->vertexConstants, GLsizei(s.vertexConstantsUsed),
                             &s.vertexConstants[0][0]);
            if (s.pixelConstantsUsed)
                glUniform4fv(user->pixelConstants, GLsizei(s.pixelConstantsUsed),
                             &s.pixelConstants[0][0]);
            user->constantsVersion = s.constantsVersion;
            ++current.uploads;
        }
        // The device's own uniforms, each written only when it changed.
        const DWORD* rs = s.renderStates;
        UserProgram::DeviceUniforms uniforms{
            {1.0f / float(s.viewport.Width), 1.0f / float(s.viewport.Height)},
            {rs[D3DRS_FOGENABLE] ? 1 : 0,
             rs[D3DRS_ALPHATESTENABLE] ? GLint(rs[D3DRS_ALPHAFUNC]) : 0,
             GLint(rs[D3DRS_ALPHAREF] & 0xFF)},
            rs[D3DRS_FOGCOLOR]};
        if (!user->uniformsValid ||
            std::memcmp(uniforms.clipAdjust, user->uniforms.clipAdjust, sizeof uniforms.clipAdjust))
            glUniform4f(user->clipAdjust, uniforms.clipAdjust[0], uniforms.clipAdjust[1], 0, 0);
        if (!user->uniformsValid ||
            std::memcmp(uniforms.pixelFlags, user->uniforms.pixelFlags, sizeof uniforms.pixelFlags))
            glUniform4i(user->pixelFlags, uniforms.pixelFlags[0], uniforms.pixelFlags[1],
                        uniforms.pixelFlags[2], 0);
        if (!user->uniformsValid || uniforms.fogColor != user->uniforms.fogColor) {
            DWORD fog = uniforms.fogColor;
            glUniform4f(user->fogColor, float((fog >> 16) & 0xFF) / 255.0f,
                        float((fog >> 8) & 0xFF) / 255.0f, float(fog & 0xFF) / 255.0f, 1.0f);
        }
        user->uniforms = uniforms;
        user->uniformsValid = true;
        // Every upload first: an upload binds its texture on a unit of its
        // own, which must not undo a stage already bound.
        GLuint names[kMaxTextureStages];
        for (DWORD stage = 0; stage < kMaxTextureStages; ++stage)
            names[stage] = TextureName(s.textures[stage]);
        for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
            BindTexture(stage, names[stage]);
            ApplySampler(stage);
        }
        return true;
    }
    GLuint texture = TextureName(s.textures[0]);
    FixedFunctionBlock block;
    FillFixedFunctionBlock(s, layout, texture != 0, &block);
    const GLuint program = FixedProgram(FixedFunctionVariant(block));
    if (!program)
        return false;
    if (boundProgram != program) {
        glUseProgram(program);
        boundProgram = program;
        glBindBufferBase(GL_UNIFORM_BUFFER, 0, fixedBlockBuffer.Get());
        CountState();
    }
    if (!fixedBlockValid || std::memcmp(&block, &fixedBlock, sizeof block) != 0) {
        glBindBuffer(GL_UNIFORM_BUFFER, fixedBlockBuffer.Get());
        glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof block, &block);
        fixedBlock = block;
        fixedBlockValid = true;
        ++current.uploads;
    }
    BindTexture(0, texture);
    ApplySampler(0);
    return true;
}

bool GlDevice::PrepareDraw(GLuint streamZeroBuffer, GLintptr baseOffset, UINT streamZeroStride) {
    MakeCurrent();
    if (!ready || !BindTargets())
        return false;
    ApplyRasterState();
    VertexLayoutInfo layout;
    SetUpVertexInput(&layout, streamZeroBuffer, baseOffset, streamZeroStride);
    if (!UseProgram(layout))
        return false;
    ++current.drawCalls;
    return true;
}

void GlDevice::DrawFromMemory(D3DPRIMITIVETYPE type, UINT vertexCount, const void* data,
                              UINT stride) {
    MakeCurrent();
    size_t size = size_t(vertexCount) * stride;
    glBindBuffer(GL_ARRAY_BUFFER, streamBuffer.Get());
    // Vertices start on a whole vertex of the stream, so that the attribute
    // pointers stay at the start of the buffer and the draw names its first
    // vertex: consecutive draws of one format need no new pointers.
    size_t first = (streamBufferOffset + stride - 1) / stride;
    if ((first * stride + size) > streamBufferSize) {
        first = 0;
        streamBufferSize = 0; // makes the next check orphan the storage
    }
    if (streamBufferSize == 0) {
        streamBufferSize = std::max(kMinStreamBuffer, size * 2);
        glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(streamBufferSize), nullptr, GL_STREAM_DRAW);
    }
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(first * stride), GLsizeiptr(size), data);
    streamBufferOffset = first * stride + size;
    if (!PrepareDraw(streamBuffer.Get(), 0, stride))
        return;
    glDrawArrays(GlPrimitiveOf(type), GLint(first), GLsizei(vertexCount));
}

GLuint GlDevice::StreamZeroName() {
    // A declaration may read other streams only, and leave stream 0 unset.
    VertexBuffer* buffer = state.streams[0].buffer;
    return buffer ? BufferName(*buffer) : 0;
}

void GlDevice::DrawUnindexed(D3DPRIMITIVETYPE type, UINT startVertex, UINT vertexCount) {
    MakeCurrent();
    const DeviceState::Stream& s = state.streams[0];
    GLuint buffer = StreamZeroName();
    if (!PrepareDraw(buffer, GLintptr(s.offset), s.stride))
        return;
    glDrawArrays(GlPrimitiveOf(type), GLint(startVertex), GLsizei(vertexCount));
}

void GlDevice::DrawFromBuffers(D3DPRIMITIVETYPE type, INT baseVertex, UINT, UINT, UINT startIndex,
                               UINT indexCount) {
    MakeCurrent();
    const DeviceState::Stream& s = state.streams[0];
    GLuint vertices = StreamZeroName();
    GLuint indices = BufferName(*state.indices);
    if (!PrepareDraw(vertices, GLintptr(s.offset), s.stride))
        return;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices);
    bool wide = state.indices->format == D3DFMT_INDEX32;
    glDrawElementsBaseVertex(
        GlPrimitiveOf(type), GLsizei(indexCount), wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
        reinterpret_cast<const void*>(size_t(startIndex) * (wide ? 4 : 2)), baseVertex);
}
