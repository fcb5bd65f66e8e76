// The viewer's effects, carried in the executable as RT_RCDATA resources.
#pragma once

#include "platform/win32/win32.h"

constexpr WORD kSceneEffectResource = 10000;       // scene effect, plain
constexpr WORD kDimmedSceneEffectResource = 10001; // scene effect, colour x 0.85
constexpr WORD kPostProcessEffectResource = 10002; // glow: T_Bright, T_QHDR

// Makes the three resources findable (FindResourceA with RT_RCDATA). The
// process entry calls it once before any effect is created.
void RegisterEffectResources();
