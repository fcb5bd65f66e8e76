#include "utility/effect/preshader.h"

#include "utility/effect/effect_layout.h"
#include "utility/effect/lexer.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxNesting = 32;

class ExpressionParser {
public:
    ExpressionParser(TokenReader& reader, const std::vector<ParameterInfo>& parameters,
                     PreshaderExpression* out)
        : reader(reader), parameters(parameters), out(out) {}

    bool Parse() { return Expression(0) && CheckDepth(); }

private:
    bool Expression(int nesting) {
        if (!Term(nesting))
            return false;
        for (;;) {
            PreshaderOp::Code code;
            if (reader.Accept('+'))
                code = PreshaderOp::Add;
            else if (reader.Accept('-'))
                code = PreshaderOp::Subtract;
            else
                return true;
            if (!Term(nesting))
                return false;
            Emit(code);
        }
    }

    bool Term(int nesting) {
        if (!Factor(nesting))
            return false;
        for (;;) {
            PreshaderOp::Code code;
            if (reader.Accept('*'))
                code = PreshaderOp::Multiply;
            else if (reader.Accept('/'))
                code = PreshaderOp::Divide;
            else
                return true;
            if (!Factor(nesting))
                return false;
            Emit(code);
        }
    }

    bool Factor(int nesting) {
        if (nesting > kMaxNesting)
            return reader.Fail("preshader expression nested too deeply");
        if (reader.Accept('-')) {
            if (!Factor(nesting + 1))
                return false;
            Emit(PreshaderOp::Negate);
            return true;
        }
        if (reader.Accept('('))
            return Expression(nesting + 1) && reader.Expect(')');
        if (reader.Peek().kind == Token::Number)
            return Number();
        return Load();
    }

    bool Number() {
        std::string text = reader.Next().text;
        if (text.size() > 1 && (text[1] == 'x' || text[1] == 'X'))
            return reader.Fail("a preshader number is written in decimal");
        if (text.back() == 'f')
            text.pop_back();
        PreshaderOp op;
        op.code = PreshaderOp::Constant;
        op.constant = std::strtof(text.c_str(), nullptr);
        Push(op);
        return true;
    }

    bool Load() {
        std::string name;
        if (!reader.ExpectIdentifier(&name))
            return false;
        int index = -1;
        for (size_t i = 0; i < parameters.size(); ++i)
            if (parameters[i].name == name)
                index = int(i);
        if (index < 0)
            return reader.Fail("unknown parameter '" + name + "' in a preshader");
        const ParameterInfo& p = parameters[size_t(index)];
        if (p.kind != ParameterKind::Numeric || p.IsMatrix() || p.elements)
            return reader.Fail("a preshader reads only scalar and vector parameters");
        unsigned component = 0;
        if (reader.Accept('.') && !Component(p.columns, &component))
            return false;
        PreshaderOp op;
        op.code = PreshaderOp::Load;
        op.parameter = index;
        op.component = component;
        Push(op);
        return true;
    }

    bool Component(unsigned columns, unsigned* component) {
        std::string name;
        if (!reader.ExpectIdentifier(&name))
            return false;
        const char* at = name.size() == 1 ? std::strchr("xyzw", name[0]) : nullptr;
        const char* colour = name.size() == 1 ? std::strchr("rgba", name[0]) : nullptr;
        unsigned index = at ? unsigned(at - "xyzw") : colour ? unsigned(colour - "rgba") : 4;
        if (index >= columns)
            return reader.Fail("no component '" + name + "' in this parameter");
        *component = index;
        return true;
    }

    void Push(const PreshaderOp& op) {
        out->ops.push_back(op);
        if (++depth > maxDepth)
            maxDepth = depth;
    }

    void Emit(PreshaderOp::Code code) {
        PreshaderOp op;
        op.code = code;
        out->ops.push_back(op);
        if (code != PreshaderOp::Negate)
            --depth;
    }

    bool CheckDepth() {
        return maxDepth <= kPreshaderStackDepth ||
               reader.Fail("preshader expression needs too many intermediate values");
    }

    TokenReader& reader;
    const std::vector<ParameterInfo>& parameters;
    PreshaderExpression* out;
    unsigned depth = 0;
    unsigned maxDepth = 0;
};

} // namespace

bool ParsePreshaderExpression(TokenReader& reader, const std::vector<ParameterInfo>& parameters,
                              PreshaderExpression* expression) {
    expression->ops.clear();
    return ExpressionParser(reader, parameters, expression).Parse();
}

float EvaluatePreshader(const PreshaderExpression& expression,
                        const std::vector<std::vector<float>>& values) {
    float stack[kPreshaderStackDepth];
    unsigned top = 0;
    for (const PreshaderOp& op : expression.ops) {
        switch (op.code) {
        case PreshaderOp::Constant:
            stack[top++] = op.constant;
            break;
        case PreshaderOp::Load:
            stack[top++] = values[size_t(op.parameter)][op.component];
            break;
        case PreshaderOp::Negate:
            stack[top - 1] = -stack[top - 1];
            break;
        default: {
            float b = stack[--top];
            float& a = stack[top - 1];
            if (op.code == PreshaderOp::Add)
                a = a + b;
            else if (op.code == PreshaderOp::Subtract)
                a = a - b;
            else if (op.code == PreshaderOp::Multiply)
                a = a * b;
            else
                a = a / b;
        }
        }
    }
    return top ? stack[0] : 0.0f;
}
