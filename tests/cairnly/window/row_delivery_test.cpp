// A scan's rows and status texts on their way to the window: thousands of
// duplicates show exactly what a scan without a window finds, the worker hands
// rows and texts over without waiting, and neither Stop, a new Start nor
// closing the window in the middle of the delivery leaves rows of an earlier
// scan behind.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "cairnly/pages/headless_scan_view.h"
#include "cairnly/pages/window/result_page_widget.h"
#include "tests/cairnly/window/window_fixture.h"

namespace cairnly {
namespace {

using namespace cairnly::testing;

// What the four lists show, row by row: the cells and the record each row links to.
struct Shown {
    std::vector<std::vector<std::vector<std::string>>> cells;  // page, row, column
    std::vector<std::vector<long>> items;                      // page, row
    std::vector<std::string> summaries;
    std::string status;
    int page = -1;
};

// Page by page; a difference is reported at its first row.
void ExpectSame(const Shown& window, const Shown& headless) {
    for (std::size_t page = 0; page < headless.items.size(); ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        ASSERT_EQ(window.items[page].size(), headless.items[page].size());
        for (std::size_t row = 0; row < headless.items[page].size(); ++row) {
            ASSERT_EQ(window.items[page][row], headless.items[page][row]) << "row " << row;
            ASSERT_EQ(window.cells[page][row], headless.cells[page][row]) << "row " << row;
        }
    }
    EXPECT_EQ(window.summaries, headless.summaries);
    EXPECT_EQ(window.status, headless.status);
    EXPECT_EQ(window.page, headless.page);
}

// Model checks of the lists, counted through the tester's warnings.
int modelFailures = 0;
QtMessageHandler previousHandler = nullptr;
void CountModelFailures(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (context.category && QByteArray(context.category) == "qt.modeltest") ++modelFailures;
    if (previousHandler) previousHandler(type, context, text);
}

class RowDeliveryTest : public ::testing::Test {
  protected:
    RowDeliveryTest() {
        first = MakeTree("first", 1500);
        second = MakeTree("second", 400);
        WriteDeepScanSettings(first);
        program = StartProgram(prompter, opener, modal);
        modelFailures = 0;
        previousHandler = qInstallMessageHandler(CountModelFailures);
        // The tester reads every row at each change: the two pages that fill in batches.
        for (int page : {kDuplicatesPage, kPartialPage})
            new QAbstractItemModelTester(&List(page).Rows(),
                                         QAbstractItemModelTester::FailureReportingMode::Warning,
                                         &List(page).Rows());
    }
    ~RowDeliveryTest() override { qInstallMessageHandler(previousHandler); }

    // Groups of two or three small copies in two branches, so that folders
    // pair up as partial duplicates as well.
    std::string MakeTree(const std::string& name, int groups) {
        std::string root = home.Folder(name);
        for (int g = 0; g < groups; ++g) {
            std::string file = "/d" + std::to_string(g / 50) + "/" + name + std::to_string(g);
            std::vector<std::string> copies = {root + "/a" + file, root + "/b" + file};
            if (g % 3 == 0) copies.push_back(root + "/c" + file);
            WriteCopies(copies, 64 + static_cast<std::size_t>(g % 700), 1000 + g);
        }
        return root;
    }

    MainWindow& Window() { return program->Window(); }
    ResultList& List(int page) { return Window().Page(page)->List(); }
    CairnlyState& State() { return program->State(); }

    Shown WindowShows() {
        Shown shown;
        for (int page = 0; page < kPageCount; ++page) {
            RowModel& rows = List(page).Rows();
            shown.cells.emplace_back();
            shown.items.emplace_back();
            for (int row = 0; row < rows.rowCount(); ++row) {
                shown.cells.back().emplace_back();
                for (int column = 0; column < rows.columnCount(); ++column)
                    shown.cells.back().back().push_back(rows.Cell(row, column).toStdString());
                shown.items.back().push_back(rows.ItemData(row));
            }
            shown.summaries.push_back(State().PageStatusText(page));
        }
        shown.status = Window().StatusLine()->text().toStdString();
        shown.page = Window().CurrentPage();
        return shown;
    }

    // The same scan of root without a window.
    Shown HeadlessShows(const std::string& root) {
        ScanSettings settings = program->Settings();
        settings.SetRootFolder(root);
        shared::DesktopServices services("Cairnly", [] { return 0; });
        CairnlyState state(settings, services);
        pages::NullPageView nothing;
        pages::ResultPages logic(state, nothing);
        pages::HeadlessScanView view(logic);
        EXPECT_TRUE(pages::RunScanToEnd(state, view));
        Shown shown;
        for (int page = 0; page < kPageCount; ++page) {
            shown.cells.emplace_back();
            shown.items.emplace_back();
            for (const pages::PageRow& row : logic.Rows(page)) {
                shown.cells.back().push_back(row.cells);
                shown.items.back().push_back(row.itemData);
            }
            shown.summaries.push_back(state.PageStatusText(page));
        }
        shown.status = services.LastStatus();
        shown.page = view.ShownPage();
        return shown;
    }

    void ScanToEnd(const std::string& root) {
        program->Settings().SetRootFolder(root);
        Window().Button(ids::kStart)->click();
        ASSERT_TRUE(WaitForScan(State()));
    }

