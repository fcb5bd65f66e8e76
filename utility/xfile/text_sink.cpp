#include "utility/xfile/xfile_sinks.h"

#include <charconv>

namespace {

constexpr size_t DwordsPerLine = 16;

} // namespace

void TextSink::Indent() {
    out.append(size_t(depth), ' ');
}

// The shortest text that reads back to the same value, so that text files
// hold exactly what binary ones do.
void TextSink::Number(float value) {
    char text[32];
    std::to_chars_result r = floatBytes == 8
                                 ? std::to_chars(text, text + sizeof text, double(value))
                                 : std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr);
}

void TextSink::Number(std::uint32_t value) {
    char text[16];
    std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    out.append(text, r.ptr);
}

void TextSink::Open(const char* identifier) {
    Indent();
    out += identifier;
    out += " {\n";
    ++depth;
}

void TextSink::Close() {
    --depth;
    Indent();
    out += "}\n";
}

void TextSink::Dword(std::uint32_t value) {
    Indent();
    Number(value);
    out += ";\n";
}

void TextSink::Dwords(const std::uint32_t* values, size_t count) {
    if (count == 0)
        return;
    Indent();
    for (size_t i = 0; i < count; ++i) {
        Number(values[i]);
        if (i + 1 == count) {
            out += ";\n";
        } else if (i % DwordsPerLine == DwordsPerLine - 1) {
            out += ",\n";
            Indent();
        } else {
            out += ',';
        }
    }
}

void TextSink::Records(const float* first, size_t count, int components, size_t stride) {
    for (size_t i = 0; i < count; ++i) {
        Indent();
        const float* record = first + i * stride;
        for (int c = 0; c < components; ++c) {
            Number(record[c]);
            out += ';';
        }
        out += i + 1 == count ? ";\n" : ",\n";
    }
}

void TextSink::Triangles(const std::uint32_t* indices, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        Indent();
        out += "3;";
        Number(indices[3 * i]);
        out += ',';
        Number(indices[3 * i + 1]);
        out += ',';
        Number(indices[3 * i + 2]);
        out += i + 1 == count ? ";;\n" : ";,\n";
    }
}

void TextSink::Floats(const float* values, int count) {
    Indent();
    for (int i = 0; i < count; ++i) {
        Number(values[i]);
        out += ';';
    }
    if (count > 1)
        out += ';';
    out += '\n';
}

void TextSink::String(std::string_view text) {
    Indent();
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += "\";\n";
}
