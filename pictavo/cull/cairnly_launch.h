#pragma once
// Starting Cairnly on the photo folder to look for duplicate photos.
#include <functional>
#include <string>

#include "shared/prompter.h"

namespace pictavo {

// "<folder>/cairnly" /P "<photo folder>", each path quoted.
std::string CairnlyCommandLine(const std::string& programFolder, const std::string& photoFolder);

using ProcessStarter = std::function<bool(const std::string& commandLine)>;

// Starts Cairnly from programFolder without waiting for it. When it cannot be
// started, says so in an information box. An empty programFolder does nothing.
void StartCairnly(const std::string& programFolder, const std::string& photoFolder,
                  shared::Prompter& prompter, const ProcessStarter& start);

}  // namespace pictavo
