// The present parameters the tests create devices with, so that a test only
// spells out where it differs.
#pragma once

#include "platform/d3d9/d3d9.h"

// One windowed X8R8G8B8 back buffer of width x height, copied on present,
// without a depth buffer.
D3DPRESENT_PARAMETERS WindowedPresentParameters(UINT width, UINT height);
