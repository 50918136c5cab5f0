#pragma once
// cairnly-report: one scan of a folder, the four result pages printed as text
// or JSON. It never deletes anything and never writes settings or logs.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/pages/result_pages.h"

namespace cairnly::report {

struct ReportOptions {
    std::string folder;
    bool help = false;
    bool version = false;
    bool json = false;
    bool progress = false;
    bool quiet = false;
    bool photo = false;
    std::optional<std::int32_t> mode;
    std::optional<float> minFileMB;
    std::optional<float> minFolderMB;
    std::optional<std::int32_t> minPartial;
    std::optional<bool> skipSystemFolders;
    std::optional<int> page;  // print only this page
};

// Parses the arguments after the program name. Returns the one-line error for
// a bad option, value or folder, or an empty text.
std::string ParseArguments(const std::vector<std::string>& args, ReportOptions& options);
std::string UsageText();

// The settings a report scan runs with: first-run defaults or photo-mode
// values, then the options given; logging is always off.
void ApplyOptions(const ReportOptions& options, ScanSettings& settings);

// All four pages, or only the page given.
std::string PagesAsText(const CairnlyState& state, const pages::ResultPages& pages,
                        std::optional<int> only = std::nullopt);
std::string PagesAsJson(const CairnlyState& state, const pages::ResultPages& pages,
                        std::optional<int> only = std::nullopt);

// Runs the whole command; returns the exit status.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool stderrIsTerminal);

}  // namespace cairnly::report
