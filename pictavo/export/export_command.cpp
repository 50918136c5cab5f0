#include "pictavo/export/export_command.h"

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <thread>

#include "pictavo/export/export_checks.h"
#include "pictavo/export/export_run.h"
#include "platform/files.h"
#include "shared/command_line.h"
#include "shared/terminal_progress.h"

namespace pictavo {
namespace {

constexpr char kProgram[] = "pictavo-export: ";

// Shows the worker's status texts as progress.
class ConsoleView : public ExportView {
  public:
    explicit ConsoleView(shared::TerminalProgress& progress) : progress_(progress) {}
    void ShowExportStatus(const std::string& text) override { progress_.Show(text); }
    void ExportEnded() override {}

  private:
    shared::TerminalProgress& progress_;
};

std::string DryRunClosingText(const ExportCounts& counts, bool deleteOriginals) {
    std::string text = "Dry run, nothing was changed: " + std::to_string(counts.exported) +
                       " images would be exported, " + std::to_string(counts.overwritten) +
                       " files overwritten";
    if (deleteOriginals) text += ", " + std::to_string(counts.exported) + " originals deleted";
    if (counts.copyErrors > 0) text += ", " + std::to_string(counts.copyErrors) + " copy errors";
    return text;
}

int ExitStatus(const ExportCounts& counts) {
    return counts.copyErrors == 0 && counts.deleteErrors == 0 ? kExportClean : kExportHadErrors;
}

// Each step the export would take, one a line, and what it would come to.
int PrintPlan(const ExportOptions& options, shared::DesktopServices& services, std::ostream& out) {
    ExportCounters counters;
    ExportRun run(
        options, counters, [] { return false; }, [](const std::string&) {}, services);
    run.PlanOnly([&out](const std::string& step) { out << step << '\n'; });
    run.Run();
    out << DryRunClosingText(counters.Snapshot(), options.deleteOriginals) << std::endl;
    return ExitStatus(counters.Snapshot());
}

std::optional<int> LayoutFromWord(const std::string& word) {
    if (word == "keep") return kKeepLayout;
    if (word == "yearly") return kYearlyFolders;
    if (word == "flat") return kSingleFolder;
    return std::nullopt;
}

void AddFlag(shared::OptionParser& parser, const std::string& name, std::function<void()> set) {
    parser.Flag(name, [set = std::move(set)] {
        set();
        return std::string();
    });
}

void AddFolder(shared::OptionParser& parser, const std::string& name,
               std::function<void(const std::string&)> set) {
    parser.Value(name, [name, set = std::move(set)](const std::string& value) {
        if (value.empty()) return name + " needs a folder";
        set(value);
        return std::string();
    });
}

shared::OptionParser ExportOptionParser(ExportCommandLine& line) {
    shared::OptionParser parser;
    AddFolder(parser, "--to", [&line](const std::string& v) { line.to = v; });
    AddFolder(parser, "--from", [&line](const std::string& v) { line.from = v; });
    parser.Value("--layout", [&line](const std::string& value) {
        line.layout = LayoutFromWord(value);
        if (line.layout) return std::string();
        return "unknown layout \"" + value + "\" (keep, yearly or flat)";
    });
    AddFlag(parser, "--rated", [&line] { line.selection = kExportRated; });
    AddFlag(parser, "--all", [&line] { line.selection = kExportAll; });
    AddFlag(parser, "--set-dates", [&line] { line.setFileDates = true; });
    AddFlag(parser, "--keep-dates", [&line] { line.setFileDates = false; });
    AddFlag(parser, "--delete-originals", [&line] { line.deleteOriginals = true; });
    AddFlag(parser, "--yes", [&line] { line.yes = true; });
    AddFlag(parser, "--dry-run", [&line] { line.dryRun = true; });
    AddFlag(parser, "--quiet", [&line] { line.quiet = true; });
    parser.Operand([](const std::string& arg) { return "unknown argument \"" + arg + "\""; });
    return parser;
}

// The real location of an existing folder; any other path made absolute, so
// every check and the export itself see the same folder whatever the working
// folder and whatever links or ".." the name holds.
std::string ResolvedPath(const std::string& path) {
    std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), ::free);
    if (real) return real.get();
    if (path.empty() || path.front() == '/') return path;
    std::error_code error;
    std::string cwd = std::filesystem::current_path(error).string();
    return error ? path : platform::JoinPath(cwd, path);
}

