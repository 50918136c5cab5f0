#pragma once
// Generates the benchmark tree: unique files, whole copied folders, partial
// copies, same-size files with other content and same-head files with another
// tail. Deterministic for a given seed; no empty files, links or dot names, so
// every peer tool sees the same candidates.
#include <cstddef>
#include <string>

namespace cairnly_bench {

struct TreeShape {
    int baseFolders = 1000;
    int filesPerBase = 100;
    int wholeCopies = 300;      // folders copied with all their files
    int partialCopies = 300;    // folders holding 30 copied files and 20 new ones
    int sameSizeFiles = 20000;  // same size as a base file, other content
    int sameHeadFiles = 5000;   // same first 64 KiB as a base file, other tail
    int smallUniqueFiles = 25000;
};

struct TreeStats {
    std::size_t files = 0;
    std::size_t bytes = 0;
};

// Builds the tree under root unless a complete one is already there.
TreeStats EnsureTree(const std::string& root, const TreeShape& shape);

}  // namespace cairnly_bench
