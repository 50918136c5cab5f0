#pragma once
// Reads stored record bytes at the offsets of the file tables, independently of
// the record classes' own constants, so a wrong constant fails a test.
#include <cstdint>
#include <cstring>
#include <string>

namespace testing_support {

template <typename Record>
std::string RecordBytes(const Record& r) {
    return std::string(reinterpret_cast<const char*>(r.Data()), Record::kSize);
}

inline std::int32_t I32At(const std::string& b, std::size_t offset) {
    std::int32_t v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

inline float F32At(const std::string& b, std::size_t offset) {
    float v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

// Up to the first zero unit, never past the field's units.
inline std::u16string Utf16At(const std::string& b, std::size_t offset, std::size_t units) {
    std::u16string s;
    for (std::size_t i = 0; i < units; ++i) {
        char16_t c = static_cast<char16_t>(static_cast<unsigned char>(b[offset + 2 * i]) |
                                           static_cast<unsigned char>(b[offset + 2 * i + 1]) << 8);
        if (c == 0) break;
        s += c;
    }
    return s;
}

inline bool ZeroRange(const std::string& b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (b[i] != 0) return false;
    return true;
}

}  // namespace testing_support
