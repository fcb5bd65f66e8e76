// The token streams of the two X file encodings. Both hand the parser the
// same tokens; separators (',' and ';') carry no meaning the parser needs, as
// it knows each object's layout, so both streams drop them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class TokenKind : std::uint8_t {
    End,
    Error, // malformed or cut-off input: the stream stays here
    Name,
    String,
    Integer, // an unsigned 32-bit value; `number` holds it too
    Float,
    Guid,
    OpenBrace,
    CloseBrace,
    Template,
    Other, // punctuation and member types, met only inside templates
};

struct Token {
    TokenKind kind = TokenKind::End;
    // Name, Guid: a view of the input, valid as long as it is; String: valid
    // until the next token (an unescaped copy may live in the stream).
    std::string_view text;
    std::uint32_t integer = 0;
    double number = 0;
};

// "txt ": whitespace, ',' and ';' separate tokens; "//" and "#" start
// comments that run to the end of the line. Numbers are read at the file's
// float size, so that a 32-bit file's shortest decimals round exactly once.
class TextTokens {
public:
    TextTokens(const std::uint8_t* data, size_t size, int floatBytes)
        : at(data), end(data + size), floatBytes(floatBytes) {}
    void Next(Token& token);
    size_t Remaining() const { return size_t(end - at); }

private:
    void SkipSpaceAndComments();
    void Word(Token& token);
    void Quoted(Token& token);
    void Guid(Token& token);

    void Fail(Token& token);

    const std::uint8_t* at;
    const std::uint8_t* end;
    int floatBytes;
    bool failed = false;
    std::string unescaped; // a string with "\\" or "\"" in it
};

// "bin ": 16-bit tokens with payloads; integer and float lists are handed
// out one value at a time.
class BinaryTokens {
public:
    BinaryTokens(const std::uint8_t* data, size_t size, int floatBytes)
        : at(data), end(data + size), floatBytes(floatBytes) {}
    void Next(Token& token);
    size_t Remaining() const { return size_t(end - at); }

private:
    bool ReadDword(std::uint32_t& value);
    bool ReadBytes(size_t count, std::string_view& bytes);
    void ListValue(Token& token);
    void Fail(Token& token);

    const std::uint8_t* at;
    const std::uint8_t* end;
    int floatBytes;
    bool failed = false;
    std::uint32_t listLeft = 0;
    TokenKind listKind = TokenKind::Integer;
};
