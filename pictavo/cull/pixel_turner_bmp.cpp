#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "pictavo/cull/pixel_turner_formats.h"

namespace pictavo {
namespace {

constexpr std::size_t kFileHeader = 14;
constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
constexpr std::size_t kV5Size = 124, kV5ProfileOffset = 112, kV5ProfileSize = 116;

std::uint32_t Read32(const TurnBytes& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}
void Write32(TurnBytes& b, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

struct Layout {
    std::int64_t width = 0, height = 0;  // height as stored: negative rows run top-down
    int bits = 0;
    std::size_t pixels = 0, stride = 0;

    std::int64_t Rows() const { return std::llabs(height); }
    std::size_t Size() const { return stride * static_cast<std::size_t>(Rows()); }
    // The stored row of picture row y (0 at the top).
    std::size_t RowAt(std::int64_t y) const {
        return pixels + stride * static_cast<std::size_t>(height < 0 ? y : Rows() - 1 - y);
    }
};

std::size_t Stride(std::int64_t width, int bits) {
    return static_cast<std::size_t>((width * bits + 31) / 32 * 4);
}

// Uncompressed pixel arrays with an INFO header or a later one.
bool ReadLayout(const TurnBytes& bmp, Layout& layout) {
    if (bmp.size() < kFileHeader + 40 || bmp[0] != 'B' || bmp[1] != 'M') return false;
    std::uint32_t headerSize = Read32(bmp, 14), compression = Read32(bmp, 30);
    if (headerSize < 40 || bmp[26] != 1 || bmp[27] != 0) return false;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
        return false;
    layout.width = static_cast<std::int32_t>(Read32(bmp, 18));
    layout.height = static_cast<std::int32_t>(Read32(bmp, 22));
    layout.bits = bmp[28] | bmp[29] << 8;
    layout.pixels = Read32(bmp, 10);
    switch (layout.bits) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return false;
    }
    if (layout.width <= 0 || layout.height == 0 || layout.width > 1 << 20 ||
        layout.Rows() > 1 << 20)
        return false;
    layout.stride = Stride(layout.width, layout.bits);
    return layout.pixels >= kFileHeader + headerSize && layout.pixels <= bmp.size() &&
           layout.Size() <= bmp.size() - layout.pixels;
}

// Copies the pixel at column x of one row to column to of another; pixels of
// fewer than 8 bits are packed from the high bit down.
void CopyPixel(const unsigned char* from, std::int64_t x, unsigned char* to, std::int64_t column,
               int bits) {
    if (bits >= 8) {
        std::memcpy(to + column * (bits / 8), from + x * (bits / 8),
                    static_cast<std::size_t>(bits / 8));
        return;
    }
    int perByte = 8 / bits, mask = (1 << bits) - 1;
    int value = from[x / perByte] >> ((perByte - 1 - x % perByte) * bits) & mask;
    int shift = (perByte - 1 - static_cast<int>(column % perByte)) * bits;
    unsigned char& cell = to[column / perByte];
    cell = static_cast<unsigned char>((cell & ~(mask << shift)) | value << shift);
}

}  // namespace

bool TurnBmpLosslessly(const TurnBytes& bmp, TurnBytes& out) {
    Layout from;
    if (!ReadLayout(bmp, from)) return false;
    Layout to = from;
    to.width = from.Rows();
    to.height = from.height < 0 ? -from.width : from.width;
    to.stride = Stride(to.width, to.bits);
    // Everything before and after the pixel array stays; what follows moves.
    out.assign(bmp.begin(), bmp.begin() + static_cast<std::ptrdiff_t>(from.pixels));
    out.resize(from.pixels + to.Size(), 0);
    out.insert(out.end(), bmp.begin() + static_cast<std::ptrdiff_t>(from.pixels + from.Size()),
               bmp.end());
    for (std::int64_t y = 0; y < to.Rows(); ++y) {
        unsigned char* row = &out[to.RowAt(y)];
        for (std::int64_t x = 0; x < to.width; ++x)
            CopyPixel(&bmp[from.RowAt(from.Rows() - 1 - x)], y, row, x, from.bits);
    }
    Write32(out, 2, static_cast<std::uint32_t>(out.size()));
    Write32(out, 18, static_cast<std::uint32_t>(to.width));
    Write32(out, 22, static_cast<std::uint32_t>(static_cast<std::int32_t>(to.height)));
    if (Read32(bmp, 34) != 0) Write32(out, 34, static_cast<std::uint32_t>(to.Size()));
    // A colour profile stored after the pixels is found by its offset from the header.
    if (Read32(bmp, 14) >= kV5Size && Read32(bmp, kFileHeader + kV5ProfileSize) != 0) {
        std::uint32_t profile = Read32(bmp, kFileHeader + kV5ProfileOffset);
        if (kFileHeader + profile >= from.pixels + from.Size())
            Write32(out, kFileHeader + kV5ProfileOffset,
                    static_cast<std::uint32_t>(profile + to.Size() - from.Size()));
    }
    return true;
}

}  // namespace pictavo
