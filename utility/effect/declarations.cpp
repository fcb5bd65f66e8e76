// The declarations section of an effect text:
//   float4x4 g_World;                      numeric parameter (float, floatN,
//   float3 g_Dirs[2];                      floatRxC; optionally an array)
//   texture g_Tex;
//   sampler g_Samp : register(s0) { Texture = g_Tex; MinFilter = LINEAR; }
//   preshader float2 c_Two = { g_A.x + g_A.x, g_A.y * 3 };
//   technique T { pass P0 { DestBlend = ONE; VertexShader = VS; PixelShader = PS; } }
#include "utility/effect/effect_text.h"
#include "utility/effect/lexer.h"
#include "utility/effect/state_names.h"

#include <cstdlib>

namespace {

constexpr unsigned long kMaxArrayElements = 256;

class DeclarationParser {
public:
    DeclarationParser(const SourceText& text, EffectLayout* layout)
        : reader(Tokenize(text.text, text.line)), layout(layout) {}

    bool Parse() {
        while (!reader.AtEnd())
            if (!Declaration())
                return false;
        return true;
    }

    const std::string& Error() const { return reader.Error(); }

private:
    bool Declaration() {
        if (reader.AcceptWord("texture"))
            return Texture();
        if (reader.AcceptWord("sampler"))
            return Sampler();
        if (reader.AcceptWord("preshader"))
            return Preshader();
        if (reader.AcceptWord("technique"))
            return Technique();
        return Numeric();
    }

    // float, floatN (N 1 to 4) or floatRxC (R 2 to 4, C 1 to 4).
    bool NumericType(UINT* rows, UINT* columns) {
        std::string type;
        if (!reader.ExpectIdentifier(&type))
            return false;
        const char* shape = type.c_str() + 5;
        bool ok = type.compare(0, 5, "float") == 0;
        *rows = 1, *columns = 1;
        if (ok && *shape) {
            bool digit = *shape >= '1' && *shape <= '4';
            if (digit && shape[1] == '\0') {
                *columns = UINT(*shape - '0');
            } else if (digit && *shape >= '2' && shape[1] == 'x' && shape[2] >= '1' &&
                       shape[2] <= '4' && shape[3] == '\0') {
                *rows = UINT(*shape - '0');
                *columns = UINT(shape[2] - '0');
            } else {
                ok = false;
            }
        }
        return ok || reader.Fail("unknown declaration or type '" + type + "'");
    }

    bool NewName(std::string* name) {
        if (!reader.ExpectIdentifier(name))
            return false;
        if (name->compare(0, 3, "zq_") == 0)
            return reader.Fail("names beginning with zq_ belong to the runtime");
        bool taken = FindParameter(*layout, *name) >= 0;
        for (const PreshaderInfo& p : layout->preshaders)
            taken = taken || p.name == *name;
        return !taken || reader.Fail("'" + *name + "' declared twice");
    }

    bool Numeric() {
        ParameterInfo p;
        if (!NumericType(&p.rows, &p.columns) || !NewName(&p.name))
            return false;
        if (reader.Accept('[')) {
            unsigned long count = 0;
            if (!reader.ExpectInteger(&count) || !reader.Expect(']'))
                return false;
            if (count == 0 || count > kMaxArrayElements)
                return reader.Fail("an array has 1 to 256 elements");
            p.elements = UINT(count);
        }
        layout->parameters.push_back(p);
        return reader.Expect(';');
    }

    bool Texture() {
        ParameterInfo p;
        p.kind = ParameterKind::Texture;
        if (!NewName(&p.name))
            return false;
        layout->parameters.push_back(p);
        return reader.Expect(';');
    }

    bool Sampler() {
        ParameterInfo p;
        p.kind = ParameterKind::Sampler;
        std::string slot;
        if (!NewName(&p.name) || !reader.Expect(':') || !reader.AcceptWord("register") ||
            !reader.Expect('(') || !reader.ExpectIdentifier(&slot) || !reader.Expect(')'))
            return reader.Fail("a sampler needs ': register(sN)'");
        char* end = nullptr;
        unsigned long stage = std::strtoul(slot.c_str() + 1, &end, 10);
        if (slot.size() < 2 || slot[0] != 's' || *end != '\0' || stage >= kMaxTextureStages)
            return reader.Fail("sampler registers are s0 to s15");
        p.slot = DWORD(stage);
        if (!reader.Expect('{'))
            return false;
        while (!reader.At('}'))
            if (!SamplerSetting(&p))
                return false;
        if (p.texture < 0)
            return reader.Fail("sampler " + p.name + " names no texture");
        reader.Next();
        layout->parameters.push_back(p);
        return true;
    }

