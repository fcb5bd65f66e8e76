// OpenGL for the device's own files, every call counted: the frame benchmark
// reports how many calls a frame makes. Include this instead of epoxy.
#pragma once

#include <epoxy/gl.h>

// OpenGL calls made so far by this process's devices.
extern unsigned long glCallCount;

inline void CountGlCall() {
    ++glCallCount;
}

// Each function the device uses, through the counter. epoxy names them as
// pointers; these macros take arguments, so a function can only be called.
#undef glActiveTexture
#define glActiveTexture(...) (CountGlCall(), epoxy_glActiveTexture(__VA_ARGS__))
#undef glAttachShader
#define glAttachShader(...) (CountGlCall(), epoxy_glAttachShader(__VA_ARGS__))
#undef glBindBuffer
#define glBindBuffer(...) (CountGlCall(), epoxy_glBindBuffer(__VA_ARGS__))
#undef glBindBufferBase
#define glBindBufferBase(...) (CountGlCall(), epoxy_glBindBufferBase(__VA_ARGS__))
#undef glBindFramebuffer
#define glBindFramebuffer(...) (CountGlCall(), epoxy_glBindFramebuffer(__VA_ARGS__))
#undef glBindRenderbuffer
#define glBindRenderbuffer(...) (CountGlCall(), epoxy_glBindRenderbuffer(__VA_ARGS__))
#undef glBindSampler
#define glBindSampler(...) (CountGlCall(), epoxy_glBindSampler(__VA_ARGS__))
#undef glBindTexture
#define glBindTexture(...) (CountGlCall(), epoxy_glBindTexture(__VA_ARGS__))
#undef glBindVertexArray
#define glBindVertexArray(...) (CountGlCall(), epoxy_glBindVertexArray(__VA_ARGS__))
#undef glBlendEquationSeparate
#define glBlendEquationSeparate(...) (CountGlCall(), epoxy_glBlendEquationSeparate(__VA_ARGS__))
#undef glBlendFuncSeparate
#define glBlendFuncSeparate(...) (CountGlCall(), epoxy_glBlendFuncSeparate(__VA_ARGS__))
#undef glBlitFramebuffer
#define glBlitFramebuffer(...) (CountGlCall(), epoxy_glBlitFramebuffer(__VA_ARGS__))
#undef glBufferData
#define glBufferData(...) (CountGlCall(), epoxy_glBufferData(__VA_ARGS__))
#undef glBufferSubData
#define glBufferSubData(...) (CountGlCall(), epoxy_glBufferSubData(__VA_ARGS__))
#undef glCheckFramebufferStatus
#define glCheckFramebufferStatus(...) (CountGlCall(), epoxy_glCheckFramebufferStatus(__VA_ARGS__))
#undef glClear
#define glClear(...) (CountGlCall(), epoxy_glClear(__VA_ARGS__))
#undef glClearColor
#define glClearColor(...) (CountGlCall(), epoxy_glClearColor(__VA_ARGS__))
#undef glClearDepth
#define glClearDepth(...) (CountGlCall(), epoxy_glClearDepth(__VA_ARGS__))
#undef glClearStencil
#define glClearStencil(...) (CountGlCall(), epoxy_glClearStencil(__VA_ARGS__))
#undef glColorMask
#define glColorMask(...) (CountGlCall(), epoxy_glColorMask(__VA_ARGS__))
#undef glCompileShader
#define glCompileShader(...) (CountGlCall(), epoxy_glCompileShader(__VA_ARGS__))
#undef glCreateProgram
#define glCreateProgram(...) (CountGlCall(), epoxy_glCreateProgram(__VA_ARGS__))
#undef glCreateShader
#define glCreateShader(...) (CountGlCall(), epoxy_glCreateShader(__VA_ARGS__))
#undef glCullFace
#define glCullFace(...) (CountGlCall(), epoxy_glCullFace(__VA_ARGS__))
#undef glDeleteBuffers
#define glDeleteBuffers(...) (CountGlCall(), epoxy_glDeleteBuffers(__VA_ARGS__))
#undef glDeleteFramebuffers
#define glDeleteFramebuffers(...) (CountGlCall(), epoxy_glDeleteFramebuffers(__VA_ARGS__))
#undef glDeleteProgram
#define glDeleteProgram(...) (CountGlCall(), epoxy_glDeleteProgram(__VA_ARGS__))
#undef glDeleteRenderbuffers
#define glDeleteRenderbuffers(...) (CountGlCall(), epoxy_glDeleteRenderbuffers(__VA_ARGS__))
#undef glDeleteSamplers
#define glDeleteSamplers(...) (CountGlCall(), epoxy_glDeleteSamplers(__VA_ARGS__))
#undef glDeleteShader
#define glDeleteShader(...) (CountGlCall(), epoxy_glDeleteShader(__VA_ARGS__))
#undef glDeleteTextures
#define glDeleteTextures(...) (CountGlCall(), epoxy_glDeleteTextures(__VA_ARGS__))
#undef glDeleteVertexArrays
#define glDeleteVertexArrays(...) (CountGlCall(), epoxy_glDeleteVertexArrays(__VA_ARGS__))
#undef glDepthFunc
#define glDepthFunc(...) (CountGlCall(), epoxy_glDepthFunc(__VA_ARGS__))
#undef glDepthMask
#define glDepthMask(...) (CountGlCall(), epoxy_glDepthMask(__VA_ARGS__))
#undef glDepthRange
#define glDepthRange(...) (CountGlCall(), epoxy_glDepthRange(__VA_ARGS__))
#undef glDetachShader
#define glDetachShader(...) (CountGlCall(), epoxy_glDetachShader(__VA_ARGS__))
#undef glDisable
#define glDisable(...) (CountGlCall(), epoxy_glDisable(__VA_ARGS__))
#undef glDisableVertexAttribArray
#define glDisableVertexAttribArray(...)                                                            \
    (CountGlCall(), epoxy_glDisableVertexAttribArray(__VA_ARGS__))
