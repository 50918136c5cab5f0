#include "shared/photo_name.h"

namespace shared {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsLowerAscii(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (LowerAscii(text[i]) != lower[i]) return false;
    return true;
}

}  // namespace

bool IsPhotoName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view extension = name.substr(dot + 1);
    for (std::string_view photo : {"jpg", "jpeg", "png", "bmp"})
        if (EqualsLowerAscii(extension, photo)) return true;
    return false;
}

}  // namespace shared
