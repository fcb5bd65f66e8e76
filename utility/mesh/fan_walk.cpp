#include "utility/mesh/fan_walk.h"

namespace {

constexpr DWORD kNone = 0xFFFFFFFF;

struct Corner {
    DWORD face, corner;
};

enum class Step { Crossed, Boundary, MissingFace };

// The edge of `neighbour` that names `face`, or kNone.
DWORD EdgeBack(const DWORD* adjacency, DWORD neighbour, DWORD face) {
    for (DWORD e = 0; e < 3; ++e)
        if (adjacency[size_t(neighbour) * 3 + e] == face)
            return e;
    return kNone;
}

// Crosses edge `edge` of the current face to the same point on the face
// beyond. The shared edge runs the other way there, so the point sits at the
// start of that face's edge when going backwards and at its end going forwards.
Step Cross(const DWORD* adjacency, DWORD faceCount, Corner& at, DWORD edge, bool backwards) {
    DWORD next = adjacency[size_t(at.face) * 3 + edge];
    if (next == kNone)
        return Step::Boundary;
    if (next >= faceCount)
        return Step::MissingFace;
    DWORD back = EdgeBack(adjacency, next, at.face);
    if (back == kNone)
        return Step::Boundary;
    at = Corner{next, backwards ? back : (back + 1) % 3};
    return Step::Crossed;
}

} // namespace

FanWalk WalkFan(const DWORD* adjacency, DWORD faceCount, DWORD face, DWORD corner, DWORD maxSteps,
                std::vector<DWORD>& corners) {
    corners.clear();
    Corner start{face, corner};
    for (DWORD steps = 0;; ++steps) {
        if (steps == maxSteps)
            return FanWalk::Runaway;
        Corner at = start;
        Step step = Cross(adjacency, faceCount, at, (at.corner + 2) % 3, true);
        if (step == Step::MissingFace)
            return FanWalk::MissingFace;
        if (step == Step::Boundary)
            break;
        if (at.face == face) { // closed fan: start where the walk began
            start = Corner{face, corner};
            break;
        }
        start = at;
    }
    Corner at = start;
    corners.push_back(at.face * 3 + at.corner);
    for (DWORD steps = 0;; ++steps) {
        if (steps == maxSteps)
            return FanWalk::Runaway;
        Step step = Cross(adjacency, faceCount, at, at.corner, false);
        if (step == Step::MissingFace)
            return FanWalk::MissingFace;
        if (step == Step::Boundary || at.face == start.face)
            return FanWalk::Done;
        corners.push_back(at.face * 3 + at.corner);
    }
}
