#include "pictavo/export/export_command.h"

#include <chrono>
#include <ostream>
#include <thread>

#include "pictavo/export/export_checks.h"
#include "platform/files.h"

namespace pictavo {
namespace {

constexpr char kProgram[] = "pictavo-export: ";

// Prints each new status text on a line of its own.
class ConsoleView : public ExportView {
  public:
    explicit ConsoleView(std::ostream& out) : out_(out) {}
    void ShowExportStatus(const std::string& text) override {
        if (text == last_) return;
        last_ = text;
        out_ << text << std::endl;
    }
    void ExportEnded() override {}

  private:
    std::ostream& out_;
    std::string last_;
};

std::optional<int> LayoutFromWord(const std::string& word) {
    if (word == "keep") return kKeepLayout;
    if (word == "yearly") return kYearlyFolders;
    if (word == "flat") return kSingleFolder;
    return std::nullopt;
}

// Handles one option that takes a value; false on a mistake.
bool TakeValue(const std::string& option, const std::string& value, ExportCommandLine& line,
               std::string& error) {
    if (option == "--to") {
        line.to = value;
    } else if (option == "--from") {
        line.from = value;
    } else if (std::optional<int> layout = LayoutFromWord(value)) {
        line.layout = layout;
    } else {
        error = "unknown layout \"" + value + "\" (keep, yearly or flat)";
        return false;
    }
    return true;
}

bool TakeFlag(const std::string& flag, ExportCommandLine& line) {
    if (flag == "--rated")
        line.selection = kExportRated;
    else if (flag == "--all")
        line.selection = kExportAll;
    else if (flag == "--set-dates")
        line.setFileDates = true;
    else if (flag == "--keep-dates")
        line.setFileDates = false;
    else if (flag == "--delete-originals")
        line.deleteOriginals = true;
    else if (flag == "--yes")
        line.yes = true;
    else
        return false;
    return true;
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
    "usage: pictavo-export --to FOLDER [--from FOLDER] [--rated|--all] "
    "[--layout keep|yearly|flat] [--set-dates|--keep-dates] [--delete-originals] [--yes]";

std::optional<ExportCommandLine> ParseExportCommandLine(const std::vector<std::string>& args,
                                                        std::string& error) {
    ExportCommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--to" || arg == "--from" || arg == "--layout") {
            if (i + 1 == args.size()) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            if (!TakeValue(arg, args[++i], line, error)) return std::nullopt;
        } else if (!TakeFlag(arg, line)) {
            error = "unknown argument \"" + arg + "\"";
            return std::nullopt;
        }
    }
    if (line.to.empty()) {
        error = "--to is required";
        return std::nullopt;
    }
    return line;
}

ExportOptions CommandOptions(const ExportCommandLine& line, const SettingsRecord& settings) {
    ExportOptions options = ExportOptions::FromSettings(settings);
    if (line.from) options.photoFolder = *line.from;
    options.exportFolder = StoredDestination(line.to);
    options.selection = line.selection.value_or(options.selection);
    options.layout = line.layout.value_or(options.layout);
    options.setFileDates = line.setFileDates.value_or(options.setFileDates);
    options.deleteOriginals = line.deleteOriginals;
    return options;
}

int RunExportCommand(const ExportCommandLine& line, const SettingsRecord& settings,
                     shared::DesktopServices& services, std::ostream& out, std::ostream& err) {
    ExportOptions options = CommandOptions(line, settings);
    if (!platform::FolderExists(options.photoFolder)) {
        err << kProgram << "The photo folder does not exist: " << options.photoFolder << "\n";
        return kExportRefused;
    }
    std::string refusal =
        RefusalText(CheckDestination(line.to, options.photoFolder), line, line.to);
    if (!refusal.empty()) {
        err << kProgram << refusal << "\n";
        return kExportRefused;
    }
    ExportControl control;
    ConsoleView view(out);
    ExportCounts counts = control.RunHere(options, view, services, [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    });
    return counts.copyErrors == 0 && counts.deleteErrors == 0 ? kExportClean : kExportHadErrors;
}

}  // namespace pictavo
