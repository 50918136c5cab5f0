#pragma once
// The CRC-32 that closes every PNG chunk (over its type and data).
#include <cstddef>
#include <cstdint>

namespace pictavo {

inline std::uint32_t PngCrc32(const unsigned char* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace pictavo
