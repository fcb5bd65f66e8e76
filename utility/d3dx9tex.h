// Texture files of the utility library. The image format is recognised from
// the file's content, never its name: PNG, JPEG (JFIF), Radiance HDR, BMP,
// TGA and DDS. Textures get a full mip chain in the managed pool.
#pragma once

#include "platform/d3d9/d3d9.h"

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path,
                                   IDirect3DTexture9** texture);
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, LPCVOID data, UINT size,
                                          IDirect3DTexture9** texture);
