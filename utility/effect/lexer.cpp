#include "utility/effect/lexer.h"

#include <cctype>
#include <cstdlib>

namespace {

bool IsIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Length of the number at text[i]: digits, an optional fraction and
// exponent, an optional 'f'; or 0x and hexadecimal digits.
size_t NumberLength(const std::string& text, size_t i) {
    size_t j = i;
    if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
        j += 2;
        while (j < text.size() && std::isxdigit(static_cast<unsigned char>(text[j])))
            ++j;
        return j - i;
    }
    while (j < text.size() && IsDigit(text[j]))
        ++j;
    if (j < text.size() && text[j] == '.')
        for (++j; j < text.size() && IsDigit(text[j]);)
            ++j;
    if (j < text.size() && (text[j] == 'e' || text[j] == 'E')) {
        size_t k = j + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-'))
            ++k;
        if (k < text.size() && IsDigit(text[k])) {
            for (j = k; j < text.size() && IsDigit(text[j]);)
                ++j;
        }
    }
    if (j < text.size() && text[j] == 'f')
        ++j;
    return j - i;
}

} // namespace

std::vector<Token> Tokenize(const std::string& text, int firstLine) {
    std::vector<Token> tokens;
    int line = firstLine;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            ++line, ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (text.compare(i, 2, "//") == 0) {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t close = text.find("*/", i + 2);
            if (close == std::string::npos) {
                tokens.push_back(Token{Token::Invalid, "unclosed comment", line});
                return tokens;
            }
            for (; i < close + 2; ++i)
                line += text[i] == '\n';
        } else if (IsIdentifierStart(c)) {
            size_t j = i;
            while (j < text.size() && IsIdentifierChar(text[j]))
                ++j;
            tokens.push_back(Token{Token::Identifier, text.substr(i, j - i), line});
            i = j;
        } else if (IsDigit(c) || (c == '.' && i + 1 < text.size() && IsDigit(text[i + 1]))) {
            size_t length = NumberLength(text, i);
            tokens.push_back(Token{Token::Number, text.substr(i, length), line});
            i += length;
        } else if (std::string("{}()[];=:,.+-*/").find(c) != std::string::npos) {
            tokens.push_back(Token{Token::Symbol, std::string(1, c), line});
            ++i;
        } else {
            tokens.push_back(Token{Token::Invalid, std::string("unexpected '") + c + "'", line});
            return tokens;
        }
    }
    tokens.push_back(Token{Token::End, "", line});
    return tokens;
}

Token TokenReader::Next() {
    Token token = tokens[position];
    if (token.kind != Token::End && token.kind != Token::Invalid)
        ++position;
    return token;
}

bool TokenReader::Accept(char c) {
    if (!At(c))
        return false;
    ++position;
    return true;
}

bool TokenReader::AcceptWord(const char* word) {
    if (Peek().kind != Token::Identifier || Peek().text != word)
        return false;
    ++position;
    return true;
}

bool TokenReader::Expect(char c) {
    return Accept(c) || Fail(std::string("expected '") + c + "'");
}

bool TokenReader::ExpectIdentifier(std::string* name) {
    if (Peek().kind != Token::Identifier)
        return Fail("expected a name");
    *name = Next().text;
    return true;
}

bool TokenReader::ExpectInteger(unsigned long* value) {
    const Token& token = Peek();
    char* end = nullptr;
    if (token.kind == Token::Number) {
        bool hex = token.text.size() > 1 && (token.text[1] == 'x' || token.text[1] == 'X');
        *value = std::strtoul(token.text.c_str(), &end, hex ? 16 : 10);
    }
    if (token.kind != Token::Number || !end || *end != '\0')
        return Fail("expected a whole number");
    ++position;
    return true;
}

bool TokenReader::Fail(const std::string& message) {
    if (!error.empty())
        return false;
    const Token& at = Peek();
    error = "line " + std::to_string(at.line) + ": ";
    // A character that starts no token is the cause, whatever was expected.
    if (at.kind == Token::Invalid)
        error += at.text;
    else
        error += message + (at.kind == Token::End ? " (at the end of the declarations)"
                                                  : " (at '" + at.text + "')");
    return false;
}
