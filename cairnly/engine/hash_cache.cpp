#include "cairnly/engine/hash_cache.h"

#include <cryptopp/crc.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/files.h"
#include "platform/known_folders.h"

namespace cairnly {

namespace {

static_assert(std::endian::native == std::endian::little, "the cache is written little-endian");

constexpr char kMagic[8] = {'C', 'a', 'i', 'r', 'n', 'H', 'C', '\n'};
constexpr std::size_t kMachineBytes = 32;
// magic, layout, entry size, count, machine id, checksum, padding
constexpr std::size_t kHeaderBytes = 8 + 4 + 4 + 8 + kMachineBytes + 4 + 4;
constexpr std::size_t kChecksumAt = 8 + 4 + 4 + 8 + kMachineBytes;
// device, inode, size, write, change, head key, digest, flags
constexpr std::size_t kEntryBytes = 6 * 8 + 20 + 4;

template <typename T>
void Put(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
T Get(const char*& in) {
    T value;
    std::memcpy(&value, in, sizeof value);
    in += sizeof value;
    return value;
}

std::string MachineField(const std::string& id) {
    std::string field = id.substr(0, kMachineBytes);
    field.resize(kMachineBytes, '\0');
    return field;
}

std::uint32_t Checksum(const char* header, const char* entries, std::size_t entryBytes) {
    CryptoPP::CRC32C crc;
    crc.Update(reinterpret_cast<const CryptoPP::byte*>(header), kChecksumAt);
    crc.Update(reinterpret_cast<const CryptoPP::byte*>(entries), entryBytes);
    std::uint32_t value = 0;
    crc.Final(reinterpret_cast<CryptoPP::byte*>(&value));
    return value;
}

std::string FirstLine(const char* path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

HashCache::HashCache(std::string path, std::string machineId, std::size_t maxEntries)
    : path_(std::move(path)), machineId_(MachineField(machineId)), maxEntries_(maxEntries) {}

std::string HashCache::MachineId() {
    for (const char* file : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        std::string id = FirstLine(file);
        if (!id.empty()) return id;
    }
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0 && host[0] != '\0') return host;
    return "unknown";
}

std::string HashCache::DefaultPath() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // Relative values are invalid by the base-directory rules and are ignored.
    const std::string base = xdg && xdg[0] == '/' ? xdg : platform::HomeFolder() + "/.cache";
    return platform::JoinPath(platform::JoinPath(base, "quillfen"), "cairnly-hashes.bin");
}

CacheLoad HashCache::Load() {
    std::ifstream in(path_, std::ios::binary | std::ios::ate);
    if (!in) return CacheLoad::Missing;
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())), '\0');
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) bytes.clear();
    std::lock_guard<std::mutex> lock(mutex_);
    const bool parsed = Parse(bytes);
    if (!parsed) {
        loaded_.clear();
        loadedIndex_.Clear();
    }
    met_ = std::make_unique<std::atomic<bool>[]>(loaded_.size());
    return parsed ? CacheLoad::Loaded : CacheLoad::Ignored;
}

bool HashCache::Parse(const std::string& bytes) {
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return false;
    const char* in = bytes.data() + sizeof kMagic;
    const auto layout = Get<std::uint32_t>(in);
    const auto entrySize = Get<std::uint32_t>(in);
    const auto count = Get<std::uint64_t>(in);
    const std::string machine(in, kMachineBytes);
    in += kMachineBytes;
    const auto checksum = Get<std::uint32_t>(in);
    const std::size_t entryBytes = bytes.size() - kHeaderBytes;
    if (layout != kLayoutVersion || entrySize != kEntryBytes || machine != machineId_ ||
        count > maxEntries_ || count * kEntryBytes != entryBytes)
        return false;
    const char* entries = bytes.data() + kHeaderBytes;
    if (Checksum(bytes.data(), entries, entryBytes) != checksum) return false;
    loaded_.clear();
    loaded_.reserve(count);
    loadedIndex_.Reset(count);
    in = entries;
    for (std::uint64_t i = 0; i < count; ++i) {
        Entry e;
        e.stamp.device = Get<std::uint64_t>(in);
        e.stamp.inode = Get<std::uint64_t>(in);
        e.stamp.size = Get<std::int64_t>(in);
        e.stamp.writeNs = Get<std::int64_t>(in);
        e.stamp.changeNs = Get<std::int64_t>(in);
        e.hashes.headKey = Get<std::uint64_t>(in);
        std::memcpy(e.hashes.digest.data(), in, e.hashes.digest.size());
        in += e.hashes.digest.size();
        e.hashes.digestReady = (Get<std::uint32_t>(in) & 1u) != 0;
        std::uint32_t& slot = loadedIndex_.Slot(HashOf(e.stamp), [&](std::uint32_t at) {
            return SameFile(loaded_[at].stamp, e.stamp);
        });
        if (slot != FlatIndex::kEmpty) return false;  // a sound file never names a file twice
        slot = static_cast<std::uint32_t>(loaded_.size());
        loaded_.push_back(e);
    }
    return true;
}

