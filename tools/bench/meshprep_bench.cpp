// Mesh preparation as the viewer runs it when a mesh is loaded or dropped.
//
// RepairTangents on flat grids cut into 8 x 8 cell charts, each chart on
// vertices of its own, so that two to four vertices stand at every point of
// a chart border: about 10 thousand, 100 thousand and 1 million vertices,
// with every tangent degenerate (all repaired) or none (the pass only
// checks). The vertex buffer is restored outside the timing.
//
// LoadMeshSlot (read, clone, adjacency, cleaning, library tangents, repair)
// and MeshObj::Load alone on the same grids written as binary X files: the
// charted grid, whose tangents come out whole, and a grid on shared vertices
// whose u mirrors every 8 columns, where the repair rebuilds every mirror
// column.
#include "framework/KvDX9.h"
#include "mesh/MeshSlot.h"
#include "mesh/TangentRepair.h"
#include "platform/d3d9/com.h"
#include "platform/d3d9/recording_device.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kChart = 8;

struct Geometry {
    std::vector<ShadingVertex> vertices;
    std::vector<DWORD> indices;

    DWORD Add(int x, int y, float u, float v) {
        vertices.push_back(ShadingVertex{{float(x), float(y), 0}, {0, 0, -1}, {0, 0, 0}, {u, v}});
        return DWORD(vertices.size() - 1);
    }
    // Two faces for the quad a b / c d (a, b on the lower row).
    void Quad(DWORD a, DWORD b, DWORD c, DWORD d) {
        indices.insert(indices.end(), {a, c, b, b, c, d});
    }
};

// n x n cells (n a multiple of kChart) in charts of their own.
Geometry ChartGrid(int n) {
    Geometry g;
    for (int cy = 0; cy < n; cy += kChart)
        for (int cx = 0; cx < n; cx += kChart) {
            const DWORD first = DWORD(g.vertices.size());
            for (int y = 0; y <= kChart; ++y)
                for (int x = 0; x <= kChart; ++x)
                    g.Add(cx + x, cy + y, x / float(kChart), y / float(kChart));
            for (int y = 0; y < kChart; ++y)
                for (int x = 0; x < kChart; ++x) {
                    DWORD a = first + DWORD(y * (kChart + 1) + x);
                    g.Quad(a, a + 1, a + kChart + 1, a + kChart + 2);
                }
        }
    return g;
}

// n x n cells on shared vertices; u runs up and down every kChart columns.
Geometry MirroredGrid(int n) {
    Geometry g;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            int phase = x % (2 * kChart);
            int u = phase <= kChart ? phase : 2 * kChart - phase;
            g.Add(x, y, u / float(kChart), y / float(kChart));
        }
    const DWORD stride = DWORD(n + 1);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            DWORD a = DWORD(y) * stride + DWORD(x);
            g.Quad(a, a + 1, a + stride, a + stride + 1);
        }
    return g;
}

// The recording device: buffers in memory, nothing drawn.
class Device {
public:
    Device() {
        root = new RecordingDirect3D9;
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = pp.BackBufferHeight = 8;
        pp.Windowed = TRUE;
        root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &pp, &device);
        sharedDevice = device;
    }
    ~Device() {
        sharedDevice = nullptr;
        ReleaseRef(device);
        ReleaseRef(root);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    RecordingDirect3D9* root = nullptr;
    IDirect3DDevice9* device = nullptr;
};

ID3DXMesh* CreateMesh(IDirect3DDevice9* device, const Geometry& g) {
    ID3DXMesh* mesh = nullptr;
    D3DXCreateMesh(DWORD(g.indices.size() / 3), DWORD(g.vertices.size()),
                   D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, kShadingLayout, device, &mesh);
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    std::memcpy(data, g.vertices.data(), g.vertices.size() * sizeof(ShadingVertex));
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &data);
    std::memcpy(data, g.indices.data(), g.indices.size() * sizeof(DWORD));
    mesh->UnlockIndexBuffer();
    return mesh;
}

void WriteVertices(ID3DXMesh* mesh, const std::vector<ShadingVertex>& vertices) {
    void* data = nullptr;
    mesh->LockVertexBuffer(0, &data);
    std::memcpy(data, vertices.data(), vertices.size() * sizeof(ShadingVertex));
    mesh->UnlockVertexBuffer();
}

// Arguments: grid cells per side, and 1 when every tangent is degenerate.
void RepairTangentsBench(benchmark::State& state) {
    Device d;
    Geometry g = ChartGrid(int(state.range(0)));
    const bool degenerate = state.range(1) != 0;
    for (ShadingVertex& v : g.vertices)
        v.tangent = degenerate ? D3DXVECTOR3(0, 0, 0) : D3DXVECTOR3(1, 0, 0);
    ID3DXMesh* mesh = CreateMesh(d.device, g);
    for (auto _ : state) {
        state.PauseTiming();
        WriteVertices(mesh, g.vertices);
        state.ResumeTiming();
        RepairTangents(mesh);
    }
    state.counters["vertices"] = double(g.vertices.size());
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(g.vertices.size()));
    ReleaseRef(mesh);
}

// The grid written once as a binary X file in the temporary folder.
std::string WriteXFile(IDirect3DDevice9* device, const Geometry& g, const std::string& name) {
    std::string path = (std::filesystem::temp_directory_path() / name).string();
    ID3DXMesh* mesh = CreateMesh(device, g);
    D3DXMATERIAL material{};
    material.MatD3D.Diffuse = D3DCOLORVALUE{1, 1, 1, 1};
    D3DXSaveMeshToX(path.c_str(), mesh, nullptr, &material, nullptr, 1, D3DXF_FILEFORMAT_BINARY);
    ReleaseRef(mesh);
    return path;
}

// Arguments: grid cells per side, and 1 for the mirrored grid.
template <bool wholeSlot>
void LoadBench(benchmark::State& state) {
    Device d;
    const int n = int(state.range(0));
    const bool mirrored = state.range(1) != 0;
    Geometry g = mirrored ? MirroredGrid(n) : ChartGrid(n);
    std::string path = WriteXFile(d.device, g,
                                  "zq_meshprep_bench_" + std::to_string(n) +
                                      (mirrored ? "_mirrored.x" : "_charts.x"));
    MeshObj slot;
    for (auto _ : state) {
        bool loaded =
            wholeSlot ? LoadMeshSlot(d.device, slot, path.c_str()) : slot.Load("", path.c_str());
        if (!loaded)
            state.SkipWithError("the mesh did not load");
        slot.Release();
        d.root->lastDevice->calls.clear();
    }
    state.counters["vertices"] = double(g.vertices.size());
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(g.vertices.size()));
    std::filesystem::remove(path);
}

} // namespace

// 88, 280 and 888 cells per side: 9,801, 99,225 and 998,001 vertices.
BENCHMARK(RepairTangentsBench)
    ->ArgNames({"cells", "degenerate"})
    ->ArgsProduct({{88, 280, 888}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(LoadBench, true)
    ->Name("LoadMeshSlot")
    ->ArgNames({"cells", "mirrored"})
    ->ArgsProduct({{88, 280}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(LoadBench, false)
    ->Name("MeshObjLoad")
    ->ArgNames({"cells", "mirrored"})
    ->ArgsProduct({{88, 280}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
