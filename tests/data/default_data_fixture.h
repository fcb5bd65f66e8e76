// Shared by the default-data tests: the committed data/ folder, a recording
// device to load it on (no GPU needed), and the loaded content in plain
// arrays.
#pragma once

#include "tests/support/RecordingDeviceFixture.h"
#include "utility/d3dx9mesh.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A file of the committed data/ folder.
std::string DataPath(const std::string& name);
std::vector<std::uint8_t> FileBytes(const std::string& path);

// A model as D3DXLoadMeshFromXA gives it.
struct LoadedModel {
    struct Vertex {
        D3DXVECTOR3 position;
        D3DXVECTOR3 normal;
        D3DXVECTOR2 texcoord;
    };
    std::vector<Vertex> vertices;
    std::vector<DWORD> indices; // three a face
    DWORD materialCount = 0;

    std::size_t FaceCount() const { return indices.size() / 3; }
    const Vertex& Corner(std::size_t face, int corner) const {
        return vertices[indices[face * 3 + corner]];
    }
};

// One texture level as ARGB words, rows top-down.
struct TexelGrid {
    UINT width = 0, height = 0;
    std::vector<std::uint32_t> texels;
};

class DefaultDataTest : public RecordingDeviceFixture {
protected:
    void TearDown() override;

    // Loads data/`name` through D3DXLoadMeshFromXA into `model`, keeping the
    // mesh in `mesh` for the test to use (released in TearDown).
    void LoadModel(const std::string& name, LoadedModel& model);
    // Loads data/`name` through D3DXCreateTextureFromFileA; the top level.
    void LoadTexture(const std::string& name, TexelGrid& grid);

    ID3DXMesh* mesh = nullptr;
};