std::optional<FileHashes> HashCache::Find(const FileStamp& stamp) {
    const std::uint32_t at = loadedIndex_.Find(
        HashOf(stamp), [&](std::uint32_t i) { return SameFile(loaded_[i].stamp, stamp); });
    if (at == FlatIndex::kEmpty || !(loaded_[at].stamp == stamp)) return std::nullopt;
    met_[at].store(true, std::memory_order_relaxed);
    return loaded_[at].hashes;
}

bool HashCache::LearntAnything() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !learnt_.empty();
}

void HashCache::Remember(const std::vector<Learnt>& learnt) {
    std::lock_guard<std::mutex> lock(mutex_);
    learnt_.insert(learnt_.end(), learnt.begin(), learnt.end());
}

// Entries of this scan first (read, then found), then the older ones, until
// the bound; a file read again replaces what was loaded for it (and what an
// earlier read of this scan said).
std::vector<const HashCache::Entry*> HashCache::InSavingOrder() const {
    std::vector<const Entry*> order;
    order.reserve(std::min(maxEntries_, learnt_.size() + loaded_.size()));
    FlatIndex readNow;
    readNow.Reset(learnt_.size());
    for (std::size_t i = learnt_.size(); i-- > 0;) {
        std::uint32_t& slot = readNow.Slot(HashOf(learnt_[i].stamp), [&](std::uint32_t at) {
            return SameFile(learnt_[at].stamp, learnt_[i].stamp);
        });
        if (slot != FlatIndex::kEmpty) continue;  // a later read of the same file is kept
        slot = static_cast<std::uint32_t>(i);
        order.push_back(&learnt_[i]);
    }
    std::reverse(order.begin(), order.end());
    for (int pass = 0; pass < 2; ++pass) {
        const bool met = pass == 0;
        for (std::size_t i = 0; i < loaded_.size(); ++i) {
            if (met_[i].load(std::memory_order_relaxed) != met) continue;
            const Entry& e = loaded_[i];
            const bool readAgain = readNow.Find(HashOf(e.stamp), [&](std::uint32_t at) {
                return SameFile(learnt_[at].stamp, e.stamp);
            }) != FlatIndex::kEmpty;
            if (!readAgain) order.push_back(&e);
        }
    }
    if (order.size() > maxEntries_) order.resize(maxEntries_);
    return order;
}

std::string HashCache::Serialize() const {
    const std::vector<const Entry*> entries = InSavingOrder();
    std::string out;
    out.reserve(kHeaderBytes + entries.size() * kEntryBytes);
    out.append(kMagic, sizeof kMagic);
    Put(out, kLayoutVersion);
    Put(out, static_cast<std::uint32_t>(kEntryBytes));
    Put(out, static_cast<std::uint64_t>(entries.size()));
    out += machineId_;
    out.append(kHeaderBytes - out.size(), '\0');  // checksum and padding, filled below
    for (const Entry* e : entries) {
        Put(out, e->stamp.device);
        Put(out, e->stamp.inode);
        Put(out, e->stamp.size);
        Put(out, e->stamp.writeNs);
        Put(out, e->stamp.changeNs);
        Put(out, e->hashes.headKey);
        out.append(reinterpret_cast<const char*>(e->hashes.digest.data()), e->hashes.digest.size());
        Put(out, static_cast<std::uint32_t>(e->hashes.digestReady ? 1 : 0));
    }
    const std::uint32_t checksum =
        Checksum(out.data(), out.data() + kHeaderBytes, out.size() - kHeaderBytes);
    std::memcpy(out.data() + kChecksumAt, &checksum, sizeof checksum);
    return out;
}

int HashCache::Save() {
    std::string bytes;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bytes = Serialize();
    }
    // A fresh home may have no ~/.cache yet.
    const std::string::size_type slash = path_.rfind('/');
    if (slash != std::string::npos && slash > 0) platform::CreateFolders(path_.substr(0, slash));
    return platform::WriteFileAtomically(path_, bytes.data(), bytes.size());
}

}  // namespace cairnly
