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

// Lossless conversions for paths kept in UTF-16 fields (the settings records):
// each byte that is not part of valid UTF-8 becomes the lone surrogate
// U+DC00 + byte (U+DC80..U+DCFF) and comes back as the same byte, so a file
// name that is not valid UTF-8 survives a save and load unchanged. Other lone
// surrogates read back as U+FFFD. Valid UTF-8 converts exactly as Utf8ToUtf16.
std::u16string PathToUtf16(std::string_view path);
std::string Utf16ToPath(std::u16string_view text);
// Number of UTF-16 units the text takes (U+FFFD for each invalid byte).
std::size_t Utf16Length(std::string_view text);
// Longest prefix of whole characters that fits in maxUnits UTF-16 units.
std::string CutToUtf16Units(std::string_view text, std::size_t maxUnits);

// Three-way case-insensitive comparison for the scripts the programs meet in
// paths (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic; other letters
// compare exactly), ordering by code point; invalid bytes compare by their
// byte values.
// Returns a negative number, 0 or a positive number.
int CompareIgnoreCase(std::string_view a, std::string_view b);
// Case-insensitive substring search over ASCII letters (extension tests).
bool ContainsIgnoreCaseAscii(std::string_view haystack, std::string_view needle);

}  // namespace platform
