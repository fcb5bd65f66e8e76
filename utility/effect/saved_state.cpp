#include "utility/effect/saved_state.h"

#include "platform/d3d9/com.h"
#include "utility/d3dx9effect.h"

#include <algorithm>

void StateFootprint::AddRenderState(DWORD state) {
    if (std::find(renderStates.begin(), renderStates.end(), state) == renderStates.end())
        renderStates.push_back(state);
}

void StateFootprint::AddSlot(DWORD slot) {
    if (std::find(slots.begin(), slots.end(), slot) == slots.end())
        slots.push_back(slot);
}

void StateFootprint::AddSampler(DWORD slot, DWORD state) {
    for (const SamplerState& s : samplerStates)
        if (s.slot == slot && s.state == state)
            return;
    samplerStates.push_back(SamplerState{slot, state});
}

void SavedState::Capture(IDirect3DDevice9* device, const StateFootprint& footprint, DWORD flags) {
    Drop();
    if (flags & D3DXFX_DONOTSAVESTATE)
        return;
    for (DWORD state : footprint.renderStates) {
        Value v{0, state, 0};
        device->GetRenderState(D3DRENDERSTATETYPE(state), &v.value);
        renderStates.push_back(v);
    }
    if (!(flags & D3DXFX_DONOTSAVESAMPLERSTATE)) {
        for (const StateFootprint::SamplerState& s : footprint.samplerStates) {
            Value v{s.slot, s.state, 0};
            device->GetSamplerState(s.slot, D3DSAMPLERSTATETYPE(s.state), &v.value);
            samplerStates.push_back(v);
        }
        for (DWORD slot : footprint.slots) {
            StageTexture t{slot, nullptr};
            device->GetTexture(slot, &t.texture);
            textures.push_back(t);
        }
    }
    if (!(flags & D3DXFX_DONOTSAVESHADERSTATE)) {
        device->GetVertexShader(&vertexShader);
        device->GetPixelShader(&pixelShader);
        programsSaved = true;
    }
}

void SavedState::Restore(IDirect3DDevice9* device) {
    for (const Value& v : renderStates)
        device->SetRenderState(D3DRENDERSTATETYPE(v.state), v.value);
    for (const Value& v : samplerStates)
        device->SetSamplerState(v.slot, D3DSAMPLERSTATETYPE(v.state), v.value);
    for (const StageTexture& t : textures)
        device->SetTexture(t.slot, t.texture);
    if (programsSaved) {
        device->SetVertexShader(vertexShader);
        device->SetPixelShader(pixelShader);
    }
    Drop();
}

void SavedState::Drop() {
    renderStates.clear();
    samplerStates.clear();
    for (StageTexture& t : textures)
        ReleaseRef(t.texture);
    textures.clear();
    ReleaseRef(vertexShader);
    ReleaseRef(pixelShader);
    programsSaved = false;
}
