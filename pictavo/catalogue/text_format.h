#pragma once
// printf-style composition of the programs' messages into a std::string.
#include <cstdio>
#include <string>

namespace pictavo {

template <typename... Args>
std::string FormatText(const char* format, Args... args) {
    int size = std::snprintf(nullptr, 0, format, args...);
    if (size <= 0) return {};
    std::string text(static_cast<std::size_t>(size), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

}  // namespace pictavo
