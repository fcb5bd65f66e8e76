#include "tools/common/height_field.h"

#include <cmath>

XMeshData HeightField(std::uint32_t side) {
    XMeshData mesh;
    mesh.vertices.reserve(size_t(side) * side);
    for (std::uint32_t y = 0; y < side; ++y)
        for (std::uint32_t x = 0; x < side; ++x) {
            float fx = float(x) * 0.173f, fy = float(y) * 0.131f;
            XVertex v;
            v.position = D3DXVECTOR3(fx, std::sin(fx) * std::cos(fy) * 2.5f, fy);
            D3DXVECTOR3 n(-std::cos(fx) * std::cos(fy), 1.0f, std::sin(fx) * std::sin(fy));
            D3DXVec3Normalize(&v.normal, &n);
            v.texcoord = D3DXVECTOR2(float(x) / float(side), float(y) / float(side));
            mesh.vertices.push_back(v);
        }
    for (std::uint32_t y = 0; y + 1 < side; ++y)
        for (std::uint32_t x = 0; x + 1 < side; ++x) {
            std::uint32_t a = y * side + x, b = a + 1, c = a + side, d = c + 1;
            std::uint32_t material = x < side / 2 ? 0 : 1;
            mesh.indices.insert(mesh.indices.end(), {a, c, b, b, c, d});
            mesh.attributes.insert(mesh.attributes.end(), {material, material});
        }
    for (int i = 0; i < 2; ++i) {
        XMaterial material{};
        material.colors.Diffuse = {0.8f, 0.7f - 0.3f * float(i), 0.6f, 1.0f};
        material.colors.Power = 20.0f;
        material.textureFile = i ? "rock.png" : "grass.png";
        mesh.materials.push_back(material);
    }
    mesh.hasNormals = true;
    mesh.hasTexcoords = true;
    return mesh;
}
