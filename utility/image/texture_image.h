// A texture file decoded and its mip chain built without a device, so that
// the slow part of loading a texture can run on any thread; making the
// texture from it on the device's thread then only copies the levels.
#pragma once

#include "utility/image/image.h"

#include <vector>

struct TextureImage {
    // Level 0 is the image; each further level is shrunk from the one
    // before, down to 1 x 1, as a full mip chain of the device lays them out.
    std::vector<Image> levels;
};

// Reads and decodes the file at `path` (any recognised format) and builds
// its mip chain. `maxWidth` and `maxHeight` are the largest texture the
// device takes: a larger image is halved, as its mip chain would be, until
// it fits (see FitImageSize). D3DXERR_INVALIDDATA when the file cannot be
// read or decoded or the load was asked to stop, E_OUTOFMEMORY; the reason
// is left in LoadFailure(), which callers clear before the load.
HRESULT LoadTextureImageFromFile(const char* path, UINT maxWidth, UINT maxHeight,
                                 TextureImage& out);
HRESULT LoadTextureImageFromMemory(const void* data, std::size_t size, UINT maxWidth,
                                   UINT maxHeight, TextureImage& out);

// The bytes the image's levels take in memory, as a texture made from them
// takes again: what a load's memory budget counts for it.
std::size_t TextureImageBytes(const TextureImage& image);

// A managed texture with the image's levels, on `device`. A texture the
// device refuses leaves the reason for LoadFailure(): "out of memory" where
// the memory is not there.
HRESULT CreateTextureFromTextureImage(IDirect3DDevice9* device, const TextureImage& image,
                                      IDirect3DTexture9** texture);

// The largest texture `device` takes, for the two loads above.
void MaxTextureSize(IDirect3DDevice9* device, UINT& maxWidth, UINT& maxHeight);
