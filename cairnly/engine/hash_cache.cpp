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
    const auto size = static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg()));
    std::lock_guard<std::mutex> lock(mutex_);
    // A file longer than the bound allows is not ours to read into memory.
    const bool fits = size <= kHeaderBytes + maxEntries_ * kEntryBytes;
    if (fits) loaded_.reset(new char[size]);  // left uninitialised: the read fills it
    in.seekg(0);
    const bool parsed =
        fits && in.read(loaded_.get(), static_cast<std::streamsize>(size)) && Parse(size);
    if (!parsed) {
        loaded_.reset();
        loadedCount_ = 0;
        loadedIndex_.Clear();
    }
    met_ = std::make_unique<std::atomic<bool>[]>(loadedCount_);
    return parsed ? CacheLoad::Loaded : CacheLoad::Ignored;
}

namespace {

FileStamp StampAt(const char* in) {
    FileStamp stamp;
    stamp.device = Get<std::uint64_t>(in);
    stamp.inode = Get<std::uint64_t>(in);
    stamp.size = Get<std::int64_t>(in);
    stamp.writeNs = Get<std::int64_t>(in);
    stamp.changeNs = Get<std::int64_t>(in);
    return stamp;
}

FileHashes HashesAt(const char* in) {
    in += 5 * 8;
    FileHashes hashes;
    hashes.headKey = Get<std::uint64_t>(in);
    std::memcpy(hashes.digest.data(), in, hashes.digest.size());
    in += hashes.digest.size();
    hashes.digestReady = (Get<std::uint32_t>(in) & 1u) != 0;
    return hashes;
}

void PutEntry(std::string& out, const FileStamp& stamp, const FileHashes& hashes) {
    Put(out, stamp.device);
    Put(out, stamp.inode);
    Put(out, stamp.size);
    Put(out, stamp.writeNs);
    Put(out, stamp.changeNs);
    Put(out, hashes.headKey);
    out.append(reinterpret_cast<const char*>(hashes.digest.data()), hashes.digest.size());
    Put(out, static_cast<std::uint32_t>(hashes.digestReady ? 1 : 0));
}

}  // namespace

const char* HashCache::LoadedAt(std::size_t i) const {
    return loaded_.get() + kHeaderBytes + i * kEntryBytes;
}

auto HashCache::IsLoaded(const FileStamp& stamp) const {
    return [this, &stamp](std::uint32_t at) { return SameFile(StampAt(LoadedAt(at)), stamp); };
}

auto HashCache::IsLearnt(const FileStamp& stamp) const {
    return [this, &stamp](std::uint32_t at) { return SameFile(learnt_[at].stamp, stamp); };
}

bool HashCache::Parse(std::size_t size) {
    const char* bytes = loaded_.get();
    if (size < kHeaderBytes || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
    const char* in = bytes + sizeof kMagic;
    const auto layout = Get<std::uint32_t>(in);
    const auto entrySize = Get<std::uint32_t>(in);
    const auto count = Get<std::uint64_t>(in);
    const std::string machine(in, kMachineBytes);
    in += kMachineBytes;
    const auto checksum = Get<std::uint32_t>(in);
    const std::size_t entryBytes = size - kHeaderBytes;
    if (layout != kLayoutVersion || entrySize != kEntryBytes || machine != machineId_ ||
        count > maxEntries_ || count * kEntryBytes != entryBytes)
        return false;
    if (Checksum(bytes, bytes + kHeaderBytes, entryBytes) != checksum) return false;
    loadedCount_ = count;
    loadedIndex_.Reset(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const FileStamp stamp = StampAt(LoadedAt(i));
        std::uint32_t& slot = loadedIndex_.Slot(HashOf(stamp), IsLoaded(stamp));
        if (slot != FlatIndex::kEmpty) return false;  // a sound file never names a file twice
        slot = i;
    }
    return true;
}

std::optional<FileHashes> HashCache::Find(const FileStamp& stamp) {
    const std::uint32_t at = loadedIndex_.Find(HashOf(stamp), IsLoaded(stamp));
    if (at == FlatIndex::kEmpty || !(StampAt(LoadedAt(at)) == stamp)) return std::nullopt;
    met_[at].store(true, std::memory_order_relaxed);
    return HashesAt(LoadedAt(at));
}

void HashCache::PrefetchEntry(const FileStamp& stamp) const {
    const std::uint32_t at = loadedIndex_.FirstTried(HashOf(stamp));
    if (at == FlatIndex::kEmpty) return;
    // An entry may straddle two cache lines.
    __builtin_prefetch(LoadedAt(at));
    __builtin_prefetch(LoadedAt(at) + kEntryBytes - 1);
}

bool HashCache::LearntAnything() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !learnt_.empty();
}

void HashCache::Remember(const std::vector<Learnt>& learnt) {
    std::lock_guard<std::mutex> lock(mutex_);
    learnt_.insert(learnt_.end(), learnt.begin(), learnt.end());
}

void HashCache::ExpectFiles(std::size_t files) {
    std::lock_guard<std::mutex> lock(mutex_);
    learnt_.reserve(std::min(files, maxEntries_));
}

std::vector<const HashCache::Entry*> HashCache::LatestLearnt(FlatIndex& index) const {
    std::vector<const Entry*> latest;
    index.Reset(learnt_.size());
    for (std::size_t i = learnt_.size(); i-- > 0;) {
        const FileStamp& stamp = learnt_[i].stamp;
        std::uint32_t& slot = index.Slot(HashOf(stamp), IsLearnt(stamp));
        if (slot != FlatIndex::kEmpty) continue;  // a later read of the same file is kept
        slot = static_cast<std::uint32_t>(i);
        latest.push_back(&learnt_[i]);
    }
    std::reverse(latest.begin(), latest.end());
    return latest;
}

// Entries of this scan first (read, then found), then the older ones, until
// the bound; a file read again replaces what was loaded for it (and what an
// earlier read of this scan said). Loaded entries are copied as they are.
std::string HashCache::Serialize() const {
    FlatIndex readNow;
    const std::vector<const Entry*> latest = LatestLearnt(readNow);
    std::string out;
    out.reserve(kHeaderBytes + std::min(maxEntries_, latest.size() + loadedCount_) * kEntryBytes);
    out.append(kMagic, sizeof kMagic);
    Put(out, kLayoutVersion);
    Put(out, static_cast<std::uint32_t>(kEntryBytes));
    const std::size_t countAt = out.size();
    Put(out, std::uint64_t{0});  // filled below
    out += machineId_;
    out.append(kHeaderBytes - out.size(), '\0');  // checksum and padding, filled below
    std::uint64_t count = 0;
    for (const Entry* e : latest) {
        if (count == maxEntries_) break;
        PutEntry(out, e->stamp, e->hashes);
        ++count;
    }
    for (int pass = 0; pass < 2; ++pass) {
        const bool met = pass == 0;
        for (std::size_t i = 0; i < loadedCount_ && count < maxEntries_; ++i) {
            if (met_[i].load(std::memory_order_relaxed) != met) continue;
            const FileStamp stamp = StampAt(LoadedAt(i));
            const bool readAgain =
                readNow.Find(HashOf(stamp), IsLearnt(stamp)) != FlatIndex::kEmpty;
            if (readAgain) continue;
            out.append(LoadedAt(i), kEntryBytes);
            ++count;
        }
    }
    std::memcpy(out.data() + countAt, &count, sizeof count);
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
