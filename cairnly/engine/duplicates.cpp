#include "cairnly/engine/duplicates.h"

#include <cryptopp/sha.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "cairnly/engine/parallel_runner.h"
#include "cairnly/engine/size_format.h"
#include "shared/selection_order.h"
#include "shared/text_format.h"

namespace cairnly {

namespace {

static_assert(std::endian::native == std::endian::little, "fingerprint words are little-endian");

// Opens a file for reading only if it is still a regular file: a FIFO or a
// link put in its place since the walk is never opened or followed.
class ReadOnlyFile {
  public:
    explicit ReadOnlyFile(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) return;
        struct stat st;
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Fills up to size bytes; returns the count, or -1 on a read error.
    long Read(void* buffer, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            ssize_t got = ::read(fd_, static_cast<char*>(buffer) + done, size - done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return -1;
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return static_cast<long>(done);
    }

  private:
    int fd_ = -1;
};

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

// A cheap key of a file's first block, compared among files of one size
// before any of them is read whole; 0 when the file cannot be read.
std::uint64_t HeadKey(const FileRecord& record) {
    ReadOnlyFile file(record.FullPath());
    if (!file.IsOpen()) return 0;
    std::vector<std::uint64_t> block(kHeadKeyBytes / sizeof(std::uint64_t));
    const long got = file.Read(block.data(), kHeadKeyBytes);
    if (got < 0) return 0;
    const std::uint64_t key = ShortFileFingerprint(block.data(), static_cast<std::size_t>(got));
    return key == 0 ? 1 : key;
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
          fullAt_(static_cast<std::int32_t>(state.Duplicates.Capacity()) - 2) {}

    void Run() {
        const std::int32_t n = state_.Files.Count();
        lastListed_ = n;
        for (std::int32_t b = n - 1; b >= 1 && !Stopped() && !full_;) {
            if (b % 100 == 0) ShowProgress(b, n);
            const std::int64_t size = state_.Files.At(b)->Size;
            if (state_.Files.At(b - 1)->Size != size) {
                --b;
                continue;
            }
            std::int32_t s = b - 1;
            while (s > 0 && state_.Files.At(s - 1)->Size == size) --s;
            AnalyzeRun(s, b);
            b = s - 1;
        }
        WriteSummary();
    }

  private:
    bool Stopped() const { return state_.StopRequested.load(std::memory_order_relaxed); }

    void ShowProgress(std::int32_t b, std::int32_t n) {
        const float done = 100.0f - static_cast<float>(b) * 100.0f / static_cast<float>(n - 1);
        state_.Services.SetStatus(shared::Format("Analyzing files for duplicates: %0.1f%% complete",
                                                 static_cast<double>(done)));
    }

    // Run members from b downwards, as the keys are computed and the pairs scanned.
    void AnalyzeRun(std::int32_t s, std::int32_t b) {
        run_.clear();
        for (std::int32_t i = s; i <= b; ++i) run_.push_back(state_.Files.At(i));
        ComputeKeys();
        if (run_.size() >= 3 && !OrderRun()) return;
        ScanPairs(s, b);
    }

    void ComputeKeys() {
        if (mode_ == 2) {
            ComputeDigests();
            return;
        }
        ForMembers(run_, [this](FileRecord& record, std::size_t) {
            record.Fingerprint = ComputeFingerprint(record, mode_, threshold_);
        });
    }

    // Calls work(record, index in members) for every member from the last
    // down (the hand-out order), on every core when the run is worth it; a
    // stop ends the hand-out.
    template <typename Work>
    void ForMembers(const std::vector<FileRecord*>& members, Work work) {
        const std::size_t count = members.size();
        auto member = [&members, &work, count](std::size_t k) {
            work(*members[count - 1 - k], count - 1 - k);
        };
        auto stopped = [this] { return Stopped(); };
        if (WorthSharing())
            runner_.Run(count, member, stopped);
        else
            for (std::size_t k = 0; k < count && !stopped(); ++k) member(k);
    }

    // Only files whose first block equals that of another file of the run can
    // have equal digests; the others are never read to the end and, having no
    // digest, are in no group.
    void ComputeDigests() {
        std::vector<std::uint64_t> heads(run_.size(), 0);
        ForMembers(run_, [&heads](FileRecord& record, std::size_t i) {
            if (!record.DigestReady) heads[i] = HeadKey(record);
        });
        if (Stopped()) return;
        std::unordered_map<std::uint64_t, int> sharing;
        for (std::uint64_t head : heads)
            if (head != 0) ++sharing[head];
        std::vector<FileRecord*> candidates;
        for (std::size_t i = 0; i < run_.size(); ++i)
            if (heads[i] != 0 && sharing[heads[i]] > 1) candidates.push_back(run_[i]);
        ForMembers(candidates,
                   [this](FileRecord& record, std::size_t) { ComputeDigest(state_, record); });
    }

    // Small runs of small files cost less than handing them to the other core.
    bool WorthSharing() const {
        if (mode_ == 0 && run_.front()->Size < threshold_) return false;
        const std::int64_t bytes = run_.front()->Size * static_cast<std::int64_t>(run_.size());
        return run_.size() >= 4 || bytes >= 512 * 1024;
    }

    bool OrderRun() {
        auto beforePosition = [this](std::size_t i) { return i + 1 >= run_.size() || !Stopped(); };
        if (mode_ == 2) {
            auto less = [](const FileRecord* a, const FileRecord* b) {
                return a->Digest < b->Digest;
            };
            return shared::SelectionOrder(run_.begin(), run_.end(), less, beforePosition);
        }
        auto less = [](const FileRecord* a, const FileRecord* b) {
            return static_cast<std::int64_t>(a->Fingerprint) <
                   static_cast<std::int64_t>(b->Fingerprint);
        };
        return shared::SelectionOrder(run_.begin(), run_.end(), less, beforePosition);
    }

    bool Matches(const FileRecord& upper, const FileRecord& lower) const {
        if (mode_ == 2)
            return upper.DigestReady && lower.DigestReady && upper.Digest == lower.Digest;
        return upper.Fingerprint != 0 && upper.Fingerprint == lower.Fingerprint;
    }

    void ScanPairs(std::int32_t s, std::int32_t b) {
        for (std::int32_t j = b - 1; j >= s && !Stopped(); --j) {
            FileRecord& upper = *run_[static_cast<std::size_t>(j + 1 - s)];
            FileRecord& lower = *run_[static_cast<std::size_t>(j - s)];
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
    std::vector<FileRecord*> run_;
    ParallelRunner runner_;
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
    if (mode == 0 && record.Size < threshold)
        return static_cast<std::uint64_t>(record.LastWriteTime);
    ReadOnlyFile file(record.FullPath());
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

void ComputeDigest(const CairnlyState& state, FileRecord& record) {
    ReadOnlyFile file(record.FullPath());
    if (!file.IsOpen() || state.StopRequested.load()) return;
    CryptoPP::SHA1 sha;
    std::vector<CryptoPP::byte> block(kDigestBlockBytes);
    for (;;) {
        long got = file.Read(block.data(), block.size());
        // A read error leaves no digest: a hash of part of a file could match another file.
        if (got < 0) return;
        if (got == 0) break;
        sha.Update(block.data(), static_cast<std::size_t>(got));
        if (state.StopRequested.load()) return;
        if (got < static_cast<long>(block.size())) break;
    }
    static_assert(CryptoPP::SHA1::DIGESTSIZE == std::tuple_size_v<Digest20>);
    sha.Final(record.Digest.data());
    record.DigestReady = true;
    state.FilesFullyHashed.fetch_add(1);
}

void FindDuplicates(CairnlyState& state, ScanView& view) {
    DuplicatePass pass(state, view);
    pass.Run();
}

}  // namespace cairnly
