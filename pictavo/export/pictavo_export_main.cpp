// pictavo-export: exports the photo library from the command line, with the
// Pictavo settings as defaults. It never writes the settings file.
#include <iostream>
#include <string>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/export/export_command.h"

int main(int argc, char** argv) {
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
    if (!store.Load(settings)) store.SetDefaults(settings);
    services.CreateLogFolder();
    pictavo::InitializeMetadata();
    return pictavo::RunExportCommand(*line, settings, services, std::cout, std::cerr);
}
