#pragma once
// The sizes the pages and the summaries show, in MB of 1,048,576 bytes.
#include <cstdint>
#include <string>

namespace cairnly {

// Bytes in MB (exactly 1/1,048,576), in double precision.
double Megabytes(std::int64_t bytes);

// A size cell: "%0.6f" below 10 MB, "%0.3f" from 10 MB on.
std::string SizeCell(std::int64_t bytes);

// A total: "%0.1f MB" below 1024 MB, otherwise "%0.1f GB".
std::string TotalText(std::int64_t bytes);

}  // namespace cairnly
