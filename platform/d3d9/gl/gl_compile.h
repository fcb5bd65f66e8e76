// Compiling and linking GLSL, with the driver's messages on failure.
#pragma once

#include "platform/d3d9/gl/gl_calls.h"

#include <string>

// A compiled shader name, or 0 with the compiler's log in *log.
GLuint CompileGlShader(GLenum stage, const std::string& source, std::string* log);
// A linked program name, or 0 with the linker's log in *log. The shaders stay.
GLuint LinkGlProgram(GLuint vertex, GLuint pixel, std::string* log);
