// Reading X file objects by their known layouts from either token stream:
// the values, object headers, references and the skipping of what a
// reader does not know, by its braces.
#pragma once

#include "utility/core/load_report.h"
#include "utility/d3dx9math.h"
#include "utility/xfile/tokens.h"

#include <algorithm>
#include <string>

// Long loops stop this often to give back what they have read, report how
// far the load has got and see whether it was cancelled.
constexpr std::uint32_t kCheckpointSteps = 16384;

// Template names are matched without regard to case: exporters write
// "TextureFileName" as well as "TextureFilename".
bool SameXName(std::string_view a, std::string_view b);

struct ObjectHeader {
    std::string identifier;
    std::string name; // empty when the object has none
};

template <class Tokens>
class ObjectReader {
public:
    explicit ObjectReader(Tokens& tokens) : tokens(tokens) {}

protected:
    void Advance() { tokens.Next(token); }

    // Called once a step of the long loops (array items, skipped tokens),
    // where the parser holds no view of the input before the current token.
    // False when the load was cancelled.
    bool Checkpoint() {
        if (++steps < kCheckpointSteps)
            return true;
        steps = 0;
        tokens.ReleaseConsumed();
        ReportLoadProgress(tokens.Offset(), tokens.Offset() + tokens.Remaining());
        return !LoadCancelled();
    }
    bool Is(TokenKind kind) const { return token.kind == kind; }

    bool ReadUInt(std::uint32_t& value) {
        if (!Is(TokenKind::Integer))
            return false;
        value = token.integer;
        Advance();
        return true;
    }

    bool ReadFloats(float* values, int count) {
        for (int i = 0; i < count; ++i) {
            if (!Is(TokenKind::Float) && !Is(TokenKind::Integer))
                return false;
            values[i] = float(token.number);
            Advance();
        }
        return true;
    }

    bool ReadString(std::string& value) {
        if (!Is(TokenKind::String))
            return false;
        value.assign(token.text);
        Advance();
        return true;
    }

    // Room for `count` items, but never more than the input could still
    // hold (each of an item's `values` takes a byte at least), so a forged
    // count cannot claim memory ahead of the data.
    template <class Vector>
    void Reserve(Vector& items, std::uint64_t count, size_t values = 1) {
        items.reserve(size_t(std::min<std::uint64_t>(count, tokens.Remaining() / values)));
    }

    bool ReadMatrix(D3DXMATRIX& m) { return ReadFloats(&m.m[0][0], 16); }

    // Identifier, optional name, optional GUID, "{"; then `body`, which
    // reads up to and including the closing brace.
    template <class Body>
    bool Object(Body body) {
        if (!Is(TokenKind::Name))
            return false;
        ObjectHeader header;
        header.identifier = token.text;
        Advance();
        if (Is(TokenKind::Name)) {
            header.name = token.text;
            Advance();
        }
        if (Is(TokenKind::Guid))
            Advance();
        if (!Is(TokenKind::OpenBrace))
            return false;
        Advance();
        return body(header);
    }

    bool Close() {
        if (!Is(TokenKind::CloseBrace))
            return false;
        Advance();
        return true;
    }

    // The child objects and references of an open object, up to its "}".
    template <class OnObject, class OnReference>
    bool Children(OnObject onObject, OnReference onReference) {
        for (;;) {
            bool ok;
            if (Is(TokenKind::CloseBrace))
                return Close();
            if (Is(TokenKind::OpenBrace))
                ok = onReference();
            else
                ok = Object(onObject);
            if (!ok)
                return false;
        }
    }

    template <class OnObject>
    bool Children(OnObject onObject) {
        return Children(onObject, [&] { return SkipReference(); });
    }

    // The rest of an object whose "{" was read, nested objects included.
    bool SkipRest() {
        for (int depth = 1;;) {
            switch (token.kind) {
            case TokenKind::OpenBrace:
                ++depth;
                break;
            case TokenKind::CloseBrace:
                if (--depth == 0) {
                    Advance();
                    return true;
                }
                break;
            case TokenKind::End:
            case TokenKind::Error:
                return false;
            default:
                break;
            }
            if (!Checkpoint())
                return false;
            Advance();
        }
    }

    bool SkipTemplate() {
        Advance();
        if (!Is(TokenKind::Name))
            return false;
        Advance();
        if (!Is(TokenKind::OpenBrace))
            return false;
        Advance();
        return SkipRest();
    }

    // "{ name }", "{ name <guid> }" or "{ <guid> }"; name is empty for the last.
    bool ReadReference(std::string& name) {
        Advance();
        name.clear();
        if (Is(TokenKind::Name)) {
            name = token.text;
            Advance();
        }
        if (Is(TokenKind::Guid))
            Advance();
        return Close();
    }

    bool SkipReference() {
        std::string name;
        return ReadReference(name);
    }

    Tokens& tokens;
    Token token;
    std::uint32_t steps = 0;
};
