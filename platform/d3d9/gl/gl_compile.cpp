#include "platform/d3d9/gl/gl_compile.h"

#include <vector>

namespace {

std::string InfoLog(GLuint object, bool program) {
    GLint length = 0;
    if (program)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> text(size_t(length > 0 ? length : 1), '\0');
    if (program)
        glGetProgramInfoLog(object, GLsizei(text.size()), nullptr, text.data());
    else
        glGetShaderInfoLog(object, GLsizei(text.size()), nullptr, text.data());
    return text.data();
}

} // namespace

GLuint CompileGlShader(GLenum stage, const std::string& source, std::string* log) {
    GLuint shader = glCreateShader(stage);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        *log = InfoLog(shader, false);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint LinkGlProgram(GLuint vertex, GLuint pixel, std::string* log) {
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, pixel);
    glLinkProgram(program);
    glDetachShader(program, vertex);
    glDetachShader(program, pixel);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        *log = InfoLog(program, true);
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
