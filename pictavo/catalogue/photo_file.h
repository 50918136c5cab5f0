#pragma once
// Reading a photo whole, for the changes Pictavo makes to photos (turns,
// ratings); platform::WriteFileAtomically puts the changed photo in place.
#include <string>
#include <vector>

namespace pictavo {

// The whole content of a regular file; false for folders and on any read error.
bool ReadRegularFile(const std::string& path, std::vector<unsigned char>& data);

}  // namespace pictavo
