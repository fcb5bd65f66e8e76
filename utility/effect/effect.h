// The effect object: handles, parameter values, the selected technique and
// the Begin / BeginPass / EndPass / End bracket that applies passes to the
// device.
#pragma once

#include "platform/d3d9/com.h"
#include "utility/d3dx9effect.h"
#include "utility/effect/effect_programs.h"
#include "utility/effect/parameter_store.h"
#include "utility/effect/saved_state.h"

#include <memory>

class Effect final : public RefCounted<ID3DXEffect> {
public:
    // Takes a reference to the device; the programs are built from layout.
    Effect(IDirect3DDevice9* device, std::unique_ptr<EffectLayout> layout,
           std::unique_ptr<EffectPrograms> programs);

    HRESULT GetDesc(D3DXEFFECT_DESC* desc) override;
    HRESULT GetParameterDesc(D3DXHANDLE parameter, D3DXPARAMETER_DESC* desc) override;
    HRESULT GetTechniqueDesc(D3DXHANDLE technique, D3DXTECHNIQUE_DESC* desc) override;
    HRESULT GetPassDesc(D3DXHANDLE pass, D3DXPASS_DESC* desc) override;
    D3DXHANDLE GetParameter(D3DXHANDLE parent, UINT index) override;
    D3DXHANDLE GetParameterByName(D3DXHANDLE parent, LPCSTR name) override;
    D3DXHANDLE GetTechnique(UINT index) override;
    D3DXHANDLE GetTechniqueByName(LPCSTR name) override;
    D3DXHANDLE GetPass(D3DXHANDLE technique, UINT index) override;
    D3DXHANDLE GetPassByName(D3DXHANDLE technique, LPCSTR name) override;
    HRESULT SetValue(D3DXHANDLE parameter, LPCVOID data, UINT bytes) override;
    HRESULT GetValue(D3DXHANDLE parameter, LPVOID data, UINT bytes) override;
    HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
    HRESULT SetMatrixTranspose(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
    HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT SetTechnique(D3DXHANDLE technique) override;
    HRESULT Begin(UINT* passes, DWORD flags) override;
    HRESULT BeginPass(UINT pass) override;
    HRESULT CommitChanges() override;
    HRESULT EndPass() override;
    HRESULT End() override;
    HRESULT OnLostDevice() override;
    HRESULT OnResetDevice() override;

private:
    // Handles are addresses inside `handles`: one byte for each parameter,
    // then each technique, then each pass (technique by technique). The bytes
    // are zero, so a handle read as a name is the empty name.
    D3DXHANDLE HandleAt(size_t offset) const { return handles.data() + offset; }
    bool OwnHandle(D3DXHANDLE handle, size_t* offset) const;
    int ParameterIndex(D3DXHANDLE handle) const;
    int TechniqueIndex(D3DXHANDLE handle) const;
    bool PassIndex(D3DXHANDLE handle, int* technique, int* pass) const;
    size_t TechniqueOffset(int technique) const {
        return layout->parameters.size() + size_t(technique);
    }
    size_t PassOffset(int technique, int pass) const {
        return passOffsets[size_t(technique)] + size_t(pass);
    }

    const PassInfo& CurrentPass() const;
    void BindSamplers(const ProgramPlan& plan, bool withStates);
    void WriteConstants(const ProgramPlan& plan, bool pixel);

    // Declared first so that it goes last, after every object of the device
    // that the members below hold.
    struct DeviceReference {
        explicit DeviceReference(IDirect3DDevice9* d) : device(d) { device->AddRef(); }
        ~DeviceReference() { device->Release(); }
        DeviceReference(const DeviceReference&) = delete;
        DeviceReference& operator=(const DeviceReference&) = delete;
        IDirect3DDevice9* device;
    };
    DeviceReference owner;
    IDirect3DDevice9* device; // owner's
    std::unique_ptr<EffectLayout> layout;
    std::unique_ptr<EffectPrograms> programs;
    ParameterStore values;
    std::vector<StateFootprint> footprints; // one per technique
    std::vector<char> handles;
    std::vector<size_t> passOffsets;

    int technique = 0;
    bool begun = false;
    int pass = -1; // the pass between BeginPass and EndPass
    SavedState saved;
    std::uint64_t appliedStamp = 0; // the parameter stamp the current pass was written at
    std::vector<float> registers;   // scratch for constant tables
};
