// What an X file says beyond its meshes: the frame tree, the skins that bind
// mesh vertices to frames, and the animation sets that move the frames. The
// node tree and the animation channels are kept apart from the meshes, so
// that the mesh the loader returns stays exactly what it is without them.
#pragma once

#include "utility/d3dx9math.h"

#include <cstdint>
#include <string>
#include <vector>

// A rotation as the files write it (w x y z), kept in this order of members.
struct XQuaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

struct XFrameNode {
    std::string name;     // may be empty
    int parent = -1;      // an earlier frame, or -1 for a frame at the top of the file
    D3DXMATRIX transform; // FrameTransformMatrix, relative to the parent; identity when absent
};

// One SkinWeights object: how much one frame (the bone) moves some vertices
// of its mesh. Vertex indices count the Mesh object's own positions.
struct XSkinBone {
    std::string frameName;
    int frame = -1; // the frame of that name; -1 when the file has none
    std::vector<std::uint32_t> vertices;
    std::vector<float> weights; // one a vertex
    D3DXMATRIX offset;          // from the mesh's space to the bone's at rest
};

struct XSkin {
    std::uint32_t mesh = 0; // the Mesh object, in file order
    bool hasHeader = false; // XSkinMeshHeader, as written
    std::uint32_t maxWeightsPerVertex = 0, maxWeightsPerFace = 0, boneCount = 0;
    std::vector<XSkinBone> bones;
};

struct XVectorKey {
    std::uint32_t time; // in ticks
    D3DXVECTOR3 value;
};

struct XRotationKey {
    std::uint32_t time;
    XQuaternion value; // unit length
};

// The keys of one animated frame, each channel sorted by time with one key
// a time. Matrix keys are kept as their scale, rotation and translation.
struct XAnimation {
    std::string frameName;
    int frame = -1;
    std::vector<XRotationKey> rotations;
    std::vector<XVectorKey> scales;
    std::vector<XVectorKey> positions;
    bool closed = true;           // AnimationOptions: the set wraps round
    bool splinePositions = false; // AnimationOptions: positions asked as splines
};

struct XAnimationSet {
    std::string name;
    std::vector<XAnimation> animations; // only those whose frame exists
    std::uint32_t lastTick = 0;         // the latest key of any channel
};

// The number of ticks a second of files that do not say.
constexpr std::uint32_t kDefaultTicksPerSecond = 4800;

// How the Mesh objects of the file sit in the loaded mesh.
struct XMeshPlacement {
    int frame = -1; // the innermost frame around the Mesh, or -1 at the top of the file
    // Its vertices in the loaded mesh: one range; its triangles are those
    // whose corners lie in it.
    std::uint32_t firstVertex = 0, vertexCount = 0;
    std::uint32_t faceCount = 0; // faces as the file gives them
    // The Mesh's position of each of its vertices (a position with several
    // normals becomes several vertices).
    std::vector<std::uint32_t> positionOfVertex;
    D3DXMATRIX bindTransform; // the frames' matrices the loader applied to it
};

struct XAnimationData {
    std::vector<XFrameNode> frames; // parents before their children
    std::vector<XMeshPlacement> meshes;
    std::vector<XSkin> skins;
    std::vector<XAnimationSet> sets;
    std::uint32_t ticksPerSecond = kDefaultTicksPerSecond;
    // What was dropped or repaired while reading, in words, one a line.
    std::vector<std::string> notes;

    double Seconds(const XAnimationSet& set) const { return double(set.lastTick) / ticksPerSecond; }
};
