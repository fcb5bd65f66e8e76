// How every vertex of a loaded mesh follows the frames: a palette of
// matrices, one a bone of each skin and one a frame that carries a rigid
// mesh, and up to four weighted palette entries a vertex.
#pragma once

#include "utility/xfile/xfile_animation.h"

#include <cstdint>
#include <vector>

constexpr int kMaxInfluences = 4;

// Weights sum to one; unused places weigh zero.
struct SkinInfluences {
    std::uint16_t entry[kMaxInfluences];
    float weight[kMaxInfluences];
};

// The rows of a transform for row vectors, with the last column zero:
// rows of four floats, aligned, so that skinning blends them four at once.
struct alignas(16) SkinMatrix {
    float m[4][4];
};

class SkinRig {
public:
    // For the vertices of the mesh `data` describes (vertexCount of them).
    // A skinned vertex follows its bones (offset matrix, then the bone's
    // frame); one of more than four keeps the four heaviest; one without
    // weights, and every vertex of an unskinned mesh, follows the mesh's
    // frame. False when the palette would pass 65536 entries.
    bool Build(const XAnimationData& data, size_t vertexCount);

    // For a mesh prepared from the loaded one whose vertex i is loaded
    // vertex loadedVertexOf[i] (reordered, or copied as a seam or bowtie
    // split copies): each vertex then follows the one it came from. False,
    // changing nothing, when one names no loaded vertex.
    bool Remap(const std::vector<std::uint32_t>& loadedVertexOf);

    const std::vector<SkinInfluences>& Influences() const { return influences; }
    size_t PaletteSize() const { return entries.size(); }
    // The palette for frames posed at `world` (PoseFrames), moving the
    // vertices from where the mesh loads them to their pose.
    void Palette(const std::vector<D3DXMATRIX>& world, std::vector<SkinMatrix>& out) const;

private:
    struct Entry {
        int frame;             // -1: the file's own space
        D3DXMATRIX fromLoaded; // from the loaded vertex to the frame's space at rest
    };
    std::uint16_t AddEntry(int frame, const D3DXMATRIX& fromLoaded);
    void RigidMesh(const XMeshPlacement& mesh, std::uint16_t entry);
    void SkinnedMesh(const XMeshPlacement& mesh, const XSkin& skin, std::uint16_t rigid);

    std::vector<Entry> entries;
    std::vector<SkinInfluences> influences;
};
