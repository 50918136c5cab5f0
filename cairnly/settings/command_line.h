#pragma once
// Cairnly's command line: "/P folder" (or "-p folder") starts a duplicate
// search of the folder at once, with the photo-mode settings; a folder alone
// is the folder to scan for this run.
#include <optional>
#include <string>
#include <vector>

namespace cairnly {

struct CommandLine {
    bool photoMode = false;
    // The folder after the switch, when it exists and fits the settings field.
    std::optional<std::string> photoFolder;
    // Without the switch: the first argument that is not an option, when it is
    // an existing folder that fits the settings field.
    std::optional<std::string> startFolder;
    // That argument when it is not such a folder.
    std::optional<std::string> unusableFolder;
};

// args[0] is the program. The switch is the first of args[1..19] that starts
// with '/' or '-' and whose second character is P or p; the argument after it
// is the folder, accepted when it is shorter than 560 UTF-16 units and names an
// existing file or folder. An argument starting with '/' that names an
// existing file or folder is a path, never the switch.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace cairnly
