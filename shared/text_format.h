#pragma once
// printf-style composition of the programs' messages into a std::string. The
// format is always one of the programs' own literals, never composed text.
#include <string>

namespace shared {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace shared
