// Walking the fan of faces around one corner's point through the face
// adjacency, as bowtie cleaning and tangent generation both do.
#pragma once

#include "utility/d3dx9mesh.h"

#include <vector>

enum class FanWalk {
    Done,
    Runaway,     // more than maxSteps crossings in one direction
    MissingFace, // an adjacency entry names a face the mesh does not have
};

// The corners (face * 3 + corner) around the point at `corner` of `face`,
// reached by crossing the edges of each face that touch that corner. The walk
// turns backwards (across the edge ending at the corner) until it comes back
// to `face` or finds no neighbour, then visits forwards from `face` (closed
// fan) or from the boundary face (open fan) until it comes round or reaches
// the other boundary. A neighbour that does not name the face back counts as
// no neighbour. When no face names one neighbour twice, each step can be
// retraced, so a walk always closes or ends within 3 * faceCount steps;
// otherwise it can circle without ever coming back, and maxSteps stops it.
FanWalk WalkFan(const DWORD* adjacency, DWORD faceCount, DWORD face, DWORD corner, DWORD maxSteps,
                std::vector<DWORD>& corners);
