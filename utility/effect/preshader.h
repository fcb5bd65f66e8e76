// Preshader values: arithmetic on parameters that an effect declares once
// and the runtime evaluates on the processor when a pass is applied, rather
// than every pixel evaluating it. An expression is kept in postfix order and
// evaluated in single precision, one operation at a time, so that `o + o` and
// `o * 3` give exactly what those two single-precision operations give.
#pragma once

#include <vector>

class TokenReader;
struct ParameterInfo;

struct PreshaderOp {
    enum Code { Constant, Load, Add, Subtract, Multiply, Divide, Negate };
    Code code = Constant;
    float constant = 0.0f;
    int parameter = -1;     // Load: the parameter
    unsigned component = 0; // Load: the float within its value
};

struct PreshaderExpression {
    std::vector<PreshaderOp> ops;
};

// Deepest evaluation stack an expression may need.
constexpr unsigned kPreshaderStackDepth = 16;

// expression := term {('+' | '-') term}; term := factor {('*' | '/') factor};
// factor := '-' factor | number | name ['.' component] | '(' expression ')'.
// A name is a scalar or vector numeric parameter declared before; a
// component is x, y, z or w (or r, g, b, a).
bool ParsePreshaderExpression(TokenReader& reader, const std::vector<ParameterInfo>& parameters,
                              PreshaderExpression* expression);

// The value of the expression for the parameters' current floats.
float EvaluatePreshader(const PreshaderExpression& expression,
                        const std::vector<std::vector<float>>& values);