#undef glDrawArrays
#define glDrawArrays(...) (CountGlCall(), epoxy_glDrawArrays(__VA_ARGS__))
#undef glDrawElementsBaseVertex
#define glDrawElementsBaseVertex(...) (CountGlCall(), epoxy_glDrawElementsBaseVertex(__VA_ARGS__))
#undef glEnable
#define glEnable(...) (CountGlCall(), epoxy_glEnable(__VA_ARGS__))
#undef glEnableVertexAttribArray
#define glEnableVertexAttribArray(...) (CountGlCall(), epoxy_glEnableVertexAttribArray(__VA_ARGS__))
#undef glFramebufferRenderbuffer
#define glFramebufferRenderbuffer(...) (CountGlCall(), epoxy_glFramebufferRenderbuffer(__VA_ARGS__))
#undef glFramebufferTexture2D
#define glFramebufferTexture2D(...) (CountGlCall(), epoxy_glFramebufferTexture2D(__VA_ARGS__))
#undef glFrontFace
#define glFrontFace(...) (CountGlCall(), epoxy_glFrontFace(__VA_ARGS__))
#undef glGenBuffers
#define glGenBuffers(...) (CountGlCall(), epoxy_glGenBuffers(__VA_ARGS__))
#undef glGenFramebuffers
#define glGenFramebuffers(...) (CountGlCall(), epoxy_glGenFramebuffers(__VA_ARGS__))
#undef glGenRenderbuffers
#define glGenRenderbuffers(...) (CountGlCall(), epoxy_glGenRenderbuffers(__VA_ARGS__))
#undef glGenSamplers
#define glGenSamplers(...) (CountGlCall(), epoxy_glGenSamplers(__VA_ARGS__))
#undef glGenTextures
#define glGenTextures(...) (CountGlCall(), epoxy_glGenTextures(__VA_ARGS__))
#undef glGenVertexArrays
#define glGenVertexArrays(...) (CountGlCall(), epoxy_glGenVertexArrays(__VA_ARGS__))
#undef glFinish
#define glFinish(...) (CountGlCall(), epoxy_glFinish(__VA_ARGS__))
#undef glGetError
#define glGetError(...) (CountGlCall(), epoxy_glGetError(__VA_ARGS__))
#undef glGetGraphicsResetStatus
#define glGetGraphicsResetStatus(...) (CountGlCall(), epoxy_glGetGraphicsResetStatus(__VA_ARGS__))
#undef glGetIntegerv
#define glGetIntegerv(...) (CountGlCall(), epoxy_glGetIntegerv(__VA_ARGS__))
#undef glGetProgramInfoLog
#define glGetProgramInfoLog(...) (CountGlCall(), epoxy_glGetProgramInfoLog(__VA_ARGS__))
#undef glGetProgramiv
#define glGetProgramiv(...) (CountGlCall(), epoxy_glGetProgramiv(__VA_ARGS__))
#undef glGetShaderInfoLog
#define glGetShaderInfoLog(...) (CountGlCall(), epoxy_glGetShaderInfoLog(__VA_ARGS__))
#undef glGetShaderiv
#define glGetShaderiv(...) (CountGlCall(), epoxy_glGetShaderiv(__VA_ARGS__))
#undef glGetUniformBlockIndex
#define glGetUniformBlockIndex(...) (CountGlCall(), epoxy_glGetUniformBlockIndex(__VA_ARGS__))
#undef glGetUniformLocation
#define glGetUniformLocation(...) (CountGlCall(), epoxy_glGetUniformLocation(__VA_ARGS__))
#undef glLinkProgram
#define glLinkProgram(...) (CountGlCall(), epoxy_glLinkProgram(__VA_ARGS__))
#undef glPixelStorei
#define glPixelStorei(...) (CountGlCall(), epoxy_glPixelStorei(__VA_ARGS__))
#undef glPolygonMode
#define glPolygonMode(...) (CountGlCall(), epoxy_glPolygonMode(__VA_ARGS__))
#undef glReadPixels
#define glReadPixels(...) (CountGlCall(), epoxy_glReadPixels(__VA_ARGS__))
#undef glRenderbufferStorage
#define glRenderbufferStorage(...) (CountGlCall(), epoxy_glRenderbufferStorage(__VA_ARGS__))
#undef glRenderbufferStorageMultisample
#define glRenderbufferStorageMultisample(...)                                                      \
    (CountGlCall(), epoxy_glRenderbufferStorageMultisample(__VA_ARGS__))
