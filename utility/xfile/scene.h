// What the parser keeps of an X file before the meshes are merged: every
// Mesh object with the transform of the frames around it, and the materials.
// The parser checks counts and indices, so the merge can trust them.
#pragma once

#include "platform/memory/large_allocator.h"
#include "utility/xfile/tokens.h"
#include "utility/xfile/xfile_animation.h"
#include "utility/xfile/xfile_content.h"
#include "utility/xfile/xmesh_data.h"

#include <cstdint>
#include <vector>

// Faces of any number of corners: cornerCounts[f] corners of face f, one
// after the other in corners.
struct XPolygons {
    LargeVector<std::uint32_t> cornerCounts;
    LargeVector<std::uint32_t> corners;
};

struct XMeshPart {
    LargeVector<D3DXVECTOR3> positions;
    XPolygons faces;
    bool hasNormals = false;
    LargeVector<D3DXVECTOR3> normals;
    XPolygons normalFaces; // the same shape as faces, indexing normals
    bool hasTexcoords = false;
    LargeVector<D3DXVECTOR2> texcoords;       // one a position
    std::vector<std::uint32_t> materials;     // indices into XScene::materials
    LargeVector<std::uint32_t> faceMaterials; // one a face, indexing `materials`; empty without
    D3DXMATRIX transform;                     // product of the enclosing frame matrices
    int frame = -1; // the innermost frame around it (kept with the animation only)
};

struct XScene {
    std::vector<XMeshPart> meshes;
    std::vector<XMaterial> materials;
    // Set before parsing to keep the frames, skins and animation sets, which
    // are otherwise skipped as objects the mesh does not need.
    bool keepAnimation = false;
    XAnimationData animation; // all but the placement of the meshes
    // Frames written inside Animation objects rather than in the tree.
    std::vector<XFrameNode> animationFrames;
    // Why the body did not parse; no reason when it did, or was cancelled.
    XReadFailure failure;
};

// Parses the body of a file as it becomes ready. False on malformed
// content (the reason in scene.failure), and when the load is cancelled. Reports the progress of
// the load as the share of the body read. May throw std::bad_alloc.
bool ParseXText(XContent& content, int floatBytes, XScene& scene);
bool ParseXBinary(XContent& content, int floatBytes, XScene& scene);
