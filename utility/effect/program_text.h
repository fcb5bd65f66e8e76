// Turns one program of an effect into the GLSL text the device compiles, and
// its constant table: which numeric parameters and preshader values the
// program names, in which registers, and which samplers it reads.
#pragma once

#include "utility/effect/effect_layout.h"

#include <string>
#include <utility>
#include <vector>

using MacroList = std::vector<std::pair<std::string, std::string>>;

struct ConstantEntry {
    enum Source { Parameter, Preshader };
    Source source;
    int index;
    UINT firstRegister;
};

struct ProgramPlan {
    std::string text;
    std::vector<ConstantEntry> constants;
    UINT registerCount = 0;
    std::vector<int> samplers; // sampler parameters, in declaration order
};

// The text is the macros it names, one accessor for each name the program uses
// (parameters read from zq_VertexConst or zq_PixelConst, samplers mapped to
// zq_SamplerN), then the program's blocks and its own text, each after a
// #line that points into the effect text. False with a message when the
// program needs more registers than its stage has, reads a sampler in a
// vertex program, or reads two samplers on one register.
bool PlanProgram(const EffectLayout& layout, int program, const MacroList& macros,
                 ProgramPlan* plan, std::string* error);

// The names (identifiers) a GLSL text uses, comments left out; sorted.
std::vector<std::string> IdentifiersOf(const std::string& text);
