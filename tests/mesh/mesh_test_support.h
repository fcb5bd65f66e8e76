// Shared by the mesh tests: a recording device published as sharedDevice, a
// scratch directory that is the working directory for the test, small files
// written into it (texture files whose width tells them apart, X files of
// literal meshes), and meshes in the shading layout built from tables.
#pragma once

#include "mesh/ShadingLayout.h"
#include "tests/support/RecordingMeshFixture.h"

#include <string>
#include <vector>

// A vertex at (x, y, 0) facing -z, the side the camera looks at.
ShadingVertex FlatVertex(float x, float y, float u, float v);

// One material of an X file: its diffuse red, and its texture name or none.
struct MaterialRow {
    float red;
    const char* texture;
};

class MeshTest : public RecordingMeshFixtureOf<ShadingVertex, kShadingLayout> {
public:
    void SetUp() override;
    void TearDown() override;

    // Creates the directories up to the file and writes it.
    static void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
    // A relative directory path of nested directories (none made yet), at
    // least `length` characters long, ending with '/'.
    static std::string DeepDirectory(size_t length);
    // A 24-bit BMP of width x 1 pixels: its texture's width names the file.
    static void WriteTexture(const std::string& path, UINT width);
    // The width of the texture's top level, 0 for none.
    static UINT TextureWidth(IDirect3DTexture9* texture);

    // The mesh written as an X file (text), with one material per entry of
    // `materials`; attribute a uses materials[a].
    void WriteXFile(const std::string& path, const std::vector<ShadingVertex>& vertices,
                    const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes,
                    const std::vector<MaterialRow>& materials,
                    DWORD format = D3DXF_FILEFORMAT_TEXT);
    // Two quads side by side, materials 0 and 1 (textures as given).
    void WriteTwoQuadFile(const std::string& path, const char* texture0, const char* texture1);

    std::string scratch; // absolute, ends with '/'
    std::string previousDirectory;
};
