// Reading X file objects by their known layouts from either token stream:
// the values, object headers, references and the skipping of what a
// reader does not know, by its braces. Whatever does not fit is kept as the
// failure, with the object it was met in and its place, for the reader to
// report.
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

// A name from the file as a message shows it: quoted, control characters as
// '?', cut short with "..." past a length that still reads as a name.
std::string QuotedXName(std::string_view name);
// What a token is, as in "expected a number, found the name \"one\"".
std::string DescribeToken(const Token& token);

struct ObjectHeader {
    std::string identifier;
    std::string name; // empty when the object has none
};

template <class Tokens>
class ObjectReader {
public:
    explicit ObjectReader(Tokens& tokens) : tokens(tokens) {}

    // Why the objects read so far do not fit; empty reason while they do.
    const XReadFailure& Failure() const { return failure; }

protected:
    void Advance() { tokens.Next(token); }

    // Keeps `reason` as the failure, met in `object` at `position`, unless
    // one was kept before; false, for the caller to return.
    bool FailIn(std::string_view object, const LoadPosition& position, std::string reason) {
        if (failure.reason.empty())
            failure = XReadFailure{std::string(object), std::move(reason), position};
        return false;
    }
    // The same in the object being read, at `position` or the current token.
    bool FailAt(const LoadPosition& position, std::string reason) {
        return FailIn(object, position, std::move(reason));
    }
    bool Fail(std::string reason) { return FailAt(tokens.TokenPosition(), std::move(reason)); }
    // The current token is not `what` the layout asks for; a broken stream
    // gives its own reason.
    bool Expected(const char* what) {
        if (Is(TokenKind::Error)) {
            if (failure.reason.empty())
                failure = tokens.Failure();
            return false;
        }
        return Fail(std::string("expected ") + what + ", found " + DescribeToken(token));
    }
    // An object that fitted after all, once a reader that can go on without
    // it has skipped it.
    void ForgetFailure() { failure = XReadFailure(); }

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
        // Returning false here, not Expected's result, shows the compiler
        // that a value read is always set.
        if (!Is(TokenKind::Integer)) {
            Expected("an unsigned 32-bit integer");
            return false;
        }
        value = token.integer;
        Advance();
        return true;
    }

    // An index that must be below `limit`, the count of the `items` it
    // picks from (a `noun` each).
    bool ReadIndex(std::uint32_t& value, size_t limit, const char* noun, const char* items) {
        if (Is(TokenKind::Integer) && token.integer >= limit) {
            Fail(std::string(noun) + " index " + std::to_string(token.integer) + " past the " +
                 std::to_string(limit) + " " + items);
            return false;
        }
        return ReadUInt(value);
    }

    bool ReadFloats(float* values, int count) {
        for (int i = 0; i < count; ++i) {
            if (!Is(TokenKind::Float) && !Is(TokenKind::Integer)) {
                Expected("a number");
                return false;
            }
            values[i] = float(token.number);
            Advance();
        }
        return true;
    }

    bool ReadString(std::string& value) {
        if (!Is(TokenKind::String)) {
            Expected("a string");
            return false;
        }
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
    // reads up to and including the closing brace. Failures in it are met in
    // this object.
    template <class Body>
    bool Object(Body body) {
        if (!Is(TokenKind::Name))
            return Expected("an object");
        ObjectHeader header;
        header.identifier = token.text;
        Within within(*this, header.identifier);
        Advance();
        if (Is(TokenKind::Name)) {
            header.name = token.text;
            Advance();
        }
        if (Is(TokenKind::Guid))
            Advance();
        if (!Is(TokenKind::OpenBrace))
            return Expected("\"{\"");
        Advance();
        return body(header);
    }

    bool Close() {
        if (!Is(TokenKind::CloseBrace))
            return Expected("\"}\"");
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
            else if (Is(TokenKind::Name))
                ok = Object(onObject);
            else
                ok = Expected("an object or \"}\"");
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
                return Expected("\"}\"");
            default:
                break;
            }
            if (!Checkpoint())
                return false;
            Advance();
        }
    }

    bool SkipTemplate() {
        Within within(*this, "template");
        Advance();
        if (!Is(TokenKind::Name))
            return Expected("the template's name");
        Advance();
        if (!Is(TokenKind::OpenBrace))
            return Expected("\"{\"");
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

    // Names the object being read while it lives.
    class Within {
    public:
        Within(ObjectReader& reader, std::string_view object)
            : reader(reader), outer(reader.object) {
            reader.object = object;
        }
        ~Within() { reader.object = outer; }
        Within(const Within&) = delete;
        Within& operator=(const Within&) = delete;

    private:
        ObjectReader& reader;
        std::string_view outer;
    };

    Tokens& tokens;
    Token token;
    std::uint32_t steps = 0;
    std::string_view object; // the identifier of the object being read
    XReadFailure failure;
};
