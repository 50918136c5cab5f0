#include "cairnly/settings/config_text.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

namespace cairnly {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

std::size_t SkipBlanks(std::u16string_view text, std::size_t i) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

std::size_t SkipDigits(std::u16string_view text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

std::size_t SkipSign(std::u16string_view text, std::size_t i) {
    return i < text.size() && (text[i] == u'+' || text[i] == u'-') ? i + 1 : i;
}

// The ASCII copy of the leading number, or "" when the text has none.
std::string LeadingNumberText(std::u16string_view text) {
    std::size_t start = SkipBlanks(text, 0);
    std::size_t i = SkipSign(text, start);
    std::size_t intEnd = SkipDigits(text, i);
    std::size_t end = intEnd;
    bool digits = intEnd > i;
    if (end < text.size() && text[end] == u'.') {
        std::size_t fracEnd = SkipDigits(text, end + 1);
        digits = digits || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!digits) return {};
    if (end < text.size() && (text[end] == u'e' || text[end] == u'E')) {
        std::size_t expDigits = SkipSign(text, end + 1);
        std::size_t expEnd = SkipDigits(text, expDigits);
        if (expEnd > expDigits) end = expEnd;
    }
    return std::string(text.begin() + static_cast<std::ptrdiff_t>(start),
                       text.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace

float LeadingFloat(std::u16string_view text) {
    std::string number = LeadingNumberText(text);
    if (number.empty()) return 0.0f;
    double value = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return value < 0 ? -FLT_MAX : FLT_MAX;
    return static_cast<float>(value);
}

int LeadingInt(std::u16string_view text) {
    std::size_t start = SkipBlanks(text, 0);
    std::size_t end = SkipDigits(text, SkipSign(text, start));
    std::string number(text.begin() + static_cast<std::ptrdiff_t>(start),
                       text.begin() + static_cast<std::ptrdiff_t>(end));
    long long value = std::strtoll(number.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace cairnly
