#include "platform/text.h"

#include <algorithm>
#include <cctype>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[i]; advances i. Invalid input yields U+FFFD
// and consumes one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + extra >= text.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::size_t UnitsOf(char32_t cp) { return cp >= 0x10000 ? 2 : 1; }

char32_t FoldCase(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper/lower at even/odd, with a shift in two ranges;
        // dotted/dotless i, kra, n preceded by apostrophe and long s have no pair here.
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        if (c == 0x178) return 0xFF;  // Y with diaeresis
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
            return (c % 2 == 1) ? c + 1 : c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// keepBytes: an invalid byte becomes a lone low surrogate U+DC80..U+DCFF so
// that a path survives the round trip; otherwise it becomes U+FFFD.
std::u16string EncodeUtf16(std::string_view text, bool keepBytes) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t before = i;
        char32_t cp = DecodeUtf8(text, i);
        if (keepBytes && cp == kReplacement && i - before == 1) {
            out += static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(text[before]));
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

// restoreBytes: the inverse of EncodeUtf16's kept bytes.
std::string DecodeUtf16(std::u16string_view text, bool restoreBytes) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (restoreBytes && unit >= 0xDC80 && unit <= 0xDCFF) {
            out += static_cast<char>(unit - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) { return EncodeUtf16(text, false); }
std::string Utf16ToUtf8(std::u16string_view text) { return DecodeUtf16(text, false); }
std::u16string PathToUtf16(std::string_view path) { return EncodeUtf16(path, true); }
std::string Utf16ToPath(std::u16string_view text) { return DecodeUtf16(text, true); }

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t before = i;
        char32_t cp = DecodeUtf8(text, i);
        if (cp == kReplacement && !(i - before == 3 && text.substr(before, 3) == "\xEF\xBF\xBD"))
            return false;
    }
    return true;
}

std::size_t Utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();) units += UnitsOf(DecodeUtf8(text, i));
    return units;
}

std::string CutToUtf16Units(std::string_view text, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t next = i;
        std::size_t add = UnitsOf(DecodeUtf8(text, next));
        if (units + add > maxUnits) break;
        units += add;
        i = next;
    }
    return std::string(text.substr(0, i));
}

int CompareIgnoreCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::size_t ib = i, jb = j;
        char32_t ca = DecodeUtf8(a, i), cb = DecodeUtf8(b, j);
        if (ca == kReplacement || cb == kReplacement) {
            int raw = a.substr(ib, i - ib).compare(b.substr(jb, j - jb));
            if (raw != 0) return raw < 0 ? -1 : 1;
            continue;
        }
        char32_t fa = FoldCase(ca), fb = FoldCase(cb);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

namespace {

std::string ToLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

}  // namespace

bool ContainsIgnoreCaseAscii(std::string_view haystack, std::string_view needle) {
    return ToLowerAscii(haystack).find(ToLowerAscii(needle)) != std::string::npos;
}

}  // namespace platform
