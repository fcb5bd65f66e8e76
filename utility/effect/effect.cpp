#include "utility/effect/effect.h"

#include <cstdint>
#include <cstring>

Effect::Effect(IDirect3DDevice9* device, std::unique_ptr<EffectLayout> layoutIn,
               std::unique_ptr<EffectPrograms> programsIn)
    : owner(device), device(device), layout(std::move(layoutIn)), programs(std::move(programsIn)),
      values(*layout) {
    size_t count = layout->parameters.size() + layout->techniques.size();
    for (const TechniqueInfo& t : layout->techniques) {
        passOffsets.push_back(count);
        count += t.passes.size();
        StateFootprint footprint;
        for (const PassInfo& p : t.passes) {
            for (const StateSetting& s : p.renderStates)
                footprint.AddRenderState(s.state);
            for (int sampler : programs->Plan(p.pixelProgram).samplers) {
                const ParameterInfo& info = layout->parameters[size_t(sampler)];
                footprint.AddSlot(info.slot);
                for (const StateSetting& s : info.samplerStates)
                    footprint.AddSampler(info.slot, s.state);
            }
        }
        footprints.push_back(footprint);
    }
    handles.assign(count, '\0');
}

// ---- Handles ---------------------------------------------------------------

bool Effect::OwnHandle(D3DXHANDLE handle, size_t* offset) const {
    auto at = reinterpret_cast<std::uintptr_t>(handle);
    auto base = reinterpret_cast<std::uintptr_t>(handles.data());
    if (handles.empty() || at < base || at >= base + handles.size())
        return false;
    *offset = at - base;
    return true;
}

int Effect::ParameterIndex(D3DXHANDLE handle) const {
    size_t offset;
    if (OwnHandle(handle, &offset))
        return offset < layout->parameters.size() ? int(offset) : -1;
    return handle ? FindParameter(*layout, handle) : -1;
}

int Effect::TechniqueIndex(D3DXHANDLE handle) const {
    size_t offset;
    if (OwnHandle(handle, &offset)) {
        size_t first = layout->parameters.size();
        return offset >= first && offset < first + layout->techniques.size() ? int(offset - first)
                                                                             : -1;
    }
    for (size_t i = 0; handle && i < layout->techniques.size(); ++i)
        if (layout->techniques[i].name == handle)
            return int(i);
    return -1;
}

bool Effect::PassIndex(D3DXHANDLE handle, int* techniqueOut, int* passOut) const {
    size_t offset;
    if (!OwnHandle(handle, &offset))
        return false;
    for (size_t t = 0; t < layout->techniques.size(); ++t) {
        size_t first = passOffsets[t];
        if (offset >= first && offset < first + layout->techniques[t].passes.size()) {
            *techniqueOut = int(t);
            *passOut = int(offset - first);
            return true;
        }
    }
    return false;
}

D3DXHANDLE Effect::GetParameter(D3DXHANDLE parent, UINT index) {
    if (parent || index >= layout->parameters.size())
        return nullptr;
    return HandleAt(index);
}

D3DXHANDLE Effect::GetParameterByName(D3DXHANDLE parent, LPCSTR name) {
    if (parent || !name)
        return nullptr;
    int index = FindParameter(*layout, name);
    return index < 0 ? nullptr : HandleAt(size_t(index));
}

D3DXHANDLE Effect::GetTechnique(UINT index) {
    return index < layout->techniques.size() ? HandleAt(TechniqueOffset(int(index))) : nullptr;
}

D3DXHANDLE Effect::GetTechniqueByName(LPCSTR name) {
    size_t offset;
    if (!name || OwnHandle(name, &offset))
        return nullptr;
    int index = TechniqueIndex(name);
    return index < 0 ? nullptr : HandleAt(TechniqueOffset(index));
}

D3DXHANDLE Effect::GetPass(D3DXHANDLE techniqueHandle, UINT index) {
    int t = TechniqueIndex(techniqueHandle);
    if (t < 0 || index >= layout->techniques[size_t(t)].passes.size())
        return nullptr;
    return HandleAt(PassOffset(t, int(index)));
}

D3DXHANDLE Effect::GetPassByName(D3DXHANDLE techniqueHandle, LPCSTR name) {
    int t = TechniqueIndex(techniqueHandle);
    if (t < 0 || !name)
        return nullptr;
    const std::vector<PassInfo>& passes = layout->techniques[size_t(t)].passes;
    for (size_t p = 0; p < passes.size(); ++p)
        if (passes[p].name == name)
            return HandleAt(PassOffset(t, int(p)));
    return nullptr;
}

