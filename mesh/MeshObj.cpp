#include "mesh/MeshObj.h"

#include "framework/KvDX9.h"
#include "mesh/Paths.h"
#include "mesh/TextureLookup.h"
#include "platform/d3d9/com.h"

#include <new>

MeshObj::~MeshObj() {
    Release();
}

bool MeshObj::Load(const char* directory, const char* fileName) {
    // Only ever called on an empty object; emptying it first keeps a second
    // call from leaking the first mesh.
    Release();
    std::string path;
    if (!JoinPath(path, directory, fileName))
        return false;
    ID3DXBuffer* materialBuffer = nullptr;
    if (FAILED(D3DXLoadMeshFromXA(path.c_str(), 0, sharedDevice, nullptr, &materialBuffer, nullptr,
                                  &materialCount, &mesh))) {
        Release();
        return false;
    }
    materials = new (std::nothrow) D3DMATERIAL9[materialCount];
    materialTextures = new (std::nothrow) IDirect3DTexture9*[materialCount]();
    if (!materials || !materialTextures) {
        ReleaseRef(materialBuffer);
        return false;
    }
    const auto* records = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < materialCount; ++i) {
        materials[i] = records[i].MatD3D;
        if (records[i].pTextureFilename)
            LoadMaterialTexture(sharedDevice, directory, records[i].pTextureFilename,
                                &materialTextures[i]);
    }
    ReleaseRef(materialBuffer);
    return true;
}

void MeshObj::Release() {
    if (materialTextures)
        for (DWORD i = 0; i < materialCount; ++i)
            ReleaseRef(materialTextures[i]);
    delete[] materialTextures;
    materialTextures = nullptr;
    delete[] materials;
    materials = nullptr;
    materialCount = 0;
    ReleaseRef(mesh);
}

void MeshObj::Draw() {
    if (!mesh)
        return;
    for (DWORD i = 0; i < materialCount; ++i)
        mesh->DrawSubset(i);
}
