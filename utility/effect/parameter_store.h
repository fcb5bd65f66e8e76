// The values of an effect's parameters: floats for the numeric ones, a
// counted texture reference for each texture parameter, and when each last
// changed, so that a pass can tell what to write again.
#pragma once

#include "utility/d3dx9math.h"
#include "utility/effect/program_text.h"

#include <cstdint>
#include <vector>

class ParameterStore {
public:
    explicit ParameterStore(const EffectLayout& layout);
    ~ParameterStore();
    ParameterStore(const ParameterStore&) = delete;
    ParameterStore& operator=(const ParameterStore&) = delete;

    // Raw floats into a numeric parameter, at most its size.
    HRESULT SetValue(int index, const void* data, UINT bytes);
    HRESULT GetValue(int index, void* data, UINT bytes) const;
    // The top-left rows x columns of the matrix (transposed first when asked)
    // into a matrix parameter that is not an array.
    HRESULT SetMatrix(int index, const D3DXMATRIX& matrix, bool transpose);
    HRESULT SetTexture(int index, IDirect3DBaseTexture9* texture);

    IDirect3DBaseTexture9* Texture(int index) const { return textures[size_t(index)]; }
    // Releases the textures that live in the default pool (render targets),
    // which would otherwise keep a device reset from succeeding.
    void DropDefaultPoolTextures();

    // A stamp that grows with every change; Changed tells whether a
    // parameter changed after a stamp.
    std::uint64_t Stamp() const { return stamp; }
    bool Changed(int index, std::uint64_t since) const { return changedAt[size_t(index)] > since; }
    // Whether anything a program's constant table holds changed after `since`.
    bool TableChanged(const ProgramPlan& plan, std::uint64_t since) const;

    // The registers of a program's constant table: registerCount x 4 floats.
    void FillRegisters(const ProgramPlan& plan, std::vector<float>* registers) const;

private:
    void Touch(int index) { changedAt[size_t(index)] = ++stamp; }

    const EffectLayout& layout;
    std::vector<std::vector<float>> floats;
    std::vector<IDirect3DBaseTexture9*> textures; // each a counted reference, or null
    std::vector<std::uint64_t> changedAt;
    std::uint64_t stamp = 0;
};
