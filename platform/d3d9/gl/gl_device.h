// The Direct3D 9 device over an OpenGL 3.3 core context on the SDL window.
// Every target is an OpenGL framebuffer whose rows run top-down as in
// Direct3D; Present turns the back buffer the right way up into the window.
#pragma once

#include "platform/d3d9/gl/gl_fixed_function.h"
#include "platform/d3d9/gl/gl_objects.h"
#include "platform/d3d9/state_device.h"

#include <SDL.h>

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

// A core 3.3 context for the window, robust with loss reports where the
// driver offers it (*robust says whether it is); null when none can be had.
// A device's first context and each one made anew after a loss are asked
// for alike.
SDL_GLContext CreateGlContext(SDL_Window* window, bool reference, bool* robust);

class GlDevice final : public StateDevice {
public:
    GlDevice(IDirect3D9* root, D3DDEVTYPE type, DWORD behavior, const D3DPRESENT_PARAMETERS& params,
             SDL_Window* window, SDL_GLContext context, bool robust);
    ~GlDevice() override;

    // False when the device's own programs or objects could not be made.
    bool Ready() const { return ready; }
    // The back buffer and depth buffer make a framebuffer the driver takes.
    bool TargetsComplete() {
        MakeCurrent();
        return BindTargets();
    }
    // Makes this device's context the current one when another is.
    void MakeCurrent();
    // Forgets the linked programs that use a program object going away.
    void ForgetProgramsOf(std::uint32_t shaderSerial);

    // OpenGL work of the frames presented so far: draws, state changes and
    // uploads per frame of the last Present, for the frame benchmark.
    struct Counters {
        unsigned long glCalls = 0;
        unsigned drawCalls = 0;
        unsigned stateChanges = 0;
        unsigned uploads = 0;
    };
    const Counters& LastFrameCounters() const { return lastFrame; }
    // Waits until the driver has carried out every command so far.
    void Finish() {
        MakeCurrent();
        glFinish();
    }

    // One colour or depth attachment of a framebuffer.
    struct Attachment {
        std::uint32_t serial = 0; // 0: none
        GLuint name = 0;
        GLenum kind = 0; // GL_TEXTURE_2D or GL_RENDERBUFFER
        GLint level = 0;
        GLsizei samples = 0;
    };

protected:
    bool CreateTargetObject(Texture& texture) override;
    bool CreateTargetObject(Surface& surface) override;
    void DrawFromMemory(D3DPRIMITIVETYPE type, UINT vertexCount, const void* data,
                        UINT stride) override;
    void DrawFromBuffers(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                         UINT startIndex, UINT indexCount) override;
    void DrawUnindexed(D3DPRIMITIVETYPE type, UINT startVertex, UINT vertexCount) override;
    void ClearTargets(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) override;
    void CopyTargetToMemory(Surface& target, Surface& dest) override;
    HRESULT PresentBackBuffer() override;
    bool CompileShader(VertexShader& shader) override;
    bool CompileShader(PixelShader& shader) override;
    bool LinkCurrentPrograms() override;
    bool ResetTargets() override;

private:
    // The raster state of one draw, compared as a whole against the last
    // one applied, so that unchanged state costs no OpenGL call.
    struct RasterState {
        GLint viewport[4];
        float depthRange[2];
        GLenum depthFunction;
        GLenum cullFace; // 0: no culling
        GLenum blendFactors[4];
        GLenum blendEquations[2];
        DWORD colorMask;
        GLenum polygonMode;
        GLboolean depthTest, depthWrite, blend, pad;
    };

    // The vertex layout and streams the attribute pointers were set up for.
    struct InputBinding {
        std::vector<D3DVERTEXELEMENT9> elements;
        GLuint buffers[kMaxStreams] = {};
        GLintptr offsets[kMaxStreams] = {};
        UINT strides[kMaxStreams] = {};
        std::uint32_t bufferDeletions = 0;
        bool operator==(const InputBinding& o) const {
            return bufferDeletions == o.bufferDeletions && elements.size() == o.elements.size() &&
                   std::memcmp(elements.data(), o.elements.data(),
                               elements.size() * sizeof(D3DVERTEXELEMENT9)) == 0 &&
                   std::memcmp(buffers, o.buffers, sizeof buffers) == 0 &&
                   std::memcmp(offsets, o.offsets, sizeof offsets) == 0 &&
                   std::memcmp(strides, o.strides, sizeof strides) == 0;
        }
    };

