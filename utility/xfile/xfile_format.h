// The fixed parts of the X file format that the reader and the writer share:
// the 16-byte header ("xof 0303txt 0032"), the compressed body's size field
// and the word tokens of the binary encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class XEncoding { Text, Binary, TextCompressed, BinaryCompressed };

struct XFileHeader {
    int minorVersion;   // 2 or 3 ("0302", "0303")
    XEncoding encoding; // "txt ", "bin ", "tzip", "bzip"
    int floatBytes;     // 4 or 8 ("0032", "0064")
};

constexpr size_t XFileHeaderSize = 16;
// A compressed body starts with the whole file's uncompressed size (header
// included) as a 32-bit word.
constexpr size_t XFileCompressedSizeField = 4;

// Why the bytes do not start with a header this reader knows, naming the
// field at fault; empty when they do, and `header` is then filled.
std::string ReadXFileHeader(const std::uint8_t* bytes, size_t size, XFileHeader* header);
// False when the bytes do not start with a header this reader knows.
bool ParseXFileHeader(const std::uint8_t* bytes, size_t size, XFileHeader* header);
// The 16 header bytes for these settings.
void FormatXFileHeader(const XFileHeader& header, char out[XFileHeaderSize]);

// "text", "binary", "tzip", "bzip".
const char* XEncodingName(XEncoding encoding);
bool IsCompressed(XEncoding encoding);
bool IsText(XEncoding encoding);

// Tokens of the binary encoding: a little-endian 16-bit word each, some
// followed by a payload.
enum XBinaryToken : std::uint16_t {
    XTokenName = 1,        // 32-bit length, characters
    XTokenString = 2,      // 32-bit length, characters (a separator token follows)
    XTokenInteger = 3,     // 32-bit value
    XTokenGuid = 5,        // 16 bytes
    XTokenIntegerList = 6, // 32-bit count, count 32-bit values
    XTokenFloatList = 7,   // 32-bit count, count floats of the header's size
    XTokenOpenBrace = 0x0a,
    XTokenCloseBrace = 0x0b,
    XTokenOpenParen = 0x0c,
    XTokenCloseParen = 0x0d,
    XTokenOpenBracket = 0x0e,
    XTokenCloseBracket = 0x0f,
    XTokenOpenAngle = 0x10,
    XTokenCloseAngle = 0x11,
    XTokenDot = 0x12,
    XTokenComma = 0x13,
    XTokenSemicolon = 0x14,
    XTokenTemplate = 0x1f,
    XTokenFirstType = 0x28, // WORD, DWORD, FLOAT, ... ARRAY: template members
    XTokenLastType = 0x34,
};