#undef glSamplerParameterf
#define glSamplerParameterf(...) (CountGlCall(), epoxy_glSamplerParameterf(__VA_ARGS__))
#undef glSamplerParameterfv
#define glSamplerParameterfv(...) (CountGlCall(), epoxy_glSamplerParameterfv(__VA_ARGS__))
#undef glSamplerParameteri
#define glSamplerParameteri(...) (CountGlCall(), epoxy_glSamplerParameteri(__VA_ARGS__))
#undef glScissor
#define glScissor(...) (CountGlCall(), epoxy_glScissor(__VA_ARGS__))
#undef glShaderSource
#define glShaderSource(...) (CountGlCall(), epoxy_glShaderSource(__VA_ARGS__))
#undef glTexImage2D
#define glTexImage2D(...) (CountGlCall(), epoxy_glTexImage2D(__VA_ARGS__))
#undef glTexParameteri
#define glTexParameteri(...) (CountGlCall(), epoxy_glTexParameteri(__VA_ARGS__))
#undef glTexParameteriv
#define glTexParameteriv(...) (CountGlCall(), epoxy_glTexParameteriv(__VA_ARGS__))
#undef glTexSubImage2D
#define glTexSubImage2D(...) (CountGlCall(), epoxy_glTexSubImage2D(__VA_ARGS__))
#undef glUniform1i
#define glUniform1i(...) (CountGlCall(), epoxy_glUniform1i(__VA_ARGS__))
#undef glUniform4f
#define glUniform4f(...) (CountGlCall(), epoxy_glUniform4f(__VA_ARGS__))
#undef glUniform4fv
#define glUniform4fv(...) (CountGlCall(), epoxy_glUniform4fv(__VA_ARGS__))
#undef glUniform4i
#define glUniform4i(...) (CountGlCall(), epoxy_glUniform4i(__VA_ARGS__))
#undef glUniformBlockBinding
#define glUniformBlockBinding(...) (CountGlCall(), epoxy_glUniformBlockBinding(__VA_ARGS__))
#undef glUseProgram
#define glUseProgram(...) (CountGlCall(), epoxy_glUseProgram(__VA_ARGS__))
#undef glVertexAttrib4f
#define glVertexAttrib4f(...) (CountGlCall(), epoxy_glVertexAttrib4f(__VA_ARGS__))
#undef glVertexAttribPointer
#define glVertexAttribPointer(...) (CountGlCall(), epoxy_glVertexAttribPointer(__VA_ARGS__))
#undef glViewport
#define glViewport(...) (CountGlCall(), epoxy_glViewport(__VA_ARGS__))

// Forgets the errors earlier calls left, so that the next check sees only
// its own. OpenGL keeps one flag per kind of error; a lost context may keep
// reporting its loss, so the drain is bounded.
inline void ClearGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}