    bool SamplerSetting(ParameterInfo* sampler) {
        std::string name;
        if (!reader.ExpectIdentifier(&name) || !reader.Expect('='))
            return false;
        if (name == "Texture") {
            std::string texture;
            if (!reader.ExpectIdentifier(&texture))
                return false;
            int index = FindParameter(*layout, texture);
            if (index < 0 || layout->parameters[size_t(index)].kind != ParameterKind::Texture)
                return reader.Fail("'" + texture + "' is not a texture declared before");
            sampler->texture = index;
            return reader.Expect(';');
        }
        D3DSAMPLERSTATETYPE state;
        if (!FindSamplerState(name, &state))
            return reader.Fail("unknown sampler state '" + name + "'");
        DWORD value = 0;
        if (!StateWord(
                [state](const std::string& w, DWORD* v) { return SamplerStateValue(state, w, v); },
                &value))
            return false;
        sampler->samplerStates.push_back(StateSetting{DWORD(state), value});
        return reader.Expect(';');
    }

    // A value word the state knows, or a whole number.
    template <class Lookup>
    bool StateWord(Lookup lookup, DWORD* value) {
        if (reader.Peek().kind == Token::Number) {
            unsigned long number = 0;
            if (!reader.ExpectInteger(&number))
                return false;
            *value = DWORD(number);
            return true;
        }
        std::string word;
        if (!reader.ExpectIdentifier(&word))
            return false;
        return lookup(word, value) || reader.Fail("'" + word + "' is no value of this state");
    }

    bool Preshader() {
        PreshaderInfo p;
        UINT rows, columns;
        if (!NumericType(&rows, &columns))
            return false;
        if (rows != 1)
            return reader.Fail("a preshader is a float1 to float4");
        if (!NewName(&p.name) || !reader.Expect('=') || !reader.Expect('{'))
            return false;
        do {
            p.components.emplace_back();
            if (!ParsePreshaderExpression(reader, layout->parameters, &p.components.back()))
                return false;
        } while (reader.Accept(','));
        if (p.components.size() != columns)
            return reader.Fail("a float" + std::to_string(columns) + " preshader needs " +
                               std::to_string(columns) + " values");
        layout->preshaders.push_back(p);
        return reader.Expect('}') && reader.Expect(';');
    }

    bool Technique() {
        TechniqueInfo t;
        if (!reader.ExpectIdentifier(&t.name))
            return false;
        for (const TechniqueInfo& other : layout->techniques)
            if (other.name == t.name)
                return reader.Fail("technique " + t.name + " declared twice");
        if (!reader.Expect('{'))
            return false;
        while (!reader.At('}'))
            if (!Pass(&t))
                return false;
        if (t.passes.empty())
            return reader.Fail("technique " + t.name + " has no pass");
        reader.Next();
        layout->techniques.push_back(t);
        return true;
    }

    bool Pass(TechniqueInfo* technique) {
        PassInfo pass;
        if (!reader.AcceptWord("pass"))
            return reader.Fail("expected 'pass'");
        if (!reader.ExpectIdentifier(&pass.name) || !reader.Expect('{'))
            return false;
        for (const PassInfo& other : technique->passes)
            if (other.name == pass.name)
                return reader.Fail("pass " + pass.name + " declared twice");
        while (!reader.Accept('}'))
            if (!PassSetting(&pass))
                return false;
        if (pass.vertexProgram < 0 || pass.pixelProgram < 0)
            return reader.Fail("pass " + pass.name + " needs a VertexShader and a PixelShader");
        technique->passes.push_back(pass);
        return true;
    }

    bool PassSetting(PassInfo* pass) {
        std::string name;
        if (!reader.ExpectIdentifier(&name) || !reader.Expect('='))
            return false;
        if (name == "VertexShader" || name == "PixelShader") {
            bool pixel = name == "PixelShader";
            std::string program;
            if (!reader.ExpectIdentifier(&program))
                return false;
            int index = FindProgram(*layout, program);
            if (index < 0 || layout->programs[size_t(index)].pixel != pixel)
                return reader.Fail("no " + std::string(pixel ? "@pixel" : "@vertex") + " program " +
                                   program);
            (pixel ? pass->pixelProgram : pass->vertexProgram) = index;
            return reader.Expect(';');
        }
        D3DRENDERSTATETYPE state;
        if (!FindRenderState(name, &state))
            return reader.Fail("unknown render state '" + name + "'");
        DWORD value = 0;
        if (!StateWord(
                [state](const std::string& w, DWORD* v) { return RenderStateValue(state, w, v); },
                &value))
            return false;
        pass->renderStates.push_back(StateSetting{DWORD(state), value});
        return reader.Expect(';');
    }

    TokenReader reader;
    EffectLayout* layout;
};

} // namespace

bool ParseDeclarations(const SourceText& declarations, EffectLayout* layout, std::string* error) {
    DeclarationParser parser(declarations, layout);
    if (parser.Parse())
        return true;
    *error = parser.Error();
    return false;
}
