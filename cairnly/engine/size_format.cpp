#include "cairnly/engine/size_format.h"

#include "shared/text_format.h"

namespace cairnly {

namespace {
constexpr double kBytesToMegabytes = 9.5367431640625e-7;
}  // namespace

double Megabytes(std::int64_t bytes) { return static_cast<double>(bytes) * kBytesToMegabytes; }

std::string SizeCell(std::int64_t bytes) {
    double mb = Megabytes(bytes);
    return shared::Format(mb < 10.0 ? "%0.6f" : "%0.3f", mb);
}

std::string TotalText(std::int64_t bytes) {
    double mb = Megabytes(bytes);
    if (mb < 1024.0) return shared::Format("%0.1f MB", mb);
    return shared::Format("%0.1f GB", mb / 1024.0);
}

}  // namespace cairnly
