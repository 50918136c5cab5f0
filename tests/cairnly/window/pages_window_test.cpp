// The result lists: column-click sort directions, row colours, double click,
// right-click menus, and stale pages rebuilt once when shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTabWidget>

#include "cairnly/pages/window/result_page_widget.h"
#include "tests/cairnly/window/window_fixture.h"

namespace cairnly {
namespace {

using namespace cairnly::testing;

class PagesWindowTest : public ::testing::Test {
  protected:
    PagesWindowTest() {
        root = home.Folder("disk");
        // Folders of different sizes and mixed-case names, three duplicate groups,
        // and two folders that share eight of them for a partial pair.
        const char* folders[] = {"alpha", "Beta", "gamma", "Delta", "epsilon"};
        for (int i = 0; i < 5; ++i)
            for (int j = 0; j <= i; ++j)
                WriteFile(root + "/" + folders[i] + "/file" + std::to_string(j) + ".dat",
                          10000 + 100 * i + j, 50 + i * 10 + j);
        for (int g = 0; g < 9; ++g)
            WriteCopies({root + "/P/d" + std::to_string(g), root + "/Q/d" + std::to_string(g)},
                        5000 + 10 * g, 200 + g);
        WriteDeepScanSettings(root);
        program = StartProgram(prompter, opener, modal);
        Window().StartCommand();
        EXPECT_TRUE(WaitForScan(program->State()));
    }
    MainWindow& Window() { return program->Window(); }
    ResultList& List(int page) { return Window().Page(page)->List(); }
    void Click(int page, int column) { emit List(page).header()->sectionClicked(column); }
    std::vector<QString> Column(int page, int column) {
        std::vector<QString> cells;
        for (int row = 0; row < List(page).Rows().rowCount(); ++row)
            cells.push_back(List(page).Rows().Cell(row, column));
        return cells;
    }
    QColor Background(int page, int row) {
        RowModel& rows = List(page).Rows();
        return rows.data(rows.index(row, 1), Qt::BackgroundRole).value<QColor>();
    }

