#pragma once
// Text conversions between the internal UTF-8 strings and the UTF-16LE units
// that the settings files store.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 sequences become U+FFFD; only used for display and stored text,
// never for a path that is handed to a file operation.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
bool IsValidUtf8(std::string_view text);
// Number of UTF-16 units the text takes (U+FFFD for each invalid byte).
std::size_t Utf16Length(std::string_view text);
// Longest prefix of whole characters that fits in maxUnits UTF-16 units.
std::string CutToUtf16Units(std::string_view text, std::size_t maxUnits);

std::string ToLowerAscii(std::string_view text);
// Case-insensitive comparison for the scripts the programs meet in paths
// (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic); other letters compare exactly.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// Case-insensitive substring search over ASCII letters (extension tests).
bool ContainsIgnoreCaseAscii(std::string_view haystack, std::string_view needle);

}  // namespace platform
