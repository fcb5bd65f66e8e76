// Adjacency generation, bowtie cleaning and tangent generation on generated
// meshes of about 10 thousand to 1 million triangles, as the viewer runs
// them on a loaded mesh (tolerance FLT_EPSILON, wrapping on). Shapes: a flat
// grid and a UV sphere, each without texture seams (vertices shared, the
// sphere's u wrapping round) and with them (the grid cut into 8 x 8 cell
// charts, the sphere with its u = 1 column and a pole vertex per slice).
// items_per_second counts triangles.
#include "platform/d3d9/com.h"
#include "platform/d3d9/recording_device.h"
#include "utility/d3dx9mesh.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Vertex {
    D3DXVECTOR3 position, normal, tangent;
    D3DXVECTOR2 uv;
};

const D3DVERTEXELEMENT9 kLayout[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
    {0, 36, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};

struct Geometry {
    std::vector<Vertex> vertices;
    std::vector<DWORD> indices;

    // Two faces for the quad a b / c d (a, b on the lower row).
    void Quad(DWORD a, DWORD b, DWORD c, DWORD d) {
        indices.insert(indices.end(), {a, b, c, b, d, c});
    }
};

constexpr int kChart = 8;

// n x n cells in the z = 0 plane. With seams, every chart of kChart x kChart
// cells has its own vertices and its own texture space.
Geometry Grid(int n, bool seams) {
    Geometry g;
    const int stride = n + 1;
    auto vertex = [&](int x, int y, float u, float v) {
        g.vertices.push_back(Vertex{{x / float(n), y / float(n), 0}, {0, 0, 1}, {0, 0, 0}, {u, v}});
        return DWORD(g.vertices.size() - 1);
    };
    if (!seams) {
        for (int y = 0; y <= n; ++y)
            for (int x = 0; x <= n; ++x)
                vertex(x, y, x / float(n), y / float(n));
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                g.Quad(DWORD(y * stride + x), DWORD(y * stride + x + 1),
                       DWORD((y + 1) * stride + x), DWORD((y + 1) * stride + x + 1));
        return g;
    }
    for (int cy = 0; cy < n; cy += kChart)
        for (int cx = 0; cx < n; cx += kChart) {
            const int w = std::min(kChart, n - cx), h = std::min(kChart, n - cy);
            const DWORD first = DWORD(g.vertices.size());
            for (int y = 0; y <= h; ++y)
                for (int x = 0; x <= w; ++x)
                    vertex(cx + x, cy + y, x / float(kChart), y / float(kChart));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    DWORD a = first + DWORD(y * (w + 1) + x);
                    g.Quad(a, a + 1, a + DWORD(w + 1), a + DWORD(w + 2));
                }
        }
    return g;
}

// A unit sphere of `slices` around and `stacks` from pole to pole.
Geometry Sphere(int slices, int stacks, bool seams) {
    Geometry g;
    const int columns = seams ? slices + 1 : slices;
    // Positions come from the wrapped slice, and the poles are exact, so that
    // the copies along a seam stand at exactly one point.
    auto add = [&](int i, int j) {
        float theta = D3DX_PI * float(j) / float(stacks);
        float phi = 2 * D3DX_PI * float(i % slices) / float(slices);
        float ring = (j == 0 || j == stacks) ? 0 : std::sin(theta);
        float height = j == 0 ? 1 : j == stacks ? -1 : std::cos(theta);
        D3DXVECTOR3 p(ring * std::cos(phi), height, ring * std::sin(phi));
        g.vertices.push_back(
            Vertex{p, p, {0, 0, 0}, {float(i) / float(slices), float(j) / float(stacks)}});
    };
    // Without seams the poles are one vertex each and column `slices` is
    // column 0; with them every slice has its own pole vertices.
    auto north = [&](int i) { return DWORD(seams ? i : 0); };
    const DWORD ringStart = seams ? DWORD(slices) : 1;
    if (seams)
        for (int i = 0; i < slices; ++i)
            add(i, 0);
    else
        add(0, 0);
    for (int j = 1; j < stacks; ++j)
        for (int i = 0; i < columns; ++i)
            add(i, j);
    const DWORD southStart = DWORD(g.vertices.size());
    if (seams)
        for (int i = 0; i < slices; ++i)
            add(i, stacks);
    else
        add(0, stacks);
    auto ring = [&](int j, int i) { return ringStart + DWORD((j - 1) * columns + i % columns); };
    auto south = [&](int i) { return southStart + DWORD(seams ? i : 0); };
    for (int i = 0; i < slices; ++i) {
        g.indices.insert(g.indices.end(), {north(i), ring(1, i + 1), ring(1, i)});
        for (int j = 1; j + 1 < stacks; ++j)
            g.Quad(ring(j, i), ring(j, i + 1), ring(j + 1, i), ring(j + 1, i + 1));
        g.indices.insert(g.indices.end(), {south(i), ring(stacks - 1, i), ring(stacks - 1, i + 1)});
    }
    return g;
}

