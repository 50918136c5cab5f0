#include "pictavo/cull/cairnly_launch.h"

#include "platform/files.h"
#include "platform/process.h"

namespace pictavo {

std::string CairnlyCommandLine(const std::string& programFolder, const std::string& photoFolder) {
    return platform::QuoteArgument(platform::JoinPath(programFolder, "cairnly")) + " /P " +
           platform::QuoteArgument(photoFolder);
}

void StartCairnly(const std::string& programFolder, const std::string& photoFolder,
                  shared::Prompter& prompter, const ProcessStarter& start) {
    if (programFolder.empty()) return;
    if (start(CairnlyCommandLine(programFolder, photoFolder))) return;
    prompter.Ask("Duplicate files", "Unable to start Cairnly for a duplicate file check",
                 shared::BoxIcon::Information, shared::BoxButtons::Ok);
}

}  // namespace pictavo
