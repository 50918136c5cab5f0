#include "pictavo/catalogue/jpeg_date_taken.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/files.h"

namespace pictavo {
namespace {

using Answer = QuickDateTaken::Answer;

constexpr std::size_t kWindowBytes = 16 * 1024;
constexpr std::size_t kDateTakenBytes = 40;  // the record's text with its terminator
constexpr unsigned kMaxIfdEntries = 256;     // larger directories are not read at all
constexpr std::uint32_t kMaxCount = 0x10000000;

constexpr int kMarkerSoi = 0xD8, kMarkerEoi = 0xD9, kMarkerSos = 0xDA, kMarkerApp1 = 0xE1,
              kMarkerApp13 = 0xED, kMarkerCom = 0xFE;
constexpr int kSearchKinds = 5;
constexpr std::uint16_t kTagExifIfd = 0x8769, kTagDateTimeOriginal = 0x9003;
constexpr std::uint16_t kTypeAscii = 2, kTypeLong = 4, kTypeIfd = 13;

// The file read through a window that moves as the segments are walked.
class FileHead {
  public:
    // Non-blocking: a FIFO put in the photo's place is never waited for.
    explicit FileHead(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {
        struct stat st;
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode))
            size_ = static_cast<std::uint64_t>(st.st_size);
    }
    ~FileHead() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHead(const FileHead&) = delete;
    FileHead& operator=(const FileHead&) = delete;

    std::uint64_t Size() const { return size_; }
    // The bytes [offset, offset + length), or null when they are not all in the file.
    const unsigned char* Get(std::uint64_t offset, std::size_t length) {
        if (offset + length > size_) return nullptr;
        if (offset < start_ || offset + length > start_ + window_.size()) {
            if (!Fill(offset, length)) return nullptr;
        }
        return window_.data() + (offset - start_);
    }

  private:
    bool Fill(std::uint64_t offset, std::size_t length) {
        std::size_t want = std::max(length, kWindowBytes);
        want = static_cast<std::size_t>(std::min<std::uint64_t>(want, size_ - offset));
        window_.resize(want);
        ssize_t got = platform::ReadAllAt(fd_, window_.data(), want, static_cast<off_t>(offset));
        window_.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
        start_ = offset;
        return window_.size() >= length;
    }

