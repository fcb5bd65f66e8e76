#include "tools/common/recording_tool_device.h"

#include "platform/d3d9/com.h"

RecordingToolDevice::RecordingToolDevice() : root(new RecordingDirect3D9) {
    // Nothing is drawn, so the smallest back buffer does.
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = params.BackBufferHeight = 1;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_COPY;
    params.Windowed = TRUE;
    if (FAILED(root->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                  &params, &device)))
        device = nullptr;
}

RecordingToolDevice::~RecordingToolDevice() {
    ReleaseRef(device);
    ReleaseRef(root);
}
