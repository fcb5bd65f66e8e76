#include "utility/mesh/vertex_element.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// How the components of each element type are stored.
enum class Storage {
    Float32,
    Float16,
    Byte,
    ByteNorm,
    Short,
    ShortNorm,
    UShortNorm,
    Color,
    UDec3,
    Dec3N
};

struct TypeLayout {
    Storage storage;
    int components;
};

bool LayoutOf(BYTE type, TypeLayout& layout) {
    switch (type) {
    case D3DDECLTYPE_FLOAT1:
    case D3DDECLTYPE_FLOAT2:
    case D3DDECLTYPE_FLOAT3:
    case D3DDECLTYPE_FLOAT4:
        layout = {Storage::Float32, type - D3DDECLTYPE_FLOAT1 + 1};
        return true;
    case D3DDECLTYPE_D3DCOLOR:
        layout = {Storage::Color, 4};
        return true;
    case D3DDECLTYPE_UBYTE4:
        layout = {Storage::Byte, 4};
        return true;
    case D3DDECLTYPE_UBYTE4N:
        layout = {Storage::ByteNorm, 4};
        return true;
    case D3DDECLTYPE_SHORT2:
    case D3DDECLTYPE_SHORT4:
        layout = {Storage::Short, type == D3DDECLTYPE_SHORT2 ? 2 : 4};
        return true;
    case D3DDECLTYPE_SHORT2N:
    case D3DDECLTYPE_SHORT4N:
        layout = {Storage::ShortNorm, type == D3DDECLTYPE_SHORT2N ? 2 : 4};
        return true;
    case D3DDECLTYPE_USHORT2N:
    case D3DDECLTYPE_USHORT4N:
        layout = {Storage::UShortNorm, type == D3DDECLTYPE_USHORT2N ? 2 : 4};
        return true;
    case D3DDECLTYPE_UDEC3:
        layout = {Storage::UDec3, 3};
        return true;
    case D3DDECLTYPE_DEC3N:
        layout = {Storage::Dec3N, 3};
        return true;
    case D3DDECLTYPE_FLOAT16_2:
    case D3DDECLTYPE_FLOAT16_4:
        layout = {Storage::Float16, type == D3DDECLTYPE_FLOAT16_2 ? 2 : 4};
        return true;
    default:
        return false;
    }
}

float HalfToFloat(std::uint16_t half) {
    int exponent = (half >> 10) & 31;
    int mantissa = half & 1023;
    float magnitude;
    if (exponent == 0)
        magnitude = std::ldexp(float(mantissa), -24);
    else if (exponent == 31)
        magnitude = mantissa ? NAN : INFINITY;
    else
        magnitude = std::ldexp(float(mantissa + 1024), exponent - 25);
    return (half & 0x8000) ? -magnitude : magnitude;
}

std::uint16_t FloatToHalf(float value) {
    std::uint16_t sign = std::signbit(value) ? 0x8000 : 0;
    float magnitude = std::fabs(value);
    if (std::isnan(magnitude))
        return sign | 0x7E00;
    if (magnitude >= 65520.0f) // rounds beyond the largest half
        return sign | 0x7C00;
    if (magnitude < std::ldexp(1.0f, -14)) // subnormal: units of 2^-24
        return sign | std::uint16_t(std::nearbyint(std::ldexp(magnitude, 24)));
    int exponent;
    float fraction = std::frexp(magnitude, &exponent); // magnitude = fraction * 2^exponent
    auto significand = std::uint32_t(std::nearbyint(std::ldexp(fraction, 11)));
    int biased = exponent - 1 + 15;
    if (significand == 2048) { // rounding carried into the next power of two
        significand = 1024;
        ++biased;
    }
    return sign | std::uint16_t(biased << 10) | std::uint16_t(significand - 1024);
}

// Rounds to nearest and clamps to [low, high]; NaN stores as 0.
long Quantise(float value, float low, float high) {
    if (std::isnan(value))
        return 0;
    return std::lround(std::min(std::max(value, low), high));
}

