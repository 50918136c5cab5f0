#include "pictavo/catalogue/metadata.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>

#include "pictavo/catalogue/exiv2_access.h"
#include "pictavo/catalogue/jpeg_date_taken.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "shared/photo_name.h"

namespace pictavo {
namespace {

using exiv2::Guarded;
using exiv2::ImagePtr;

// Opens and parses a file; null when it is not an image Exiv2 reads or cannot be read.
ImagePtr OpenImage(const std::string& path, bool jpegOnly) {
    bool isJpeg = false;
    if (jpegOnly &&
        !(Guarded([&] { isJpeg = Exiv2::ImageFactory::getType(path) == Exiv2::ImageType::jpeg; }) &&
          isJpeg))
        return nullptr;
    return exiv2::OpenFile(path);
}

constexpr std::size_t kDateTakenBytes = 40;
constexpr std::size_t kTextUnits = 63;       // longest rating/description kept
constexpr std::size_t kEightBitLimit = 256;  // 8-bit descriptions this long are ignored

std::mutex& XmpToolkitMutex() {
    static std::mutex mutex;
    return mutex;
}

void LockXmpToolkit(void*, bool lock) {
    if (lock) {
        XmpToolkitMutex().lock();
    } else {
        XmpToolkitMutex().unlock();
    }
}

bool IsJpegPath(const std::string& path) {
    return platform::ContainsIgnoreCaseAscii(path, ".jpg") ||
           platform::ContainsIgnoreCaseAscii(path, ".jpeg");
}

std::string Latin1ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// 8-bit text as the locale reads it: UTF-8 here, Latin-1 for bytes that are not.
std::string EightBitToUtf8(std::string_view bytes) {
    return platform::IsValidUtf8(bytes) ? std::string(bytes) : Latin1ToUtf8(bytes);
}

std::string UpToNul(const std::string& text) { return text.substr(0, text.find('\0')); }

std::string RawBytes(const Exiv2::Value& value) {
    std::string bytes(static_cast<std::size_t>(value.size()), '\0');
    if (!bytes.empty())
        value.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    return bytes;
}

// UTF-16LE bytes (the way Windows stores wide text in byte-typed tags).
std::string WideBytesToUtf8(const std::string& bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (unit == 0) break;
        units += unit;
    }
    return platform::Utf16ToUtf8(units);
}

std::string DescriptionFromExif(const Exiv2::ExifData& exif) {
    auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.ImageDescription"));
    if (it == exif.end()) return {};
    if (it->typeId() == Exiv2::asciiString) {
        std::string text = UpToNul(it->value().toString());
        if (text.size() >= kEightBitLimit) return {};
        return platform::CutToUtf16Units(EightBitToUtf8(text), kTextUnits);
    }
    if (it->typeId() == Exiv2::unsignedByte || it->typeId() == Exiv2::undefined)
        return platform::CutToUtf16Units(WideBytesToUtf8(RawBytes(it->value())), kTextUnits);
    return {};
}

bool IptcIsUtf8(const Exiv2::IptcData& iptc) {
    auto it = iptc.findKey(Exiv2::IptcKey("Iptc.Envelope.CharacterSet"));
    return it != iptc.end() && RawBytes(it->value()) == "\x1b%G";
}

std::string CaptionFromIptc(const Exiv2::IptcData& iptc) {
    auto it = iptc.findKey(Exiv2::IptcKey("Iptc.Application2.Caption"));
    if (it == iptc.end()) return {};
    std::string bytes = UpToNul(RawBytes(it->value()));
    std::string text =
        IptcIsUtf8(iptc) && platform::IsValidUtf8(bytes) ? bytes : Latin1ToUtf8(bytes);
    return platform::CutToUtf16Units(text, kTextUnits);
}

std::string RatingFromXmp(const Exiv2::XmpData& xmp) {
    auto it = xmp.findKey(Exiv2::XmpKey("Xmp.xmp.Rating"));
    if (it == xmp.end()) return {};
    std::string text = it->value().toString();
    return platform::Utf16Length(text) < 64 ? text : std::string();
}

// Reads a decimal number the way the C runtime's atoi does, without overflow.
long long LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX + 1LL);
    return negative ? -value : value;
}

}  // namespace

void InitializeMetadata() {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Guarded([] { Exiv2::XmpParser::initialize(LockXmpToolkit, nullptr); });
}

