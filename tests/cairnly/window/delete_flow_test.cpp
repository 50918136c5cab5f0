// Deleting from the pages end to end on a real tree: confirm, cancel, the
// partial-folder guard, a file that cannot be removed, the extension command,
// and the stale pages that are rebuilt when they are shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cairnly/pages/window/confirm_delete_dialog.h"
#include "cairnly/pages/window/result_page_widget.h"
#include "platform/files.h"
#include "tests/cairnly/window/window_fixture.h"

namespace cairnly {
namespace {

using namespace cairnly::testing;
namespace fs = std::filesystem;

// What the fake modal runner saw of a confirmation dialog.
struct Seen {
    std::string status;
    std::vector<std::string> paths;
    bool deleteEnabled = false;
    bool finished = false;  // the dialog closed itself on the key or button
};

class DeleteFlowTest : public ::testing::Test {
  protected:
    DeleteFlowTest() {
        root = home.Folder("disk");
        // A and B share ten files: ten duplicate groups, one partial pair.
        for (int i = 0; i < 10; ++i) {
            std::string name = "photo" + std::to_string(i) + ".jpg";
            WriteCopies({root + "/A/" + name, root + "/B/" + name}, 20000 + 1000 * i, 10 + i);
        }
        WriteFile(root + "/big/x.iso", 300000, 1);
        WriteFile(root + "/big/y.iso", 310000, 2);
        WriteFile(root + "/big/z.ISO", 320000, 3);
        WriteFile(root + "/big/w.zip", 330000, 4);
        WriteDeepScanSettings(root);
        program = StartProgram(prompter, opener, modal);
        Window().StartCommand();
        EXPECT_TRUE(WaitForScan(program->State()));
    }
    ~DeleteFlowTest() override { platform::SetFaultHook({}); }

    MainWindow& Window() { return program->Window(); }
    ResultList& List(int page) { return Window().Page(page)->List(); }
    std::string Cell(int page, int row, int column) {
        return List(page).Rows().Cell(row, column).toStdString();
    }
    // Row of the file on the Largest files page (name, folder).
    int FileRow(const std::string& name) {
        for (int row = 0; row < List(1).Rows().rowCount(); ++row)
            if (Cell(1, row, 0) == name) return row;
        return -1;
    }
    // Runs a page command; press is "delete", "keep", "escape", "close" or "" (inspect only).
    Seen Run(int page, int command, const std::vector<int>& rows, const std::string& press) {
        Seen seen;
        modal.handler = [&](QDialog& dialog) {
            auto& confirm = dynamic_cast<ConfirmDeleteDialog&>(dialog);
            QObject::connect(&dialog, &QDialog::finished, [&] { seen.finished = true; });
            dialog.show();  // default buttons only answer Enter when shown
            EXPECT_TRUE(PumpUntil([&] { return confirm.Confirmation().ListingDone(); }));
            seen.status = dialog.findChild<QLabel*>("1037")->text().toStdString();
            for (int row = 0; row < confirm.List().Rows().rowCount(); ++row)
                seen.paths.push_back(confirm.List().Rows().Cell(row, 0).toStdString());
            seen.deleteEnabled = dialog.findChild<QPushButton*>("1036")->isEnabled();
            EXPECT_TRUE(dialog.findChild<QPushButton*>("1035")->isDefault());
            if (press == "delete") dialog.findChild<QPushButton*>("1036")->click();
            if (press == "keep") dialog.findChild<QPushButton*>("1035")->click();
            if (press == "escape") {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(&dialog, &escape);
            }
            if (press == "enter") {
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QApplication::sendEvent(&confirm.List(), &enter);
            }
            if (press == "close" || press.empty()) dialog.reject();
            return dialog.result();
        };
        Window().ShowPage(page);
        List(page).SelectRows(rows);
        Window().Page(page)->RunCommand(command);
        return seen;
    }
    std::string StatusLine() { return Window().StatusLine()->text().toStdString(); }
    int ListedRecords() {
        int listed = 0;
        for (int i = 0; i < program->State().Files.Count(); ++i)
            listed += program->State().Files.At(static_cast<std::size_t>(i))->DeleteState.load() ==
                      DeleteState::Listed;
        return listed;
    }
    std::string LogText() {
        std::ostringstream text;
        for (const auto& entry :
             fs::directory_iterator(home.Path() + "/Documents/Quillfen/Cairnly/Logs"))
            text << std::ifstream(entry.path()).rdbuf();
        return text.str();
    }

