// The device the command-line tools build, load and save meshes on: the
// recording device keeps buffers in memory and draws nothing, so the tools
// need neither a GPU nor a display.
#pragma once

#include "platform/d3d9/recording_device.h"

class RecordingToolDevice {
public:
    RecordingToolDevice();
    ~RecordingToolDevice();
    RecordingToolDevice(const RecordingToolDevice&) = delete;
    RecordingToolDevice& operator=(const RecordingToolDevice&) = delete;

    // Null when the device could not be created.
    IDirect3DDevice9* device = nullptr;

private:
    RecordingDirect3D9* root = nullptr;
};
