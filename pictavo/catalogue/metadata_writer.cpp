#include "pictavo/catalogue/metadata_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "pictavo/catalogue/exiv2_access.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/photo_file.h"
#include "pictavo/catalogue/png_crc.h"
#include "platform/files.h"

namespace pictavo {
namespace {

using Bytes = std::vector<unsigned char>;
using Result = RatingWriteResult;

// The JPEG XMP segment's name, terminator included.
constexpr std::string_view kJpegXmpName{"http://ns.adobe.com/xap/1.0/", 29};
constexpr std::string_view kPngXmpKeyword{"XML:com.adobe.xmp", 18};
constexpr std::size_t kLargestSegmentPayload = 65533;
constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Where the file's XMP packet is (begin..end covers its whole segment or
// chunk), or where a new one goes (begin == end), and the packet itself.
struct XmpPlace {
    std::size_t begin = 0, end = 0;
    std::string packet;
    bool compressed = false;  // a compressed PNG text: the packet comes from Exiv2
};

bool StartsWith(const unsigned char* data, std::size_t size, std::string_view prefix) {
    return size >= prefix.size() && std::memcmp(data, prefix.data(), prefix.size()) == 0;
}

bool IsJpeg(const Bytes& data) { return data.size() >= 4 && data[0] == 0xFF && data[1] == 0xD8; }
bool IsPng(const Bytes& data) {
    return StartsWith(data.data(), data.size(),
                      {reinterpret_cast<const char*>(kPngSignature), sizeof kPngSignature});
}
bool IsBmp(const Bytes& data) { return data.size() >= 2 && data[0] == 'B' && data[1] == 'M'; }

// The XMP segment, else the place after the leading JFIF and Exif segments.
bool FindJpegXmp(const Bytes& jpeg, XmpPlace& place) {
    place.begin = place.end = 2;
    bool leading = true;
    for (std::size_t at = 2;;) {
        if (at + 2 > jpeg.size() || jpeg[at] != 0xFF) return false;
        unsigned char marker = jpeg[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return true;
        if (at + 4 > jpeg.size()) return false;
        std::size_t length = static_cast<std::size_t>(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) return false;
        const std::size_t next = at + 2 + length;
        const unsigned char* payload = &jpeg[at + 4];
        if (marker == 0xE1 && StartsWith(payload, length - 2, kJpegXmpName)) {
            place.begin = at, place.end = next;
            place.packet.assign(reinterpret_cast<const char*>(payload) + kJpegXmpName.size(),
                                length - 2 - kJpegXmpName.size());
            return true;
        }
        leading = leading && (marker == 0xE0 || marker == 0xE1);
        if (leading) place.begin = place.end = next;
        at = next;
    }
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// iTXt: keyword, 0, compression flag and method, language, 0, translated keyword, 0, text.
void ReadPngXmp(const unsigned char* data, std::size_t size, XmpPlace& place) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    rest.remove_prefix(kPngXmpKeyword.size());
    place.compressed = !rest.empty() && rest[0] != 0;
    rest.remove_prefix(std::min<std::size_t>(2, rest.size()));
    for (int field = 0; field < 2; ++field)
        rest.remove_prefix(std::min(rest.find('\0') + 1, rest.size()));
    place.packet = std::string(rest);
}

// The XMP text chunk, else the place right after the header.
bool FindPngXmp(const Bytes& png, XmpPlace& place) {
    for (std::size_t at = sizeof kPngSignature; at + 12 <= png.size();) {
        std::size_t length = BigEndian32(&png[at]);
        if (length > png.size() - at - 12) return false;
        std::string_view type(reinterpret_cast<const char*>(&png[at + 4]), 4);
        const std::size_t next = at + 12 + length;
        if (type == "IHDR") place.begin = place.end = next;
        if (type == "IEND") return place.end != 0;
        if (type == "iTXt" && StartsWith(&png[at + 8], length, kPngXmpKeyword)) {
            place.begin = at, place.end = next;
            ReadPngXmp(&png[at + 8], length, place);
            return true;
        }
        at = next;
    }
    return false;
}

bool PacketFromExiv2(const Bytes& data, std::string& packet) {
    exiv2::ImagePtr image = exiv2::OpenBytes(data);
    return image && exiv2::Guarded([&] { packet = image->xmpPacket(); });
}

// The packet with the rating set or removed; changed says whether it differs,
// previous what it held (1..5, else 0).
bool RatedPacket(const std::string& packet, int stars, std::string& out, bool& changed,
                 int& previous) {
    return exiv2::Guarded([&] {
        Exiv2::XmpData xmp;
        if (!packet.empty() && Exiv2::XmpParser::decode(xmp, packet) != 0)
            throw std::runtime_error("malformed XMP packet");
        auto it = xmp.findKey(Exiv2::XmpKey("Xmp.xmp.Rating"));
        const int held = it == xmp.end() ? 0 : StarRatingValue(it->toString());
        previous = held >= 1 && held <= 5 ? held : 0;
        const std::string wanted = stars > 0 ? std::to_string(stars) : std::string();
        changed = it == xmp.end() ? stars > 0 : it->toString() != wanted;
        if (!changed) return;
        if (it != xmp.end()) xmp.erase(it);
        if (stars > 0) xmp["Xmp.xmp.Rating"] = wanted;
        out.clear();
        if (!xmp.empty() && Exiv2::XmpParser::encode(out, xmp,
                                                     Exiv2::XmpParser::useCompactFormat |
                                                         Exiv2::XmpParser::omitAllFormatting) != 0)
            throw std::runtime_error("XMP packet not written");
    });
}

void PutBigEndian(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

Bytes JpegXmpSegment(const std::string& packet) {
    Bytes segment = {0xFF, 0xE1};
    PutBigEndian(segment, static_cast<std::uint32_t>(2 + kJpegXmpName.size() + packet.size()), 2);
    segment.insert(segment.end(), kJpegXmpName.begin(), kJpegXmpName.end());
    segment.insert(segment.end(), packet.begin(), packet.end());
    return segment;
}

// Uncompressed, with no language: the form Exiv2 and most tools write.
Bytes PngXmpChunk(const std::string& packet) {
    Bytes chunk;
    PutBigEndian(chunk, static_cast<std::uint32_t>(kPngXmpKeyword.size() + 4 + packet.size()), 4);
    for (char c : std::string_view("iTXt")) chunk.push_back(static_cast<unsigned char>(c));
    chunk.insert(chunk.end(), kPngXmpKeyword.begin(), kPngXmpKeyword.end());
    chunk.insert(chunk.end(), {0, 0, 0, 0});
    chunk.insert(chunk.end(), packet.begin(), packet.end());
    PutBigEndian(chunk, PngCrc32(chunk.data() + 4, chunk.size() - 4), 4);
    return chunk;
}

Result Replaced(const std::string& path, const Bytes& data, const XmpPlace& place,
                const Bytes& replacement) {
    Bytes out(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(place.begin));
    out.insert(out.end(), replacement.begin(), replacement.end());
    out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(place.end), data.end());
    int error =
        platform::WriteFileAtomically(path, out.data(), out.size(), platform::FileTimes::Kept);
    return error == 0 ? Result{} : Result{Result::SaveFailed, error};
}

bool IsReadOnly(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           (info.st_mode & S_IWUSR) == 0;
}

}  // namespace

RatingWriteResult WritePhotoRating(const std::string& path, int stars) {
    if (stars < 0 || stars > 5) return {Result::SaveFailed, EINVAL};
    if (IsReadOnly(path)) return {Result::ReadOnly};
    Bytes data;
    if (!ReadRegularFile(path, data)) return {Result::CannotOpen};
    if (IsBmp(data)) return {Result::CannotHoldXmp};
    const bool jpeg = IsJpeg(data);
    XmpPlace place;
    if (!(jpeg ? FindJpegXmp(data, place) : IsPng(data) && FindPngXmp(data, place)))
        return {Result::CannotOpen};
    if (place.compressed && !PacketFromExiv2(data, place.packet)) return {Result::UnreadableXmp};
    std::string packet;
    bool changed = false;
    int previous = 0;
    if (!RatedPacket(place.packet, stars, packet, changed, previous))
        return {Result::UnreadableXmp};
    RatingWriteResult result;
    if (changed && jpeg && kJpegXmpName.size() + packet.size() > kLargestSegmentPayload) {
        result = {Result::SaveFailed, EFBIG};
    } else if (changed) {
        Bytes replacement;
        if (!packet.empty()) replacement = jpeg ? JpegXmpSegment(packet) : PngXmpChunk(packet);
        result = Replaced(path, data, place, replacement);
    }
    result.previousStars = previous;
    return result;
}

}  // namespace pictavo
