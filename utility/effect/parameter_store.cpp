#include "utility/effect/parameter_store.h"

#include "platform/d3d9/com.h"

#include <cstring>

ParameterStore::ParameterStore(const EffectLayout& layout)
    : layout(layout), floats(layout.parameters.size()), textures(layout.parameters.size()),
      changedAt(layout.parameters.size()) {
    for (size_t i = 0; i < layout.parameters.size(); ++i)
        if (layout.parameters[i].kind == ParameterKind::Numeric)
            floats[i].assign(layout.parameters[i].FloatCount(), 0.0f);
}

ParameterStore::~ParameterStore() {
    for (IDirect3DBaseTexture9*& texture : textures)
        ReleaseRef(texture);
}

HRESULT ParameterStore::SetValue(int index, const void* data, UINT bytes) {
    std::vector<float>& value = floats[size_t(index)];
    if (layout.parameters[size_t(index)].kind != ParameterKind::Numeric || !data ||
        bytes > value.size() * sizeof(float))
        return D3DERR_INVALIDCALL;
    std::memcpy(value.data(), data, bytes);
    Touch(index);
    return D3D_OK;
}

HRESULT ParameterStore::GetValue(int index, void* data, UINT bytes) const {
    const std::vector<float>& value = floats[size_t(index)];
    if (layout.parameters[size_t(index)].kind != ParameterKind::Numeric || !data ||
        bytes > value.size() * sizeof(float))
        return D3DERR_INVALIDCALL;
    std::memcpy(data, value.data(), bytes);
    return D3D_OK;
}

HRESULT ParameterStore::SetMatrix(int index, const D3DXMATRIX& matrix, bool transpose) {
    const ParameterInfo& p = layout.parameters[size_t(index)];
    if (p.kind != ParameterKind::Numeric || !p.IsMatrix() || p.elements)
        return D3DERR_INVALIDCALL;
    std::vector<float>& value = floats[size_t(index)];
    for (UINT r = 0; r < p.rows; ++r)
        for (UINT c = 0; c < p.columns; ++c)
            value[r * p.columns + c] = transpose ? matrix.m[c][r] : matrix.m[r][c];
    Touch(index);
    return D3D_OK;
}

HRESULT ParameterStore::SetTexture(int index, IDirect3DBaseTexture9* texture) {
    if (layout.parameters[size_t(index)].kind != ParameterKind::Texture)
        return D3DERR_INVALIDCALL;
    ReplaceRef(textures[size_t(index)], texture);
    Touch(index);
    return D3D_OK;
}

void ParameterStore::DropDefaultPoolTextures() {
    for (size_t i = 0; i < textures.size(); ++i) {
        IDirect3DBaseTexture9* texture = textures[i];
        if (!texture || texture->GetType() != D3DRTYPE_TEXTURE)
            continue;
        D3DSURFACE_DESC desc{};
        if (SUCCEEDED(static_cast<IDirect3DTexture9*>(texture)->GetLevelDesc(0, &desc)) &&
            desc.Pool == D3DPOOL_DEFAULT) {
            ReleaseRef(textures[i]);
            Touch(int(i));
        }
    }
}

bool ParameterStore::TableChanged(const ProgramPlan& plan, std::uint64_t since) const {
    for (const ConstantEntry& entry : plan.constants) {
        if (entry.source == ConstantEntry::Parameter) {
            if (Changed(entry.index, since))
                return true;
            continue;
        }
        for (const PreshaderExpression& component :
             layout.preshaders[size_t(entry.index)].components)
            for (const PreshaderOp& op : component.ops)
                if (op.code == PreshaderOp::Load && Changed(op.parameter, since))
                    return true;
    }
    return false;
}

void ParameterStore::FillRegisters(const ProgramPlan& plan, std::vector<float>* registers) const {
    registers->assign(size_t(plan.registerCount) * 4, 0.0f);
    float* out = registers->data();
    for (const ConstantEntry& entry : plan.constants) {
        float* first = out + size_t(entry.firstRegister) * 4;
        if (entry.source == ConstantEntry::Preshader) {
            const PreshaderInfo& p = layout.preshaders[size_t(entry.index)];
            for (size_t c = 0; c < p.components.size(); ++c)
                first[c] = EvaluatePreshader(p.components[c], floats);
            continue;
        }
        const ParameterInfo& p = layout.parameters[size_t(entry.index)];
        const float* value = floats[size_t(entry.index)].data();
        UINT perElement = p.rows * p.columns;
        for (UINT e = 0; e < p.ElementCount(); ++e) {
            const float* element = value + size_t(e) * perElement;
            float* reg = first + size_t(e) * p.RegistersPerElement() * 4;
            if (!p.IsMatrix()) {
                std::memcpy(reg, element, p.columns * sizeof(float));
                continue;
            }
            // Register c holds column c.
            for (UINT c = 0; c < p.columns; ++c)
                for (UINT r = 0; r < p.rows; ++r)
                    reg[c * 4 + r] = element[r * p.columns + c];
        }
    }
}
