#include "utility/mesh/vertex_declaration.h"

#include "platform/d3d9/formats.h"

#include <algorithm>

UINT D3DXGetDeclLength(const D3DVERTEXELEMENT9* declaration) {
    return declaration ? DeclLength(declaration) : 0;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
    UINT size = 0;
    UINT count = D3DXGetDeclLength(declaration);
    for (UINT i = 0; i < count; ++i)
        if (declaration[i].Stream == stream)
            size = std::max(size, UINT(declaration[i].Offset) + DeclTypeSize(declaration[i].Type));
    return size;
}

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    if (!declaration)
        return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements = ElementsFromFvf(fvf);
    if (elements.empty())
        return D3DERR_INVALIDCALL;
    std::copy(elements.begin(), elements.end(), declaration);
    return D3D_OK;
}

const D3DVERTEXELEMENT9* FindVertexElement(const D3DVERTEXELEMENT9* declaration, BYTE usage,
                                           DWORD usageIndex) {
    UINT count = D3DXGetDeclLength(declaration);
    for (UINT i = 0; i < count; ++i)
        if (declaration[i].Usage == usage && declaration[i].UsageIndex == usageIndex)
            return &declaration[i];
    return nullptr;
}

UINT ElementComponentCount(BYTE type) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
        return 1;
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_FLOAT16_2:
        return 2;
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_UDEC3:
    case D3DDECLTYPE_DEC3N:
        return 3;
    case D3DDECLTYPE_FLOAT4:
    case D3DDECLTYPE_D3DCOLOR:
    case D3DDECLTYPE_UBYTE4:
    case D3DDECLTYPE_UBYTE4N:
    case D3DDECLTYPE_SHORT4:
    case D3DDECLTYPE_SHORT4N:
    case D3DDECLTYPE_USHORT4N:
    case D3DDECLTYPE_FLOAT16_4:
        return 4;
    default:
        return 0;
    }
}

bool IsMeshDeclaration(const D3DVERTEXELEMENT9* declaration) {
    if (!declaration)
        return false;
    UINT count = DeclLength(declaration);
    if (count == 0 || count == MAXD3DDECLLENGTH)
        return false;
    for (UINT i = 0; i < count; ++i)
        if (declaration[i].Stream != 0 || DeclTypeSize(declaration[i].Type) == 0)
            return false;
    return true;
}
