// Shared by the mesh tests: a recording device published as sharedDevice, a
// scratch directory that is the working directory for the test, small files
// written into it (texture files whose width tells them apart, X files of
// literal meshes), and meshes in the shading layout built from tables.
#pragma once

#include "mesh/ShadingLayout.h"
#include "platform/d3d9/recording_device.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A vertex at (x, y, 0) facing -z, the side the camera looks at.
ShadingVertex FlatVertex(float x, float y, float u, float v);

// One material of an X file: its diffuse red, and its texture name or none.
struct XMaterialSpec {
    float red;
    const char* texture;
};

class MeshTest : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    // Creates the directories up to the file and writes it.
    static void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
    // A 24-bit BMP of width x 1 pixels: its texture's width names the file.
    static void WriteTexture(const std::string& path, UINT width);
    // The width of the texture's top level, 0 for none.
    static UINT TextureWidth(IDirect3DTexture9* texture);

    // A mesh in the shading layout on the test device; attributes default
    // to 0. Released at the end of the test.
    ID3DXMesh* MakeMesh(const std::vector<ShadingVertex>& vertices,
                        const std::vector<DWORD>& indices, DWORD options = D3DXMESH_MANAGED,
                        const std::vector<DWORD>& attributes = {});
    // The mesh written as an X file (text), with one material per entry of
    // `materials`; attribute a uses materials[a].
    void WriteXFile(const std::string& path, const std::vector<ShadingVertex>& vertices,
                    const std::vector<DWORD>& indices, const std::vector<DWORD>& attributes,
                    const std::vector<XMaterialSpec>& materials,
                    DWORD format = D3DXF_FILEFORMAT_TEXT);
    // Two quads side by side, materials 0 and 1 (textures as given).
    void WriteTwoQuadFile(const std::string& path, const char* texture0, const char* texture1);

    static std::vector<ShadingVertex> Vertices(ID3DXMesh* mesh);
    static std::vector<DWORD> Indices(ID3DXMesh* mesh);
    static std::vector<DWORD> Attributes(ID3DXMesh* mesh);
    static ULONG RefCount(IUnknown* object);

    std::string scratch; // absolute, ends with '/'
    std::string previousDirectory;
    long startObjects = 0;
    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
    RecordingDevice* recording = nullptr;
    std::vector<ID3DXMesh*> kept;
};
