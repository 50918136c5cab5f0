#pragma once
// JSON text for the command-line reports of both programs.
#include <string>

namespace shared {

// Text as JSON string contents (UTF-8; invalid bytes become U+FFFD).
std::string JsonEscape(const std::string& text);
std::string Base64(const std::string& bytes);

// `"key": "path"` and, when the path is not valid UTF-8 (so the text shows
// U+FFFD), also `, "key_bytes": "exact bytes in base64"`.
std::string JsonPathMembers(const std::string& key, const std::string& path);

}  // namespace shared
