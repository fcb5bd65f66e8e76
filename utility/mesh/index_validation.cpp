#include "utility/mesh/index_validation.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;

void Report(std::vector<std::string>& findings, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    findings.emplace_back(text);
}

// The value that occurs more than once among three, if any (at most one can).
bool RepeatedValue(const DWORD* v, bool (*counts)(DWORD), DWORD& repeated) {
    for (int a = 0; a < 3; ++a)
        for (int b = a + 1; b < 3; ++b)
            if (v[a] == v[b] && counts(v[a])) {
                repeated = v[a];
                return true;
            }
    return false;
}

} // namespace

std::vector<std::string> ValidateIndices(ArrayView<DWORD> indices, DWORD vertexCount,
                                         const DWORD* adjacency) {
    std::vector<std::string> findings;
    const DWORD faceCount = DWORD(indices.size() / 3);
    for (DWORD face = 0; face < faceCount; ++face) {
        const DWORD* corners = &indices[size_t(face) * 3];
        const DWORD* neighbours = &adjacency[size_t(face) * 3];
        // The all-ones index is never below the vertex count: 16-bit meshes
        // hold at most 65535 vertices.
        for (int k = 0; k < 3; ++k)
            if (corners[k] >= vertexCount)
                Report(findings,
                       "D3DXValidIndices: An invalid index value(%d) was found on face %d",
                       int(corners[k]), int(face));
        for (int k = 0; k < 3; ++k)
            if (neighbours[k] != kNoFace && neighbours[k] >= faceCount)
                Report(findings,
                       "D3DXValidIndices: An invalid neighbor index value(%d) was found on face %d",
                       int(neighbours[k]), int(face));
        DWORD repeated;
        if (RepeatedValue(
                corners, [](DWORD) { return true; }, repeated))
            Report(findings,
                   "D3DXValidIndices: A point(%d) was found more than once in triangle %d",
                   int(repeated), int(face));
        if (RepeatedValue(
                neighbours, [](DWORD n) { return n != kNoFace; }, repeated)) {
            Report(findings,
                   "D3DXValidIndices: A neighbor triangle index(%d) was found more than once on "
                   "triangle %d",
                   int(repeated), int(face));
            Report(findings, "D3DXValidIndices:   (Likely problem is that two triangles share same "
                             "points with opposite orientations)");
        }
    }
    return findings;
}