std::optional<std::string> ReadDateTaken(const std::string& path) {
    if (!IsJpegPath(path)) return std::nullopt;
    QuickDateTaken quick = ReadJpegDateTakenQuickly(path);
    if (quick.answer == QuickDateTaken::Answer::Found) return std::move(quick.text);
    if (quick.answer == QuickDateTaken::Answer::Missing) return std::nullopt;
    return ReadDateTakenFully(path);
}

std::optional<std::string> ReadDateTakenFully(const std::string& path) {
    if (!IsJpegPath(path)) return std::nullopt;
    ImagePtr image = OpenImage(path, false);
    if (!image) return std::nullopt;
    std::optional<std::string> text;
    Guarded([&] {
        const Exiv2::ExifData& exif = image->exifData();
        auto it = exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"));
        if (it == exif.end() || it->typeId() != Exiv2::asciiString || it->size() == 0) return;
        std::string stored = UpToNul(it->value().toString());
        if (stored.size() < kDateTakenBytes) text = stored;
    });
    return text;
}

std::optional<PhotoTime> PhotoTimeFromDateTaken(std::string_view text) {
    if (text.size() < 18) return std::nullopt;
    if (text[4] != ':' || text[7] != ':' || text[13] != ':' || text[16] != ':' || text[10] != ' ')
        return std::nullopt;
    auto piece = [&](std::size_t from, std::size_t to) {
        return LeadingNumber(text.substr(from, to - from));
    };
    long long year = piece(0, 4);
    if (year < 1900 || year > 3000) return std::nullopt;
    PhotoTime t;
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(piece(5, 7));
    t.day = static_cast<std::uint16_t>(piece(8, 10));
    t.hour = static_cast<std::uint16_t>(piece(11, 13));
    t.minute = static_cast<std::uint16_t>(piece(14, 16));
    t.second = static_cast<std::uint16_t>(piece(17, text.size()));
    return t;
}

PhotoTime PhotoTimeFromFileTime(std::int64_t lastWriteFileTime) {
    platform::CalendarFields f = platform::LocalFromUtc(lastWriteFileTime);
    PhotoTime t;
    t.second = static_cast<std::uint16_t>(f.second);
    t.minute = static_cast<std::uint16_t>(f.minute);
    t.hour = static_cast<std::uint16_t>(f.hour);
    t.day = static_cast<std::uint16_t>(f.day);
    t.month = static_cast<std::uint16_t>(f.month);
    t.year = static_cast<std::uint16_t>(f.year);
    return t;
}

std::optional<std::uint16_t> ReadOrientation(const std::string& path) {
    ImagePtr image = OpenImage(path, true);
    if (!image) return std::nullopt;
    std::optional<std::uint16_t> orientation;
    Guarded([&] {
        const Exiv2::ExifData& exif = image->exifData();
        auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it == exif.end() || it->typeId() != Exiv2::unsignedShort || it->count() < 1) return;
        orientation = static_cast<std::uint16_t>(it->toLong(0));
    });
    return orientation;
}

std::optional<RatingAndDescription> ReadRatingAndDescription(const std::string& path) {
    ImagePtr image = OpenImage(path, true);
    if (!image) return std::nullopt;
    RatingAndDescription result;
    bool read = Guarded([&] {
        result.rating = RatingFromXmp(image->xmpData());
        result.description = DescriptionFromExif(image->exifData());
        if (result.description.empty()) result.description = CaptionFromIptc(image->iptcData());
    });
    if (!read) return std::nullopt;
    return result;
}

int StarRatingValue(std::string_view ratingText) {
    long long value = LeadingNumber(ratingText);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

RotateFlip RotateFlipForOrientation(int orientation) {
    switch (orientation) {
        case 2:
            return RotateFlip::FlipX;
        case 3:
            return RotateFlip::Rotate180;
        case 4:
            return RotateFlip::Rotate180FlipX;
        case 5:
            return RotateFlip::Rotate90FlipX;
        case 6:
            return RotateFlip::Rotate90;
        case 7:
            return RotateFlip::Rotate270FlipX;
        case 8:
            return RotateFlip::Rotate270;
        default:
            return RotateFlip::None;
    }
}

bool IsPhotoFile(std::string_view name) { return shared::IsPhotoName(name); }

}  // namespace pictavo
