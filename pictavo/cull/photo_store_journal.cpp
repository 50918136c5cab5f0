#include "pictavo/cull/photo_store_journal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/files.h"

namespace pictavo {
namespace {

const char kHeader[] = "# Pictavo store journal 1: store name, folder, name, checksum\n";
const char kCullTag[] = "cull";
constexpr std::size_t kFieldsPerLine = 5;

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7F || c == '%'; }

std::string Escape(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (NeedsEscape(c)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        int high = HexValue(text[i + 1]), low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

std::string Checksum(std::string_view text) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08x", hash);
    return buffer;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

bool IsName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

bool IsFolder(const std::string& folder) {
    return !folder.empty() && folder[0] == '/' && folder.find('\0') == std::string::npos;
}

std::optional<StoredCull> ParseLine(std::string_view line) {
    std::vector<std::string_view> fields = SplitTabs(line);
    if (fields.size() != kFieldsPerLine || fields[0] != kCullTag) return std::nullopt;
    const std::size_t checked = line.size() - fields[4].size() - 1;
    if (Checksum(line.substr(0, checked)) != fields[4]) return std::nullopt;
    auto storeName = Unescape(fields[1]), folder = Unescape(fields[2]), name = Unescape(fields[3]);
    if (!storeName || !folder || !name) return std::nullopt;
    if (!IsName(*storeName) || !IsFolder(*folder) || !IsName(*name)) return std::nullopt;
    return StoredCull{*storeName, *folder, *name};
}

void RemoveStoreName(std::vector<StoredCull>& entries, const std::string& storeName) {
    std::erase_if(entries, [&](const StoredCull& e) { return e.storeName == storeName; });
}

}  // namespace

std::string JournalText(const std::vector<StoredCull>& entries) {
    std::string text = kHeader;
    for (const StoredCull& e : entries) {
        std::string line = std::string(kCullTag) + '\t' + Escape(e.storeName) + '\t' +
                           Escape(e.folder) + '\t' + Escape(e.name);
        text += line + '\t' + Checksum(line) + '\n';
    }
    return text;
}

std::vector<StoredCull> ParseJournal(std::string_view text) {
    std::vector<StoredCull> entries;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        if (std::optional<StoredCull> entry = ParseLine(text.substr(start, end - start))) {
            RemoveStoreName(entries, entry->storeName);  // a later cull of the same name wins
            entries.push_back(std::move(*entry));
        }
    }
    return entries;  // a last line without its line end was cut short
}

void StoreJournal::Open(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = path;
    entries_.clear();
    if (path.empty()) return;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    entries_ = ParseJournal(text);
}

std::vector<StoredCull> StoreJournal::Entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

void StoreJournal::Add(const StoredCull& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    RemoveStoreName(entries_, entry.storeName);
    entries_.push_back(entry);
    SaveLocked();
}

void StoreJournal::Remove(const std::string& storeName) {
    std::lock_guard<std::mutex> lock(mutex_);
    RemoveStoreName(entries_, storeName);
    SaveLocked();
}

std::optional<StoredCull> StoreJournal::Find(const std::string& storeName) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const StoredCull& e : entries_)
        if (e.storeName == storeName) return e;
    return std::nullopt;
}

void StoreJournal::KeepStored(const std::string& storeFolder) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t before = entries_.size();
    std::erase_if(entries_, [&](const StoredCull& e) {
        std::optional<platform::DirEntry> file = platform::GetAttributes(storeFolder + e.storeName);
        return !file || !file->regularFile;
    });
    if (entries_.size() != before) SaveLocked();
}

void StoreJournal::SaveLocked() const {
    if (path_.empty()) return;
    // The journal only helps Undelete after a restart; a failed write leaves
    // the previous journal whole and the cull itself stands.
    std::string text = JournalText(entries_);
    platform::WriteFileAtomically(path_, text.data(), text.size());
}

}  // namespace pictavo
