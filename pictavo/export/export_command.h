#pragma once
// pictavo-export: the export worker from the command line, for scheduled backups.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "pictavo/export/export_worker.h"

namespace pictavo {

struct ExportCommandLine {
    std::string to;
    std::optional<std::string> from;
    std::optional<int> selection;
    std::optional<int> layout;
    std::optional<bool> setFileDates;
    bool deleteOriginals = false;  // destructive, so never taken from the settings
    bool yes = false;
    bool dryRun = false;  // print what would be copied, overwritten and deleted
    bool quiet = false;   // no progress
};

// Parses the arguments after the program name; nullopt and error set on a mistake.
std::optional<ExportCommandLine> ParseExportCommandLine(const std::vector<std::string>& args,
                                                        std::string& error);

// The settings file, or the defaults with no photo folder when there is none.
void LoadCommandSettings(SettingsStore& store, SettingsRecord& settings);

// The command's options over the settings' defaults; the folders resolved
// (relative paths, links and ".." of existing folders) before anything uses them.
ExportOptions CommandOptions(const ExportCommandLine& line, const SettingsRecord& settings);

// Exit status: 0 all copied, 1 copy or delete errors, 2 refused before starting.
enum ExportExitStatus { kExportClean = 0, kExportHadErrors = 1, kExportRefused = 2 };

// Checks the destination as the dialog does (a drive root is refused unless
// yes), then exports, printing the closing text to out. Progress rewrites one
// line of err when it is a terminal, else each status text is a line of out.
// A dry run prints each step instead and changes nothing.
int RunExportCommand(const ExportCommandLine& line, const SettingsRecord& settings,
                     shared::DesktopServices& services, std::ostream& out, std::ostream& err,
                     bool stderrIsTerminal = false);

extern const char kExportUsage[];

}  // namespace pictavo
