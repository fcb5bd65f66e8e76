// The OpenGL 3.3 core backend of the Direct3D 9 stand-in.
#pragma once

#include "platform/d3d9/d3d9.h"

// The root object of the OpenGL backend, or null for a wrong SDK version.
IDirect3D9* CreateGlDirect3D9(UINT sdkVersion);

// Async-signal-safe: the next Present of every OpenGL device reports the
// device lost (SIGUSR1 in the viewer, for trying it by hand).
void RequestGlDeviceLoss();

// For tests: the device's next Present finds its OpenGL context reset, as a
// driver reports a real loss, so that its Reset makes a new context. Does
// nothing to a device that is not an OpenGL one.
void SimulateGlContextReset(IDirect3DDevice9* device);

// For measuring tools: what the last presented frame of an OpenGL device
// asked of OpenGL, and a wait until the driver has finished all of it.
struct GlFrameWork {
    unsigned long glCalls;
    unsigned drawCalls;
    unsigned stateChanges;
    unsigned uploads;
};
// False when the device is not an OpenGL one.
bool GetGlFrameWork(IDirect3DDevice9* device, GlFrameWork* work);
void FinishGlWork(IDirect3DDevice9* device);