// ---- Descriptions ----------------------------------------------------------

HRESULT Effect::GetDesc(D3DXEFFECT_DESC* desc) {
    if (!desc)
        return D3DERR_INVALIDCALL;
    desc->Creator = "ZELQAd effect runtime (GLSL)";
    desc->Parameters = UINT(layout->parameters.size());
    desc->Techniques = UINT(layout->techniques.size());
    desc->Functions = UINT(layout->programs.size());
    return D3D_OK;
}

HRESULT Effect::GetParameterDesc(D3DXHANDLE handle, D3DXPARAMETER_DESC* desc) {
    int index = ParameterIndex(handle);
    if (index < 0 || !desc)
        return D3DERR_INVALIDCALL;
    const ParameterInfo& p = layout->parameters[size_t(index)];
    *desc = D3DXPARAMETER_DESC{};
    desc->Name = p.name.c_str();
    desc->Elements = p.elements;
    if (p.kind != ParameterKind::Numeric) {
        desc->Class = D3DXPC_OBJECT;
        desc->Type = p.kind == ParameterKind::Texture ? D3DXPT_TEXTURE : D3DXPT_SAMPLER2D;
        return D3D_OK;
    }
    desc->Class = p.IsMatrix()    ? D3DXPC_MATRIX_COLUMNS
                  : p.columns > 1 ? D3DXPC_VECTOR
                                  : D3DXPC_SCALAR;
    desc->Type = D3DXPT_FLOAT;
    desc->Rows = p.rows;
    desc->Columns = p.columns;
    desc->Bytes = p.FloatCount() * UINT(sizeof(float));
    return D3D_OK;
}

HRESULT Effect::GetTechniqueDesc(D3DXHANDLE handle, D3DXTECHNIQUE_DESC* desc) {
    int t = TechniqueIndex(handle);
    if (t < 0 || !desc)
        return D3DERR_INVALIDCALL;
    const TechniqueInfo& info = layout->techniques[size_t(t)];
    *desc = D3DXTECHNIQUE_DESC{info.name.c_str(), UINT(info.passes.size()), 0};
    return D3D_OK;
}

HRESULT Effect::GetPassDesc(D3DXHANDLE handle, D3DXPASS_DESC* desc) {
    int t, p;
    if (!PassIndex(handle, &t, &p) || !desc)
        return D3DERR_INVALIDCALL;
    const PassInfo& info = layout->techniques[size_t(t)].passes[size_t(p)];
    desc->Name = info.name.c_str();
    desc->Annotations = 0;
    desc->pVertexShaderFunction =
        reinterpret_cast<const DWORD*>(programs->Plan(info.vertexProgram).text.c_str());
    desc->pPixelShaderFunction =
        reinterpret_cast<const DWORD*>(programs->Plan(info.pixelProgram).text.c_str());
    return D3D_OK;
}

// ---- Values ----------------------------------------------------------------

HRESULT Effect::SetValue(D3DXHANDLE handle, LPCVOID data, UINT bytes) {
    int index = ParameterIndex(handle);
    return index < 0 ? D3DERR_INVALIDCALL : values.SetValue(index, data, bytes);
}

HRESULT Effect::GetValue(D3DXHANDLE handle, LPVOID data, UINT bytes) {
    int index = ParameterIndex(handle);
    return index < 0 ? D3DERR_INVALIDCALL : values.GetValue(index, data, bytes);
}

HRESULT Effect::SetMatrix(D3DXHANDLE handle, const D3DXMATRIX* matrix) {
    int index = ParameterIndex(handle);
    return index < 0 || !matrix ? D3DERR_INVALIDCALL : values.SetMatrix(index, *matrix, false);
}

HRESULT Effect::SetMatrixTranspose(D3DXHANDLE handle, const D3DXMATRIX* matrix) {
    int index = ParameterIndex(handle);
    return index < 0 || !matrix ? D3DERR_INVALIDCALL : values.SetMatrix(index, *matrix, true);
}

HRESULT Effect::SetTexture(D3DXHANDLE handle, IDirect3DBaseTexture9* texture) {
    int index = ParameterIndex(handle);
    return index < 0 ? D3DERR_INVALIDCALL : values.SetTexture(index, texture);
}

