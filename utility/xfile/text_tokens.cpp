#include "utility/xfile/tokens.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

enum CharClass : std::uint8_t {
    kWordChar = 0,
    kSpace = 1,     // separators count as space: see tokens.h
    kDelimiter = 2, // ends a word and is a token of its own
    kControl = 4,   // cannot appear outside strings and comments
};

struct CharClasses {
    std::uint8_t of[256];
    constexpr CharClasses() : of() {
        for (int c = 0; c < 0x20; ++c)
            of[c] = kControl;
        of[0x7F] = kControl;
        for (char c : {' ', '\t', '\r', '\n', '\f', '\v', ',', ';'})
            of[std::uint8_t(c)] = kSpace;
        for (char c : {'{', '}', '<', '>', '[', ']', '(', ')', '"'})
            of[std::uint8_t(c)] = kDelimiter;
    }
};

constexpr CharClasses kClasses;

constexpr const char* kUnclosedString = "a string with no closing quote";

bool IsSpace(std::uint8_t c) {
    return kClasses.of[c] == kSpace;
}

bool IsWordChar(std::uint8_t c) {
    return kClasses.of[c] == kWordChar;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool LooksNumeric(std::string_view word) {
    char c = word[0];
    return IsDigit(c) || c == '-' || c == '+' || c == '.';
}

// Plain digits that fit 32 bits: the counts and indices that make up most
// of a mesh, read without the general float path.
bool ParseUnsigned(std::string_view word, std::uint32_t& value) {
    constexpr size_t MaxDigits = 10;
    if (word.size() > MaxDigits)
        return false;
    std::uint64_t sum = 0;
    for (char c : word) {
        if (!IsDigit(c))
            return false;
        sum = sum * 10 + std::uint64_t(c - '0');
    }
    if (sum > 0xFFFFFFFFu)
        return false;
    value = std::uint32_t(sum);
    return true;
}

template <class Float>
bool ParseFloat(std::string_view word, double& value) {
    const char* first = word.data();
    const char* last = first + word.size();
    if (first != last && *first == '+')
        ++first;
    Float parsed = 0;
    std::from_chars_result result = std::from_chars(first, last, parsed);
    value = parsed;
    return result.ec == std::errc() && result.ptr == last;
}

std::string ControlCharacter(std::uint8_t c) {
    char text[48];
    std::snprintf(text, sizeof text, "control character 0x%02x outside a string", unsigned(c));
    return text;
}

} // namespace

template <class Inside>
bool TextTokens::ScanWhile(Inside inside) {
    for (;;) {
        while (at < end && inside(*at))
            ++at;
        if (at < end)
            return true;
        if (!More())
            return false;
    }
}

// Blanks, unlike a token, are given back as they are passed: a body of
// nothing but blanks never has to be held.
bool TextTokens::SkipSpace() {
    for (;;) {
        while (at < end && IsSpace(*at))
            ++at;
        releasable = at;
        if (at < end)
            return true;
        if (!More())
            return false;
    }
}

void TextTokens::SkipLine() {
    for (;;) {
        const void* newline = std::memchr(at, '\n', size_t(end - at));
        if (newline) {
            at = static_cast<const std::uint8_t*>(newline);
            return;
        }
        releasable = at = end;
        if (!More())
            return;
    }
}

void TextTokens::SkipSpaceAndComments() {
    for (;;) {
        if (!SkipSpace())
            return;
        std::uint8_t c = *at;
        bool comment = c == '#';
        if (c == '/' && Ensure(2))
            comment = at[1] == '/';
        if (!comment)
            return;
        SkipLine();
    }
}

void TextTokens::Next(Token& token) {
    if (failed) {
        token.kind = TokenKind::Error;
        return;
    }
    SkipSpaceAndComments();
    releasable = at;
    if (at == end) {
        token.kind = TokenKind::End;
        return;
    }
    switch (*at) {
    case '{':
        ++at;
        token.kind = TokenKind::OpenBrace;
        return;
    case '}':
        ++at;
        token.kind = TokenKind::CloseBrace;
        return;
    case '"':
        Quoted(token);
        return;
    case '<':
        Guid(token);
        return;
    case '>':
    case '[':
    case ']':
    case '(':
    case ')':
        ++at;
        token.kind = TokenKind::Other;
        return;
    default:
        Word(token);
        return;
    }
}

// A token's pointers into the body are taken from `releasable`, its start,
// once it is read whole: the window may have slid while it was read.
void TextTokens::Word(Token& token) {
    ScanWhile(IsWordChar);
    if (at == releasable || (at < end && kClasses.of[*at] == kControl)) {
        Fail(token, at, ControlCharacter(*at));
        return;
    }
    std::string_view word(reinterpret_cast<const char*>(releasable), size_t(at - releasable));
    token.text = word;
    if (LooksNumeric(word)) {
        if (ParseUnsigned(word, token.integer)) {
            token.kind = TokenKind::Integer;
            token.number = token.integer;
            return;
        }
        bool parsed = floatBytes == 8 ? ParseFloat<double>(word, token.number)
                                      : ParseFloat<float>(word, token.number);
        if (parsed) {
            token.kind = TokenKind::Float;
            return;
        }
    }
    token.kind = word == "template" ? TokenKind::Template : TokenKind::Name;
}

// Exporters escape backslashes in paths (".\\test.png"); a backslash before
// anything else than '\' or '"' stays as it is.
void TextTokens::Quoted(Token& token) {
    ++at;
    if (!ScanWhile([](std::uint8_t c) { return c != '"' && c != '\\'; })) {
        Fail(token, releasable, kUnclosedString);
        return;
    }
    const std::uint8_t* start = releasable + 1;
    if (*at == '"') {
        token.kind = TokenKind::String;
        token.text = std::string_view(reinterpret_cast<const char*>(start), size_t(at - start));
        ++at;
        return;
    }
    unescaped.assign(start, at);
    for (;;) {
        if (at == end && !More()) {
            Fail(token, releasable, kUnclosedString);
            return;
        }
        if (*at == '"')
            break;
        if (*at == '\\' && Ensure(2) && (at[1] == '\\' || at[1] == '"'))
            ++at;
        unescaped.push_back(char(*at++));
    }
    ++at;
    token.kind = TokenKind::String;
    token.text = unescaped;
}

void TextTokens::Guid(Token& token) {
    ++at;
    if (!ScanWhile([](std::uint8_t c) { return c != '>'; })) {
        Fail(token, releasable, "a GUID with no closing \">\"");
        return;
    }
    const std::uint8_t* start = releasable + 1;
    token.kind = TokenKind::Guid;
    token.text = std::string_view(reinterpret_cast<const char*>(start), size_t(at - start));
    ++at;
}
