// The main window through a scan: button states, Stop, Exit while scanning,
// the bottom-row layout and the buttons that open pages in the browser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>

#include "cairnly/pages/window/result_page_widget.h"
#include "shared/site.h"
#include "tests/cairnly/window/window_fixture.h"

namespace cairnly {
namespace {

using namespace cairnly::testing;

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() {
        root = home.Folder("disk");
        for (int i = 0; i < 30; ++i)
            WriteFile(root + "/d" + std::to_string(i % 5) + "/f" + std::to_string(i), 3000 + i, i);
        WriteCopies({root + "/d0/same.bin", root + "/d1/same.bin"}, 9000, 99);
        WriteDeepScanSettings(root);
        program = StartProgram(prompter, opener, modal);
    }
    MainWindow& Window() { return program->Window(); }
    std::vector<bool> States() {
        std::vector<bool> enabled;
        for (int id : {3, 4, 5, 6}) enabled.push_back(Window().Button(id)->isEnabled());
        return enabled;
    }

    TempHome home;
    std::string root;
    FakePrompter prompter;
    FakeOpener opener;
    FakeModal modal;
    std::unique_ptr<CairnlyProgram> program;
};

const std::vector<bool> kIdle = {true, false, true, true};  // Start, Stop, Configuration, 6
const std::vector<bool> kScanning = {false, true, false, false};

TEST_F(MainWindowTest, ButtonsFollowTheScan) {
    EXPECT_EQ(States(), kIdle);
    Window().Button(ids::kStart)->click();
    // The worker waits for this thread before it can finish, so this is mid-scan.
    EXPECT_EQ(States(), kScanning);
    Window().Button(ids::kStart)->click();  // disabled: a second Start does nothing
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(States(), kIdle);
    // The scan ends on the last page with results, with that page's summary in
    // the status line (not the summary of the empty partial-folder analysis).
    EXPECT_EQ(Window().CurrentPage(), 2);
    EXPECT_EQ(Window().StatusLine()->text().toStdString(), program->State().PageStatusText(2));
    EXPECT_EQ(Window().StatusLine()->text().toStdString().rfind("Displaying 2 duplicate files", 0),
              0u);
    EXPECT_EQ(Window().Page(2)->List().Rows().rowCount(), 2);
    EXPECT_EQ(Window().Page(1)->List().Rows().rowCount(), 32);
    EXPECT_EQ(Window().Page(0)->List().Rows().rowCount(), 6);
}

TEST_F(MainWindowTest, StopEndsTheScanAndSaysSo) {
    Window().Button(ids::kStart)->click();
    Window().Button(ids::kStop)->click();
    EXPECT_EQ(States(), kIdle);  // even before the worker has ended
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(Window().StatusLine()->text(), "Search stopped");
    EXPECT_EQ(Window().Page(0)->List().Rows().rowCount(), 0);
    EXPECT_EQ(Window().Page(2)->List().Rows().rowCount(), 0);
    Window().Button(ids::kStop)->click();  // Stop twice is harmless
    EXPECT_EQ(States(), kIdle);
    // A fresh scan after the stop runs to its end.
    Window().Button(ids::kStart)->click();
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(Window().Page(2)->List().Rows().rowCount(), 2);
}

TEST_F(MainWindowTest, StartRightAfterStopWaitsForTheOldWorker) {
    Window().Button(ids::kStart)->click();
    program->State().Scan.RequestStop();  // stopped, but not yet ended
    ASSERT_TRUE(program->State().Scan.Running());
    Window().StartCommand();
    EXPECT_EQ(States(), kScanning);
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(Window().Page(2)->List().Rows().rowCount(), 2);
    EXPECT_EQ(Window().Page(1)->List().Rows().rowCount(), 32);
}

TEST_F(MainWindowTest, AStartClickArrivingWhileStopPausesRunsAfterStopAndKeepsTheButtonsBusy) {
    Window().Button(ids::kStart)->click();
    // While Stop pauses, the stopped worker ends and enables Start; the user clicks it.
    bool clicked = false;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (!clicked && Window().Button(ids::kStart)->isEnabled()) {
            clicked = true;
            Window().Button(ids::kStart)->click();
        }
    });
    clicker.start(5);
    Window().Button(ids::kStop)->click();
    clicker.stop();
    ASSERT_TRUE(clicked);
    // The new scan started after Stop had finished, so its buttons stay busy.
    EXPECT_EQ(States(), kScanning);
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(States(), kIdle);
    EXPECT_EQ(Window().Page(2)->List().Rows().rowCount(), 2);
}

TEST_F(MainWindowTest, ExitDuringAScanStopsTheWorkerFirst) {
    Window().Button(ids::kStart)->click();
    Window().Button(ids::kExit)->click();
    EXPECT_FALSE(Window().isVisible());
    EXPECT_FALSE(program->State().Scan.Busy());
}

TEST_F(MainWindowTest, AMissingRootFolderIsNotReplacedByAnother) {
    program->Settings().SetRootFolder("");
    Window().Button(ids::kStart)->click();
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(program->State().Files.Count(), 0);
    EXPECT_EQ(States(), kIdle);
    EXPECT_FALSE(Window().StatusLine()->text().isEmpty());
}