    TempHome home;
    std::string root;
    FakePrompter prompter;
    FakeOpener opener;
    FakeModal modal;
    std::unique_ptr<CairnlyProgram> program;
};

TEST_F(DeleteFlowTest, ConfirmedDuplicateDeletionRemovesTheFileAndItsGroup) {
    ASSERT_EQ(List(2).Rows().rowCount(), 20);
    ASSERT_EQ(Cell(2, 0, 0), "1");
    std::string victim = platform::JoinPath(Cell(2, 0, 2), Cell(2, 0, 1));
    Seen seen = Run(2, pages::kDeleteSelectedDuplicates, {0}, "delete");
    EXPECT_EQ(seen.paths, std::vector<std::string>{victim});
    EXPECT_EQ(seen.status, "Confirm deletion of 1 duplicate file (size: 0.0 MB)");
    EXPECT_TRUE(seen.deleteEnabled);
    EXPECT_FALSE(fs::exists(victim));
    // Group 1 has one file left: it drops off; the other groups keep their numbers.
    EXPECT_EQ(List(2).Rows().rowCount(), 18);
    EXPECT_EQ(Cell(2, 0, 0), "2");
    EXPECT_EQ(StatusLine(),
              "Previous action: Deleted 1 duplicate files selected (total size: 0.0 MB)");
    EXPECT_NE(LogText().find(": Deleted: " + victim + " (delete selected duplicate files)"),
              std::string::npos);
    EXPECT_EQ(ListedRecords(), 0);
    // The Largest files page is stale and loses the file when shown.
    EXPECT_TRUE(program->State().FilesPageStale.load());
    int before = List(1).Rows().rowCount();
    Window().Tabs()->setCurrentIndex(1);
    EXPECT_EQ(List(1).Rows().rowCount(), before - 1);
    EXPECT_FALSE(program->State().FilesPageStale.load());
}

TEST_F(DeleteFlowTest, DontDeleteAndEscapeLeaveEverythingAsItWas) {
    std::string first = platform::JoinPath(Cell(2, 0, 2), Cell(2, 0, 1));
    Seen seen = Run(2, pages::kDeleteSelectedDuplicates, {0, 2, 3}, "keep");
    EXPECT_EQ(seen.paths.size(), 3u);
    EXPECT_TRUE(seen.finished);
    EXPECT_EQ(seen.status.rfind("Confirm deletion of 3 duplicate files (size: ", 0), 0u);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_EQ(List(2).Rows().rowCount(), 20);
    EXPECT_EQ(ListedRecords(), 0);
    EXPECT_FALSE(program->State().PartialPageStale.load());
    // Enter in the list presses the default button, "Don't delete".
    Seen entered = Run(2, pages::kDeleteSelectedDuplicates, {0}, "enter");
    EXPECT_EQ(entered.paths.size(), 1u);
    EXPECT_TRUE(entered.finished);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_EQ(ListedRecords(), 0);
    // Escape does nothing in the duplicate dialog: the runner closes it afterwards.
    Seen escaped = Run(2, pages::kDeleteSelectedDuplicates, {0}, "escape");
    EXPECT_EQ(escaped.paths.size(), 1u);
    EXPECT_FALSE(escaped.finished);
    EXPECT_EQ(modal.opened.size(), 3u);
    EXPECT_EQ(ListedRecords(), 0);
    EXPECT_TRUE(fs::exists(first));
}

TEST_F(DeleteFlowTest, EscapeClosesTheLargeFileDialog) {
    bool stillOpen = true;
    modal.handler = [&](QDialog& dialog) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        stillOpen = dialog.result() != QDialog::Rejected;
        return dialog.result();
    };
    Window().ShowPage(1);
    List(1).SelectRows({0});
    Window().Page(1)->RunCommand(pages::kDeleteSelectedLargeFiles);
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(ListedRecords(), 0);
}

TEST_F(DeleteFlowTest, SelectingEveryFolderOfAPartialSetIsRefused) {
    ASSERT_EQ(List(3).Rows().rowCount(), 2);
    Seen seen = Run(3, pages::kDeleteFromPartialFolders, {0, 1}, "delete");
    EXPECT_EQ(seen.status,
              "All partial duplicate folders were selected for folder Dup# 1. Please don't select "
              "all matching partial duplicate folders.");
    EXPECT_FALSE(seen.deleteEnabled);
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(fs::exists(root + "/A/photo" + std::to_string(i) + ".jpg"));
        EXPECT_TRUE(fs::exists(root + "/B/photo" + std::to_string(i) + ".jpg"));
    }
    EXPECT_EQ(ListedRecords(), 0);
}

