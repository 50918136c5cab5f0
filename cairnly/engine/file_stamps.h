#pragma once
// What identifies one state of one file.
#include <cstdint>

namespace cairnly {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t writeNs = 0;   // last write, nanoseconds since 1970
    std::int64_t changeNs = 0;  // last status change, nanoseconds since 1970
    bool operator==(const FileStamp&) const = default;
};

}  // namespace cairnly
