#include "cairnly/pages/page_format.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace cairnly::pages {

namespace {
constexpr double kBytesToMegabytes = 9.5367431640625e-7;
}  // namespace

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
    return out;
}

double Megabytes(std::int64_t bytes) { return static_cast<double>(bytes) * kBytesToMegabytes; }

std::string SizeCell(std::int64_t bytes) {
    double mb = Megabytes(bytes);
    return Format(mb < 10.0 ? "%0.6f" : "%0.3f", mb);
}

std::string TotalText(std::int64_t bytes) {
    double mb = Megabytes(bytes);
    if (mb < 1024.0) return Format("%0.1f MB", mb);
    return Format("%0.1f GB", mb / 1024.0);
}

std::string ThresholdText(float megabytes) {
    return Format("%0.1f", static_cast<double>(megabytes));
}

}  // namespace cairnly::pages