    // After a stop the page lists every duplicate the worker found, in its order.
    void ExpectEveryListedDuplicateShown() {
        RowModel& rows = List(kDuplicatesPage).Rows();
        ASSERT_EQ(rows.rowCount(), State().Duplicates.Count());
        for (int row = 0; row < rows.rowCount(); ++row) {
            ASSERT_EQ(rows.ItemData(row), row);
            ASSERT_EQ(rows.Cell(row, 1).toStdString(),
                      State().Duplicates.At(static_cast<std::size_t>(row))->FileName);
        }
    }

    // Clicks Start and waits until the worker has found its first duplicate.
    void StartUntilDuplicatesFlow(const std::string& root) {
        program->Settings().SetRootFolder(root);
        Window().Button(ids::kStart)->click();
        ASSERT_TRUE(
            PumpUntil([&] { return State().Duplicates.Count() > 0 || !State().Scan.Busy(); }));
    }

    TempHome home;
    std::string first, second;
    FakePrompter prompter;
    FakeOpener opener;
    FakeModal modal;
    std::unique_ptr<CairnlyProgram> program;
};

TEST_F(RowDeliveryTest, ThousandsOfDuplicatesShowWhatAScanWithoutAWindowFinds) {
    ScanToEnd(first);
    const Shown headless = HeadlessShows(first);
    ASSERT_EQ(headless.items[kDuplicatesPage].size(), 3500u);
    ASSERT_FALSE(headless.items[kPartialPage].empty());
    ExpectSame(WindowShows(), headless);
    EXPECT_EQ(modelFailures, 0);
}

TEST_F(RowDeliveryTest, StopAndANewStartInTheMiddleOfTheDeliveryLeaveOnlyTheNewRows) {
    StartUntilDuplicatesFlow(first);
    Window().Button(ids::kStop)->click();
    ASSERT_TRUE(WaitForScan(State()));
    ExpectEveryListedDuplicateShown();
    StartUntilDuplicatesFlow(first);
    // Stop, then Start at once: the old worker is waited for before the tables are emptied.
    Window().Button(ids::kStop)->click();
    ScanToEnd(second);
    ExpectSame(WindowShows(), HeadlessShows(second));
    EXPECT_EQ(modelFailures, 0);
}

TEST_F(RowDeliveryTest, ClosingTheWindowInTheMiddleOfTheDeliveryEndsTheScanFirst) {
    StartUntilDuplicatesFlow(first);
    Window().close();
    EXPECT_FALSE(Window().isVisible());
    EXPECT_FALSE(State().Scan.Busy());
    ExpectEveryListedDuplicateShown();
    // The window goes away with a scan delivering rows.
    StartUntilDuplicatesFlow(first);
    program.reset();
    EXPECT_EQ(modelFailures, 0);
}

TEST_F(RowDeliveryTest, AWorkersRowsReachThePageInOrderBeforeItsNextCallAndAClearDropsThem) {
    std::vector<std::unique_ptr<FileRecord>> records;
    for (int i = 0; i < 350; ++i) {
        records.push_back(std::make_unique<FileRecord>());
        records.back()->FolderPath = std::make_shared<const std::string>(first);
        records.back()->FileName = "f" + std::to_string(i);
        records.back()->Size = 100 + i;
    }
    // The worker hands rows over and goes on: it never waits for this thread.
    auto handOver = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            Window().AddDuplicateRow(i % 200, *records[static_cast<std::size_t>(i)], i, i / 2);
    };
    auto dropped = std::async(std::launch::async, handOver, 0, 200);
    ASSERT_EQ(dropped.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    Window().ClearAllPages();
    // The worker's next call counts every row it handed over, shown or not yet.
    auto counted = std::async(std::launch::async, [&] {
        handOver(200, 300);
        return Window().PageRowCount(kDuplicatesPage);
    });
    ASSERT_TRUE(PumpUntil(
        [&] { return counted.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_EQ(counted.get(), 100);
    // Without a later call, the rows still reach the page.
    auto more = std::async(std::launch::async, handOver, 300, 350);
    ASSERT_EQ(more.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    RowModel& rows = List(kDuplicatesPage).Rows();
    ASSERT_TRUE(PumpUntil([&] { return rows.rowCount() >= 150; }));
    ASSERT_EQ(rows.rowCount(), 150);
    for (int row = 0; row < 150; ++row) {
        EXPECT_EQ(rows.Cell(row, 1).toStdString(), "f" + std::to_string(200 + row));
        EXPECT_EQ(rows.ItemData(row), 200 + row);
        EXPECT_EQ(rows.Cell(row, 0).toInt(), (200 + row) / 2);
    }
}

TEST_F(RowDeliveryTest, AWorkersStatusTextsDoNotWaitAndTheLatestShowsUnlessAnotherFollowed) {
    QLabel& line = *Window().StatusLine();
    auto say = [&](std::vector<std::string> texts) {
        return std::async(std::launch::async, [&, texts] {
            for (const std::string& text : texts) program->Services().SetStatus(text);
        });
    };
    auto said = say({"one", "two", "three"});
    ASSERT_EQ(said.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(program->Services().LastStatus(), "three");
    ASSERT_TRUE(PumpUntil([&] { return line.text() == "three"; }));
    // A text set here later supersedes a worker's text not shown yet.
    auto older = say({"older"});
    ASSERT_EQ(older.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    program->Services().SetStatus("newer");
    QApplication::processEvents();
    EXPECT_EQ(line.text(), "newer");
}

}  // namespace
}  // namespace cairnly
