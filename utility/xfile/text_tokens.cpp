#include "utility/xfile/tokens.h"

#include <charconv>

namespace {

// Separators count as space: see tokens.h.
bool IsSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == ',' ||
           c == ';';
}

bool IsDelimiter(std::uint8_t c) {
    switch (c) {
    case '{':
    case '}':
    case '<':
    case '>':
    case '[':
    case ']':
    case '(':
    case ')':
    case '"':
        return true;
    default:
        return IsSpace(c);
    }
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

} // namespace

void TextTokens::SkipSpaceAndComments() {
    while (at < end) {
        std::uint8_t c = *at;
        if (IsSpace(c)) {
            ++at;
        } else if (c == '#' || (c == '/' && at + 1 < end && at[1] == '/')) {
            while (at < end && *at != '\n')
                ++at;
        } else {
            break;
        }
    }
}

void TextTokens::Next(Token& token) {
    if (failed) {
        token.kind = TokenKind::Error;
        return;
    }
    SkipSpaceAndComments();
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

void TextTokens::Word(Token& token) {
    const std::uint8_t* start = at;
    while (at < end && !IsDelimiter(*at))
        ++at;
    std::string_view word(reinterpret_cast<const char*>(start), size_t(at - start));
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
    token.text = word;
}

// Exporters escape backslashes in paths (".\\test.png"); a backslash before
// anything else than '\' or '"' stays as it is.
void TextTokens::Quoted(Token& token) {
    const std::uint8_t* start = ++at;
    while (at < end && *at != '"' && *at != '\\')
        ++at;
    if (at < end && *at == '"') {
        token.kind = TokenKind::String;
        token.text = std::string_view(reinterpret_cast<const char*>(start), size_t(at - start));
        ++at;
        return;
    }
    unescaped.assign(start, at);
    while (at < end && *at != '"') {
        if (*at == '\\' && at + 1 < end && (at[1] == '\\' || at[1] == '"'))
            ++at;
        unescaped.push_back(char(*at++));
    }
    if (at == end) {
        Fail(token);
        return;
    }
    ++at;
    token.kind = TokenKind::String;
    token.text = unescaped;
}

void TextTokens::Guid(Token& token) {
    const std::uint8_t* start = ++at;
    while (at < end && *at != '>')
        ++at;
    if (at == end) {
        Fail(token);
        return;
    }
    token.kind = TokenKind::Guid;
    token.text = std::string_view(reinterpret_cast<const char*>(start), size_t(at - start));
    ++at;
}

void TextTokens::Fail(Token& token) {
    failed = true;
    token.kind = TokenKind::Error;
}