    int fd_;
    std::uint64_t size_ = 0;
    std::uint64_t start_ = 0;
    std::vector<unsigned char> window_;
};

std::uint16_t BigEndian16(const unsigned char* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

// A TIFF structure held in memory with its byte order.
class Tiff {
  public:
    Tiff(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool ReadHeader(std::uint32_t& firstIfd) {
        if (size_ < 8) return false;
        if (data_[0] == 'I' && data_[1] == 'I') {
            little_ = true;
        } else if (data_[0] != 'M' || data_[1] != 'M') {
            return false;
        }
        if (U16(2) != 42) return false;
        firstIfd = U32(4);
        return true;
    }

    struct Entry {
        std::uint16_t tag, type;
        std::uint32_t count;
        std::size_t at;  // where the entry starts
    };

    // Every entry of the directory at offset when it is whole and sound.
    std::optional<std::vector<Entry>> Directory(std::uint32_t offset) const {
        if (offset < 8 || std::uint64_t{offset} + 2 > size_) return std::nullopt;
        const unsigned n = U16(offset);
        if (n > kMaxIfdEntries || offset + 2 + 12 * std::uint64_t{n} > size_) return std::nullopt;
        std::vector<Entry> entries;
        for (unsigned i = 0; i < n; ++i) {
            const std::size_t at = offset + 2 + 12 * std::size_t{i};
            Entry e{U16(at), U16(at + 2), U32(at + 4), at};
            if (!Sound(e)) return std::nullopt;
            entries.push_back(e);
        }
        return entries;
    }

    // Where an entry's value bytes are (inline when they fit in four bytes).
    const unsigned char* Value(const Entry& e) const {
        return e.count * TypeSize(e.type) <= 4 ? data_ + e.at + 8 : data_ + U32(e.at + 8);
    }
    std::uint32_t U32At(const Entry& e) const { return U32(e.at + 8); }

  private:
    static std::uint32_t TypeSize(std::uint16_t type) {
        static const std::uint32_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        return type < std::size(kSizes) ? kSizes[type] : 0;
    }
    // A known type, a sane count and value bytes that lie inside the data.
    bool Sound(const Entry& e) const {
        const std::uint32_t typeSize = TypeSize(e.type);
        if (typeSize == 0 || e.count >= kMaxCount) return false;
        const std::uint64_t bytes = std::uint64_t{typeSize} * e.count;
        if (bytes <= 4) return true;
        const std::uint32_t offset = U32(e.at + 8);
        return offset > 0 && offset <= INT32_MAX && offset < size_ && offset + bytes <= size_;
    }
    std::uint16_t U16(std::size_t at) const {
        const unsigned char* p = data_ + at;
        return little_ ? static_cast<std::uint16_t>(p[0] | (p[1] << 8)) : BigEndian16(p);
    }
    std::uint32_t U32(std::size_t at) const {
        const unsigned char* p = data_ + at;
        return little_ ? (std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                          (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24))
                       : ((std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) |
                          (std::uint32_t{p[2]} << 8) | std::uint32_t{p[3]});
    }

    const unsigned char* data_;
    std::size_t size_;
    bool little_ = false;
};

// The one entry with the tag; Unsure when it occurs more than once.
std::optional<const Tiff::Entry*> Single(const std::vector<Tiff::Entry>& entries, std::uint16_t tag,
                                         bool& unsure) {
    const Tiff::Entry* found = nullptr;
    for (const Tiff::Entry& e : entries) {
        if (e.tag != tag) continue;
        if (found) unsure = true;
        found = &e;
    }
    if (!found) return std::nullopt;
    return found;
}

QuickDateTaken DateFromExif(const unsigned char* data, std::size_t size) {
    const QuickDateTaken unsure{Answer::Unsure, {}}, missing{Answer::Missing, {}};
    Tiff tiff(data, size);
    std::uint32_t ifd0 = 0;
    if (!tiff.ReadHeader(ifd0)) return unsure;
    auto entries0 = tiff.Directory(ifd0);
    if (!entries0) return unsure;
    bool ambiguous = false;
    auto pointer = Single(*entries0, kTagExifIfd, ambiguous);
    if (ambiguous) return unsure;
    if (!pointer) return missing;
    const Tiff::Entry& p = **pointer;
    if ((p.type != kTypeLong && p.type != kTypeIfd) || p.count != 1) return unsure;
    const std::uint32_t exifIfd = tiff.U32At(p);
    if (exifIfd == ifd0) return unsure;
    auto exifEntries = tiff.Directory(exifIfd);
    if (!exifEntries) return unsure;
    auto date = Single(*exifEntries, kTagDateTimeOriginal, ambiguous);
    if (ambiguous) return unsure;
    if (!date) return missing;
    const Tiff::Entry& d = **date;
    if (d.type != kTypeAscii || d.count == 0) return missing;
    const char* text = reinterpret_cast<const char*>(tiff.Value(d));
    std::string value(text, strnlen(text, d.count));
    if (value.size() >= kDateTakenBytes) return missing;
    return {Answer::Found, std::move(value)};
}

bool IsStartOfFrame(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Segments too short for what their marker announces are left to the full reader.
bool TooShort(int marker, std::uint16_t length) {
    if (length < 2) return true;
    if (marker == kMarkerApp1) return length < 31;
    if (marker == kMarkerApp13) return length < 16;
    return IsStartOfFrame(marker) && length < 8;
}

}  // namespace

QuickDateTaken ReadJpegDateTakenQuickly(const std::string& path) {
    const QuickDateTaken unsure{Answer::Unsure, {}};
    FileHead file(path);
    const unsigned char* soi = file.Get(0, 2);
    if (!soi || soi[0] != 0xFF || soi[1] != kMarkerSoi) return unsure;
    std::optional<QuickDateTaken> exif;
    // The full reader may stop looking after five segments of the kinds it
    // collects; an Exif block behind that many is left to it.
    int searchEnders = 0;
    for (std::uint64_t at = 2;;) {
        const unsigned char* head = file.Get(at, 4);
        if (!head || head[0] != 0xFF) return unsure;
        const int marker = head[1];
        if (marker == kMarkerSos || marker == kMarkerEoi) break;
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 ||
            (marker >= 0xD0 && marker <= 0xD8))
            return unsure;
        const std::uint16_t length = BigEndian16(head + 2);
        if (TooShort(marker, length) || at + 2 + length > file.Size()) return unsure;
        if (marker == kMarkerApp1 && !exif) {
            const unsigned char* segment = file.Get(at + 4, length - 2u);
            if (!segment) return unsure;
            if (std::memcmp(segment, "Exif\0\0", 6) == 0) {
                if (searchEnders >= kSearchKinds) return unsure;
                exif = DateFromExif(segment + 6, length - 8u);
            }
        }
        if (marker == kMarkerApp1 || marker == kMarkerApp13 || marker == kMarkerCom ||
            IsStartOfFrame(marker))
            ++searchEnders;
        at += 2 + length;
    }
    if (!exif) return {Answer::Missing, {}};
    return *exif;
}

}  // namespace pictavo
