// Effects of the utility library: parameters, samplers, techniques and passes
// over programs of the device. The programs here are GLSL (see
// gl_shader_interface.h), embedded in an effect text whose form is described
// in effects/README.md; an effect is compiled by the device's driver when it
// is created, and a compiler or linker message comes back in the error buffer.
//
// Handles: a D3DXHANDLE is either a handle this effect returned or a name
// string; every call that takes one accepts both.
//
// Constant registers: each program gets its own table. The numeric
// parameters it names take registers from c0 upwards in declaration order,
// then the preshader values it names. A scalar or vector element takes one
// register (x, xy, xyz or xyzw); a matrix element of R rows and C columns
// takes C registers, register c holding column c, as HLSL's column_major
// packing does, so that a GLSL `v * M` is the row vector v times the matrix.
// BeginPass writes the whole table of both programs; CommitChanges writes it
// again when a parameter it holds has changed.
#pragma once

#include "utility/d3dx9core.h"
#include "utility/d3dx9math.h"

using D3DXHANDLE = LPCSTR;

struct D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
};

// Accepted and not used: the effect text has no #include.
struct ID3DXInclude;
// Parameter sharing between effects is not offered; creation with a pool fails.
struct ID3DXEffectPool : IUnknown {};

// Creation flag: accepted; the driver links every pass whatever it says.
constexpr DWORD D3DXSHADER_SKIPVALIDATION = 0x0002;

// Begin flags: what the technique's bracket does not save and restore.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 0x0001;
constexpr DWORD D3DXFX_DONOTSAVESHADERSTATE = 0x0002;
constexpr DWORD D3DXFX_DONOTSAVESAMPLERSTATE = 0x0004;

enum D3DXPARAMETER_CLASS : DWORD {
    D3DXPC_SCALAR = 0,
    D3DXPC_VECTOR = 1,
    D3DXPC_MATRIX_ROWS = 2,
    D3DXPC_MATRIX_COLUMNS = 3,
    D3DXPC_OBJECT = 4,
};

enum D3DXPARAMETER_TYPE : DWORD {
    D3DXPT_FLOAT = 3,
    D3DXPT_TEXTURE = 5,
    D3DXPT_SAMPLER2D = 12,
};

struct D3DXEFFECT_DESC {
    LPCSTR Creator;
    UINT Parameters;
    UINT Techniques;
    UINT Functions;
};

struct D3DXPARAMETER_DESC {
    LPCSTR Name;
    LPCSTR Semantic;
    D3DXPARAMETER_CLASS Class;
    D3DXPARAMETER_TYPE Type;
    UINT Rows;
    UINT Columns;
    UINT Elements; // 0: not an array
    UINT Annotations;
    UINT StructMembers;
    DWORD Flags;
    UINT Bytes;
};

struct D3DXTECHNIQUE_DESC {
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
};

// The program functions are the NUL-terminated GLSL texts given to the device.
struct D3DXPASS_DESC {
    LPCSTR Name;
    UINT Annotations;
    const DWORD* pVertexShaderFunction;
    const DWORD* pPixelShaderFunction;
};

struct ID3DXEffect : IUnknown {
    virtual HRESULT GetDesc(D3DXEFFECT_DESC* desc) = 0;
    virtual HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) = 0;
    virtual HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) = 0;
    virtual HRESULT GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) = 0;
    // Parameters have no members here: a non-null parent finds nothing.
    virtual D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) = 0;
    virtual D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) = 0;
    virtual D3DXHANDLE GetTechnique(UINT index) = 0;
    virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
    virtual D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) = 0;
    virtual D3DXHANDLE GetPassByName(D3DXHANDLE technique, LPCSTR name) = 0;

    // Raw floats in declaration layout (matrices row-major); at most the
    // parameter's size, a shorter write changes the leading floats only.
    virtual HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) = 0;
    virtual HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) = 0;
    virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
    virtual HRESULT SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
    // Keeps a reference; every sampler that names the parameter binds it.
    virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;

    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
    // With flags 0 the device states the technique's passes change (render
    // states, its samplers' states and textures, the programs) are saved here
    // and restored by End.
    virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
    // Sets the pass's render states in order, its vertex and pixel program,
    // its samplers' textures and states, and both constant tables.
    virtual HRESULT BeginPass(UINT pass) = 0;
    virtual HRESULT CommitChanges() = 0;
    virtual HRESULT EndPass() = 0;
    virtual HRESULT End() = 0;
    // Drops what the effect holds of the default pool (texture parameters
    // that are render targets, and saved state), so that the device can be
    // reset; the effect stays usable.
    virtual HRESULT OnLostDevice() = 0;
    virtual HRESULT OnResetDevice() = 0;
};

// An effect from its text. On failure *errors (when given) receives the
// messages: the effect text's own errors with their line, or the driver's
// with the program or pass they belong to.
HRESULT D3DXCreateEffect(IDirect3DDevice9* device, LPCVOID data, UINT length,
                         const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                         ID3DXEffectPool* pool, ID3DXEffect** effect, ID3DXBuffer** errors);

// An effect from an RT_RCDATA resource of `module` (null: the executable).
HRESULT D3DXCreateEffectFromResourceA(IDirect3DDevice9* device, HMODULE module, LPCSTR resource,
                                      const D3DXMACRO* defines, ID3DXInclude* include, DWORD flags,
                                      ID3DXEffectPool* pool, ID3DXEffect** effect,
                                      ID3DXBuffer** errors);
