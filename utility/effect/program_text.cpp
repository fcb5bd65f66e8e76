#include "utility/effect/program_text.h"

#include <algorithm>
#include <cctype>

namespace {

// The register files of the device's programs (gl_shader_interface.h).
constexpr UINT kVertexRegisters = 256;
constexpr UINT kPixelRegisters = 224;

const char* const kSwizzles[] = {"", ".x", ".xy", ".xyz", ""};

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool Uses(const std::vector<std::string>& names, const std::string& name) {
    return std::binary_search(names.begin(), names.end(), name);
}

std::string Register(const char* file, UINT index, UINT components) {
    return std::string(file) + "[" + std::to_string(index) + "]" + kSwizzles[components];
}

std::string ElementType(const ParameterInfo& p) {
    if (p.IsMatrix())
        return p.rows == p.columns
                   ? "mat" + std::to_string(p.columns)
                   : "mat" + std::to_string(p.columns) + "x" + std::to_string(p.rows);
    return p.columns == 1 ? "float" : "vec" + std::to_string(p.columns);
}

// One element of a parameter whose first register is `first`: a matrix is
// built from its columns, one register each.
std::string ElementValue(const ParameterInfo& p, const char* file, UINT first) {
    if (!p.IsMatrix())
        return Register(file, first, p.columns);
    std::string value = ElementType(p) + "(";
    for (UINT c = 0; c < p.columns; ++c)
        value += (c ? ", " : "") + Register(file, first + c, p.rows);
    return value + ")";
}

// A #define for a single element, a function returning the array for an
// array (so that `name[i]` indexes it).
std::string ParameterAccessor(const ParameterInfo& p, const char* file, UINT first) {
    if (!p.elements)
        return "#define " + p.name + " (" + ElementValue(p, file, first) + ")\n";
    std::string type = ElementType(p) + "[" + std::to_string(p.elements) + "]";
    std::string text = type + " zq_param_" + p.name + "() {\n    return " + type + "(";
    for (UINT e = 0; e < p.elements; ++e)
        text +=
            (e ? ",\n        " : "") + ElementValue(p, file, first + e * p.RegistersPerElement());
    return text + ");\n}\n#define " + p.name + " zq_param_" + p.name + "()\n";
}

std::string LineDirective(int line) {
    return "#line " + std::to_string(line) + "\n";
}

class Planner {
public:
    Planner(const EffectLayout& layout, const ProgramInfo& program, ProgramPlan* plan)
        : layout(layout), program(program), plan(plan),
          file(program.pixel ? "zq_PixelConst" : "zq_VertexConst") {}

    bool Plan(const MacroList& macros, std::string* error) {
        std::string glsl;
        for (int block : program.blocks)
            glsl += layout.blocks[size_t(block)].source.text;
        glsl += program.body.text;
        names = IdentifiersOf(glsl);

        std::string accessors;
        for (size_t i = 0; i < layout.parameters.size(); ++i) {
            const ParameterInfo& p = layout.parameters[i];
            if (!Uses(names, p.name))
                continue;
            if (p.kind == ParameterKind::Numeric) {
                accessors += ParameterAccessor(p, file, plan->registerCount);
                plan->constants.push_back(
                    ConstantEntry{ConstantEntry::Parameter, int(i), plan->registerCount});
                plan->registerCount += p.RegistersPerElement() * p.ElementCount();
            } else if (p.kind == ParameterKind::Sampler) {
                if (!AddSampler(int(i), error))
                    return false;
                accessors += "#define " + p.name + " zq_Sampler" + std::to_string(p.slot) + "\n";
            }
        }
        for (size_t i = 0; i < layout.preshaders.size(); ++i) {
            const PreshaderInfo& p = layout.preshaders[i];
            if (!Uses(names, p.name))
                continue;
            accessors += "#define " + p.name + " (" +
                         Register(file, plan->registerCount, UINT(p.components.size())) + ")\n";
            plan->constants.push_back(
                ConstantEntry{ConstantEntry::Preshader, int(i), plan->registerCount});
            ++plan->registerCount;
        }
        UINT limit = program.pixel ? kPixelRegisters : kVertexRegisters;
        if (plan->registerCount > limit) {
            *error = Name() + " needs " + std::to_string(plan->registerCount) +
                     " constant registers; there are " + std::to_string(limit);
            return false;
        }

        // Only the macros the program can see: one its text names, or one
        // that another macro's value may name. A program that names none
        // is the same text whatever the macros are.
        std::string values;
        for (const auto& macro : macros)
            values += macro.second + "\n";
        std::vector<std::string> valueNames = IdentifiersOf(values);
        for (const auto& macro : macros)
            if (Uses(names, macro.first) || Uses(valueNames, macro.first))
                plan->text += "#define " + macro.first + " " + macro.second + "\n";
        plan->text += accessors;
        for (int block : program.blocks) {
            const SourceText& source = layout.blocks[size_t(block)].source;
            plan->text += LineDirective(source.line) + source.text;
        }
        plan->text += LineDirective(program.body.line) + program.body.text;
        return true;
    }

private:
    bool AddSampler(int index, std::string* error) {
        const ParameterInfo& sampler = layout.parameters[size_t(index)];
        if (!program.pixel) {
            *error = Name() + " reads sampler " + sampler.name + "; only pixel programs sample";
            return false;
        }
        for (int other : plan->samplers) {
            if (layout.parameters[size_t(other)].slot == sampler.slot) {
                *error = Name() + " reads " + layout.parameters[size_t(other)].name + " and " +
                         sampler.name + ", which share register s" + std::to_string(sampler.slot);
                return false;
            }
        }
        plan->samplers.push_back(index);
        return true;
    }

    std::string Name() const {
        return std::string(program.pixel ? "pixel" : "vertex") + " program " + program.name;
    }

    const EffectLayout& layout;
    const ProgramInfo& program;
    ProgramPlan* plan;
    const char* file;
    std::vector<std::string> names;
};

} // namespace

std::vector<std::string> IdentifiersOf(const std::string& text) {
    std::vector<std::string> names;
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            i = i == std::string::npos ? text.size() : i;
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i + 2);
            i = i == std::string::npos ? text.size() : i + 2;
        } else if (IsIdentifierChar(text[i])) {
            size_t start = i;
            while (i < text.size() && IsIdentifierChar(text[i]))
                ++i;
            if (!std::isdigit(static_cast<unsigned char>(text[start])))
                names.push_back(text.substr(start, i - start));
        } else {
            ++i;
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

bool PlanProgram(const EffectLayout& layout, int program, const MacroList& macros,
                 ProgramPlan* plan, std::string* error) {
    *plan = ProgramPlan{};
    return Planner(layout, layout.programs[size_t(program)], plan).Plan(macros, error);
}
