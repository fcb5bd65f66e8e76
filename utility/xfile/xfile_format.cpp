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

} // namespace

bool ParseXFileHeader(const std::uint8_t* bytes, size_t size, XFileHeader* header) {
    if (size < XFileHeaderSize || std::memcmp(bytes, "xof 03", 6) != 0)
        return false;
    if (!IsDigit(bytes[6]) || !IsDigit(bytes[7]))
        return false;
    header->minorVersion = (bytes[6] - '0') * 10 + (bytes[7] - '0');

    const EncodingTag* found = nullptr;
    for (const EncodingTag& tag : encodingTags)
        if (std::memcmp(bytes + 8, tag.tag, 4) == 0)
            found = &tag;
    if (!found)
        return false;
    header->encoding = found->encoding;

    if (std::memcmp(bytes + 12, "0032", 4) == 0)
        header->floatBytes = 4;
    else if (std::memcmp(bytes + 12, "0064", 4) == 0)
        header->floatBytes = 8;
    else
        return false;
    return true;
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
