#include "mesh/ShadingLayout.h"

#include <cstddef>

const D3DVERTEXELEMENT9 kShadingLayout[5] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
static_assert(offsetof(ShadingVertex, normal) == 12 && offsetof(ShadingVertex, tangent) == 24 &&
                  offsetof(ShadingVertex, uv) == 36,
              "ShadingVertex matches the element table");

bool HasShadingLayout(ID3DXMesh* mesh) {
    if (!mesh || mesh->GetNumBytesPerVertex() != sizeof(ShadingVertex))
        return false;
    D3DVERTEXELEMENT9 elements[MAX_FVF_DECL_SIZE];
    if (FAILED(mesh->GetDeclaration(elements)))
        return false;
    constexpr UINT count = sizeof kShadingLayout / sizeof kShadingLayout[0];
    for (UINT i = 0; i < count; ++i) {
        const D3DVERTEXELEMENT9& a = elements[i];
        const D3DVERTEXELEMENT9& b = kShadingLayout[i];
        if (a.Stream != b.Stream || a.Offset != b.Offset || a.Type != b.Type ||
            a.Method != b.Method || a.Usage != b.Usage || a.UsageIndex != b.UsageIndex)
            return false;
    }
    return true;
}
