#pragma once
// Reading a photo whole and replacing it in place, for the changes Pictavo
// makes to photos (turns, ratings).
#include <string>
#include <vector>

namespace pictavo {

// The whole content of a regular file; false for folders and on any read error.
bool ReadRegularFile(const std::string& path, std::vector<unsigned char>& data);

// Writes data to a temporary file beside path with path's permission bits,
// owner and access and modification times, then renames it over path. Returns
// 0 or an error number; on failure path is untouched.
int ReplaceFileKeepingMode(const std::string& path, const std::vector<unsigned char>& data);

}  // namespace pictavo