TEST_F(MainWindowTest, ButtonsShareTheBottomRowInEqualSlotsAndStayInsideAtTheLeastSize) {
    // The offscreen screen (800 x 600) is narrower than the least size; the
    // window and its frame stay on it.
    QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_EQ(Window().minimumSize(), Window().LeastSize().boundedTo(screen * 0.92));
    EXPECT_LE(Window().width(), screen.width() * 0.92);
    Window().setMinimumSize(Window().LeastSize());
    Window().resize(300, 200);
    EXPECT_EQ(Window().size(), Window().LeastSize());
    for (int width : {1400, Window().LeastSize().width()}) {
        SCOPED_TRACE(width);
        Window().resize(width, 700);
        Window().LayOut();
        const int buttonWidth = Window().Button(ids::kCleanup)->width();
        const int buttonHeight = Window().Button(ids::kCleanup)->height();
        double slot = std::max(buttonWidth + 5.0, (width - 30) / 7.0);
        int previous = -1000;
        for (std::size_t i = 0; i < MainWindow::kButtonSlots.size(); ++i) {
            QPushButton* button = Window().Button(MainWindow::kButtonSlots[i]);
            EXPECT_EQ(button->x(), static_cast<int>(15 + i * slot + (slot - buttonWidth) / 2));
            EXPECT_EQ(button->y(), 700 - buttonHeight - 15);
            EXPECT_GE(button->x() - previous, buttonWidth + 5);
            EXPECT_TRUE(Window().rect().contains(button->geometry()))
                << button->text().toStdString();
            previous = button->x();
        }
        EXPECT_EQ(Window().Tabs()->geometry(), QRect(10, 10, width - 20, 610));
        EXPECT_EQ(Window().StatusLine()->y(), 700 - buttonHeight - 42);
        EXPECT_EQ(Window().StatusLine()->width(), std::max(1, width - 40));
    }
    // Held narrower by a small screen at a large scale, the buttons shrink into
    // the seven slots and share a font their texts fit in; with room again
    // they are as built.
    const int builtWidth = Window().Button(ids::kCleanup)->width();
    Window().setMinimumSize(1, 1);
    for (int width : {Window().LeastSize().width() - 1, 628, 420}) {
        SCOPED_TRACE(width);
        Window().resize(width, 400);
        Window().LayOut();
        int previousRight = -1000;
        for (int id : MainWindow::kButtonSlots) {
            QPushButton* button = Window().Button(id);
            EXPECT_TRUE(Window().rect().contains(button->geometry()))
                << button->text().toStdString();
            EXPECT_GE(button->x() - previousRight, 5);
            EXPECT_LE(QFontMetrics(button->font()).horizontalAdvance(button->text()),
                      button->width());
            previousRight = button->geometry().right();
        }
    }
    Window().resize(1400, 700);
    Window().LayOut();
    EXPECT_EQ(Window().Button(ids::kCleanup)->width(), builtWidth);
    EXPECT_EQ(Window().Button(ids::kCleanup)->font(), Window().font());
}

TEST_F(MainWindowTest, WideningTheWindowWidensEveryPathColumn) {
    Window().resize(1100, 700);
    std::vector<int> before;
    for (int page = 0; page < 4; ++page) {
        Window().ShowPage(page);
        QApplication::processEvents();
        before.push_back(Window().Page(page)->List().columnWidth(pages::LayoutOf(page).pathColumn));
    }
    Window().resize(1500, 700);
    for (int page = 0; page < 4; ++page) {
        Window().ShowPage(page);
        QApplication::processEvents();
        ResultList& list = Window().Page(page)->List();
        int path = pages::LayoutOf(page).pathColumn;
        EXPECT_EQ(list.columnWidth(path), before[static_cast<std::size_t>(page)] + 400) << page;
        EXPECT_EQ(list.columnWidth(path), list.PathColumnWidth());
    }
}

TEST_F(MainWindowTest, HelpCleanupAndAboutOpenTheirPages) {
    Window().Button(ids::kHelp)->click();
    Window().Button(ids::kCleanup)->click();
    EXPECT_EQ(opener.addresses,
              (std::vector<std::string>{shared::CairnlyHelpAddress(), shared::HomePageAddress()}));
    EXPECT_EQ(Window().Button(ids::kCleanup)->text(), "Quillfen software");
    opener.succeed = false;
    Window().Button(ids::kHelp)->click();
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text, "Problem opening your Internet browser with address:\n" +
                                          shared::CairnlyHelpAddress());
    Window().Button(ids::kAbout)->click();
    EXPECT_EQ(modal.opened, std::vector<std::string>{"103"});
    // Enter presses the focused button; Escape does nothing in the main window.
    Window().Button(ids::kAbout)->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Window().Button(ids::kAbout), &enter);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&Window(), &escape);
    EXPECT_EQ(modal.opened, (std::vector<std::string>{"103", "103"}));
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(MainWindowTest, ConfigurationSavesWhicheverWayItCloses) {
    std::string file = program->Store().FilePath();
    std::filesystem::remove(file);
    Window().Button(ids::kConfiguration)->click();  // cancelled by the fake
    EXPECT_TRUE(std::filesystem::exists(file));
    modal.handler = [&](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("1006")->setText("4");
        dialog.findChild<QPushButton*>("1")->click();
        return dialog.result();
    };
    Window().Button(ids::kConfiguration)->click();
    ScanSettings stored;
    ASSERT_TRUE(program->Store().Load(stored));
    EXPECT_EQ(stored.MinPartialDuplicates(), 4);
}

}  // namespace
}  // namespace cairnly
