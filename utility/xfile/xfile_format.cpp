#include "utility/xfile/xfile_format.h"

#include <cstring>

namespace {

struct EncodingTag {
    XEncoding encoding;
    const char tag[5];
    const char* name;
};

constexpr EncodingTag encodingTags[] = {
    {XEncoding::Text, "txt ", "text"},
    {XEncoding::Binary, "bin ", "binary"},
    {XEncoding::TextCompressed, "tzip", "tzip"},
    {XEncoding::BinaryCompressed, "bzip", "bzip"},
};

bool IsDigit(std::uint8_t c) {
    return c >= '0' && c <= '9';
}

// A header field as it can be shown: bytes outside printable ASCII as '?'.
std::string Field(const std::uint8_t* bytes, size_t count) {
    std::string text = "\"";
    for (size_t i = 0; i < count; ++i)
        text += bytes[i] >= 0x20 && bytes[i] < 0x7F ? char(bytes[i]) : '?';
    return text + "\"";
}

} // namespace

std::string ReadXFileHeader(const std::uint8_t* bytes, size_t size, XFileHeader* header) {
    if (size == 0)
        return "not an X file: the file is empty";
    if (size < XFileHeaderSize)
        return "not an X file: it ends within the 16-byte header";
    if (std::memcmp(bytes, "xof ", 4) != 0)
        return "not an X file: it does not start with \"xof \"";
    if (std::memcmp(bytes + 4, "03", 2) != 0 || !IsDigit(bytes[6]) || !IsDigit(bytes[7]))
        return "unsupported X file version " + Field(bytes + 4, 4);
    const EncodingTag* found = nullptr;
    for (const EncodingTag& tag : encodingTags)
        if (std::memcmp(bytes + 8, tag.tag, 4) == 0)
            found = &tag;
    if (!found)
        return "unknown X file encoding " + Field(bytes + 8, 4);
    int floatBytes;
    if (std::memcmp(bytes + 12, "0032", 4) == 0)
        floatBytes = 4;
    else if (std::memcmp(bytes + 12, "0064", 4) == 0)
        floatBytes = 8;
    else
        return "unknown X file float size " + Field(bytes + 12, 4) + ": neither 0032 nor 0064";
    header->minorVersion = (bytes[6] - '0') * 10 + (bytes[7] - '0');
    header->encoding = found->encoding;
    header->floatBytes = floatBytes;
    return "";
}

bool ParseXFileHeader(const std::uint8_t* bytes, size_t size, XFileHeader* header) {
    return ReadXFileHeader(bytes, size, header).empty();
}

void FormatXFileHeader(const XFileHeader& header, char out[XFileHeaderSize]) {
    std::memcpy(out, "xof 03", 6);
    out[6] = char('0' + header.minorVersion / 10 % 10);
    out[7] = char('0' + header.minorVersion % 10);
    for (const EncodingTag& tag : encodingTags)
        if (tag.encoding == header.encoding)
            std::memcpy(out + 8, tag.tag, 4);
    std::memcpy(out + 12, header.floatBytes == 8 ? "0064" : "0032", 4);
}

const char* XEncodingName(XEncoding encoding) {
    for (const EncodingTag& tag : encodingTags)
        if (tag.encoding == encoding)
            return tag.name;
    return "";
}

bool IsCompressed(XEncoding encoding) {
    return encoding == XEncoding::TextCompressed || encoding == XEncoding::BinaryCompressed;
}

bool IsText(XEncoding encoding) {
    return encoding == XEncoding::Text || encoding == XEncoding::TextCompressed;
}
