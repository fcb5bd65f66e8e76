// The device states a technique's passes change, read when the technique
// begins and put back when it ends, so that drawing after the technique sees
// the states it saw before.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <vector>

// What a technique touches, gathered from all its passes once.
struct StateFootprint {
    std::vector<DWORD> renderStates;
    std::vector<DWORD> slots; // texture stages its samplers use
    struct SamplerState {
        DWORD slot;
        DWORD state;
    };
    std::vector<SamplerState> samplerStates;

    void AddRenderState(DWORD state);
    void AddSampler(DWORD slot, DWORD state);
    void AddSlot(DWORD slot);
};

class SavedState {
public:
    SavedState() = default;
    ~SavedState() { Drop(); }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

    // Reads the footprint's states from the device; the D3DXFX_ flags leave
    // parts out.
    void Capture(IDirect3DDevice9* device, const StateFootprint& footprint, DWORD flags);
    // Sets every saved state back (render states, sampler states, textures,
    // programs) and lets go of the saved references.
    void Restore(IDirect3DDevice9* device);
    // Lets go of what was saved without setting it back.
    void Drop();

private:
    struct Value {
        DWORD slot;
        DWORD state;
        DWORD value;
    };
    struct StageTexture {
        DWORD slot;
        IDirect3DBaseTexture9* texture; // counted, may be null
    };
    std::vector<Value> renderStates;
    std::vector<Value> samplerStates;
    std::vector<StageTexture> textures;
    bool programsSaved = false;
    IDirect3DVertexShader9* vertexShader = nullptr; // counted, may be null
    IDirect3DPixelShader9* pixelShader = nullptr;   // counted, may be null
};
