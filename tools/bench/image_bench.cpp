// Decode speed of the texture formats, and the whole load of a texture with
// its mip chain, for a 512 x 512 image.
#include "platform/d3d9/recording_device.h"
#include "utility/d3dx9tex.h"
#include "utility/image/image_file.h"
#include "utility/image/image_writers.h"

#include <benchmark/benchmark.h>

namespace {

constexpr UINT kSide = 512;

// Soft gradients with some detail, like a photographed texture.
Image TestImage() {
    Image image;
    AllocateImage(image, kSide, kSide, false);
    for (UINT y = 0; y < kSide; ++y) {
        for (UINT x = 0; x < kSide; ++x) {
            std::uint8_t* pixel = &image.bgra[(std::size_t(y) * kSide + x) * 4];
            pixel[0] = std::uint8_t(x / 2);
            pixel[1] = std::uint8_t(y / 2 + ((x ^ y) & 7));
            pixel[2] = std::uint8_t((x + y) / 4);
            pixel[3] = 0xff;
        }
    }
    return image;
}

std::vector<std::uint8_t> EncodedFile(bool jpeg) {
    std::vector<std::uint8_t> file;
    if (jpeg)
        EncodeJpeg(TestImage(), JpegOptions{}, file);
    else
        EncodePng(TestImage(), file);
    return file;
}

void DecodeFile(benchmark::State& state, bool jpeg) {
    std::vector<std::uint8_t> file = EncodedFile(jpeg);
    for (auto _ : state) {
        Image image;
        benchmark::DoNotOptimize(DecodeImageFile(file.data(), file.size(), image));
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * kSide * kSide * 4);
}

void DecodePngFile(benchmark::State& state) {
    DecodeFile(state, false);
}

void DecodeJpegFile(benchmark::State& state) {
    DecodeFile(state, true);
}

// Decoding, texture creation and the box-filtered chain, on a device that
// keeps textures in memory and draws nothing.
void LoadPngTexture(benchmark::State& state) {
    std::vector<std::uint8_t> file = EncodedFile(false);
    auto* root = new RecordingDirect3D9;
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 64;
    params.BackBufferHeight = 64;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params,
                       &device);
    for (auto _ : state) {
        IDirect3DTexture9* texture = nullptr;
        D3DXCreateTextureFromFileInMemory(device, file.data(), UINT(file.size()), &texture);
        ReleaseRef(texture);
        // The recording device logs every call; keep the log from growing.
        root->lastDevice->calls.clear();
    }
    ReleaseRef(device);
    ReleaseRef(root);
}

} // namespace

BENCHMARK(DecodePngFile);
BENCHMARK(DecodeJpegFile);
BENCHMARK(LoadPngTexture);
BENCHMARK_MAIN();
