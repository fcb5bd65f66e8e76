#include "utility/effect/effect_programs.h"

#include "platform/d3d9/com.h"

#include <algorithm>
#include <utility>

namespace {

std::string DriverText(IDirect3DDevice9* device) {
    const char* text = device->GetShaderErrorText();
    return text && *text ? text : "the driver gave no message";
}

} // namespace

EffectPrograms::~EffectPrograms() {
    for (Program& p : programs) {
        ReleaseRef(p.vertex);
        ReleaseRef(p.pixel);
    }
}

bool EffectPrograms::Build(IDirect3DDevice9* device, const EffectLayout& layout,
                           const MacroList& macros, std::string* error) {
    programs.resize(layout.programs.size());
    for (size_t i = 0; i < programs.size(); ++i) {
        if (!PlanProgram(layout, int(i), macros, &programs[i].plan, error) ||
            !Compile(device, layout.programs[i], &programs[i], error))
            return false;
    }
    return Link(device, layout, error);
}

bool EffectPrograms::Compile(IDirect3DDevice9* device, const ProgramInfo& info, Program* program,
                             std::string* error) {
    const DWORD* function = reinterpret_cast<const DWORD*>(program->plan.text.c_str());
    HRESULT hr = info.pixel ? device->CreatePixelShader(function, &program->pixel)
                            : device->CreateVertexShader(function, &program->vertex);
    if (SUCCEEDED(hr))
        return true;
    *error = std::string(info.pixel ? "pixel" : "vertex") + " program " + info.name + ": " +
             DriverText(device);
    return false;
}

// Links each pair of programs that some pass uses, with the device's own
// programs put back afterwards.
bool EffectPrograms::Link(IDirect3DDevice9* device, const EffectLayout& layout,
                          std::string* error) {
    IDirect3DVertexShader9* savedVertex = nullptr;
    IDirect3DPixelShader9* savedPixel = nullptr;
    device->GetVertexShader(&savedVertex);
    device->GetPixelShader(&savedPixel);
    std::vector<std::pair<int, int>> linked;
    bool ok = true;
    for (const TechniqueInfo& technique : layout.techniques) {
        for (const PassInfo& pass : technique.passes) {
            std::pair<int, int> pair(pass.vertexProgram, pass.pixelProgram);
            if (!ok || std::find(linked.begin(), linked.end(), pair) != linked.end())
                continue;
            linked.push_back(pair);
            device->SetVertexShader(Vertex(pass.vertexProgram));
            device->SetPixelShader(Pixel(pass.pixelProgram));
            if (FAILED(device->ValidateDevice(nullptr))) {
                *error = "technique " + technique.name + " pass " + pass.name + " (" +
                         layout.programs[size_t(pass.vertexProgram)].name + " + " +
                         layout.programs[size_t(pass.pixelProgram)].name +
                         "): " + DriverText(device);
                ok = false;
            }
        }
    }
    device->SetVertexShader(savedVertex);
    device->SetPixelShader(savedPixel);
    ReleaseRef(savedVertex);
    ReleaseRef(savedPixel);
    return ok;
}
