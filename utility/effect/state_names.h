// The device states an effect text can name, in passes (render states) and in
// samplers (sampler states), and the words their values can be written with.
// Names and value words are matched without regard to case, as in effect
// files; every state also takes a whole number.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <string>

// The render state called `name`, or false.
bool FindRenderState(const std::string& name, D3DRENDERSTATETYPE* state);
bool FindSamplerState(const std::string& name, D3DSAMPLERSTATETYPE* state);

// The value of `word` for the render state or sampler state, or false when
// the word means nothing for it.
bool RenderStateValue(D3DRENDERSTATETYPE state, const std::string& word, DWORD* value);
bool SamplerStateValue(D3DSAMPLERSTATETYPE state, const std::string& word, DWORD* value);
