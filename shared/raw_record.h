#pragma once
// A fixed-size little-endian record kept byte for byte as it is stored, with
// typed access to its fields. Text fields are UTF-16LE with a terminating zero
// unit; writing a shorter text leaves the old tail behind the terminator.
// Text fields hold paths: they convert losslessly (platform::PathToUtf16), so
// a path that is not valid UTF-8 reads back byte for byte.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/text.h"

namespace shared {

// Fields are copied as they lie in memory: the files are little-endian.
static_assert(std::endian::native == std::endian::little, "stored records are little-endian");

template <std::size_t Size>
class RawRecord {
  public:
    static constexpr std::size_t kSize = Size;

    void Zero() { bytes_.fill(0); }
    std::uint8_t* Data() { return bytes_.data(); }
    const std::uint8_t* Data() const { return bytes_.data(); }
    bool operator==(const RawRecord& other) const { return bytes_ == other.bytes_; }

    std::int32_t I32(std::size_t offset) const { return Load<std::int32_t>(offset); }
    void SetI32(std::size_t offset, std::int32_t v) { Store(offset, v); }
    std::uint32_t U32(std::size_t offset) const { return Load<std::uint32_t>(offset); }
    void SetU32(std::size_t offset, std::uint32_t v) { Store(offset, v); }
    std::uint16_t U16(std::size_t offset) const { return Load<std::uint16_t>(offset); }
    void SetU16(std::size_t offset, std::uint16_t v) { Store(offset, v); }
    float F32(std::size_t offset) const { return Load<float>(offset); }
    void SetF32(std::size_t offset, float v) { Store(offset, v); }
    std::uint8_t U8(std::size_t offset) const { return bytes_[offset]; }
    void SetU8(std::size_t offset, std::uint8_t v) { bytes_[offset] = v; }

    // Reads up to the first zero unit, never past the field's units.
    std::string Text(std::size_t offset, std::size_t units) const {
        std::u16string text;
        for (std::size_t i = 0; i < units; ++i) {
            char16_t unit = Load<std::uint16_t>(offset + 2 * i);
            if (unit == 0) break;
            text += unit;
        }
        return platform::Utf16ToPath(text);
    }

    // Writes the text cut to units - 1 and a terminator; the tail is left alone.
    void SetText(std::size_t offset, std::size_t units, const std::string& text) {
        std::u16string wide = platform::PathToUtf16(text);
        if (wide.size() > units - 1) wide.resize(units - 1);
        if (!wide.empty() && wide.back() >= 0xD800 && wide.back() <= 0xDBFF) wide.pop_back();
        for (std::size_t i = 0; i < wide.size(); ++i) Store<std::uint16_t>(offset + 2 * i, wide[i]);
        Store<std::uint16_t>(offset + 2 * wide.size(), 0);
    }

  private:
    template <typename T>
    T Load(std::size_t offset) const {
        T v;
        std::memcpy(&v, bytes_.data() + offset, sizeof v);
        return v;
    }
    template <typename T>
    void Store(std::size_t offset, T v) {
        std::memcpy(bytes_.data() + offset, &v, sizeof v);
    }

    std::array<std::uint8_t, Size> bytes_{};
};

}  // namespace shared
