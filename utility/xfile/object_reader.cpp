#include "utility/xfile/object_reader.h"

#include <cstdio>

namespace {

// Long enough for the names exporters write, short enough that a forged
// one cannot crowd the message out.
constexpr size_t kShownNameLength = 48;

} // namespace

bool SameXName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string QuotedXName(std::string_view name) {
    std::string text = "\"";
    for (size_t i = 0; i < name.size() && i < kShownNameLength; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        text += c < 0x20 || c == 0x7F ? '?' : char(c);
    }
    if (name.size() > kShownNameLength)
        text += "...";
    return text + "\"";
}

std::string DescribeToken(const Token& token) {
    switch (token.kind) {
    case TokenKind::End:
        return "the end of the file";
    case TokenKind::Error:
        return "broken content";
    case TokenKind::Name:
        return "the name " + QuotedXName(token.text);
    case TokenKind::String:
        return "a string";
    case TokenKind::Integer:
        return std::to_string(token.integer);
    case TokenKind::Float: {
        // Text gives the number as written: a word of number characters.
        if (!token.text.empty())
            return std::string(token.text.substr(0, kShownNameLength));
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", token.number);
        return text;
    }
    case TokenKind::Guid:
        return "a GUID";
    case TokenKind::OpenBrace:
        return "\"{\"";
    case TokenKind::CloseBrace:
        return "\"}\"";
    case TokenKind::Template:
        return "\"template\"";
    case TokenKind::Other:
        return "a template's punctuation or type";
    }
    return "";
}
