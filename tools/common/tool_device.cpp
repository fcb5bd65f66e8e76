#include "tools/common/tool_device.h"

#include "platform/d3d9/com.h"
#include "platform/d3d9/memory_device.h"

ToolDevice::ToolDevice() : device(CreateMemoryDevice()) {}

ToolDevice::~ToolDevice() {
    ReleaseRef(device);
}
