// The token streams of the two X file encodings. Both hand the parser the
// same tokens; separators (',' and ';') carry no meaning the parser needs, as
// it knows each object's layout, so both streams drop them. They read the
// body as it becomes ready (see xfile_content.h).
#pragma once

#include "utility/xfile/xfile_content.h"

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
    // Name, String, Guid: valid until the next token (a view of the input,
    // which the stream gives back as it goes, or an unescaped copy in the
    // stream).
    std::string_view text;
    std::uint32_t integer = 0;
    double number = 0;
};

// What both streams share: the part of the body that is ready, and the
// body's planned end. Nothing before the current token is looked at again,
// so the body before it is given back as the stream goes.
class TokenInput {
public:
    explicit TokenInput(XContent& content)
        : content(content), base(content.Data()), at(base), end(base + content.Ready(1)) {}
    // Bytes of the body not yet read, counting those still to come.
    size_t Remaining() const { return content.Size() - size_t(at - base); }
    // How far the stream has got through the body.
    size_t Offset() const { return size_t(at - base); }
    // Tells the body how far the stream has got.
    void ReleaseConsumed() { content.Release(size_t(releasable - base)); }

protected:
    // Waits for more of the body; false at its end.
    bool More() {
        ReleaseConsumed();
        size_t have = size_t(end - base);
        end = base + content.Ready(have + 1);
        return size_t(end - base) > have;
    }
    // At least `count` bytes after `at`, waiting for them when they are
    // still to come; false when the body ends first.
    bool Ensure(size_t count) {
        while (size_t(end - at) < count)
            if (!More())
                return false;
        return true;
    }

    XContent& content;
    const std::uint8_t* base;
    const std::uint8_t* at;
    const std::uint8_t* end;
    // The start of the token being read, or `at` between tokens.
    const std::uint8_t* releasable = at;
};

// "txt ": whitespace, ',' and ';' separate tokens; "//" and "#" start
// comments that run to the end of the line. Numbers are read at the file's
// float size, so that a 32-bit file's shortest decimals round exactly once.
// A control character outside strings and comments cannot be part of a
// valid file and stops the stream at once.
class TextTokens : public TokenInput {
public:
    TextTokens(XContent& content, int floatBytes) : TokenInput(content), floatBytes(floatBytes) {}
    void Next(Token& token);

private:
    void SkipSpaceAndComments();
    void SkipLine();
    // Moves `at` past the bytes for which `inside` holds; false when the
    // body ends first.
    template <class Inside>
    bool ScanWhile(Inside inside);
    void Word(Token& token);
    void Quoted(Token& token);
    void Guid(Token& token);

    void Fail(Token& token);

    int floatBytes;
    bool failed = false;
    std::string unescaped; // a string with "\\" or "\"" in it
};

// "bin ": 16-bit tokens with payloads; integer and float lists are handed
// out one value at a time.
class BinaryTokens : public TokenInput {
public:
    BinaryTokens(XContent& content, int floatBytes) : TokenInput(content), floatBytes(floatBytes) {}
    void Next(Token& token);

private:
    bool ReadDword(std::uint32_t& value);
    bool ReadBytes(size_t count, std::string_view& bytes);
    void ListValue(Token& token);
    void Fail(Token& token);

    int floatBytes;
    bool failed = false;
    std::uint32_t listLeft = 0;
    TokenKind listKind = TokenKind::Integer;
};
