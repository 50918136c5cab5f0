// Saves pictures of Cairnly's windows after a scan of a generated tree:
//   cairnly_screenshots OUTPUT_FOLDER
// Run it under xvfb-run to get the desktop's fonts and style. It uses a
// private HOME, so it never touches the user's settings.
#include <QApplication>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>

#include "cairnly/pages/window/confirm_delete_dialog.h"
#include "cairnly/pages/window/result_page_widget.h"
#include "shared/qt/qt_prompter.h"
#include "tests/cairnly/window/window_fixture.h"

namespace {

using namespace cairnly;
using namespace cairnly::testing;

void BuildTree(const std::string& root) {
    const std::size_t kMB = 1 << 20;
    for (int i = 0; i < 12; ++i) {
        std::string name = "IMG_" + std::to_string(4100 + i) + ".jpg";
        std::size_t size = kMB / 2 + static_cast<std::size_t>(i) * 37'000;
        WriteCopies({root + "/Pictures/2023 Summer/" + name, root + "/Backup/Phone 2023/" + name},
                    size, 100 + static_cast<unsigned>(i));
    }
    for (int i = 0; i < 6; ++i)
        WriteFile(root + "/Pictures/2023 Summer/VID_" + std::to_string(i) + ".mp4",
                  3 * kMB + static_cast<std::size_t>(i) * 1000, 300 + static_cast<unsigned>(i));
    WriteCopies({root + "/Downloads/ubuntu-24.04-desktop.iso", root + "/Archive/ubuntu.iso"},
                24 * kMB, 7);
    WriteCopies({root + "/Documents/Taxes/return-2023.pdf", root + "/Downloads/return-2023.pdf"},
                kMB + 4321, 8);
    WriteFile(root + "/Music/album/track01.flac", 9 * kMB, 9);
    WriteFile(root + "/Music/album/track02.flac", 11 * kMB, 10);
    WriteFile(root + "/Projects/build/app.debug", 15 * kMB, 11);
}

void Save(QWidget& widget, const std::string& folder, const char* name) {
    QApplication::processEvents();
    std::string path = folder + "/" + name;
    widget.grab().save(QString::fromStdString(path));
    std::printf("%s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cairnly_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    TempHome home;
    // A short, readable root for the pictures; made afresh and removed at the end.
    const std::string root = "/tmp/cairnly-demo";
    std::filesystem::remove_all(root);
    BuildTree(root);
    WriteSettings([&](ScanSettings& s) {
        s.SetRootFolder(root);
        s.SetMinFileSizeMB(0.25f);
        s.SetMinFolderSizeMB(1.0f);
        s.SetDuplicateMode(2);
        s.SetMinPartialDuplicates(8);
    });
    shared::QtPrompter prompter;
    FakeOpener opener;
    std::string dialogShot;
    ModalRunner runner = [&](QDialog& dialog) {
        dialog.show();
        PumpUntil([&] {
            auto* confirm = dynamic_cast<ConfirmDeleteDialog*>(&dialog);
            return !confirm || confirm->Confirmation().ListingDone();
        });
        Save(dialog, out, dialogShot.c_str());
        dialog.reject();
        return 0;
    };
    CairnlyProgram program({"cairnly"}, prompter, opener, runner);
    program.Start();
    MainWindow& window = program.Window();
    window.resize(1280, 760);
    window.StartCommand();
    WaitForScan(program.State());
    const char* names[4] = {"cairnly-largest-folders.png", "cairnly-largest-files.png",
                            "cairnly-duplicates.png", "cairnly-partial-folders.png"};
    for (int page = 0; page < 4; ++page) {
        window.ShowPage(page);
        window.Page(page)->List().setFocus();
        window.Page(page)->List().SelectRows({0});
        Save(window, out, names[page]);
    }
    window.ShowPage(2);
    window.Page(2)->List().SelectRows({1, 3});
    dialogShot = "cairnly-confirm-delete.png";
    window.Page(2)->RunCommand(32780);
    dialogShot = "cairnly-configuration.png";
    window.ConfigurationCommand();
    dialogShot = "cairnly-about.png";
    window.AboutCommand();
    std::filesystem::remove_all(root);
    return 0;
}
