// Tokens of an effect's declaration block: identifiers, numbers and
// one-character symbols, with C and C++ comments skipped.
#pragma once

#include <string>
#include <vector>

struct Token {
    enum Kind { End, Identifier, Number, Symbol, Invalid };
    Kind kind = End;
    std::string text;
    int line = 0;
};

// The tokens of `text`, whose first line is `firstLine` of the effect text,
// ending with one End token (or an Invalid one at the first character that
// starts no token, or an unclosed comment).
std::vector<Token> Tokenize(const std::string& text, int firstLine);

// Reads tokens in order and keeps the first error with its line.
class TokenReader {
public:
    explicit TokenReader(std::vector<Token> tokens) : tokens(std::move(tokens)) {}

    const Token& Peek() const { return tokens[position]; }
    Token Next();
    bool AtEnd() const { return Peek().kind == Token::End; }
    // Whether the next token is the symbol `c`.
    bool At(char c) const { return Peek().kind == Token::Symbol && Peek().text[0] == c; }
    // True (and consumed) when the next token is the symbol `c`.
    bool Accept(char c);
    // True (and consumed) when the next token is the identifier `word`.
    bool AcceptWord(const char* word);
    bool Expect(char c);
    bool ExpectIdentifier(std::string* name);
    // A non-negative decimal or 0x hexadecimal integer.
    bool ExpectInteger(unsigned long* value);

    // Records the first error, at the line of the next token; returns false.
    bool Fail(const std::string& message);
    bool Failed() const { return !error.empty(); }
    const std::string& Error() const { return error; }

private:
    std::vector<Token> tokens;
    size_t position = 0;
    std::string error;
};
