// The device programs of an effect: each program of the layout planned,
// compiled by the device, and every pass's pair linked once to prove that
// they fit together.
#pragma once

#include "utility/effect/program_text.h"

#include <string>
#include <vector>

class EffectPrograms {
public:
    EffectPrograms() = default;
    ~EffectPrograms();
    EffectPrograms(const EffectPrograms&) = delete;
    EffectPrograms& operator=(const EffectPrograms&) = delete;

    // False with the first failure: "vertex program NAME: <driver text>" or
    // "technique T pass P (VS + PS): <driver text>". The device's current
    // programs are the same afterwards.
    bool Build(IDirect3DDevice9* device, const EffectLayout& layout, const MacroList& macros,
               std::string* error);

    const ProgramPlan& Plan(int program) const { return programs[size_t(program)].plan; }
    IDirect3DVertexShader9* Vertex(int program) const { return programs[size_t(program)].vertex; }
    IDirect3DPixelShader9* Pixel(int program) const { return programs[size_t(program)].pixel; }

private:
    struct Program {
        ProgramPlan plan;
        IDirect3DVertexShader9* vertex = nullptr; // counted; set for vertex programs
        IDirect3DPixelShader9* pixel = nullptr;   // counted; set for pixel programs
    };
    bool Compile(IDirect3DDevice9* device, const ProgramInfo& info, Program* program,
                 std::string* error);
    bool Link(IDirect3DDevice9* device, const EffectLayout& layout, std::string* error);

    std::vector<Program> programs;
};
