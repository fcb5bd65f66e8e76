#include "utility/xfile/xfile_sinks.h"

#include "utility/xfile/xfile_format.h"

#include <cstring>

void BinarySink::Word(std::uint16_t value) {
    out.push_back(std::uint8_t(value & 0xFF));
    out.push_back(std::uint8_t(value >> 8));
}

void BinarySink::Dword32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(value >> shift));
}

void BinarySink::Bytes(std::string_view bytes) {
    Dword32(std::uint32_t(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void BinarySink::Float(float value) {
    if (!integers.empty())
        Flush();
    std::uint64_t bits;
    if (floatBytes == 8) {
        double wide = value;
        std::memcpy(&bits, &wide, 8);
    } else {
        std::uint32_t narrow;
        std::memcpy(&narrow, &value, 4);
        bits = narrow;
    }
    for (int i = 0; i < floatBytes; ++i)
        floats.push_back(std::uint8_t(bits >> (8 * i)));
    ++floatCount;
}

void BinarySink::Flush() {
    if (!integers.empty()) {
        Word(XTokenIntegerList);
        Dword32(std::uint32_t(integers.size()));
        for (std::uint32_t value : integers)
            Dword32(value);
        integers.clear();
    }
    if (floatCount) {
        Word(XTokenFloatList);
        Dword32(std::uint32_t(floatCount));
        out.insert(out.end(), floats.begin(), floats.end());
        floats.clear();
        floatCount = 0;
    }
}

void BinarySink::Open(const char* identifier) {
    Flush();
    Word(XTokenName);
    Bytes(identifier);
    Word(XTokenOpenBrace);
}

void BinarySink::Close() {
    Flush();
    Word(XTokenCloseBrace);
}

void BinarySink::Dword(std::uint32_t value) {
    Dwords(&value, 1);
}

void BinarySink::Dwords(const std::uint32_t* values, size_t count) {
    if (floatCount)
        Flush();
    integers.insert(integers.end(), values, values + count);
}

void BinarySink::Records(const float* first, size_t count, int components, size_t stride) {
    for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < components; ++c)
            Float(first[i * stride + size_t(c)]);
}

void BinarySink::Triangles(const std::uint32_t* indices, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const std::uint32_t corners[4] = {3, indices[3 * i], indices[3 * i + 1],
                                          indices[3 * i + 2]};
        Dwords(corners, 4);
    }
}

void BinarySink::Floats(const float* values, int count) {
    Records(values, 1, count, 0);
}

void BinarySink::String(std::string_view text) {
    Flush();
    Word(XTokenString);
    Bytes(text);
    Word(XTokenSemicolon);
}