// A one-line reason for refusing the photo folder, or "" when it is accepted.
// The library is never guessed: without settings it must be named, and the
// whole file system only when named so.
std::string LibraryRefusal(const ExportCommandLine& line, const ExportOptions& options) {
    if (line.from) return "";
    if (options.photoFolder.empty())
        return "No photo folder is set (no Pictavo settings file names one); give --from FOLDER.";
    if (options.photoFolder == "/")
        return "The photo folder is / (the whole file system); give --from / to export it.";
    return "";
}

// A one-line reason for a refused destination, or "" when it is accepted.
std::string RefusalText(DestinationVerdict verdict, const ExportCommandLine& line,
                        const std::string& destination) {
    switch (verdict) {
        case DestinationVerdict::Missing:
            return kMissingDestinationText;
        case DestinationVerdict::InsideLibrary:
            return "You can't export your photos to a directory in your existing photo "
                   "library: " +
                   destination;
        case DestinationVerdict::AskRoot:
            if (line.yes) return "";
            return "Exporting to " + destination + " needs --yes to confirm the location.";
        case DestinationVerdict::Accepted:
            break;
    }
    return "";
}

}  // namespace

const char kExportUsage[] =
    "Usage: pictavo-export --to FOLDER [--from FOLDER] [--rated|--all] "
    "[--layout keep|yearly|flat] [--set-dates|--keep-dates] [--delete-originals] [--yes] "
    "[--dry-run] [--quiet]";

std::optional<ExportCommandLine> ParseExportCommandLine(const std::vector<std::string>& args,
                                                        std::string& error) {
    ExportCommandLine line;
    error = ExportOptionParser(line).Parse(args);
    if (error.empty() && line.to.empty()) error = "--to is required";
    if (!error.empty()) return std::nullopt;
    return line;
}

void LoadCommandSettings(SettingsStore& store, SettingsRecord& settings) {
    if (store.Load(settings)) return;
    store.SetDefaults(settings);
    settings.setPhotoFolder("");  // the default location is a guess, never a library to export
}

ExportOptions CommandOptions(const ExportCommandLine& line, const SettingsRecord& settings) {
    ExportOptions options = ExportOptions::FromSettings(settings);
    if (line.from) options.photoFolder = *line.from;
    if (!options.photoFolder.empty()) options.photoFolder = ResolvedPath(options.photoFolder);
    options.exportFolder = StoredDestination(ResolvedPath(line.to));
    options.selection = line.selection.value_or(options.selection);
    options.layout = line.layout.value_or(options.layout);
    options.setFileDates = line.setFileDates.value_or(options.setFileDates);
    options.deleteOriginals = line.deleteOriginals;
    return options;
}

int RunExportCommand(const ExportCommandLine& line, const SettingsRecord& settings,
                     shared::DesktopServices& services, std::ostream& out, std::ostream& err,
                     bool stderrIsTerminal) {
    ExportOptions options = CommandOptions(line, settings);
    if (std::string refusal = LibraryRefusal(line, options); !refusal.empty()) {
        err << kProgram << refusal << "\n";
        return kExportRefused;
    }
    if (!platform::FolderExists(options.photoFolder)) {
        err << kProgram << "The photo folder does not exist: " << options.photoFolder << "\n";
        return kExportRefused;
    }
    std::string destination = ResolvedPath(line.to);
    std::string refusal =
        RefusalText(CheckDestination(destination, options.photoFolder), line, destination);
    if (!refusal.empty()) {
        err << kProgram << refusal << "\n";
        return kExportRefused;
    }
    if (line.dryRun) return PrintPlan(options, services, out);
    // Off a terminal each status text keeps a line of its own on out.
    using Mode = shared::TerminalProgress::Mode;
    Mode mode = shared::TerminalProgress::ModeFor(line.quiet, stderrIsTerminal, Mode::Lines);
    shared::TerminalProgress progress(mode == Mode::InPlace ? err : out, mode);
    ExportControl control;
    ConsoleView view(progress);
    ExportCounts counts = control.RunHere(options, view, services, [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    });
    progress.Finish();
    if (mode != Mode::Lines) out << ExportClosingText(counts) << std::endl;
    return ExitStatus(counts);
}

}  // namespace pictavo
