#include "mesh_test_support.h"

const D3DVERTEXELEMENT9 kShadingLayout[5] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

ShadingVertex FlatVertex(float x, float y, float u, float v) {
    return ShadingVertex{{x, y, 0}, {0, 0, 1}, {0, 0, 0}, {u, v}};
}

ID3DXMesh* MeshFixture::MakePositionMesh(const std::vector<D3DXVECTOR3>& positions,
                                         const std::vector<DWORD>& indices, DWORD options) {
    std::vector<ShadingVertex> vertices;
    for (const D3DXVECTOR3& p : positions)
        vertices.push_back(ShadingVertex{p, {0, 0, 1}, {0, 0, 0}, {0, 0}});
    return MakeMesh(vertices, indices, options);
}
