// Programs the application gives the device: its GLSL text wrapped in the
// device's prelude and main(), compiled at creation, linked per pair on first
// use and kept while both programs live.
#include "platform/d3d9/gl/gl_compile.h"
#include "platform/d3d9/gl/gl_device.h"
#include "platform/d3d9/gl/gl_resources.h"
#include "platform/d3d9/gl_shader_interface.h"

#include <string>

namespace {

#define ZQ_STRINGIFY2(x) #x
#define ZQ_STRINGIFY(x) ZQ_STRINGIFY2(x)
#define ZQ_DEFINE(name) "#define " #name " " ZQ_STRINGIFY(name) "\n"

const char* const kVertexPrelude = "#version 330 core\n" ZQ_DEFINE(ZQ_ATTRIB_POSITION0)
    ZQ_DEFINE(ZQ_ATTRIB_NORMAL0) ZQ_DEFINE(ZQ_ATTRIB_TANGENT0) ZQ_DEFINE(ZQ_ATTRIB_TEXCOORD0)
        ZQ_DEFINE(ZQ_ATTRIB_TEXCOORD1) ZQ_DEFINE(ZQ_ATTRIB_TEXCOORD2) ZQ_DEFINE(ZQ_ATTRIB_TEXCOORD3)
            ZQ_DEFINE(ZQ_ATTRIB_COLOR0) ZQ_DEFINE(ZQ_ATTRIB_COLOR1) ZQ_DEFINE(ZQ_ATTRIB_BINORMAL0)
                ZQ_DEFINE(ZQ_ATTRIB_BLENDWEIGHT0)
                    ZQ_DEFINE(ZQ_ATTRIB_BLENDINDICES0) "uniform vec4 zq_VertexConst[256];\n"
                                                       "uniform vec4 zq_ClipAdjust;\n"
                                                       "vec4 zq_Position = vec4(0.0);\n"
                                                       "float zq_Fog = 1.0;\n"
                                                       "out float zq_FogFactor;\n"
                                                       "#line 1\n";

// Direct3D clip space into OpenGL's, as the fixed-function program does it.
const char* const kVertexMain =
    "\nvoid main() {\n"
    "    VertexMain();\n"
    "    zq_FogFactor = zq_Fog;\n"
    "    gl_Position = vec4(zq_Position.x + zq_Position.w * zq_ClipAdjust.x,\n"
    "                       -zq_Position.y + zq_Position.w * zq_ClipAdjust.y,\n"
    "                       2.0 * zq_Position.z - zq_Position.w, zq_Position.w);\n"
    "}\n";

std::string PixelPrelude() {
    std::string text = "#version 330 core\nuniform vec4 zq_PixelConst[224];\n";
    for (int i = 0; i < int(kMaxTextureStages); ++i)
        text += "uniform sampler2D zq_Sampler" + std::to_string(i) + ";\n";
    text += "in float zq_FogFactor;\n"
            "uniform ivec4 zq_PixelFlags;\n" // fog on, alpha function, alpha reference
            "uniform vec4 zq_FogColor;\n"
            "out vec4 zq_FragColor;\n";
    text += kPixelOutputSource;
    text += "#line 1\n";
    return text;
}

const char* const kPixelMain =
    "\nvoid main() {\n"
    "    zq_FragColor = zq_FinishPixel(PixelMain(), zq_PixelFlags.y, zq_PixelFlags.z,\n"
    "                                  zq_PixelFlags.x != 0, zq_FogFactor, zq_FogColor.rgb);\n"
    "}\n";

} // namespace

GlShaderObject::~GlShaderObject() {
    device->ForgetProgramsOf(serial);
}

bool GlDevice::CompileProgramText(std::unique_ptr<BackendObject>* slot, GLenum stage,
                                  const std::string& source) {
    MakeCurrent();
    GLuint shader = CompileGlShader(stage, source, &shaderErrorText);
    if (!shader)
        return false;
    *slot = std::make_unique<GlShaderObject>(this, nextShaderSerial++, GlShader(shader));
    return true;
}

bool GlDevice::CompileShader(VertexShader& shader) {
    return CompileProgramText(&shader.backend, GL_VERTEX_SHADER,
                              kVertexPrelude + shader.source + kVertexMain);
}

bool GlDevice::CompileShader(PixelShader& shader) {
    return CompileProgramText(&shader.backend, GL_FRAGMENT_SHADER,
                              PixelPrelude() + shader.source + kPixelMain);
}

void GlDevice::ForgetProgramsOf(std::uint32_t serial) {
    for (auto it = userPrograms.begin(); it != userPrograms.end();) {
        if (it->first.first == serial || it->first.second == serial) {
            if (boundProgram == it->second.program.Get())
                boundProgram = 0;
            it = userPrograms.erase(it);
        } else {
            ++it;
        }
    }
}

GlDevice::UserProgram* GlDevice::LinkedProgram(VertexShader& vs, PixelShader& ps) {
    // Programs of an earlier context are compiled again from their text.
    auto* vertex = static_cast<GlShaderObject*>(vs.backend.get());
    if ((!vertex || !vertex->shader.Valid()) && !CompileShader(vs))
        return nullptr;
    auto* pixel = static_cast<GlShaderObject*>(ps.backend.get());
    if ((!pixel || !pixel->shader.Valid()) && !CompileShader(ps))
        return nullptr;
    vertex = static_cast<GlShaderObject*>(vs.backend.get());
    pixel = static_cast<GlShaderObject*>(ps.backend.get());
    auto key = std::make_pair(vertex->serial, pixel->serial);
    auto found = userPrograms.find(key);
    if (found != userPrograms.end()) {
        if (found->second.program)
            return &found->second;
        shaderErrorText = found->second.linkError;
        return nullptr;
    }

    UserProgram& user = userPrograms[key]; // a failed link is remembered too
    GLuint program = LinkGlProgram(vertex->shader.Get(), pixel->shader.Get(), &shaderErrorText);
    if (!program) {
        user.linkError = shaderErrorText;
        return nullptr;
    }
    user.program = GlProgram(program);
    user.vertexConstants = glGetUniformLocation(program, "zq_VertexConst");
    user.pixelConstants = glGetUniformLocation(program, "zq_PixelConst");
    user.clipAdjust = glGetUniformLocation(program, "zq_ClipAdjust");
    user.pixelFlags = glGetUniformLocation(program, "zq_PixelFlags");
    user.fogColor = glGetUniformLocation(program, "zq_FogColor");
    glUseProgram(program);
    boundProgram = program;
    for (int i = 0; i < int(kMaxTextureStages); ++i)
        glUniform1i(glGetUniformLocation(program, ("zq_Sampler" + std::to_string(i)).c_str()), i);
    return &user;
}

bool GlDevice::LinkCurrentPrograms() {
    if (!state.vertexShader || !state.pixelShader) {
        shaderErrorText = "a vertex program needs a pixel program beside it, and the reverse";
        return false;
    }
    return LinkedProgram(*state.vertexShader, *state.pixelShader) != nullptr;
}
