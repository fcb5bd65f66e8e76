// The token streams of the two X file encodings. Both hand the parser the
// same tokens; separators (',' and ';') carry no meaning the parser needs, as
// it knows each object's layout, so both streams drop them. They read the
// body as it becomes ready (see xfile_content.h).
#pragma once

#include "utility/xfile/xfile_content.h"

#include <algorithm>
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
    // Name, String, Guid, and numbers in text: valid until the next token (a
    // view of the input, which the stream gives back as it goes, or an
    // unescaped copy in the stream). Empty for numbers in binary.
    std::string_view text;
    std::uint32_t integer = 0;
    double number = 0;
};

// Why the body does not read as an X file: the first reason met, the
// object it was met in (empty outside objects and for broken tokens), and
// where.
struct XReadFailure {
    std::string object;
    std::string reason; // empty while nothing failed
    LoadPosition position;
};

// What both streams share: the part of the body that is ready, and the
// body's planned end. Nothing before the current token is looked at again,
// so the body before it is given back as the stream goes; the pointers into
// the body (`at`, `end`, `releasable`) follow it where its window slides, so
// no other pointer into it is held while waiting for more. Plain text counts
// its lines as it goes, so that a failure far into it can name its line.
class TokenInput {
public:
    TokenInput(XContent& content, bool countLines)
        : content(content), window(content.Data()), at(window), end(window + content.Ready(1)),
          countLines(countLines) {}
    // Bytes of the body not yet read, counting those still to come.
    size_t Remaining() const { return content.Size() - OffsetOf(at); }
    // How far the stream has got through the body.
    size_t Offset() const { return OffsetOf(at); }
    // Tells the body how far the stream has got.
    void ReleaseConsumed() {
        CountLinesTo(releasable);
        content.Release(OffsetOf(releasable));
    }
    // Where the token last read starts.
    LoadPosition TokenPosition() { return PositionOf(releasable); }
    // Why the stream broke, once it gave an Error token.
    const XReadFailure& Failure() const { return failure; }

protected:
    // Waits for more of the body; false at its end.
    bool More() {
        ReleaseConsumed();
        size_t have = OffsetOf(end);
        size_t ready = content.Ready(have + 1);
        FollowWindow();
        end = window + (ready - windowStart);
        return ready > have;
    }
    // At least `count` bytes after `at`, waiting for them when they are
    // still to come; false when the body ends first.
    bool Ensure(size_t count) {
        while (size_t(end - at) < count)
            if (!More())
                return false;
        return true;
    }
    // Stops the stream for good at `where`, with the reason for it.
    void Fail(Token& token, const std::uint8_t* where, std::string reason) {
        failed = true;
        token.kind = TokenKind::Error;
        failure.reason = std::move(reason);
        failure.position = PositionOf(where);
    }
    // `p` lies at or after every place looked at before.
    LoadPosition PositionOf(const std::uint8_t* p) {
        CountLinesTo(p);
        LoadPosition position;
        position.known = true;
        position.inflated = content.Inflated();
        position.byte = OffsetOf(p) + (position.inflated ? 0 : XFileHeaderSize);
        position.line = countLines ? lines : 0;
        return position;
    }

    XContent& content;
    const std::uint8_t* window; // holds the body from windowStart on
    size_t windowStart = 0;
    const std::uint8_t* at;
    const std::uint8_t* end;
    // The start of the token being read, or `at` between tokens.
    const std::uint8_t* releasable = at;
    bool failed = false;

private:
    size_t OffsetOf(const std::uint8_t* p) const { return windowStart + size_t(p - window); }
    // Where the window slid, the same bytes of the body lie earlier in it.
    void FollowWindow() {
        size_t moved = content.WindowStart() - windowStart;
        if (moved == 0)
            return;
        windowStart += moved;
        at -= moved;
        end -= moved;
        releasable -= moved;
        counted -= moved;
    }
    // The header holds no line break: the body starts on line 1. `counted`
    // keeps up with `releasable` even where lines are not counted, so that
    // it moves with the window.
    void CountLinesTo(const std::uint8_t* p) {
        if (p <= counted)
            return;
        if (countLines)
            lines += std::uint64_t(std::count(counted, p, '\n'));
        counted = p;
    }

    bool countLines;
    const std::uint8_t* counted = window;
    std::uint64_t lines = 1;
    XReadFailure failure;
};

// "txt ": whitespace, ',' and ';' separate tokens; "//" and "#" start
// comments that run to the end of the line. Numbers are read at the file's
// float size, so that a 32-bit file's shortest decimals round exactly once.
// A control character outside strings and comments cannot be part of a
// valid file and stops the stream at once.
class TextTokens : public TokenInput {
public:
    TextTokens(XContent& content, int floatBytes)
        : TokenInput(content, !content.Inflated()), floatBytes(floatBytes) {}
    void Next(Token& token);

private:
    void SkipSpaceAndComments();
    // False when the body ends first.
    bool SkipSpace();
    void SkipLine();
    // Moves `at` past the bytes for which `inside` holds; false when the
    // body ends first.
    template <class Inside>
    bool ScanWhile(Inside inside);
    void Word(Token& token);
    void Quoted(Token& token);
    void Guid(Token& token);

    int floatBytes;
    std::string unescaped; // a string with "\\" or "\"" in it
};

// "bin ": 16-bit tokens with payloads; integer and float lists are handed
// out one value at a time.
class BinaryTokens : public TokenInput {
public:
    BinaryTokens(XContent& content, int floatBytes)
        : TokenInput(content, false), floatBytes(floatBytes) {}
    void Next(Token& token);

private:
    bool ReadDword(std::uint32_t& value);
    bool ReadBytes(size_t count, std::string_view& bytes);
    void ListValue(Token& token);

    int floatBytes;
    std::uint32_t listLeft = 0;
    TokenKind listKind = TokenKind::Integer;
};
