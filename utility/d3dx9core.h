// Buffers of the utility library: blocks of bytes handed out by loaders and
// compilers (material records, error texts, adjacency).
#pragma once

#include "platform/d3d9/d3d9.h"

struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

// A zero-filled buffer of the given size.
HRESULT D3DXCreateBuffer(DWORD numBytes, ID3DXBuffer** buffer);
