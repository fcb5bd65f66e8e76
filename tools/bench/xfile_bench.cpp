// Parse speed of the X file reader in each encoding: a generated height
// field with normals, texture coordinates and two materials, sized so that
// each file's X content (inflated, for the compressed encodings) is about
// 50 MB, read into one merged mesh. bytes_per_second counts the file as it
// lies on disk; content_MB/s counts the X content the parser walked.
#include "utility/xfile/xfile_reader.h"
#include "utility/xfile/xfile_writer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>

namespace {

constexpr double kTargetBytes = 50e6;
constexpr std::uint32_t kProbeSide = 512;

// side x side vertices over a rolling surface, two triangles a cell; the
// left half takes material 0, the right half material 1.
XMeshData HeightField(std::uint32_t side) {
    XMeshData mesh;
    mesh.vertices.reserve(size_t(side) * side);
    for (std::uint32_t y = 0; y < side; ++y)
        for (std::uint32_t x = 0; x < side; ++x) {
            float fx = float(x) * 0.173f, fy = float(y) * 0.131f;
            XVertex v;
            v.position = D3DXVECTOR3(fx, std::sin(fx) * std::cos(fy) * 2.5f, fy);
            D3DXVECTOR3 n(-std::cos(fx) * std::cos(fy), 1.0f, std::sin(fx) * std::sin(fy));
            D3DXVec3Normalize(&v.normal, &n);
            v.texcoord = D3DXVECTOR2(float(x) / float(side), float(y) / float(side));
            mesh.vertices.push_back(v);
        }
    for (std::uint32_t y = 0; y + 1 < side; ++y)
        for (std::uint32_t x = 0; x + 1 < side; ++x) {
            std::uint32_t a = y * side + x, b = a + 1, c = a + side, d = c + 1;
            std::uint32_t material = x < side / 2 ? 0 : 1;
            mesh.indices.insert(mesh.indices.end(), {a, c, b, b, c, d});
            mesh.attributes.insert(mesh.attributes.end(), {material, material});
        }
    for (int i = 0; i < 2; ++i) {
        XMaterial material{};
        material.colors.Diffuse = {0.8f, 0.7f - 0.3f * float(i), 0.6f, 1.0f};
        material.colors.Power = 20.0f;
        material.textureFile = i ? "rock.png" : "grass.png";
        mesh.materials.push_back(material);
    }
    mesh.hasNormals = true;
    mesh.hasTexcoords = true;
    return mesh;
}

XEncoding Uncompressed(XEncoding encoding) {
    return IsText(encoding) ? XEncoding::Text : XEncoding::Binary;
}

struct GeneratedFile {
    std::vector<std::uint8_t> bytes;
    size_t contentBytes; // the X content before compression
};

// The side whose uncompressed file comes to about kTargetBytes, from the
// size of a small probe (the size grows with the vertex count).
std::uint32_t SideFor(XEncoding encoding, int floatBytes) {
    std::vector<std::uint8_t> probe;
    WriteXFile(HeightField(kProbeSide), Uncompressed(encoding), floatBytes, probe);
    double bytesPerVertex = double(probe.size()) / (double(kProbeSide) * kProbeSide);
    return std::uint32_t(std::sqrt(kTargetBytes / bytesPerVertex));
}

const GeneratedFile& FileFor(XEncoding encoding, int floatBytes) {
    static std::map<std::pair<int, int>, GeneratedFile> files;
    GeneratedFile& file = files[{int(encoding), floatBytes}];
    if (file.bytes.empty()) {
        XMeshData mesh = HeightField(SideFor(encoding, floatBytes));
        std::vector<std::uint8_t> content;
        WriteXFile(mesh, Uncompressed(encoding), floatBytes, content);
        file.contentBytes = content.size();
        WriteXFile(mesh, encoding, floatBytes, file.bytes);
    }
    return file;
}

void ParseXFile(benchmark::State& state, XEncoding encoding, int floatBytes) {
    const GeneratedFile& file = FileFor(encoding, floatBytes);
    size_t triangles = 0;
    for (auto _ : state) {
        XMeshData mesh;
        if (FAILED(ReadXFile(file.bytes.data(), file.bytes.size(), nullptr, mesh))) {
            state.SkipWithError("the generated file did not read back");
            return;
        }
        triangles = mesh.TriangleCount();
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.bytes.size()));
    state.counters["file_MB"] = double(file.bytes.size()) / 1e6;
    state.counters["content_MB/s"] = benchmark::Counter(
        double(file.contentBytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles"] = double(triangles);
}

} // namespace

BENCHMARK_CAPTURE(ParseXFile, text32, XEncoding::Text, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, text64, XEncoding::Text, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, binary32, XEncoding::Binary, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, binary64, XEncoding::Binary, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, tzip32, XEncoding::TextCompressed, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, bzip32, XEncoding::BinaryCompressed, 4)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
