#include "pictavo/catalogue/size_text.h"

#include <cstdio>

namespace pictavo {

std::string SizeText(std::int64_t bytes) {
    char buffer[64];
    if (bytes < 1024) {
        std::snprintf(buffer, sizeof buffer, "%lld Bytes", static_cast<long long>(bytes));
    } else if (bytes < (1LL << 20)) {
        std::snprintf(buffer, sizeof buffer, "%0.1f KB", static_cast<double>(bytes) / (1 << 10));
    } else if (bytes <= (1LL << 30) - 1) {
        std::snprintf(buffer, sizeof buffer, "%0.1f MB", static_cast<double>(bytes) / (1 << 20));
    } else {
        std::snprintf(buffer, sizeof buffer, "%0.1f GB", static_cast<double>(bytes) / (1 << 30));
    }
    return buffer;
}

}  // namespace pictavo
