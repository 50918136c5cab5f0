#pragma once
// printf-style formatting into a std::string for the engine's fixed texts.
#include <string>

namespace cairnly {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace cairnly