TEST_F(DeleteFlowTest, DeletingAPartialFolderEmptiesIt) {
    std::string folder = Cell(3, 0, 1);
    Seen seen = Run(3, pages::kDeleteFromPartialFolders, {0}, "delete");
    EXPECT_EQ(seen.paths.size(), 10u);
    EXPECT_EQ(seen.status.rfind("Confirm deletion of 10 duplicate files from 1 partial duplicate "
                                "folder (size: ",
                                0),
              0u);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(fs::exists(folder + "/photo" + std::to_string(i) + ".jpg"));
    // The partial page was re-analysed at once; the duplicates page when shown.
    EXPECT_EQ(List(3).Rows().rowCount(), 0);
    EXPECT_FALSE(program->State().PartialPageStale.load());
    EXPECT_EQ(
        StatusLine().rfind("Previous action: Deleted 10 duplicate files from 1 partial duplicate "
                           "folders",
                           0),
        0u);
    Window().ShowPage(2);
    EXPECT_EQ(List(2).Rows().rowCount(), 0);
}

TEST_F(DeleteFlowTest, AFileThatCannotBeRemovedStaysListed) {
    std::vector<int> rows = {FileRow("x.iso"), FileRow("y.iso"), FileRow("w.zip")};
    std::string locked = root + "/big/y.iso";
    platform::SetFaultHook([&](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::Delete && path == locked ? platform::kErrorAccessDenied : 0;
    });
    Seen seen = Run(1, pages::kDeleteSelectedLargeFiles, rows, "delete");
    EXPECT_EQ(seen.paths.size(), 3u);
    EXPECT_FALSE(fs::exists(root + "/big/x.iso"));
    EXPECT_FALSE(fs::exists(root + "/big/w.zip"));
    EXPECT_TRUE(fs::exists(locked));
    std::string status = StatusLine();
    EXPECT_EQ(
        status.rfind("Previous action: Deleted 2 of the largest files selected (total size: ", 0),
        0u);
    const std::string tail = ". Error deleting 1 file(s) (please check file permissions)";
    ASSERT_GE(status.size(), tail.size());
    EXPECT_EQ(status.substr(status.size() - tail.size()), tail);
    EXPECT_GE(FileRow("y.iso"), 0);
    EXPECT_EQ(FileRow("x.iso"), -1);
    EXPECT_EQ(ListedRecords(), 0);
    EXPECT_TRUE(program->State().DuplicatesPageStale.load());
    EXPECT_TRUE(program->State().PartialPageStale.load());
}

TEST_F(DeleteFlowTest, TheExtensionCommandListsEveryFileOfThatExactExtension) {
    Seen seen = Run(1, pages::kDeleteLargeFilesByExtension, {FileRow("x.iso")}, "keep");
    std::sort(seen.paths.begin(), seen.paths.end());
    EXPECT_EQ(seen.paths, (std::vector<std::string>{root + "/big/x.iso", root + "/big/y.iso"}));
    EXPECT_EQ(seen.status.rfind("Confirm deletion of 2 files [.iso] (size: ", 0), 0u);
    EXPECT_TRUE(fs::exists(root + "/big/x.iso"));
    EXPECT_EQ(ListedRecords(), 0);
}

TEST_F(DeleteFlowTest, ClosingWhileListingNeverLeavesRecordsListed) {
    modal.handler = [&](QDialog& dialog) {
        dialog.reject();  // the close box, possibly before the worker has finished
        return dialog.result();
    };
    Window().ShowPage(2);
    std::vector<int> all(20);
    for (int i = 0; i < 20; ++i) all[static_cast<std::size_t>(i)] = i;
    List(2).SelectRows(all);
    Window().Page(2)->RunCommand(pages::kDeleteSelectedDuplicates);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(ListedRecords(), 0);
    EXPECT_FALSE(program->State().Scan.StopRequested());
    EXPECT_EQ(List(2).Rows().rowCount(), 20);
}

}  // namespace
}  // namespace cairnly
