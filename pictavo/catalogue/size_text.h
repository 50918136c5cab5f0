#pragma once
// A byte count as the captions and status messages show it.
#include <cstdint>
#include <string>

namespace pictavo {

// "%lld Bytes" below 1,024 (and for negative counts), then "%0.1f KB",
// "%0.1f MB" up to 2^30 - 1, "%0.1f GB" above.
std::string SizeText(std::int64_t bytes);

}  // namespace pictavo
