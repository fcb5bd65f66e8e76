// Pictures of the scene for files: the back buffer as a PNG, scaled down for
// thumbnails.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "utility/image/image.h"

#include <string>

// Writes the device's back buffer to `path` as an opaque RGB PNG, scaled
// down to fit `size` x `size` keeping its aspect when `size` is not 0 and
// the picture is larger. False, with the reason on stderr, when it cannot.
bool WriteBackBufferPng(IDirect3DDevice9* device, const std::string& path, int size);

// The device's back buffer as an 8-bit BGRA image (its alpha as the target
// holds it). False when it cannot be read.
bool ReadBackBuffer(IDirect3DDevice9* device, Image& image);
// The same of any render target of 8-bit colour.
bool ReadRenderTarget(IDirect3DDevice9* device, IDirect3DSurface9* target, Image& image);

// Writes an 8-bit BGRA image to `path` as an RGB PNG, or RGBA `withAlpha`;
// the file appears whole or not at all. False, with the reason on stderr,
// when it cannot.
bool WritePicturePng(const Image& picture, const std::string& path, bool withAlpha);

// The picture's size once scaled down to fit `size` x `size` (0: unscaled);
// never below one pixel.
void FitPictureSize(UINT width, UINT height, int size, UINT& fitWidth, UINT& fitHeight);
