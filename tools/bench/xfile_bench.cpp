// Parse speed of the X file reader in each encoding: a generated height
// field with normals, texture coordinates and two materials, sized so that
// each file's X content (inflated, for the compressed encodings) is about
// 50 MB, read into one merged mesh. bytes_per_second counts the file as it
// lies on disk; content_MB/s counts the X content the parser walked.
//
// The padded cases are decompression bombs that are valid throughout: a
// small mesh after 1.9 GB of blanks, comments or separators in a file of a
// few MB (tools/common/padded_xfile.h). peak_RSS_MB is the process's peak
// resident memory after them: run them alone
// (--benchmark_filter=ParsePadded) to see what they cost.
#include "tools/common/height_field.h"
#include "tools/common/padded_xfile.h"
#include "utility/xfile/xfile_reader.h"
#include "utility/xfile/xfile_writer.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <map>

namespace {

constexpr double kTargetBytes = 50e6;
constexpr std::uint32_t kProbeSide = 512;

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

constexpr std::uint64_t kPaddingBytes = 1'900'000'000;
constexpr std::uint32_t kPaddedMeshSide = 72; // about 10 thousand triangles

void ParsePaddedXFile(benchmark::State& state, XEncoding encoding, XPadding padding) {
    std::vector<std::uint8_t> file;
    if (!WritePaddedXFile(HeightField(kPaddedMeshSide), encoding, padding, kPaddingBytes, file)) {
        state.SkipWithError("the padded file could not be made");
        return;
    }
    for (auto _ : state) {
        XMeshData mesh;
        if (FAILED(ReadXFile(file.data(), file.size(), nullptr, mesh))) {
            state.SkipWithError("the padded file did not read back");
            return;
        }
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["file_MB"] = double(file.size()) / 1e6;
    state.counters["content_MB/s"] = benchmark::Counter(
        double(kPaddingBytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_RSS_MB"] = double(usage.ru_maxrss) / 1024;
}

} // namespace

BENCHMARK_CAPTURE(ParseXFile, text32, XEncoding::Text, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, text64, XEncoding::Text, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, binary32, XEncoding::Binary, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, binary64, XEncoding::Binary, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, tzip32, XEncoding::TextCompressed, 4)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ParseXFile, bzip32, XEncoding::BinaryCompressed, 4)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(ParsePaddedXFile, tzip_blanks, XEncoding::TextCompressed, XPadding::Blanks)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ParsePaddedXFile, tzip_comments, XEncoding::TextCompressed, XPadding::Comments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ParsePaddedXFile, bzip_separators, XEncoding::BinaryCompressed,
                  XPadding::Separators)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

BENCHMARK_MAIN();
