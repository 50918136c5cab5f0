#include "pictavo/cull/window/cairnly_launch.h"

#include "platform/files.h"

namespace pictavo {

std::string QuotedArgument(const std::string& argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled and the quote escaped.
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');  // so they do not escape the closing quote
    return quoted + "\"";
}

std::string CairnlyCommandLine(const std::string& programFolder, const std::string& photoFolder) {
    return QuotedArgument(platform::JoinPath(programFolder, "cairnly")) + " /P " +
           QuotedArgument(photoFolder);
}

void StartCairnly(const std::string& programFolder, const std::string& photoFolder,
                  shared::Prompter& prompter, const ProcessStarter& start) {
    if (programFolder.empty()) return;
    if (start(CairnlyCommandLine(programFolder, photoFolder))) return;
    prompter.Ask("Duplicate files", "Unable to start Cairnly for a duplicate file check",
                 shared::BoxIcon::Information, shared::BoxButtons::Ok);
}

}  // namespace pictavo