    TempHome home;
    std::string root;
    FakePrompter prompter;
    FakeOpener opener;
    FakeModal modal;
    std::unique_ptr<CairnlyProgram> program;
};

bool SortedBy(const std::vector<QString>& cells, int direction,
              const std::function<double(const QString&)>& key = {}) {
    for (std::size_t i = 1; i < cells.size(); ++i) {
        double d = key ? key(cells[i]) - key(cells[i - 1])
                       : QString::localeAwareCompare(cells[i].toLower(), cells[i - 1].toLower());
        if (d * direction < 0) return false;
    }
    return true;
}

double Number(const QString& cell) { return cell.toDouble(); }

TEST_F(PagesWindowTest, ColumnClicksFollowTheDirectionRules) {
    Window().ShowPage(0);
    // First click on column 0: descending, as the state starts at column 0.
    Click(0, 0);
    EXPECT_TRUE(SortedBy(Column(0, 0), -1));
    EXPECT_FALSE(SortedBy(Column(0, 0), +1));
    // Another column keeps the direction; a repeated click reverses it.
    Click(0, 1);
    EXPECT_TRUE(SortedBy(Column(0, 1), -1, Number));
    Click(0, 1);
    EXPECT_TRUE(SortedBy(Column(0, 1), +1, Number));
    EXPECT_FALSE(SortedBy(Column(0, 1), -1, Number));
    EXPECT_EQ(List(0).header()->sortIndicatorSection(), 1);
    // Each page keeps its own state: the first click on page 1, column 2, is ascending.
    Click(1, 2);
    EXPECT_TRUE(SortedBy(Column(1, 2), +1, Number));
}

TEST_F(PagesWindowTest, SortingKeepsTheSelectionOnItsRows) {
    Window().ShowPage(1);
    QString selected = List(1).Rows().Cell(3, 0) + List(1).Rows().Cell(3, 1);
    List(1).SelectRows({3});
    Click(1, 0);
    std::vector<int> rows = List(1).SelectedRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(List(1).Rows().Cell(rows[0], 0) + List(1).Rows().Cell(rows[0], 1), selected);
}

TEST_F(PagesWindowTest, RowColours) {
    EXPECT_EQ(Background(0, 0), QColor(255, 255, 255));
    EXPECT_EQ(Background(0, 1), QColor(220, 220, 255));
    EXPECT_EQ(Background(1, 0), QColor(255, 255, 255));
    EXPECT_EQ(Background(1, 1), QColor(220, 255, 220));
    const QColor bands[5] = {
        {235, 255, 235}, {235, 255, 215}, {215, 255, 215}, {215, 255, 195}, {195, 255, 195}};
    auto expectBands = [&] {
        for (int row = 0; row < List(2).Rows().rowCount(); ++row)
            EXPECT_EQ(Background(2, row), bands[List(2).Rows().Cell(row, 0).toInt() % 5]) << row;
    };
    ASSERT_EQ(List(2).Rows().rowCount(), 18);
    expectBands();
    Click(2, 3);
    for (int row = 0; row < List(2).Rows().rowCount(); ++row)
        EXPECT_EQ(Background(2, row), QColor(255, 255, 255));
    Click(2, 0);
    expectBands();
    ASSERT_EQ(List(3).Rows().rowCount(), 2);
    EXPECT_EQ(Background(3, 0), QColor(220, 220, 255));  // group 1 is odd
}

TEST_F(PagesWindowTest, DoubleClickOpensTheFolder) {
    ResultList& files = List(1);
    emit files.doubleClicked(files.Rows().index(0, 0));
    ResultList& folders = List(0);
    emit folders.doubleClicked(folders.Rows().index(2, 1));
    EXPECT_EQ(opener.folders, (std::vector<std::string>{files.Rows().Cell(0, 1).toStdString(),
                                                        folders.Rows().Cell(2, 0).toStdString()}));
}

TEST_F(PagesWindowTest, RightClickMenus) {
    std::vector<std::vector<QString>> seen(4);
    for (int page = 0; page < 4; ++page) {
        Window().ShowPage(page);
        Window().Page(page)->menuRunner = [&, page](QMenu& menu) {
            for (QAction* action : menu.actions())
                seen[static_cast<std::size_t>(page)].push_back(action->text());
        };
        ResultList& list = List(page);
        list.resize(800, 400);
        emit list.customContextMenuRequested(list.visualRect(list.Rows().index(0, 0)).center());
    }
    EXPECT_TRUE(seen[0].empty());
    EXPECT_EQ(seen[1],
              (std::vector<QString>{"Delete selected file(s)",
                                    "Delete all files in list with selected file extension(s)"}));
    EXPECT_EQ(seen[2], std::vector<QString>{"Delete selected file(s)"});
    EXPECT_EQ(seen[3], std::vector<QString>{"Delete duplicate files from selected folder(s)"});
}

TEST_F(PagesWindowTest, ShiftF10OpensTheMenuAsTheMenuKeyDoes) {
    Window().ShowPage(2);
    int menus = 0;
    Window().Page(2)->menuRunner = [&](QMenu&) { ++menus; };
    ResultList& list = List(2);
    list.resize(800, 400);
    list.setCurrentIndex(list.Rows().index(0, 0));
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QKeyEvent f10(QEvent::KeyPress, Qt::Key_F10, Qt::NoModifier);
    QApplication::sendEvent(&list, &menuKey);
    EXPECT_EQ(menus, 1);
    QApplication::sendEvent(&list, &shiftF10);
    EXPECT_EQ(menus, 2);
    QApplication::sendEvent(&list, &f10);
    EXPECT_EQ(menus, 2);
}

TEST_F(PagesWindowTest, EveryCaptionFitsItsColumnWithTheSortArrow) {
    for (int page = 0; page < 4; ++page) {
        Window().ShowPage(page);
        ResultList& list = List(page);
        QHeaderView* header = list.header();
        QStyleOptionHeader option;
        option.initFrom(header);
        const int arrow = header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, &option, header);
        const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, &option, header);
        for (int column = 0; column < list.Rows().columnCount(); ++column) {
            QString caption =
                list.Rows().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
            int needed = header->fontMetrics().horizontalAdvance(caption) + arrow + 3 * margin;
            EXPECT_GE(list.columnWidth(column), needed) << caption.toStdString();
        }
        Click(page, 1);  // the arrow is shown from now on
        EXPECT_TRUE(header->isSortIndicatorShown());
    }
}

TEST_F(PagesWindowTest, AStalePartialPageIsRebuiltOnceWhenShown) {
    CairnlyState& state = program->State();
    ASSERT_EQ(List(3).Rows().rowCount(), 2);
    // Two files of folder P gone: P shares only 7 groups with Q now.
    int marked = 0;
    for (int i = 0; i < state.Duplicates.Count() && marked < 2; ++i) {
        FileRecord* record = state.Duplicates.At(static_cast<std::size_t>(i));
        if (record->Folder() == root + "/P") {
            record->DeleteState.store(DeleteState::Deleted);
            ++marked;
        }
    }
    state.PartialPageStale.store(true);
    Window().Tabs()->setCurrentIndex(0);
    EXPECT_EQ(List(3).Rows().rowCount(), 2);  // not shown yet, not rebuilt
    Window().Tabs()->setCurrentIndex(3);
    EXPECT_EQ(List(3).Rows().rowCount(), 0);
    EXPECT_FALSE(state.PartialPageStale.load());
    EXPECT_EQ(Window().StatusLine()->text(),
              "No partial duplicate folders found (with 8 duplicate files or more)");
    // Without a new deletion, showing it again does not run the analysis again.
    for (int i = 0; i < state.Duplicates.Count(); ++i)
        state.Duplicates.At(static_cast<std::size_t>(i))->DeleteState.store(DeleteState::Normal);
    Window().Tabs()->setCurrentIndex(1);
    Window().Tabs()->setCurrentIndex(3);
    EXPECT_EQ(List(3).Rows().rowCount(), 0);
}

TEST_F(PagesWindowTest, ListsDoNotSortOrOpenWhileAScanRuns) {
    Window().StartCommand();
    Click(0, 0);
    EXPECT_FALSE(List(0).header()->isSortIndicatorShown());
    EXPECT_TRUE(Window().Page(2)->MenuItems().empty());
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_FALSE(Window().Page(2)->MenuItems().empty());
}

}  // namespace
}  // namespace cairnly
