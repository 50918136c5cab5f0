// pictavo-export: exports the photo library from the command line, with the
// Pictavo settings as defaults. It never writes the settings file.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/export/export_command.h"
#include "shared/program_info.h"

namespace {

const char kHelp[] =
    "Copies the photo library to FOLDER as Pictavo's Export button does, for\n"
    "scheduled backups. Options not given come from Pictavo's settings file\n"
    "(or its defaults); the settings file is never changed.\n"
    "\n"
    "Options:\n"
    "  --to FOLDER            destination (must exist, must not be inside the library)\n"
    "  --from FOLDER          photo folder (default: Pictavo's photo folder; needed when\n"
    "                         no settings file names one, and to export / itself)\n"
    "  --rated | --all        only JPEGs rated 4 or 5 stars, or every image\n"
    "  --layout keep|yearly|flat\n"
    "                         keep the folder layout, one folder per year, or all in FOLDER\n"
    "  --set-dates | --keep-dates\n"
    "                         set the copies' file times to the date taken, or not\n"
    "  --delete-originals     delete each original once its copy is complete\n"
    "                         (only when given here, never from the settings)\n"
    "  --yes                  accept a destination shorter than 4 characters, such as /\n"
    "  --dry-run              print what would be copied, overwritten and deleted, and\n"
    "                         change nothing\n"
    "  --quiet                no progress (on a terminal, progress is one line of stderr\n"
    "                         rewritten in place; otherwise each status is a line of stdout)\n"
    "  -h, --help             show this help\n"
    "      --version          show the version\n"
    "\n"
    "An option's value follows it or comes after '=' (--to=FOLDER); '--' ends the options.\n"
    "\n"
    "Exit status: 0 no errors, 1 copy or delete errors (see the activity log),\n"
    "2 refused (bad option, missing folder, destination refused).\n";

}  // namespace

int main(int argc, char** argv) {
    const std::string help = std::string(pictavo::kExportUsage) + "\n\n" + kHelp;
    if (auto status = shared::AnswerInfoRequest(argc, argv, "pictavo-export",
                                                shared::kPictavoVersion, help, std::cout))
        return *status;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::optional<pictavo::ExportCommandLine> line = pictavo::ParseExportCommandLine(args, error);
    if (!line) {
        std::cerr << "pictavo-export: " << error << "\n" << pictavo::kExportUsage << "\n";
        return pictavo::kExportRefused;
    }
    pictavo::SettingsRecord settings;
    shared::DesktopServices services("Pictavo", [&settings] { return settings.logLevel(); });
    pictavo::SettingsStore store(services);
    pictavo::LoadCommandSettings(store, settings);
    if (!line->dryRun) services.CreateLogFolder();
    pictavo::InitializeMetadata();
    return pictavo::RunExportCommand(*line, settings, services, std::cout, std::cerr,
                                     ::isatty(STDERR_FILENO) == 1);
}
