// What the checks of an indexed draw cost every device, on the memory
// device, which draws nothing: a draw whose buffer's indices all name
// vertices of the stream (the extent kept since the last change answers),
// a draw whose buffer holds indices for other base vertices (the indices
// drawn are read), and the first draw after the indices changed (the
// extent of the whole buffer is read again). items_per_second counts
// draws, bytes_per_second the indices read.
#include "platform/d3d9/com.h"
#include "platform/d3d9/memory_device.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr UINT kVertices = 1 << 20;

// A stream of kVertices positions and 32-bit indices cycling through them,
// `indices` in all; `past` last ones name vertices past the stream, as in a
// buffer shared by meshes drawn with base vertices of their own.
class Fixture {
public:
    Fixture(UINT indices, UINT past) : count(indices) {
        device = CreateMemoryDevice();
        device->SetFVF(D3DFVF_XYZ);
        device->CreateVertexBuffer(kVertices * 12, 0, 0, D3DPOOL_MANAGED, &vertexBuffer, nullptr);
        device->SetStreamSource(0, vertexBuffer, 0, 12);
        device->CreateIndexBuffer(indices * 4, 0, D3DFMT_INDEX32, D3DPOOL_MANAGED, &indexBuffer,
                                  nullptr);
        void* data = nullptr;
        indexBuffer->Lock(0, 0, &data, 0);
        auto* out = static_cast<std::uint32_t*>(data);
        for (UINT i = 0; i < indices; ++i)
            out[i] = i < indices - past ? i % kVertices : kVertices + i;
        indexBuffer->Unlock();
        device->SetIndices(indexBuffer);
    }
    ~Fixture() {
        ReleaseRef(indexBuffer);
        ReleaseRef(vertexBuffer);
        ReleaseRef(device);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    HRESULT Draw(UINT indices) {
        return device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kVertices, 0, indices / 3);
    }

    UINT count;
    IDirect3DDevice9* device = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
};

// Every draw measured must go through: a refused one would measure its
// refusal.
bool Drawable(benchmark::State& state, Fixture& f, UINT indices) {
    if (SUCCEEDED(f.Draw(indices)))
        return true;
    state.SkipWithError(f.device->GetRefusalText());
    return false;
}

void DrawWithinTheStream(benchmark::State& state) {
    Fixture f(UINT(state.range(0)), 0);
    if (!Drawable(state, f, f.count))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Draw(f.count));
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}

void DrawBesideIndicesPastTheStream(benchmark::State& state) {
    Fixture f(UINT(state.range(0)) + 3, 3);
    if (!Drawable(state, f, f.count - 3))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(f.Draw(f.count - 3));
    state.SetItemsProcessed(std::int64_t(state.iterations()));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * state.range(0) * 4);
}

void FirstDrawAfterAChange(benchmark::State& state) {
    Fixture f(UINT(state.range(0)), 0);
    if (!Drawable(state, f, f.count))
        return;
    void* data = nullptr;
    for (auto _ : state) {
        f.indexBuffer->Lock(0, 4, &data, 0); // a write lock: the extent is stale
        f.indexBuffer->Unlock();
        benchmark::DoNotOptimize(f.Draw(f.count));
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * state.range(0) * 4);
}

} // namespace

BENCHMARK(DrawWithinTheStream)->Arg(3000)->Arg(3000000);
BENCHMARK(DrawBesideIndicesPastTheStream)->Arg(3000)->Arg(300000)->Arg(3000000);
BENCHMARK(FirstDrawAfterAChange)->Arg(3000)->Arg(300000)->Arg(3000000);
BENCHMARK_MAIN();
