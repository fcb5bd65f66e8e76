// One polygon mesh read from an X file with the file's material list and the
// textures those materials name, drawn subset by subset. The mesh lives in
// the device's default pool, so the owner releases it before a device reset
// and loads it again afterwards.
#pragma once

#include "utility/d3dx9mesh.h"

class MeshObj {
public:
    MeshObj() = default;
    MeshObj(const MeshObj&) = delete;
    MeshObj& operator=(const MeshObj&) = delete;
    virtual ~MeshObj();

    // Reads directory + fileName (joined as they are, no separator added) on
    // sharedDevice. False when the file cannot be read or the material
    // arrays cannot be allocated (the mesh read then stays until Release). A material whose texture
    // is not found or not readable gets a null texture and does not fail Load.
    bool Load(const char* directory, const char* fileName);
    // Releases everything and leaves the object empty; harmless when empty.
    void Release();
    // Every subset 0 .. materialCount - 1 with whatever state the caller set.
    void Draw();

    ID3DXMesh* mesh = nullptr;
    DWORD materialCount = 0;
    D3DMATERIAL9* materials = nullptr;              // materialCount entries
    IDirect3DTexture9** materialTextures = nullptr; // materialCount entries, each may be null
};
