// The device the command-line tools build, load and save meshes on: the
// memory device keeps resources in system memory and draws nothing, so the
// tools need neither a GPU nor a display.
#pragma once

#include "platform/d3d9/d3d9.h"

class ToolDevice {
public:
    ToolDevice();
    ~ToolDevice();
    ToolDevice(const ToolDevice&) = delete;
    ToolDevice& operator=(const ToolDevice&) = delete;

    // Null when the device could not be created.
    IDirect3DDevice9* device = nullptr;
};
