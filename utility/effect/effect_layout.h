// What an effect text declares, once parsed: parameters (numeric, texture,
// sampler) in declaration order, preshader values, techniques with their
// passes, and the GLSL blocks and programs.
#pragma once

#include "platform/d3d9/d3d9.h"
#include "utility/effect/preshader.h"

#include <string>
#include <vector>

// A device state and the value a pass or sampler gives it.
struct StateSetting {
    DWORD state;
    DWORD value;
};

enum class ParameterKind { Numeric, Texture, Sampler };

struct ParameterInfo {
    std::string name;
    ParameterKind kind = ParameterKind::Numeric;
    // Numeric: rows and columns of one element (1 x 1 scalar, 1 x N vector,
    // R x C matrix); elements 0 when it is not an array.
    UINT rows = 1;
    UINT columns = 1;
    UINT elements = 0;
    // Sampler: the texture parameter it names, its texture stage, and the
    // sampler states it sets, in order.
    int texture = -1;
    DWORD slot = 0;
    std::vector<StateSetting> samplerStates;

    UINT ElementCount() const { return elements ? elements : 1; }
    UINT FloatCount() const { return rows * columns * ElementCount(); }
    bool IsMatrix() const { return rows > 1; }
    // Registers one element takes in a constant table.
    UINT RegistersPerElement() const { return IsMatrix() ? columns : 1; }
};

// A float1..float4 computed from parameters on the processor whenever a pass
// that uses it is applied.
struct PreshaderInfo {
    std::string name;
    std::vector<PreshaderExpression> components;
};

struct PassInfo {
    std::string name;
    std::vector<StateSetting> renderStates; // in the order the pass lists them
    int vertexProgram = -1;
    int pixelProgram = -1;
};

struct TechniqueInfo {
    std::string name;
    std::vector<PassInfo> passes;
};

// A piece of GLSL text and the line of the effect text it starts on.
struct SourceText {
    std::string text;
    int line = 1;
};

struct GlslBlock {
    std::string name;
    SourceText source;
};

struct ProgramInfo {
    std::string name;
    bool pixel = false;
    std::vector<int> blocks; // included before the body, in this order
    SourceText body;
};

struct EffectLayout {
    std::vector<std::pair<std::string, std::string>> defines;
    std::vector<ParameterInfo> parameters;
    std::vector<PreshaderInfo> preshaders;
    std::vector<TechniqueInfo> techniques;
    std::vector<GlslBlock> blocks;
    std::vector<ProgramInfo> programs;
};

int FindParameter(const EffectLayout& layout, const std::string& name);
int FindProgram(const EffectLayout& layout, const std::string& name);
