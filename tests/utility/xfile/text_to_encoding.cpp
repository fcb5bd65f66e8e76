#include "text_to_encoding.h"

#include "utility/xfile/mszip.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class BinaryWriter {
public:
    BinaryWriter(int floatBytes, std::vector<std::uint8_t>& out)
        : floatBytes(floatBytes), out(out) {}

    void Token(std::uint16_t token) {
        Flush();
        Word(token);
    }
    void Text(std::uint16_t token, const std::string& text) {
        Token(token);
        Dword(std::uint32_t(text.size()));
        out.insert(out.end(), text.begin(), text.end());
        if (token == XTokenString)
            Word(XTokenSemicolon);
    }
    void Integer(std::uint32_t value) {
        if (!floats.empty())
            Flush();
        integers.push_back(value);
    }
    void Float(double value) {
        if (!integers.empty())
            Flush();
        floats.push_back(value);
    }
    void Flush() {
        if (!integers.empty()) {
            Word(XTokenIntegerList);
            Dword(std::uint32_t(integers.size()));
            for (std::uint32_t v : integers)
                Dword(v);
        }
        if (!floats.empty()) {
            Word(XTokenFloatList);
            Dword(std::uint32_t(floats.size()));
            for (double v : floats) {
                std::uint8_t bytes[8];
                if (floatBytes == 8) {
                    std::memcpy(bytes, &v, 8);
                } else {
                    float narrow = float(v);
                    std::memcpy(bytes, &narrow, 4);
                }
                out.insert(out.end(), bytes, bytes + floatBytes);
            }
        }
        integers.clear();
        floats.clear();
    }

private:
    void Word(std::uint16_t v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    }
    void Dword(std::uint32_t v) {
        for (int s = 0; s < 32; s += 8)
            out.push_back(std::uint8_t(v >> s));
    }

    int floatBytes;
    std::vector<std::uint8_t>& out;
    std::vector<std::uint32_t> integers;
    std::vector<double> floats;
};

std::vector<std::uint8_t> Binary(const std::string& body, int floatBytes) {
    std::vector<std::uint8_t> out;
    BinaryWriter writer(floatBytes, out);
    for (size_t i = 0; i < body.size();) {
        char c = body[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',' || c == ';') {
            ++i;
        } else if (c == '{' || c == '}') {
            writer.Token(c == '{' ? XTokenOpenBrace : XTokenCloseBrace);
            ++i;
        } else if (c == '"') {
            size_t end = body.find('"', i + 1);
            writer.Text(XTokenString, body.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            size_t end = body.find_first_of(" \t\r\n,;{}\"", i);
            std::string word = body.substr(i, end - i);
            i = end;
            bool number = std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '-';
            if (!number)
                writer.Text(XTokenName, word);
            else if (word.find_first_of(".eE") != std::string::npos || word[0] == '-')
                writer.Float(std::strtod(word.c_str(), nullptr));
            else
                writer.Integer(std::uint32_t(std::strtoul(word.c_str(), nullptr, 10)));
        }
    }
    writer.Flush();
    return out;
}

} // namespace

std::vector<std::uint8_t> EncodeXText(const std::string& body, XEncoding encoding, int floatBytes) {
    char header[XFileHeaderSize];
    FormatXFileHeader({3, encoding, floatBytes}, header);
    std::vector<std::uint8_t> out(header, header + XFileHeaderSize);
    std::vector<std::uint8_t> data = IsText(encoding)
                                         ? std::vector<std::uint8_t>(body.begin(), body.end())
                                         : Binary(body, floatBytes);
    if (!IsCompressed(encoding)) {
        out.insert(out.end(), data.begin(), data.end());
        return out;
    }
    size_t size = data.size() + XFileHeaderSize;
    for (int s = 0; s < 32; s += 8)
        out.push_back(std::uint8_t(size >> s));
    DeflateMszip(data.data(), data.size(), out);
    return out;
}

std::string TranslationText(float x, float y, float z) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,%.1f,%.1f,%.1f,1.0;;", x, y, z);
    return text;
}
