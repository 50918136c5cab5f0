#include "cairnly/engine/duplicates.h"

#include <cryptopp/sha.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "cairnly/engine/hash_cache.h"
#include "cairnly/engine/parallel_runner.h"
#include "cairnly/engine/size_format.h"
#include "platform/files.h"
#include "shared/selection_order.h"
#include "shared/text_format.h"

namespace cairnly {

namespace {

static_assert(std::endian::native == std::endian::little, "fingerprint words are little-endian");

// Where one core opens the files of one folder. With several of them to
// read, the folder is opened once (on first use) and each file by its name
// in it, which saves looking up the folder's whole path again per file; the
// folder is found as its full path would find it. A folder that cannot be
// opened (no descriptor left) leaves each file to its full path.
class FolderAccess {
  public:
    FolderAccess() = default;  // by full path only
    FolderAccess(const std::string& folder, bool worthOpening)
        : folder_(worthOpening ? &folder : nullptr) {}
    ~FolderAccess() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderAccess(const FolderAccess&) = delete;
    FolderAccess& operator=(const FolderAccess&) = delete;

    // -1 with errno set when the file cannot be opened.
    int OpenFile(const FileRecord& record, int flags) {
        if (folder_) {
            fd_ = ::open(folder_->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            folder_ = nullptr;
        }
        if (fd_ >= 0) return ::openat(fd_, record.FileName.c_str(), flags);
        return ::open(record.FullPath().c_str(), flags);
    }

  private:
    const std::string* folder_ = nullptr;  // still to be opened
    int fd_ = -1;
};

// Opens a file for reading only if it is still a regular file: a FIFO or a
// link put in its place since the walk is never opened or followed.
class ReadOnlyFile {
  public:
    // advice: a posix_fadvise pattern, or kNoAdvice to leave the kernel's default.
    ReadOnlyFile(const FileRecord& record, FolderAccess& folder, int advice) {
        if (!Open(record, folder)) return;
        if (::fstat(fd_, &stat_) != 0 || !S_ISREG(stat_.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        Advise(advice);
    }
    // Without a second look at the file: reads end at the length the walk
    // saw, and a caller that gets fewer bytes than that treats the file as
    // changed (a FIFO or a shorter file in its place reads short; a folder
    // fails to read).
    ReadOnlyFile(const FileRecord& record, FolderAccess& folder, const FileStamp& seen) {
        if (Open(record, folder)) stat_.st_size = static_cast<off_t>(seen.size);
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    static constexpr int kNoAdvice = -1;

    bool IsOpen() const { return fd_ >= 0; }
    const struct stat& Stat() const { return stat_; }
    void Advise(int advice) {
        if (advice == kNoAdvice || advice == advice_) return;
        ::posix_fadvise(fd_, 0, 0, advice);
        advice_ = advice;
    }
    // True when every byte up to the length known at opening has been read.
    bool ReadToTheEnd() const { return offset_ == stat_.st_size; }
    bool StatNow(struct stat& now) const { return ::fstat(fd_, &now) == 0; }
    bool Skip(off_t bytes) {
        const off_t at = ::lseek(fd_, bytes, SEEK_SET);
        if (at >= 0) offset_ = at;
        return at == bytes;
    }
    // Fills up to size bytes; returns the count, or -1 on a read error. Ends
    // early at the length fstat gave (the offset is never moved back), which
    // saves the read that would only find the end.
    long Read(void* buffer, std::size_t size) {
        const off_t left = std::max<off_t>(0, stat_.st_size - offset_);
        const ssize_t got =
            platform::ReadAll(fd_, buffer, std::min(size, static_cast<std::size_t>(left)));
        if (got > 0) offset_ += got;
        return got;
    }

  private:
    bool Open(const FileRecord& record, FolderAccess& folder) {
        fd_ = folder.OpenFile(record, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        return fd_ >= 0;
    }

    int fd_ = -1;
    struct stat stat_ {};
    off_t offset_ = 0;
    int advice_ = kNoAdvice;
};

// The kernel reads this far ahead by itself; advice only pays for larger files
// (for the many small ones it would be one more system call each).
constexpr std::int64_t kAdviceFrom = 131'072;

int HeadAdvice(std::int64_t size) {
    // Only the first block may be needed: read-ahead could fetch what is never used.
    return size > kAdviceFrom ? POSIX_FADV_RANDOM : ReadOnlyFile::kNoAdvice;
}

int WholeAdvice(std::int64_t size) {
    return size > kAdviceFrom ? POSIX_FADV_SEQUENTIAL : ReadOnlyFile::kNoAdvice;
}

std::int64_t Nanoseconds(const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

FileStamp StampOf(const struct stat& st) {
    return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::int64_t>(st.st_size), Nanoseconds(st.st_mtim),
                     Nanoseconds(st.st_ctim)};
}

// Feeds the rest of an open file to sha, polling the stop flag per read;
// false on a read error or a stop (a hash of part of a file could match
// another file). Reads are larger than the hash's block to save system calls
// on big files; the digest does not depend on how the bytes are split.
bool HashRest(const CairnlyState& state, ReadOnlyFile& file, CryptoPP::SHA1& sha) {
    constexpr std::size_t kReadBytes = 16 * kDigestBlockBytes;
    thread_local std::unique_ptr<CryptoPP::byte[]> buffer(new CryptoPP::byte[kReadBytes]);
    for (;;) {
        long got = file.Read(buffer.get(), kReadBytes);
        if (got < 0) return false;
        if (got == 0) break;
        sha.Update(buffer.get(), static_cast<std::size_t>(got));
        if (state.Scan.StopRequested()) return false;
        if (got < static_cast<long>(kReadBytes)) break;
    }
    return true;
}

void SetDigest(const CairnlyState& state, FileRecord& record, CryptoPP::SHA1& sha) {
    static_assert(CryptoPP::SHA1::DIGESTSIZE == std::tuple_size_v<Digest20>);
    sha.Final(record.Digest.data());
    record.DigestReady = true;
    state.FilesFullyHashed.fetch_add(1);
}

// A file shorter than the block is fingerprinted by all of its bytes, so two
// short files of one size match only when their contents do (a word sum would
// let reordered content match, and a constant would match everything).
std::uint64_t ShortFileFingerprint(const void* bytes, std::size_t size) {
    CryptoPP::byte digest[CryptoPP::SHA1::DIGESTSIZE];
    CryptoPP::SHA1().CalculateDigest(digest, static_cast<const CryptoPP::byte*>(bytes), size);
    std::uint64_t value = 0;
    std::memcpy(&value, digest, sizeof value);
    return value;
}

// Mode 0 below the threshold: the write time; otherwise the sum of the first
// words (see ComputeFingerprint).
std::uint64_t FingerprintOf(const FileRecord& record, std::int32_t mode, std::int64_t threshold,
                            FolderAccess& folder) {
    if (mode == 0 && record.Size < threshold)
        return static_cast<std::uint64_t>(record.LastWriteTime);
    ReadOnlyFile file(record, folder, POSIX_FADV_SEQUENTIAL);
    if (!file.IsOpen()) return 0;
    std::vector<std::uint64_t> words(kFingerprintBytes / sizeof(std::uint64_t));
    const long got = file.Read(words.data(), kFingerprintBytes);
    // A failed read gives no fingerprint: a made-up one would match other files.
    if (got < 0) return 0;
    std::uint64_t sum = 0;
    if (got == static_cast<long>(kFingerprintBytes))
        for (std::uint64_t word : words) sum += word;
    else
        sum = ShortFileFingerprint(words.data(), static_cast<std::size_t>(got));
    return sum == 0 ? 1 : sum;
}

std::uint64_t HeadKeyOf(const Digest20& digest) {
    std::uint64_t key = 0;
    std::memcpy(&key, digest.data(), sizeof key);
    return key == 0 ? 1 : key;
}

// The key of the bytes hashed so far, leaving sha to go on with the rest.
std::uint64_t HeadKeySoFar(const CryptoPP::SHA1& sha) {
    CryptoPP::SHA1 copy(sha);
    Digest20 digest;
    copy.Final(digest.data());
    return HeadKeyOf(digest);
}

// What the deep pass knows of one member of a run between its two reads.
struct DeepMember {
    const FileStamp* seen = nullptr;  // the walk's stamp of the file, if it took one
    FileStamp stamp;
    bool stamped = false;
    bool readNow = false;        // read by this scan, not answered by the cache
    bool digestOfStamp = false;  // the digest is of the file as stamped
    bool fromCache = false;      // head and digestReady answered by the cache
    bool digestReady = false;    // only when fromCache: the record's, read once
    std::uint64_t head = 0;      // 0 = first block unreadable
    // The digest state after the first block, so the full read goes on from there.
    std::unique_ptr<CryptoPP::SHA1> afterHead;
};

// Files for one kind of read, each with what the pass knows of it.
struct DeepReads {
    std::vector<FileRecord*> records;
    std::vector<DeepMember*> states;
    void Add(FileRecord* record, DeepMember& state) {
        records.push_back(record);
        states.push_back(&state);
    }
};

// Records met in size order lie scattered in memory: loops over them ask
// for each this many places ahead.
constexpr std::size_t kAhead = 16;

// A record spans two or three cache lines (the digest is at its end).
void PrefetchRecord(const FileRecord* record) {
    const char* at = reinterpret_cast<const char*>(record);
    __builtin_prefetch(at);
    __builtin_prefetch(at + sizeof(FileRecord) / 2);
    __builtin_prefetch(at + sizeof(FileRecord) - 1);
}

// Byte order of two digests, as std::array's operator< gives it, in three
// word comparisons instead of a call to memcmp: ordering a run compares
// digests many times over.
bool DigestBefore(const Digest20& a, const Digest20& b) {
    auto word = [](const Digest20& d, std::size_t at) {
        std::uint64_t w = 0;
        std::memcpy(&w, d.data() + at, sizeof w);
        return __builtin_bswap64(w);
    };
    if (word(a, 0) != word(b, 0)) return word(a, 0) < word(b, 0);
    if (word(a, 8) != word(b, 8)) return word(a, 8) < word(b, 8);
    std::uint32_t ta = 0, tb = 0;
    std::memcpy(&ta, a.data() + 16, sizeof ta);
    std::memcpy(&tb, b.data() + 16, sizeof tb);
    return __builtin_bswap32(ta) < __builtin_bswap32(tb);
}

// Whether the member's whole-file digest is in its record already.
bool DigestKnown(const DeepMember& m, const FileRecord& record) {
    return m.fromCache ? m.digestReady : record.DigestReady;
}

bool AnyHeadShared(std::span<const DeepMember> members) {
    // Most runs are short: comparing every pair costs less than sorting a copy.
    if (members.size() <= 8) {
        for (auto a = members.begin(); a != members.end(); ++a)
            for (auto b = a + 1; b != members.end(); ++b)
                if (a->head != 0 && a->head == b->head) return true;
        return false;
    }
    std::vector<std::uint64_t> heads;
    heads.reserve(members.size());
    for (const DeepMember& m : members)
        if (m.head != 0) heads.push_back(m.head);
    std::sort(heads.begin(), heads.end());
    return std::adjacent_find(heads.begin(), heads.end()) != heads.end();
}

// Reads for the deep mode: first the head key of a file (the SHA-1 of its
// first block; for a file no longer than the block that is its digest), then,
// when needed, the rest of it. What it learns goes to the cache (files the
// walk found unchanged there are not read at all).
class DeepReader {
  public:
    DeepReader(const CairnlyState& state, HashCache* cache) : state_(state), cache_(cache) {}

    void ReadHead(FileRecord& record, FolderAccess& folder, DeepMember& m) const {
        std::optional<ReadOnlyFile> file;
        Open(file, record, folder, m, HeadAdvice(record.Size));
        if (file->IsOpen() && !Stopped()) ReadFirstBlock(record, *file, m);
    }

    // Small files are opened as the walk saw them, with no second look;
    // advice needs a look at the file anyway.
    static void Open(std::optional<ReadOnlyFile>& file, const FileRecord& record,
                     FolderAccess& folder, const DeepMember& m, int advice) {
        if (m.seen && advice == ReadOnlyFile::kNoAdvice)
            file.emplace(record, folder, *m.seen);
        else
            file.emplace(record, folder, advice);
    }

    // The head key of an open file; a file that goes on past the first block
    // keeps the digest's state in m.afterHead, for the rest.
    void ReadFirstBlock(FileRecord& record, ReadOnlyFile& file, DeepMember& m) const {
        const FileStamp* seen = m.seen;
        std::array<CryptoPP::byte, kHeadKeyBytes> head;
        const long got = file.Read(head.data(), head.size());
        const long expected = std::min<long>(file.Stat().st_size, kHeadKeyBytes);
        if (got < 0 || (seen && got != expected)) return;
        state_.HeadKeysRead.fetch_add(1);
        m.stamp = seen ? *seen : StampOf(file.Stat());
        m.stamped = m.readNow = true;
        CryptoPP::SHA1 sha;
        sha.Update(head.data(), static_cast<std::size_t>(got));
        if (got < static_cast<long>(kHeadKeyBytes) || file.Stat().st_size == got) {
            SetDigest(state_, record, sha);  // the head was the whole file
            m.head = HeadKeyOf(record.Digest);
            m.digestOfStamp = true;
            return;
        }
        m.head = HeadKeySoFar(sha);
        // Only a file longer than the block keeps its state, for the full read.
        m.afterHead = std::make_unique<CryptoPP::SHA1>(sha);
    }

    void ReadWhole(FileRecord& record, FolderAccess& folder, DeepMember& m) const {
        ReadOnlyFile file(record, folder, WholeAdvice(record.Size));
        if (!file.IsOpen() || Stopped()) return;
        const FileStamp now = StampOf(file.Stat());
        std::unique_ptr<CryptoPP::SHA1> sha;
        if (m.stamped && now == m.stamp && m.afterHead &&
            file.Skip(static_cast<off_t>(kHeadKeyBytes))) {
            sha = std::move(m.afterHead);
        } else {
            // From the start: the file changed since its first block was read,
            // or that key came from the cache. The key is taken again on the way.
            sha = std::make_unique<CryptoPP::SHA1>();
            if (!HashHead(file, *sha, m)) return;
        }
        if (!HashRest(state_, file, *sha)) return;
        SetDigest(state_, record, *sha);
        m.stamp = now;
        m.stamped = m.readNow = m.digestOfStamp = true;
    }

    // Goes on from the first block, read through the same opening. A file
    // that reads short or has changed since its stamp was taken is read
    // again from its start.
    void ReadRest(FileRecord& record, ReadOnlyFile& file, FolderAccess& folder,
                  DeepMember& m) const {
        std::unique_ptr<CryptoPP::SHA1> sha = std::move(m.afterHead);
        file.Advise(WholeAdvice(record.Size));
        if (!HashRest(state_, file, *sha)) return;
        struct stat now;
        if (!file.ReadToTheEnd() || !file.StatNow(now) || StampOf(now) != m.stamp) {
            ReadWhole(record, folder, m);
            return;
        }
        SetDigest(state_, record, *sha);
        m.digestOfStamp = true;
    }

    // Hands what this scan read to the cache, from one thread once the reads
    // of a batch are done (no lock taken per file while the cores read).
    void Remember(const std::vector<FileRecord*>& records,
                  const std::vector<DeepMember>& members) const {
        if (!cache_) return;
        std::vector<HashCache::Learnt> learnt;
        learnt.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            // In size order the records lie scattered in memory.
            if (i + kAhead < records.size()) PrefetchRecord(records[i + kAhead]);
            const DeepMember& m = members[i];
            if (!m.readNow || m.head == 0) continue;
            const bool digest = m.digestOfStamp && records[i]->DigestReady;
            learnt.push_back(
                {m.stamp, FileHashes{m.head, digest, digest ? records[i]->Digest : Digest20{}}});
        }
        cache_->Remember(learnt);
    }

  private:
    bool Stopped() const { return state_.Scan.StopRequested(); }

    static bool HashHead(ReadOnlyFile& file, CryptoPP::SHA1& sha, DeepMember& m) {
        std::array<CryptoPP::byte, kHeadKeyBytes> head;
        const long got = file.Read(head.data(), head.size());
        if (got < 0) return false;
        sha.Update(head.data(), static_cast<std::size_t>(got));
        m.head = HeadKeySoFar(sha);
        return true;
    }

    const CairnlyState& state_;
    HashCache* const cache_;
};

// A cache that cannot be written costs the next scan time, nothing else: the
// previous file stays, and the log says why.
void SaveCache(const CairnlyState& state, HashCache& cache) {
    if (!cache.LearntAnything()) return;  // the file on disk already says all of it
    const int error = cache.Save();
    if (error == 0) return;
    const char* reason =
        error == platform::kErrorDiskFull ? "the disk is full" : std::strerror(error);
    state.Services.WriteLog(
        shared::Format("Could not save the file hash cache %s: %s", cache.Path().c_str(), reason),
        shared::kNotable);
}

int NormalMode(std::int32_t mode) { return mode == 1 || mode == 2 ? mode : 0; }

// One run of equal-size files, ordered by the mode's key in a scratch copy:
// FileTable keeps its order, so page rows that link to FileTable indexes keep
// pointing at the files they show.
class DuplicatePass {
  public:
    DuplicatePass(CairnlyState& state, ScanView& view)
        : state_(state),
          view_(view),
          mode_(NormalMode(state.Criteria().DuplicateMode)),
          threshold_(state.SmallFileThreshold.load()),
          fullAt_(static_cast<std::int32_t>(state.Duplicates.Capacity()) - 2),
          cache_(mode_ == 2 ? state.DigestCache.get() : nullptr),
          reader_(state, cache_),
          keptOpen_(KeptOpenAllowed()) {
        if (cache_) cache_->ExpectFiles(static_cast<std::size_t>(state.Files.Count()));
        if (mode_ == 2) state.WalkStamps.Index();
    }

    // False when stopped.
    bool Run() {
        const std::int32_t n = state_.Files.Count();
        lastListed_ = n;
        for (std::int32_t b = n - 1; b >= 1 && !Stopped() && !full_;) {
            // Only the size is read here: its line, not the whole record.
            if (b >= static_cast<std::int32_t>(kAhead))
                __builtin_prefetch(&state_.Files.At(b - static_cast<std::int32_t>(kAhead))->Size);
            const std::int64_t size = state_.Files.At(b)->Size;
            if (state_.Files.At(b - 1)->Size != size) {
                --b;
                continue;
            }
            std::int32_t s = b - 1;
            while (s > 0 && state_.Files.At(s - 1)->Size == size) --s;
            AddRun(s, b);
            b = s - 1;
        }
        if (!Stopped() && !full_) AnalyzeBatch();
        WriteSummary();
        return !Stopped();
    }

  private:
    // Runs are read in batches, so that the cores share the reading of many
    // small runs instead of meeting after each one, and a batch holds many
    // files of each folder, which are read through one opening of it.
    static constexpr std::size_t kBatchFiles = 65'536;
    // A core reads at most this many files, or bytes, of one folder at a time
    // (a large folder is shared out), and opens the folder for at least the
    // smaller count.
    static constexpr std::size_t kChunkFiles = 64;
    static constexpr std::int64_t kChunkBytes = 4 << 20;
    static constexpr std::size_t kFolderOpenFrom = 3;
    // Fewer members are ordered on the scan's own thread.
    static constexpr std::size_t kShareOrderingFrom = 4096;
    struct FolderChunk {
        std::size_t from, to;  // into order_
        std::int64_t bytes;    // the size of its files
    };
    // A run of files longer than the first block with at most this many
    // members is read by one core, each member once where it can be (see
    // ReadRunInOneGo); of those, at most kKeptOpen wait open at a time.
    static constexpr std::size_t kOneGoMembers = 64;
    static constexpr std::size_t kKeptOpen = 8;
    // Members wait open only while this many descriptors are left under the
    // open-file limit (not under ulimit -n 64): they are never taken from
    // the other core's reads or from the program.
    static constexpr rlim_t kKeepOpenRoom = 128;
    struct RunSpan {
        std::int32_t s, b;      // FileTable indexes of the run
        std::size_t first = 0;  // its first member in batchMembers_
        bool mayHoldGroup = true;
        bool inOneGo = false;
        std::size_t Count() const { return static_cast<std::size_t>(b - s + 1); }
    };

    struct Share {
        double from, to;  // of the batch's progress
    };

    bool Stopped() const { return state_.Scan.StopRequested(); }

    // position: where in the size order the pass is (FileTable index, counting down).
    void ShowProgress(double position) {
        const double n = state_.Files.Count();
        const double done = 100.0 - position * 100.0 / (n - 1);
        const auto tenths = static_cast<std::int32_t>(done * 10.0);
        if (tenths <= shownTenths_) return;  // the text would not move on
        shownTenths_ = tenths;
        state_.Services.SetStatus(
            shared::Format("Analyzing files for duplicates: %0.1f%% complete", done));
    }

    // While a batch is read: the share of its reading done, between the
    // positions where the batch begins and ends. Every core counts what it
    // has read under one lock, so the figure shown only moves forward.
    void ShowBatchProgress(Share share, std::size_t& read, std::size_t more, std::size_t total) {
        std::lock_guard<std::mutex> lock(progressMutex_);
        read += more;
        if (batch_.empty()) return;
        const double part = total == 0
                                ? share.to
                                : share.from + (share.to - share.from) * static_cast<double>(read) /
                                                   static_cast<double>(total);
        const double top = batch_.front().b, bottom = batch_.back().s;
        ShowProgress(top - (top - bottom) * part);
    }

    void AddRun(std::int32_t s, std::int32_t b) {
        batch_.push_back(RunSpan{s, b, batchMembers_.size()});
        for (std::int32_t i = s; i <= b; ++i) batchMembers_.push_back(state_.Files.At(i));
        if (batchMembers_.size() >= kBatchFiles) AnalyzeBatch();
    }

    // Keys for every member of the batch, then every run ordered (each as it
    // would be alone, in its place among the members), then the runs scanned
    // for pairs in the order they were met.
    void AnalyzeBatch() {
        ComputeKeys();
        if (!Stopped()) OrderRuns();
        ListPairVisits();
        for (const RunSpan& span : batch_) {
            if (Stopped() || full_) break;
            if (span.mayHoldGroup) ScanPairs(span);
        }
        batch_.clear();
        batchMembers_.clear();
    }

    // The members the scan for pairs reads, in the order it reads them (each
    // run from its top), so that it can ask for each one's memory ahead.
    void ListPairVisits() {
        pairVisits_.clear();
        nextVisit_ = 0;
        for (const RunSpan& span : batch_) {
            if (!span.mayHoldGroup) continue;
            const std::span<FileRecord*> run = Members(span);
            for (auto it = run.rbegin(); it != run.rend(); ++it) pairVisits_.push_back(*it);
        }
    }
    void VisitNext() {
        if (nextVisit_ + kAhead < pairVisits_.size())
            PrefetchRecord(pairVisits_[nextVisit_ + kAhead]);
        ++nextVisit_;
    }

    std::span<FileRecord*> Members(const RunSpan& span) {
        return std::span<FileRecord*>(batchMembers_).subspan(span.first, span.Count());
    }

    // Runs are ordered on every core: a batch holds thousands of them, and
    // each touches only its own members.
    void OrderRuns() {
        std::vector<std::size_t> toOrder;
        for (std::size_t k = 0; k < batch_.size(); ++k)
            if (batch_[k].mayHoldGroup && batch_[k].Count() >= 3) toOrder.push_back(k);
        auto order = [&](std::size_t i) { OrderRun(Members(batch_[toOrder[i]])); };
        auto stopped = [this] { return Stopped(); };
        if (batchMembers_.size() >= kShareOrderingFrom)
            runner_.Run(toOrder.size(), order, stopped);
        else
            for (std::size_t i = 0; i < toOrder.size() && !stopped(); ++i) order(i);
    }

    void ComputeKeys() {
        if (mode_ == 2) {
            ComputeDigests();
            return;
        }
        ForMembers(batchMembers_, {0.0, 1.0},
                   [this](FileRecord& record, std::size_t, FolderAccess& folder) {
                       record.Fingerprint = FingerprintOf(record, mode_, threshold_, folder);
                   });
    }

    // Calls work(record, index in members, folder) for every member, on every
    // core when there is enough of them; a stop ends the hand-out. A folder's
    // members go to a core together, with the folder's FolderAccess.
    template <typename Work>
    void ForMembers(const std::vector<FileRecord*>& members, Share share, Work work) {
        const std::vector<FolderChunk> chunks = ChunksByFolder(members);
        std::size_t read = 0;  // under progressMutex_
        auto chunk = [&](std::size_t k) {
            const FolderChunk c = chunks[k];
            const FileRecord& first = *members[order_[c.from]];
            FolderAccess folder(first.Folder(), c.to - c.from >= kFolderOpenFrom);
            for (std::size_t i = c.from; i < c.to && !Stopped(); ++i)
                work(*members[order_[i]], order_[i], folder);
            ShowBatchProgress(share, read, c.to - c.from, members.size());
        };
        auto stopped = [this] { return Stopped(); };
        if (WorthSharing(members))
            runner_.Run(chunks.size(), chunk, stopped);
        else
            for (std::size_t k = 0; k < chunks.size() && !stopped(); ++k) chunk(k);
        // A stop leaves chunks unread.
        if (!Stopped()) ShowBatchProgress(share, read, members.size() - read, members.size());
    }

    // The members by folder (order_), cut where the folder changes or a
    // chunk is full; the chunks with the most to read come first, so that
    // no core is left with a long one while the others have run out.
    std::vector<FolderChunk> ChunksByFolder(const std::vector<FileRecord*>& members) {
        OrderByFolder(members);
        std::vector<FolderChunk> chunks;
        for (std::size_t i = 0; i < order_.size(); ++i) {
            const FileRecord& member = *members[order_[i]];
            if (chunks.empty() || i - chunks.back().from >= kChunkFiles ||
                chunks.back().bytes >= kChunkBytes ||
                member.FolderPath != members[order_[i - 1]]->FolderPath)
                chunks.push_back(FolderChunk{i, i, 0});
            chunks.back().to = i + 1;
            chunks.back().bytes += member.Size;
        }
        std::stable_sort(
            chunks.begin(), chunks.end(),
            [](const FolderChunk& a, const FolderChunk& b) { return a.bytes > b.bytes; });
        return chunks;
    }

    // order_: the members' indexes by folder number, each folder's in member
    // order. Folder numbers are dense, so counting each number's members
    // orders them in two passes; numbers spread far wider than the members
    // are sorted instead.
    void OrderByFolder(const std::vector<FileRecord*>& members) {
        const std::size_t n = members.size();
        folderOf_.resize(n);
        std::int64_t low = 0, high = -1;
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t folder = members[i]->FolderNumber;
            folderOf_[i] = folder;
            low = i == 0 ? folder : std::min(low, folder);
            high = std::max(high, folder);
        }
        order_.resize(n);
        const auto range = static_cast<std::uint64_t>(high - low + 1);
        if (n == 0) return;
        if (range > 4 * n + 1024) {
            // Folder number and member index in one word: plain integers sort fast.
            for (std::size_t i = 0; i < n; ++i)
                order_[i] = static_cast<std::uint64_t>(folderOf_[i] - low) << 32 | i;
            std::sort(order_.begin(), order_.end());
            for (std::uint64_t& at : order_) at &= 0xffff'ffffu;
            return;
        }
        folderStart_.assign(range + 1, 0);
        for (const std::int64_t folder : folderOf_)
            ++folderStart_[static_cast<std::size_t>(folder - low) + 1];
        for (std::size_t f = 1; f <= range; ++f) folderStart_[f] += folderStart_[f - 1];
        for (std::size_t i = 0; i < n; ++i)
            order_[folderStart_[static_cast<std::size_t>(folderOf_[i] - low)]++] = i;
    }

    // A run without two members that share a first block has no group, and
    // nothing more of it is read. Otherwise every member is read whole: the
    // order of equal digests after the selection order depends on the digests
    // of all members, so the run is ordered by exactly the whole-file digests.
    void ComputeDigests() {
        std::vector<DeepMember> deep(batchMembers_.size());
        const std::size_t n = batchMembers_.size();
        for (std::size_t i = 0; i < n; ++i) {
            if (i + 2 * kAhead < n) state_.WalkStamps.PrefetchSlot(batchMembers_[i + 2 * kAhead]);
            if (i + kAhead < n) {
                PrefetchRecord(batchMembers_[i + kAhead]);
                state_.WalkStamps.PrefetchEntry(batchMembers_[i + kAhead]);
            }
            FileRecord* record = batchMembers_[i];
            if (record->Fingerprint != 0) {
                deep[i].head = record->Fingerprint;  // the walk found it in the cache
                deep[i].fromCache = true;
                deep[i].digestReady = record->DigestReady;  // which nothing here changes
                continue;
            }
            deep[i].seen = state_.WalkStamps.Find(record);
        }
        DeepReads heads;
        std::vector<std::size_t> oneGo;  // into batch_
        for (std::size_t k = 0; k < batch_.size(); ++k) {
            RunSpan& span = batch_[k];
            const std::span<const DeepMember> members = DeepOf(deep, span);
            if (std::all_of(members.begin(), members.end(),
                            [](const DeepMember& m) { return m.fromCache; }))
                continue;
            span.inOneGo =
                batchMembers_[span.first]->Size > static_cast<std::int64_t>(kHeadKeyBytes) &&
                span.Count() <= kOneGoMembers;
            if (span.inOneGo) {
                oneGo.push_back(k);
                continue;
            }
            for (std::size_t i = span.first; i < span.first + span.Count(); ++i)
                if (!deep[i].fromCache) heads.Add(batchMembers_[i], deep[i]);
        }
        ForMembers(heads.records, {0.0, 0.4},
                   [&](FileRecord& record, std::size_t i, FolderAccess& folder) {
                       reader_.ReadHead(record, folder, *heads.states[i]);
                   });
        if (Stopped()) return;
        ReadRunsInOneGo(oneGo, deep, {0.4, 0.7});
        if (Stopped()) return;
        DeepReads whole;
        for (RunSpan& span : batch_) {
            if (span.inOneGo) continue;  // read already
            span.mayHoldGroup = AnyHeadShared(DeepOf(deep, span));
            if (!span.mayHoldGroup) continue;
            for (std::size_t i = span.first; i < span.first + span.Count(); ++i)
                if (!DigestKnown(deep[i], *batchMembers_[i])) whole.Add(batchMembers_[i], deep[i]);
        }
        ForMembers(whole.records, {0.7, 1.0},
                   [&](FileRecord& record, std::size_t i, FolderAccess& folder) {
                       reader_.ReadWhole(record, folder, *whole.states[i]);
                   });
        // A batch answered wholly by the cache taught it nothing.
        const bool readAny = !heads.records.empty() || !oneGo.empty() || !whole.records.empty();
        if (!Stopped() && readAny) reader_.Remember(batchMembers_, deep);
    }

    static std::size_t KeptOpenAllowed() {
        struct rlimit limit;
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
        if (limit.rlim_cur == RLIM_INFINITY) return kKeptOpen;
        // Descriptors are handed out lowest first: the next one tells how many are taken.
        const int next = ::open("/", O_PATH | O_CLOEXEC);
        if (next < 0) return 0;
        ::close(next);
        return limit.rlim_cur >= static_cast<rlim_t>(next) + kKeepOpenRoom ? kKeptOpen : 0;
    }

    // The runs with the most to read come first, so that no core is left
    // with a long one while the others have run out.
    void ReadRunsInOneGo(std::vector<std::size_t>& runs, std::vector<DeepMember>& deep,
                         Share share) {
        auto bytes = [this](std::size_t k) {
            return batchMembers_[batch_[k].first]->Size *
                   static_cast<std::int64_t>(batch_[k].Count());
        };
        std::stable_sort(runs.begin(), runs.end(),
                         [&](std::size_t a, std::size_t b) { return bytes(a) > bytes(b); });
        std::size_t total = 0;
        for (const std::size_t k : runs) total += batch_[k].Count();
        std::size_t read = 0;  // under progressMutex_
        auto run = [&](std::size_t i) {
            RunSpan& span = batch_[runs[i]];
            ReadRunInOneGo(span, deep);
            ShowBatchProgress(share, read, span.Count(), total);
        };
        runner_.Run(runs.size(), run, [this] { return Stopped(); });
    }

    // Each member's first block is read, and when another member has the
    // same one (read before it, or given by the cache), the member goes on
    // to its end through the same opening: every member from the first shared
    // block on is opened once. Members read before that wait open, up to
    // keptOpen_ of them, to go on in the same way; the others, and members
    // whose first block the cache gave, are opened again.
    void ReadRunInOneGo(RunSpan& span, std::vector<DeepMember>& deep) const {
        const std::span<DeepMember> members = DeepOf(deep, span);
        std::vector<std::optional<ReadOnlyFile>> files(members.size());
        std::size_t keptOpen = 0;
        FolderAccess byPath;
        bool shared = AnyHeadShared(members);
        for (std::size_t k = 0; k < members.size() && !Stopped(); ++k) {
            DeepMember& m = members[k];
            if (m.fromCache) continue;
            FileRecord& record = *batchMembers_[span.first + k];
            const int advice = shared ? WholeAdvice(record.Size) : HeadAdvice(record.Size);
            DeepReader::Open(files[k], record, byPath, m, advice);
            if (!files[k]->IsOpen()) {
                files[k].reset();
                continue;
            }
            reader_.ReadFirstBlock(record, *files[k], m);
            shared = shared || HeadSharedWith(members, k);
            if (shared && m.afterHead) reader_.ReadRest(record, *files[k], byPath, m);
            if (!m.afterHead || keptOpen == keptOpen_)
                files[k].reset();
            else
                ++keptOpen;
        }
        span.mayHoldGroup = shared;
        for (std::size_t k = 0; k < members.size() && shared && !Stopped(); ++k) {
            DeepMember& m = members[k];
            FileRecord& record = *batchMembers_[span.first + k];
            if (DigestKnown(m, record)) continue;
            if (files[k] && m.afterHead)
                reader_.ReadRest(record, *files[k], byPath, m);
            else
                reader_.ReadWhole(record, byPath, m);
            files[k].reset();
        }
    }

    static std::span<DeepMember> DeepOf(std::vector<DeepMember>& deep, const RunSpan& span) {
        return std::span<DeepMember>(deep).subspan(span.first, span.Count());
    }

    static bool HeadSharedWith(std::span<const DeepMember> members, std::size_t k) {
        const std::uint64_t head = members[k].head;
        for (std::size_t j = 0; j < members.size(); ++j)
            if (j != k && head != 0 && members[j].head == head) return true;
        return false;
    }

    // Files that cost nothing to key are not worth handing to another core.
    bool WorthSharing(const std::vector<FileRecord*>& members) const {
        // Members come largest first.
        return members.size() >= 2 && (mode_ != 0 || members.front()->Size >= threshold_);
    }

    // A stop leaves the run part-ordered; no run is scanned after a stop.
    void OrderRun(std::span<FileRecord*> run) const {
        auto beforePosition = [&](std::size_t i) { return i + 1 >= run.size() || !Stopped(); };
        if (mode_ == 2) {
            auto less = [](const FileRecord* a, const FileRecord* b) {
                return DigestBefore(a->Digest, b->Digest);
            };
            shared::SelectionOrder(run.begin(), run.end(), less, beforePosition);
            return;
        }
        auto less = [](const FileRecord* a, const FileRecord* b) {
            return static_cast<std::int64_t>(a->Fingerprint) <
                   static_cast<std::int64_t>(b->Fingerprint);
        };
        shared::SelectionOrder(run.begin(), run.end(), less, beforePosition);
    }

    bool Matches(const FileRecord& upper, const FileRecord& lower) const {
        if (mode_ == 2)
            return upper.DigestReady && lower.DigestReady && upper.Digest == lower.Digest;
        return upper.Fingerprint != 0 && upper.Fingerprint == lower.Fingerprint;
    }

    void ScanPairs(const RunSpan& span) {
        const std::span<FileRecord*> run = Members(span);
        const std::int32_t s = span.s;
        VisitNext();  // the top member
        for (std::int32_t j = span.b - 1; j >= s && !Stopped(); --j) {
            VisitNext();
            FileRecord& upper = *run[static_cast<std::size_t>(j + 1 - s)];
            FileRecord& lower = *run[static_cast<std::size_t>(j - s)];
            if (!Matches(upper, lower)) continue;
            if (state_.Duplicates.Count() >= fullAt_) {
                full_ = true;
                return;
            }
            if (j + 1 < lastListed_) {
                ++group_;
                List(upper);
            }
            List(lower);
            lastListed_ = j;
        }
    }

    void List(FileRecord& record) {
        record.DupGroup = group_;
        if (!state_.Duplicates.Append(&record)) return;
        view_.AddDuplicateRow(rows_++, record, state_.Duplicates.Count() - 1, group_);
        ++listed_;
        total_ += record.Size;
    }

    void WriteSummary() {
        const std::string text =
            shared::Format("Displaying %d duplicate files with a total size of %s", listed_,
                           TotalText(total_).c_str());
        state_.SetPageStatusText(kDuplicatesPage, text);
        state_.Services.SetStatus(text);
    }

    CairnlyState& state_;
    ScanView& view_;
    const int mode_;
    const std::int64_t threshold_;
    const std::int32_t fullAt_;
    // Loaded by the walk, which has asked it about every file it recorded.
    HashCache* const cache_;
    const DeepReader reader_;
    const std::size_t keptOpen_;  // per core, in runs read in one go
    std::vector<RunSpan> batch_;
    std::vector<FileRecord*> batchMembers_;
    std::vector<FileRecord*> pairVisits_;
    std::size_t nextVisit_ = 0;
    std::vector<std::uint64_t> order_;  // of the members being read, by folder
    std::vector<std::int64_t> folderOf_;
    std::vector<std::size_t> folderStart_;
    ParallelRunner runner_;
    std::mutex progressMutex_;
    std::int32_t shownTenths_ = -1;
    std::int32_t lastListed_ = 0;
    std::int32_t group_ = 0;
    int rows_ = 0;
    int listed_ = 0;
    std::int64_t total_ = 0;
    bool full_ = false;
};

}  // namespace

std::int64_t ComputeSmallFileThreshold(const CairnlyState& state) {
    const std::int32_t n = state.Files.Count();
    const auto k = static_cast<std::int32_t>(static_cast<float>(n) * 0.8f);
    if (k < n && state.Files.At(k)->Size < kSmallFileLimit) return state.Files.At(k)->Size;
    return kSmallFileLimit;
}

std::uint64_t ComputeFingerprint(const FileRecord& record, std::int32_t mode,
                                 std::int64_t threshold) {
    FolderAccess byPath;
    return FingerprintOf(record, mode, threshold, byPath);
}
void LoadDigestCache(CairnlyState& state) {
    state.DigestCache.reset();
    state.Background.Wait();  // the last scan's cache may still be on its way to the disk
    if (state.Criteria().DuplicateMode != 2 || state.HashCachePath.empty()) return;
    state.DigestCache = std::make_unique<HashCache>(state.HashCachePath);
    if (state.DigestCache->Load() == CacheLoad::Ignored)
        state.Services.WriteLog("The file hash cache " + state.HashCachePath +
                                    " could not be used and will be written again",
                                shared::kDetail);
}

void AnswerFromDigestCache(CairnlyState& state) {
    HashCache* cache = state.DigestCache.get();
    if (!cache) return;
    const std::vector<WalkStampTable::Entry>& entries = state.WalkStamps.Entries();
    const std::size_t n = entries.size();
    std::int64_t hits = 0;
    // The entries are in walk order, the cache's slots scattered: each lookup's
    // memory is asked for ahead.
    state.WalkStamps.Filter([&](std::size_t i) {
        if (i + 2 * kAhead < n) cache->PrefetchSlot(entries[i + 2 * kAhead].second);
        if (i + kAhead < n) cache->PrefetchEntry(entries[i + kAhead].second);
        const std::optional<FileHashes> hit = cache->Find(entries[i].second);
        if (!hit || hit->headKey == 0) return true;
        FileRecord& record = *entries[i].first;
        record.Fingerprint = hit->headKey;
        if (hit->digestReady) {
            record.Digest = hit->digest;
            record.DigestReady = true;
        }
        ++hits;
        return false;
    });
    state.CacheHits.fetch_add(hits);
}

void FindDuplicates(CairnlyState& state, ScanView& view) {
    state.DigestAnswers.Wait();
    bool completed = false;
    {
        DuplicatePass pass(state, view);
        completed = pass.Run();
    }
    state.WalkStamps.Clear();  // only the pass needs them
    // The results are complete without it: the cache is written meanwhile.
    std::shared_ptr<HashCache> cache = std::move(state.DigestCache);
    if (completed && cache) state.Background.Run([&state, cache] { SaveCache(state, *cache); });
}

}  // namespace cairnly