// Shapes by benchmark argument: 0 grid, 1 sphere; sizes in triangles.
Geometry Generate(int shape, bool seams, int triangles) {
    if (shape == 0)
        return Grid(int(std::lround(std::sqrt(triangles / 2.0))), seams);
    int stacks = int(std::lround(std::sqrt(triangles / 4.0)));
    return Sphere(2 * stacks, stacks, seams);
}

// A device that keeps buffers in memory and draws nothing, and one mesh.
class Fixture {
public:
    explicit Fixture(const benchmark::State& state) {
        root = new RecordingDirect3D9;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = pp.BackBufferHeight = 8;
        pp.Windowed = TRUE;
        root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device);
        Geometry g = Generate(int(state.range(0)), state.range(1) != 0, int(state.range(2)));
        D3DXCreateMesh(DWORD(g.indices.size() / 3), DWORD(g.vertices.size()),
                       D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, kLayout, device, &mesh);
        void* data = nullptr;
        mesh->LockVertexBuffer(0, &data);
        std::memcpy(data, g.vertices.data(), g.vertices.size() * sizeof(Vertex));
        mesh->UnlockVertexBuffer();
        mesh->LockIndexBuffer(0, &data);
        std::memcpy(data, g.indices.data(), g.indices.size() * sizeof(DWORD));
        mesh->UnlockIndexBuffer();
        adjacency.resize(g.indices.size());
        mesh->GenerateAdjacency(FLT_EPSILON, adjacency.data());
    }
    ~Fixture() {
        ReleaseRef(mesh);
        ReleaseRef(device);
        ReleaseRef(root);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    void Count(benchmark::State& state) const {
        state.SetItemsProcessed(std::int64_t(state.iterations()) * mesh->GetNumFaces());
        state.counters["vertices"] = mesh->GetNumVertices();
        // Edges without a neighbour: 0 for the closed sphere without seams,
        // the rim for grids; seams must not add any.
        state.counters["open_edges"] =
            double(std::count(adjacency.begin(), adjacency.end(), 0xFFFFFFFFu));
    }

    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXMesh* mesh = nullptr;
    std::vector<DWORD> adjacency;
};

void GenerateAdjacency(benchmark::State& state) {
    Fixture f(state);
    std::vector<DWORD> out(f.adjacency.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(f.mesh->GenerateAdjacency(FLT_EPSILON, out.data()));
    f.Count(state);
}

void CleanBowties(benchmark::State& state) {
    Fixture f(state);
    std::vector<DWORD> out(f.adjacency.size());
    for (auto _ : state) {
        ID3DXMesh* cleaned = nullptr;
        benchmark::DoNotOptimize(D3DXCleanMesh(D3DXCLEAN_BOWTIES, f.mesh, f.adjacency.data(),
                                               &cleaned, out.data(), nullptr));
        ReleaseRef(cleaned);
    }
    f.Count(state);
}

void ComputeTangents(benchmark::State& state) {
    Fixture f(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(D3DXComputeTangent(f.mesh, 0, 0, 0, 1, f.adjacency.data()));
    f.Count(state);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"sphere", "seams", "triangles"});
    for (int shape : {0, 1})
        for (int seams : {0, 1})
            for (int triangles : {10000, 100000, 1000000})
                b->Args({shape, seams, triangles});
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(GenerateAdjacency)->Apply(Sizes);
BENCHMARK(CleanBowties)->Apply(Sizes);
BENCHMARK(ComputeTangents)->Apply(Sizes);
BENCHMARK_MAIN();