HRESULT Effect::GetDevice(IDirect3DDevice9** out) {
    if (!out)
        return D3DERR_INVALIDCALL;
    device->AddRef();
    *out = device;
    return D3D_OK;
}

// ---- Running techniques ----------------------------------------------------

HRESULT Effect::SetTechnique(D3DXHANDLE handle) {
    int index = TechniqueIndex(handle);
    if (index < 0 || begun)
        return D3DERR_INVALIDCALL;
    technique = index;
    return D3D_OK;
}

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
    if (begun || layout->techniques.empty())
        return D3DERR_INVALIDCALL;
    saved.Capture(device, footprints[size_t(technique)], flags);
    begun = true;
    if (passes)
        *passes = UINT(layout->techniques[size_t(technique)].passes.size());
    return D3D_OK;
}

const PassInfo& Effect::CurrentPass() const {
    return layout->techniques[size_t(technique)].passes[size_t(pass)];
}

HRESULT Effect::BeginPass(UINT index) {
    if (!begun || pass >= 0 || index >= layout->techniques[size_t(technique)].passes.size())
        return D3DERR_INVALIDCALL;
    pass = int(index);
    const PassInfo& info = CurrentPass();
    for (const StateSetting& s : info.renderStates)
        device->SetRenderState(D3DRENDERSTATETYPE(s.state), s.value);
    device->SetVertexShader(programs->Vertex(info.vertexProgram));
    device->SetPixelShader(programs->Pixel(info.pixelProgram));
    const ProgramPlan& pixelPlan = programs->Plan(info.pixelProgram);
    BindSamplers(pixelPlan, true);
    WriteConstants(programs->Plan(info.vertexProgram), false);
    WriteConstants(pixelPlan, true);
    appliedStamp = values.Stamp();
    return D3D_OK;
}

HRESULT Effect::CommitChanges() {
    if (pass < 0)
        return D3DERR_INVALIDCALL;
    const PassInfo& info = CurrentPass();
    const ProgramPlan& vertexPlan = programs->Plan(info.vertexProgram);
    const ProgramPlan& pixelPlan = programs->Plan(info.pixelProgram);
    BindSamplers(pixelPlan, false);
    if (values.TableChanged(vertexPlan, appliedStamp))
        WriteConstants(vertexPlan, false);
    if (values.TableChanged(pixelPlan, appliedStamp))
        WriteConstants(pixelPlan, true);
    appliedStamp = values.Stamp();
    return D3D_OK;
}

// Binds each sampler's texture at its register; with `withStates` also sets
// its sampler states, else only the textures changed since the pass was
// last written.
void Effect::BindSamplers(const ProgramPlan& plan, bool withStates) {
    for (int sampler : plan.samplers) {
        const ParameterInfo& info = layout->parameters[size_t(sampler)];
        if (withStates || values.Changed(info.texture, appliedStamp))
            device->SetTexture(info.slot, values.Texture(info.texture));
        if (!withStates)
            continue;
        for (const StateSetting& s : info.samplerStates)
            device->SetSamplerState(info.slot, D3DSAMPLERSTATETYPE(s.state), s.value);
    }
}

void Effect::WriteConstants(const ProgramPlan& plan, bool pixel) {
    if (plan.registerCount == 0)
        return;
    values.FillRegisters(plan, &registers);
    if (pixel)
        device->SetPixelShaderConstantF(0, registers.data(), plan.registerCount);
    else
        device->SetVertexShaderConstantF(0, registers.data(), plan.registerCount);
}

HRESULT Effect::EndPass() {
    if (pass < 0)
        return D3DERR_INVALIDCALL;
    pass = -1;
    return D3D_OK;
}

HRESULT Effect::End() {
    if (!begun)
        return D3DERR_INVALIDCALL;
    pass = -1;
    begun = false;
    saved.Restore(device);
    return D3D_OK;
}

HRESULT Effect::OnLostDevice() {
    values.DropDefaultPoolTextures();
    saved.Drop();
    begun = false;
    pass = -1;
    return D3D_OK;
}

// The programs live in the managed pool and survive a reset, and every
// BeginPass writes all that its pass needs, so nothing is left to restore.
HRESULT Effect::OnResetDevice() {
    return D3D_OK;
}
