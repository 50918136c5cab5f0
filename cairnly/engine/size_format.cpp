#include "cairnly/pages/page_format.h"

namespace cairnly::pages {

namespace {
constexpr double kBytesToMegabytes = 9.5367431640625e-7;
}  // namespace

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
