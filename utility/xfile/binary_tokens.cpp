#include "utility/xfile/tokens.h"

#include "utility/xfile/xfile_format.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr size_t TokenBytes = 2;
constexpr size_t DwordBytes = 4;
constexpr size_t GuidBytes = 16;

std::uint32_t LoadDword(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

double LoadFloat(const std::uint8_t* p, int floatBytes) {
    if (floatBytes == 4) {
        std::uint32_t bits = LoadDword(p);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    std::uint64_t bits = std::uint64_t(LoadDword(p)) | std::uint64_t(LoadDword(p + 4)) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool IsPunctuationOrType(unsigned id) {
    return (id >= XTokenOpenParen && id <= XTokenDot) ||
           (id >= XTokenFirstType && id <= XTokenLastType);
}

constexpr const char* kCutToken = "the file ends within a token";

std::string TooLong(const char* what, std::uint32_t count, const char* unit) {
    return std::string(what) + " of " + std::to_string(count) + " " + unit +
           " runs past the end of the file";
}

std::string UnknownToken(unsigned id) {
    char text[32];
    std::snprintf(text, sizeof text, "unknown token 0x%04x", id);
    return text;
}

} // namespace

bool BinaryTokens::ReadDword(std::uint32_t& value) {
    if (!Ensure(DwordBytes))
        return false;
    value = LoadDword(at);
    at += DwordBytes;
    return true;
}

bool BinaryTokens::ReadBytes(size_t count, std::string_view& bytes) {
    if (count > Remaining() || !Ensure(count))
        return false;
    bytes = std::string_view(reinterpret_cast<const char*>(at), count);
    at += count;
    return true;
}

void BinaryTokens::ListValue(Token& token) {
    --listLeft;
    releasable = at;
    if (!Ensure(listKind == TokenKind::Integer ? DwordBytes : size_t(floatBytes)))
        return Fail(token, at, "the file ends within a list");
    token.kind = listKind;
    token.text = {};
    if (listKind == TokenKind::Integer) {
        token.integer = LoadDword(at);
        token.number = token.integer;
        at += DwordBytes;
    } else {
        token.number = LoadFloat(at, floatBytes);
        at += size_t(floatBytes);
    }
}

void BinaryTokens::Next(Token& token) {
    if (failed) {
        token.kind = TokenKind::Error;
        return;
    }
    if (listLeft) {
        ListValue(token);
        return;
    }
    for (;;) {
        releasable = at;
        if (at == end && !More()) {
            token.kind = TokenKind::End;
            return;
        }
        if (!Ensure(TokenBytes))
            return Fail(token, at, kCutToken);
        unsigned id = unsigned(at[0]) | unsigned(at[1]) << 8;
        at += TokenBytes;

        std::uint32_t count = 0;
        switch (id) {
        case XTokenName:
        case XTokenString:
            if (!ReadDword(count))
                return Fail(token, releasable, kCutToken);
            if (!ReadBytes(count, token.text))
                return Fail(token, releasable,
                            TooLong(id == XTokenName ? "a name" : "a string", count, "bytes"));
            token.kind = id == XTokenName ? TokenKind::Name : TokenKind::String;
            return;
        case XTokenInteger:
            if (!ReadDword(token.integer))
                return Fail(token, releasable, kCutToken);
            token.kind = TokenKind::Integer;
            token.text = {};
            token.number = token.integer;
            return;
        case XTokenGuid:
            if (!ReadBytes(GuidBytes, token.text))
                return Fail(token, releasable, kCutToken);
            token.kind = TokenKind::Guid;
            return;
        case XTokenIntegerList:
        case XTokenFloatList: {
            bool integers = id == XTokenIntegerList;
            size_t valueBytes = integers ? DwordBytes : size_t(floatBytes);
            if (!ReadDword(count))
                return Fail(token, releasable, kCutToken);
            if (count > Remaining() / valueBytes)
                return Fail(token, releasable, TooLong("a list", count, "values"));
            if (count == 0)
                continue;
            listLeft = count;
            listKind = integers ? TokenKind::Integer : TokenKind::Float;
            ListValue(token);
            return;
        }
        case XTokenOpenBrace:
            token.kind = TokenKind::OpenBrace;
            return;
        case XTokenCloseBrace:
            token.kind = TokenKind::CloseBrace;
            return;
        case XTokenComma:
        case XTokenSemicolon:
            continue;
        case XTokenTemplate:
            token.kind = TokenKind::Template;
            return;
        default:
            if (!IsPunctuationOrType(id))
                return Fail(token, releasable, UnknownToken(id));
            token.kind = TokenKind::Other;
            return;
        }
    }
}
