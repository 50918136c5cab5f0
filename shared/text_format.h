#pragma once
// printf-style composition of the programs' messages into a std::string. The
// format is always one of the programs' own literals, never composed text.
#include <string>

namespace shared {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// True for a text of nothing but blanks, tabs and line ends (or nothing at all).
bool IsBlank(const std::string& text);

}  // namespace shared
