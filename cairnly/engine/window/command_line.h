#pragma once
// Cairnly's command line: "/P folder" (or "-p folder") starts a duplicate
// search of the folder at once, with the photo-mode settings.
#include <optional>
#include <string>
#include <vector>

namespace cairnly {

struct CommandLine {
    bool photoMode = false;
    // The folder after the switch, when it exists and fits the settings field.
    std::optional<std::string> photoFolder;
};

// args[0] is the program. The switch is the first of args[1..19] that starts
// with '/' or '-' and whose second character is P or p; the argument after it
// is the folder, accepted when it is shorter than 560 UTF-16 units and names an
// existing file or folder.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace cairnly
