#pragma once
// Duplicate detection among files of equal size, on the size-ordered FileTable.
#include <cstdint>
#include <string>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"

namespace cairnly {

constexpr std::int64_t kSmallFileLimit = 10'485'760;  // 10 MiB
constexpr std::size_t kFingerprintBytes = 65'536;
constexpr std::size_t kDigestBlockBytes = 16'384;
constexpr std::size_t kHeadKeyBytes = 16'384;

// From the size-ordered FileTable: the Size at four fifths, capped at 10 MiB.
std::int64_t ComputeSmallFileThreshold(const CairnlyState& state);

// Mode 0 below the threshold: LastWriteTime. Otherwise the 64-bit sum of the
// first 64 KiB; a file shorter than that is fingerprinted by a hash of all its
// bytes. Never 0 for a readable file; 0 when unreadable.
std::uint64_t ComputeFingerprint(const FileRecord& record, std::int32_t mode,
                                 std::int64_t threshold);

// In the deep mode with a cache path: loads the digest cache into
// state.DigestCache (logging a file that cannot be used); otherwise there is
// none. The walk calls it; the duplicate pass uses and saves what it loaded.
void LoadDigestCache(CairnlyState& state);

// What the loaded cache knows of the files the walk stamped, as they are now:
// the key of the first block (kept in Fingerprint, which the deep mode uses
// for nothing else) and the digest when the file was read whole. The files it
// answers leave state.WalkStamps, which keeps the ones still to read.
void AnswerFromDigestCache(CairnlyState& state);

// Numbers the duplicate groups, appends them to DuplicateList, hands each to
// the page and writes the Duplicate files summary. Uses Criteria().DuplicateMode
// and state.SmallFileThreshold. First waits for the walk's answers from the
// digest cache.
void FindDuplicates(CairnlyState& state, ScanView& view);

}  // namespace cairnly
