#include "platform/d3d9/gl/gl_formats.h"

#include "platform/d3d9/gl_shader_interface.h"

GlPixelFormat GlPixelFormatOf(D3DFORMAT format) {
    const GLint rgba[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    const GLint rgbOne[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ONE};
    auto make = [](GLenum internal, GLenum fmt, GLenum type, const GLint* swizzle) {
        return GlPixelFormat{internal, fmt, type, {swizzle[0], swizzle[1], swizzle[2], swizzle[3]}};
    };
    switch (format) {
    case D3DFMT_A8R8G8B8:
        return make(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, rgba);
    // Without alpha in the format, reads of alpha give one, as on Direct3D.
    case D3DFMT_X8R8G8B8:
        return make(GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE, rgbOne);
    case D3DFMT_A8B8G8R8:
        return make(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    case D3DFMT_X8B8G8R8:
        return make(GL_RGB8, GL_RGBA, GL_UNSIGNED_BYTE, rgbOne);
    case D3DFMT_R5G6B5:
        return make(GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, rgbOne);
    case D3DFMT_A1R5G5B5:
        return make(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, rgba);
    case D3DFMT_X1R5G5B5:
        return make(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, rgbOne);
    case D3DFMT_A4R4G4B4:
        return make(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, rgba);
    case D3DFMT_L8: {
        const GLint luminance[4] = {GL_RED, GL_RED, GL_RED, GL_ONE};
        return make(GL_R8, GL_RED, GL_UNSIGNED_BYTE, luminance);
    }
    case D3DFMT_A8: {
        const GLint alpha[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
        return make(GL_R8, GL_RED, GL_UNSIGNED_BYTE, alpha);
    }
    case D3DFMT_R16F: {
        const GLint red[4] = {GL_RED, GL_ONE, GL_ONE, GL_ONE};
        return make(GL_R16F, GL_RED, GL_HALF_FLOAT, red);
    }
    case D3DFMT_G16R16F: {
        const GLint rg[4] = {GL_RED, GL_GREEN, GL_ONE, GL_ONE};
        return make(GL_RG16F, GL_RG, GL_HALF_FLOAT, rg);
    }
    case D3DFMT_A16B16G16R16F:
        return make(GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, rgba);
    case D3DFMT_R32F: {
        const GLint red[4] = {GL_RED, GL_ONE, GL_ONE, GL_ONE};
        return make(GL_R32F, GL_RED, GL_FLOAT, red);
    }
    case D3DFMT_G32R32F: {
        const GLint rg[4] = {GL_RED, GL_GREEN, GL_ONE, GL_ONE};
        return make(GL_RG32F, GL_RG, GL_FLOAT, rg);
    }
    case D3DFMT_A32B32G32R32F:
        return make(GL_RGBA32F, GL_RGBA, GL_FLOAT, rgba);
    default:
        return GlPixelFormat{0, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
    }
}

GLenum GlDepthFormatOf(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_D16:
        return GL_DEPTH_COMPONENT16;
    case D3DFMT_D24X8:
        return GL_DEPTH_COMPONENT24;
    case D3DFMT_D24S8:
        return GL_DEPTH24_STENCIL8;
    case D3DFMT_D32:
        return GL_DEPTH_COMPONENT32;
    default:
        return 0;
    }
}

GLenum GlPrimitiveOf(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLELIST:
        return GL_TRIANGLES;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

bool GlAttribFormatOf(BYTE declType, GlAttribFormat* out) {
    switch (declType) {
    case D3DDECLTYPE_FLOAT1:
        *out = {1, GL_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_FLOAT2:
        *out = {2, GL_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_FLOAT3:
        *out = {3, GL_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_FLOAT4:
        *out = {4, GL_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_D3DCOLOR:
        *out = {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE};
        return true;
    case D3DDECLTYPE_UBYTE4:
        *out = {4, GL_UNSIGNED_BYTE, GL_FALSE};
        return true;
    case D3DDECLTYPE_UBYTE4N:
        *out = {4, GL_UNSIGNED_BYTE, GL_TRUE};
        return true;
    case D3DDECLTYPE_SHORT2:
        *out = {2, GL_SHORT, GL_FALSE};
        return true;
    case D3DDECLTYPE_SHORT4:
        *out = {4, GL_SHORT, GL_FALSE};
        return true;
    case D3DDECLTYPE_SHORT2N:
        *out = {2, GL_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_SHORT4N:
        *out = {4, GL_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_USHORT2N:
        *out = {2, GL_UNSIGNED_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_USHORT4N:
        *out = {4, GL_UNSIGNED_SHORT, GL_TRUE};
        return true;
    case D3DDECLTYPE_FLOAT16_2:
        *out = {2, GL_HALF_FLOAT, GL_FALSE};
        return true;
    case D3DDECLTYPE_FLOAT16_4:
        *out = {4, GL_HALF_FLOAT, GL_FALSE};
        return true;
    default:
        return false;
    }
}

int AttribLocationOf(BYTE usage, BYTE index) {
    switch (usage) {
    case D3DDECLUSAGE_POSITION:
    case D3DDECLUSAGE_POSITIONT:
        return index == 0 ? ZQ_ATTRIB_POSITION0 : -1;
    case D3DDECLUSAGE_NORMAL:
        return index == 0 ? ZQ_ATTRIB_NORMAL0 : -1;
    case D3DDECLUSAGE_TANGENT:
        return index == 0 ? ZQ_ATTRIB_TANGENT0 : -1;
    case D3DDECLUSAGE_BINORMAL:
        return index == 0 ? ZQ_ATTRIB_BINORMAL0 : -1;
    case D3DDECLUSAGE_COLOR:
        return index == 0 ? ZQ_ATTRIB_COLOR0 : index == 1 ? ZQ_ATTRIB_COLOR1 : -1;
    case D3DDECLUSAGE_TEXCOORD:
        return index < 4 ? ZQ_ATTRIB_TEXCOORD0 + index : -1;
    case D3DDECLUSAGE_BLENDWEIGHT:
        return index == 0 ? ZQ_ATTRIB_BLENDWEIGHT0 : -1;
    case D3DDECLUSAGE_BLENDINDICES:
        return index == 0 ? ZQ_ATTRIB_BLENDINDICES0 : -1;
    default:
        return -1;
    }
}
