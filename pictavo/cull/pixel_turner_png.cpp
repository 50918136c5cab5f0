#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "pictavo/cull/pixel_turner_formats.h"

namespace pictavo {
namespace {

constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Chunk {
    std::string_view type;
    const unsigned char* begin;  // the whole chunk: length, type, data and CRC
    std::size_t size;
};

std::uint32_t BigEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool SplitChunks(const TurnBytes& png, std::vector<Chunk>& chunks) {
    if (png.size() < kSignature.size() ||
        !std::equal(kSignature.begin(), kSignature.end(), png.begin()))
        return false;
    for (std::size_t at = kSignature.size(); at < png.size();) {
        if (png.size() - at < 12) return false;
        std::size_t length = BigEndian32(&png[at]);
        if (length > png.size() - at - 12) return false;
        chunks.push_back({std::string_view(reinterpret_cast<const char*>(&png[at + 4]), 4),
                          &png[at], length + 12});
        at += length + 12;
        if (chunks.back().type == "IEND") return true;
    }
    return false;
}

bool IsOneOf(std::string_view type, std::initializer_list<std::string_view> types) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

// Chunks that describe the picture's layout or pixels come from the new encoding.
bool DescribesPixels(std::string_view type) {
    return IsOneOf(type, {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"});
}

// Ancillary chunks that must precede the palette.
bool PrecedesPalette(std::string_view type) {
    return IsOneOf(type, {"cHRM", "gAMA", "iCCP", "sBIT", "sRGB", "cICP", "mDCv", "cLLi"});
}

// Chunks whose values are given in the colour type and bit depth of IHDR.
bool FollowsSampleFormat(std::string_view type) { return IsOneOf(type, {"bKGD", "sBIT", "hIST"}); }

// Unknown chunks marked unsafe to copy may depend on the pixels and are dropped;
// the known ones listed here do not depend on the picture's orientation.
bool SurvivesTurn(std::string_view type) {
    bool ancillary = (type[0] & 0x20) != 0, safeToCopy = (type[3] & 0x20) != 0;
    return (ancillary && safeToCopy) || PrecedesPalette(type) || FollowsSampleFormat(type) ||
           IsOneOf(type, {"pHYs", "tIME", "sPLT"});
}

void Append(TurnBytes& out, const Chunk& chunk) {
    out.insert(out.end(), chunk.begin, chunk.begin + chunk.size);
}

const Chunk* Find(const std::vector<Chunk>& chunks, std::string_view type) {
    for (const Chunk& chunk : chunks)
        if (chunk.type == type) return &chunk;
    return nullptr;
}

// Colour type and bit depth, the two bytes after width and height.
bool SameSampleFormat(const Chunk& a, const Chunk& b) {
    return a.size >= 22 && b.size >= 22 && a.begin[16] == b.begin[16] && a.begin[17] == b.begin[17];
}

}  // namespace

bool SplicePngChunks(const TurnBytes& source, const TurnBytes& turnedEncoding, TurnBytes& out) {
    std::vector<Chunk> kept, fresh;
    if (!SplitChunks(source, kept) || !SplitChunks(turnedEncoding, fresh)) return false;
    const Chunk* header = Find(fresh, "IHDR");
    const Chunk* oldHeader = Find(kept, "IHDR");
    if (!header || !oldHeader || !Find(fresh, "IDAT")) return false;
    bool sameFormat = SameSampleFormat(*header, *oldHeader);
    auto keep = [&](const Chunk& c) {
        return !DescribesPixels(c.type) && SurvivesTurn(c.type) &&
               (sameFormat || !FollowsSampleFormat(c.type));
    };
    auto firstData =
        std::find_if(kept.begin(), kept.end(), [](const Chunk& c) { return c.type == "IDAT"; });

    out.assign(kSignature.begin(), kSignature.end());
    Append(out, *header);
    for (auto c = kept.begin(); c != firstData; ++c)
        if (keep(*c) && PrecedesPalette(c->type)) Append(out, *c);
    for (const Chunk& c : fresh)
        if (c.type == "PLTE" || c.type == "tRNS") Append(out, c);
    for (auto c = kept.begin(); c != firstData; ++c)
        if (keep(*c) && !PrecedesPalette(c->type)) Append(out, *c);
    for (const Chunk& c : fresh)
        if (c.type == "IDAT") Append(out, c);
    for (auto c = firstData; c != kept.end(); ++c)
        if (keep(*c)) Append(out, *c);
    Append(out, *Find(fresh, "IEND"));
    return true;
}

}  // namespace pictavo