    struct UserProgram {
        GlProgram program;
        GLint vertexConstants = -1, pixelConstants = -1, clipAdjust = -1, pixelFlags = -1,
              fogColor = -1;
        std::uint32_t constantsVersion = 0;
        // Last values of the uniforms the device itself adds to a program.
        struct DeviceUniforms {
            float clipAdjust[2];
            GLint pixelFlags[3]; // fog on, alpha function, alpha reference
            DWORD fogColor;
        } uniforms{};
        bool uniformsValid = false;
        // Why the link failed, for every later use of the pair.
        std::string linkError;
    };

    void CreateInternalObjects();
    void DestroyInternalObjects();
    Attachment AttachmentOf(Surface& surface);
    // Binds the framebuffer of the current render target and depth surface.
    bool BindTargets();
    // Copies a multisampled colour source (attached to the read framebuffer)
    // into the single-sampled resolve framebuffer.
    void ResolveInto(GLsizei width, GLsizei height);
    void ApplyRasterState();
    // Points the vertex attributes of the current layout at their buffers;
    // stream 0 reads `streamZeroBuffer` from `baseOffset` with that stride.
    void SetUpVertexInput(VertexLayoutInfo* info, GLuint streamZeroBuffer, GLintptr baseOffset,
                          UINT streamZeroStride);
    bool UseProgram(const VertexLayoutInfo& layout);
    UserProgram* LinkedProgram(VertexShader& vs, PixelShader& ps);
    void BindTexture(DWORD stage, GLuint name);
    void ApplySampler(DWORD stage);
    GLuint TextureName(IDirect3DBaseTexture9* texture);
    GLuint BufferName(VertexBuffer& buffer);
    GLuint BufferName(IndexBuffer& buffer);
    // The buffer drawn from stream 0, 0 where none is bound.
    GLuint StreamZeroName();
    bool PrepareDraw(GLuint streamZeroBuffer, GLintptr baseOffset, UINT streamZeroStride);
    bool CompileProgramText(std::unique_ptr<BackendObject>* slot, GLenum stage,
                            const std::string& source);
    void CountState() { ++current.stateChanges; }

    SDL_Window* window;
    SDL_GLContext context;
    bool robust;
    bool ready = false;
    bool contextLost = false;
    // The context's generation (see gl_objects.h), new after each loss.
    std::uint32_t generation;
    // A test's request that the next Present find the context reset.
    bool contextResetSimulated = false;
    friend void SimulateGlContextReset(IDirect3DDevice9* device);

    GlVertexArray vertexArray;
    GlBuffer streamBuffer; // vertices drawn from memory
    size_t streamBufferSize = 0;
    size_t streamBufferOffset = 0;
    GlFramebuffer targetFramebuffer;
    GlFramebuffer readFramebuffer;
    GlFramebuffer resolveFramebuffer;
    GlRenderbuffer resolveColor;
    GLsizei resolveWidth = 0, resolveHeight = 0;
    // The fixed-function program of each variant used so far (0: it failed).
    std::map<std::uint32_t, GlProgram> fixedPrograms;
    GLuint FixedProgram(std::uint32_t variant);
    GlBuffer fixedBlockBuffer;
    FixedFunctionBlock fixedBlock{};
    bool fixedBlockValid = false;
    GlSampler samplers[kMaxTextureStages];
    DWORD appliedSamplerStates[kMaxTextureStages][D3DSAMP_STATE_COUNT];
    bool samplerApplied[kMaxTextureStages] = {};
    GLuint boundTextures[kMaxTextureStages] = {};
    GLuint activeUnit = 0;
    std::map<std::pair<std::uint32_t, std::uint32_t>, UserProgram> userPrograms;
    std::uint32_t nextShaderSerial = 1;
    GLuint boundProgram = 0;
    RasterState appliedRaster{};
    bool rasterValid = false;
    std::uint32_t attachedColorSerial = 0, attachedDepthSerial = 0;
    bool targetsComplete = false;
    struct CachedVertexArray {
        InputBinding input;
        GlVertexArray array;
        VertexLayoutInfo layout;
    };
    static constexpr size_t kMaxCachedVertexArrays = 64;
    std::vector<CachedVertexArray> vertexArrays;
    InputBinding appliedInput;
    VertexLayoutInfo appliedLayout{};
    bool inputValid = false;
    Counters current, lastFrame;
    unsigned long callsAtLastPresent = 0;
};