template <class T>
T Load(const BYTE* data, int index) {
    T value;
    std::memcpy(&value, data + index * sizeof(T), sizeof(T));
    return value;
}

template <class T>
void Store(BYTE* data, int index, T value) {
    std::memcpy(data + index * sizeof(T), &value, sizeof(T));
}

float ReadComponent(Storage storage, const BYTE* data, int i) {
    switch (storage) {
    case Storage::Float32:
        return Load<float>(data, i);
    case Storage::Float16:
        return HalfToFloat(Load<std::uint16_t>(data, i));
    case Storage::Byte:
        return float(data[i]);
    case Storage::ByteNorm:
        return float(data[i]) / 255.0f;
    case Storage::Short:
        return float(Load<std::int16_t>(data, i));
    case Storage::ShortNorm:
        return std::max(float(Load<std::int16_t>(data, i)) / 32767.0f, -1.0f);
    case Storage::UShortNorm:
        return float(Load<std::uint16_t>(data, i)) / 65535.0f;
    case Storage::Color: {
        // Stored as the word 0xAARRGGBB; read as (r, g, b, a).
        static const int byteOf[4] = {2, 1, 0, 3};
        return float(data[byteOf[i]]) / 255.0f;
    }
    case Storage::UDec3:
        return float((Load<std::uint32_t>(data, 0) >> (10 * i)) & 1023);
    case Storage::Dec3N: {
        int field = int((Load<std::uint32_t>(data, 0) >> (10 * i)) & 1023);
        if (field >= 512)
            field -= 1024;
        return std::max(float(field) / 511.0f, -1.0f);
    }
    }
    return 0;
}

void WriteComponent(Storage storage, float value, BYTE* data, int i) {
    switch (storage) {
    case Storage::Float32:
        Store(data, i, value);
        return;
    case Storage::Float16:
        Store(data, i, FloatToHalf(value));
        return;
    case Storage::Byte:
        data[i] = BYTE(Quantise(value, 0, 255));
        return;
    case Storage::ByteNorm:
        data[i] = BYTE(Quantise(value * 255.0f, 0, 255));
        return;
    case Storage::Short:
        Store(data, i, std::int16_t(Quantise(value, -32768, 32767)));
        return;
    case Storage::ShortNorm:
        Store(data, i, std::int16_t(Quantise(value * 32767.0f, -32767, 32767)));
        return;
    case Storage::UShortNorm:
        Store(data, i, std::uint16_t(Quantise(value * 65535.0f, 0, 65535)));
        return;
    case Storage::Color: {
        static const int byteOf[4] = {2, 1, 0, 3};
        data[byteOf[i]] = BYTE(Quantise(value * 255.0f, 0, 255));
        return;
    }
    case Storage::UDec3:
    case Storage::Dec3N: {
        long field = storage == Storage::UDec3 ? Quantise(value, 0, 1023)
                                               : Quantise(value * 511.0f, -511, 511);
        auto word = Load<std::uint32_t>(data, 0);
        word &= ~(1023u << (10 * i));
        word |= (std::uint32_t(field) & 1023u) << (10 * i);
        Store(data, 0, word);
        return;
    }
    }
}

} // namespace

D3DXVECTOR4 ReadVertexElement(BYTE type, const BYTE* data) {
    float v[4] = {0, 0, 0, 1};
    TypeLayout layout;
    if (LayoutOf(type, layout))
        for (int i = 0; i < layout.components; ++i)
            v[i] = ReadComponent(layout.storage, data, i);
    return D3DXVECTOR4(v[0], v[1], v[2], v[3]);
}

void WriteVertexElement(BYTE type, const D3DXVECTOR4& value, BYTE* data) {
    const float v[4] = {value.x, value.y, value.z, value.w};
    TypeLayout layout;
    if (LayoutOf(type, layout))
        for (int i = 0; i < layout.components; ++i)
            WriteComponent(layout.storage, v[i], data, i);
}
