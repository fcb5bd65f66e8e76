// A device of the state backend that keeps every resource in system memory
// and draws nothing. It can be made on any thread, for work that needs
// device objects but not the device that shows them: a mesh is read and
// prepared on one off the device's thread, then copied to the real device.
// Each one is used by one thread at a time.
#pragma once

#include "platform/d3d9/d3d9.h"

// A new device with one reference, or null when it cannot be made.
IDirect3DDevice9* CreateMemoryDevice();
