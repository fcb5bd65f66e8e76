#include "tools/bench/animated_tube.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kAround = 250, kAlong = 400; // 100,000 vertices
constexpr int kBones = 64;

// The first of the four bones that vertex row `row` follows.
int FirstBone(int row) {
    const int bone = row * kBones / kAlong - 1;
    return bone < 0 ? 0 : bone > kBones - 4 ? kBones - 4 : bone;
}

void WriteTranslation(std::FILE* f, float y) {
    std::fprintf(f, "1,0,0,0,0,1,0,0,0,0,1,0,0,%g,0,1;;", double(y));
}

// Two triangles a quad between neighbouring rows, for the mesh and again
// for its normals.
void WriteFaces(std::FILE* f) {
    std::fprintf(f, "%d;\n", 2 * kAround * (kAlong - 1));
    for (int j = 0; j + 1 < kAlong; ++j)
        for (int i = 0; i < kAround; ++i) {
            int a = j * kAround + i, b = j * kAround + (i + 1) % kAround;
            bool last = j + 2 == kAlong && i + 1 == kAround;
            std::fprintf(f, "3;%d,%d,%d;,\n3;%d,%d,%d;%s\n", a, a + kAround, b, b, a + kAround,
                         b + kAround, last ? ";" : ",");
        }
}

void WriteMesh(std::FILE* f) {
    const double step = 2 * M_PI / kAround;
    std::fprintf(f, "Mesh Tube {\n%d;\n", kAround * kAlong);
    for (int j = 0; j < kAlong; ++j)
        for (int i = 0; i < kAround; ++i)
            std::fprintf(f, "%.5f;%.5f;%.5f;%s\n", std::cos(i * step), double(j * kBones) / kAlong,
                         std::sin(i * step), j == kAlong - 1 && i == kAround - 1 ? ";" : ",");
    WriteFaces(f);
    std::fprintf(f, "MeshNormals {\n%d;\n", kAround * kAlong);
    for (int j = 0; j < kAlong; ++j)
        for (int i = 0; i < kAround; ++i)
            std::fprintf(f, "%.5f;0;%.5f;%s\n", std::cos(i * step), std::sin(i * step),
                         j == kAlong - 1 && i == kAround - 1 ? ";" : ",");
    WriteFaces(f);
    std::fprintf(f, "}\nMeshTextureCoords {\n%d;\n", kAround * kAlong);
    for (int j = 0; j < kAlong; ++j)
        for (int i = 0; i < kAround; ++i)
            std::fprintf(f, "%.5f;%.5f;%s\n", double(i) / kAround, double(j) / kAlong,
                         j == kAlong - 1 && i == kAround - 1 ? ";" : ",");
    std::fprintf(f, "}\nMeshMaterialList { 1; 1; 0;; Material { 0.8;0.7;0.6;1;; 20; "
                    "0.5;0.5;0.5;; 0;0;0;; } }\n");
    for (int b = 0; b < kBones; ++b) {
        std::vector<int> vertices;
        std::vector<float> weights;
        for (int j = 0; j < kAlong; ++j) {
            int k = b - FirstBone(j);
            if (k < 0 || k > 3)
                continue;
            for (int i = 0; i < kAround; ++i) {
                vertices.push_back(j * kAround + i);
                weights.push_back(0.1f * float(k + 1));
            }
        }
        std::fprintf(f, "SkinWeights { \"bone%d\"; %zu;\n", b, vertices.size());
        for (size_t v = 0; v < vertices.size(); ++v)
            std::fprintf(f, "%d%s", vertices[v], v + 1 == vertices.size() ? ";\n" : ",");
        for (size_t v = 0; v < weights.size(); ++v)
            std::fprintf(f, "%.1f%s", double(weights[v]), v + 1 == weights.size() ? ";\n" : ",");
        WriteTranslation(f, -float(b + 1));
        std::fprintf(f, " }\n");
    }
    std::fprintf(f, "}\n");
}

void WriteBones(std::FILE* f) {
    for (int b = 0; b < kBones; ++b) {
        std::fprintf(f, "Frame bone%d { FrameTransformMatrix { ", b);
        WriteTranslation(f, 1);
        std::fprintf(f, " }\n");
    }
    for (int b = 0; b < kBones; ++b)
        std::fprintf(f, "}");
    std::fprintf(f, "\n");
}

void WriteSet(std::FILE* f) {
    std::fprintf(f, "AnimationSet Wave {\n");
    for (int b = 0; b < kBones; ++b) {
        std::fprintf(f, "Animation { { bone%d }\n AnimationKey { 0; 5;", b);
        for (int k = 0; k <= 4; ++k) {
            double angle = 0.2 * std::sin(double(k + b));
            std::fprintf(f, " %d; 4; %.6f,0,0,%.6f;;%s", k * 1200, std::cos(angle / 2),
                         std::sin(angle / 2), k == 4 ? ";" : ",");
        }
        std::fprintf(f, " }\n AnimationKey { 2; 5;");
        for (int k = 0; k <= 4; ++k)
            std::fprintf(f, " %d; 3; %.1f,1,0;;%s", k * 1200, 0.1 * k, k == 4 ? ";" : ",");
        std::fprintf(f, " }\n}\n");
    }
    std::fprintf(f, "}\n");
}

} // namespace

bool WriteAnimatedTube(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::fprintf(f, "xof 0303txt 0032\n");
    WriteBones(f);
    WriteMesh(f);
    WriteSet(f);
    return std::fclose(f) == 0;
}
