// Little-endian fields of file headers. Callers check that the bytes are
// there before they read them.
#pragma once

#include <cstdint>

inline std::uint16_t ReadLe16(const std::uint8_t* bytes) {
    return std::uint16_t(bytes[0] | bytes[1] << 8);
}

inline std::uint32_t ReadLe32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}
