#include "cairnly/pages/result_pages.h"

#include "cairnly/pages/page_format.h"
#include "pages_fixture.h"

namespace cairnly::pages::testing {
namespace {

constexpr std::size_t kMiB = 1'048'576;

TEST(PageFormats, SizeCellsTotalsAndThresholds) {
    EXPECT_EQ(SizeCell(10 * kMiB), "10.000");
    EXPECT_EQ(SizeCell(5 * kMiB), "5.000000");
    EXPECT_EQ(SizeCell(kMiB / 2), "0.500000");
    EXPECT_EQ(SizeCell(10 * kMiB - 1), "9.999999");  // below 10 MB keeps six decimals
    EXPECT_EQ(TotalText(static_cast<std::int64_t>(1023.9 * kMiB)), "1023.9 MB");
    EXPECT_EQ(TotalText(1024 * kMiB), "1.0 GB");
    EXPECT_EQ(TotalText(1536 * kMiB), "1.5 GB");
    EXPECT_EQ(TotalText(0), "0.0 MB");
    EXPECT_EQ(ThresholdText(100.0f), "100.0");
}

class ResultPagesTest : public PagesTest {
  protected:
    // big: 4 MiB of own files, copy: a duplicate of big/a.bin, small: 100 bytes.
    void MakeSmallTree() {
        bigA = WriteFile("big/a.bin", 3 * kMiB, 1);
        WriteFile("big/b.bin", kMiB, 2);
        WriteFile("small/c.txt", 100, 3);
        copyA = WriteFile("copy/a.bin", 3 * kMiB, 1);
    }
    std::string bigA, copyA;
};

TEST_F(ResultPagesTest, PagesListLargestFirstWithTheirSummaries) {
    MakeSmallTree();
    Scan();
    EXPECT_EQ(Column(kFoldersPage, 0),
              (std::vector<std::string>{root + "/big", root + "/copy", root + "/small", root}));
    EXPECT_EQ(Pages().Rows(kFoldersPage)[0].cells[1], "4.000000");
    EXPECT_EQ(Pages().Rows(kFoldersPage)[3].cells[2], "7.000095");
    EXPECT_EQ(state->PageStatusText(kFoldersPage),
              "Displaying the 4 largest folders greater than 0.0 MB (total file size: 7.0 MB)");

    EXPECT_EQ(Column(kFilesPage, 2),
              (std::vector<std::string>{"3.000000", "3.000000", "1.000000", "0.000095"}));
    EXPECT_EQ(Column(kFilesPage, 0),
              (std::vector<std::string>{"a.bin", "a.bin", "b.bin", "c.txt"}));
    EXPECT_EQ(state->PageStatusText(kFilesPage),
              "Displaying the 4 largest files greater than 0.0MB (total size: 7.0 MB)");

    EXPECT_EQ(Column(kDuplicatesPage, 0), (std::vector<std::string>{"1", "1"}));
    EXPECT_EQ(state->PageStatusText(kDuplicatesPage),
              "Displaying 2 duplicate files with a total size of 6.0 MB");
    EXPECT_EQ(state->PageStatusText(kPartialPage),
              "No partial duplicate folders found (with 8 duplicate files or more)");
    // Each row links back to its record.
    for (const PageRow& row : Pages().Rows(kFilesPage))
        EXPECT_EQ(state->Files.At(static_cast<std::size_t>(row.itemData))->FileName, row.cells[0]);
}

TEST_F(ResultPagesTest, RowsKeepPointingAtTheFilesTheyShowAfterTheDuplicatePass) {
    // Equal sizes, names in an order unrelated to their contents, two duplicate pairs.
    const char* names[] = {"m", "c", "x", "a", "q", "e"};
    int seeds[] = {5, 1, 5, 3, 1, 9};
    for (int i = 0; i < 6; ++i)
        WriteFile(std::string("d") + names[i] + "/" + names[i], 70000, seeds[i]);
    Scan();
    ASSERT_EQ(Pages().Rows(kDuplicatesPage).size(), 4u);
    for (const PageRow& row : Pages().Rows(kFilesPage)) {
        const FileRecord* file = state->Files.At(static_cast<std::size_t>(row.itemData));
        EXPECT_EQ(file->FileName, row.cells[0]);
        EXPECT_EQ(file->Folder(), row.cells[1]);
    }
    for (const PageRow& row : Pages().Rows(kDuplicatesPage)) {
        const FileRecord* file = state->Duplicates.At(static_cast<std::size_t>(row.itemData));
        EXPECT_EQ(file->FileName, row.cells[1]);
    }
}

TEST_F(ResultPagesTest, EmptyPagesQuoteTheThresholds) {
    settings.SetMinFolderSizeMB(100.0f);
    settings.SetMinFileSizeMB(1.0f);
    WriteFile("f/x.bin", 1000, 1);
    WriteFile("g/x.bin", 1000, 1);
    Scan();
    EXPECT_TRUE(Pages().Rows(kFoldersPage).empty());
    EXPECT_EQ(state->PageStatusText(kFoldersPage),
              "No folders found with greater than 100.0 MB of files");
    EXPECT_EQ(state->PageStatusText(kFilesPage), "No files found greater than 1.0MB");
    EXPECT_EQ(state->PageStatusText(kDuplicatesPage),
              "Displaying 0 duplicate files with a total size of 0.0 MB");
    // The scan of a tree without duplicates ends on the Largest files page,
    // with that page's summary (not the partial-folder one) in the status line.
    EXPECT_EQ(scanView->ShownPage(), kFilesPage);
    EXPECT_EQ(LastStatus(), "No files found greater than 1.0MB");
}

TEST_F(ResultPagesTest, AScanOfAnEmptyTreeEndsWithTheLargestFilesSummary) {
    Scan();
    EXPECT_EQ(scanView->ShownPage(), kFilesPage);
    EXPECT_EQ(LastStatus(), state->PageStatusText(kFilesPage));
    EXPECT_EQ(LastStatus().rfind("No files found greater than", 0), 0u);
}

TEST_F(ResultPagesTest, AScanWithDuplicatesButNoPartialFoldersEndsOnTheDuplicatesSummary) {
    settings.SetDuplicateMode(2);
    WriteFile("a/x.bin", 70000, 1);
    WriteFile("b/x.bin", 70000, 1);
    Scan();
    EXPECT_TRUE(Pages().Rows(kPartialPage).empty());
    EXPECT_EQ(scanView->ShownPage(), kDuplicatesPage);
    EXPECT_EQ(LastStatus(), state->PageStatusText(kDuplicatesPage));
    EXPECT_EQ(LastStatus().rfind("Displaying 2 duplicate files", 0), 0u);
}

TEST_F(ResultPagesTest, ListsAtMostAThousandFoldersAndTwoThousandFiles) {
    // 1,001 folders with two files each of distinct sizes; folder i holds 2i+1 and 2i+2 bytes.
    for (int i = 0; i < 1001; ++i) {
        std::string folder = "d" + std::to_string(i) + "/";
        WriteFile(folder + "x", static_cast<std::size_t>(2 * i + 1), i);
        WriteFile(folder + "y", static_cast<std::size_t>(2 * i + 2), i + 5000);
    }
    Scan();
    ASSERT_EQ(Pages().Rows(kFoldersPage).size(), 1000u);
    ASSERT_EQ(Pages().Rows(kFilesPage).size(), 2000u);
    // The smallest folder and the two smallest files are the ones left out.
    EXPECT_EQ(RowWith(kFoldersPage, root + "/d0"), -1);
    EXPECT_EQ(Pages().Rows(kFoldersPage).front().cells[0], root + "/d1000");
    EXPECT_EQ(Pages().Rows(kFilesPage).back().cells[2], SizeCell(3));
    EXPECT_EQ(state->PageStatusText(kFilesPage).rfind("Displaying the 2000 largest files", 0), 0u);
}

TEST_F(ResultPagesTest, PartialFoldersPageListsMatchingSets) {
    settings.SetDuplicateMode(1);
    for (int i = 0; i < 8; ++i) {
        std::string name = "f" + std::to_string(i);
        WriteFile("p/" + name, 100000 + static_cast<std::size_t>(i), 10 + i);
        WriteFile("q/" + name, 100000 + static_cast<std::size_t>(i), 10 + i);
    }
    Scan();
    ASSERT_EQ(Pages().Rows(kPartialPage).size(), 2u);
    EXPECT_EQ(Column(kPartialPage, 0), (std::vector<std::string>{"1", "1"}));
    EXPECT_EQ(Column(kPartialPage, 2), (std::vector<std::string>{"8", "8"}));
    EXPECT_EQ(state->PageStatusText(kPartialPage),
              "2 partial duplicate folders found with 16 duplicate files (size: 1.5 MB)");
    EXPECT_EQ(scanView->ShownPage(), kPartialPage);
    EXPECT_EQ(LastStatus(), state->PageStatusText(kPartialPage));
}

TEST_F(ResultPagesTest, ColumnClicksFollowTheDirectionRules) {
    WriteFile("Bravo/x", 3000, 1);
    WriteFile("alpha/x", 1000, 2);
    WriteFile("charlie/x", 2000, 3);
    Scan();
    // First click on column 0 sorts descending (Z to A), case-insensitively.
    Pages().ColumnClicked(kFoldersPage, 0);
    EXPECT_EQ(Column(kFoldersPage, 0), (std::vector<std::string>{root + "/charlie", root + "/Bravo",
                                                                 root + "/alpha", root}));
    EXPECT_EQ(Pages().Sort(kFoldersPage).direction, -1);
    // Another column keeps the direction: own size descending.
    Pages().ColumnClicked(kFoldersPage, 1);
    EXPECT_EQ(Column(kFoldersPage, 0), (std::vector<std::string>{root + "/Bravo", root + "/charlie",
                                                                 root + "/alpha", root}));
    // The same column again reverses it.
    Pages().ColumnClicked(kFoldersPage, 1);
    EXPECT_EQ(
        Column(kFoldersPage, 0),
        (std::vector<std::string>{root, root + "/alpha", root + "/charlie", root + "/Bravo"}));
    EXPECT_EQ(Pages().Sort(kFoldersPage).column, 1);
    // Pages keep their own sort state: a first click elsewhere on column 1 sorts ascending.
    Pages().ColumnClicked(kFilesPage, 1);
    EXPECT_EQ(Column(kFilesPage, 1),
              (std::vector<std::string>{root + "/alpha", root + "/Bravo", root + "/charlie"}));
    EXPECT_EQ(pageView->repaints[kFilesPage], 1);
    // Rows whose records are gone compare equal; other columns compare equal.
    EXPECT_EQ(Pages().CompareItems(kFilesPage, 0, 99999, 2, 1), 0);
    EXPECT_EQ(Pages().CompareItems(kFilesPage, 0, 1, 7, 1), 0);
    EXPECT_EQ(Pages().CompareItems(kFilesPage, 0, 1, 2, -1), 1);  // sizes ascend in the table
}

TEST_F(ResultPagesTest, RowColoursAreBandsOrGroups) {
    // Six groups of two copies, sizes descending with the group number.
    for (int g = 0; g < 6; ++g) {
        WriteFile("a/g" + std::to_string(g), 5000 - static_cast<std::size_t>(g) * 10, g);
        WriteFile("b/g" + std::to_string(g), 5000 - static_cast<std::size_t>(g) * 10, g);
    }
    Scan();
    EXPECT_EQ(Pages().RowColour(kFoldersPage, 0), kWhite);
    EXPECT_EQ(Pages().RowColour(kFoldersPage, 1), (Rgb{220, 220, 255}));
    EXPECT_EQ(Pages().RowColour(kFilesPage, 3), (Rgb{220, 255, 220}));
    ASSERT_EQ(Pages().Rows(kDuplicatesPage).size(), 12u);
    const Rgb bands[5] = {
        {235, 255, 235}, {235, 255, 215}, {215, 255, 215}, {215, 255, 195}, {195, 255, 195}};
    for (int row = 0; row < 12; ++row) {
        int group =
            std::stoi(Pages().Rows(kDuplicatesPage)[static_cast<std::size_t>(row)].cells[0]);
        EXPECT_EQ(Pages().RowColour(kDuplicatesPage, row), bands[group % 5]) << row;
    }
    Pages().ColumnClicked(kDuplicatesPage, 3);
    EXPECT_EQ(Pages().RowColour(kDuplicatesPage, 0), kWhite);
    Pages().ColumnClicked(kDuplicatesPage, 0);
    EXPECT_NE(Pages().RowColour(kDuplicatesPage, 0), kWhite);
    // Past the last row there is no record: group 0's colour.
    EXPECT_EQ(Pages().RowColour(kDuplicatesPage, 500), bands[0]);
}

TEST_F(ResultPagesTest, DoubleClickOpensTheRowsFolderAndMenusFollowThePage) {
    MakeSmallTree();
    Scan();
    EXPECT_EQ(Pages().FolderToOpen(kFoldersPage, 0), root + "/big");
    EXPECT_EQ(Pages().FolderToOpen(kFilesPage, 3), root + "/small");
    EXPECT_EQ(Pages().FolderToOpen(kDuplicatesPage, 0).value_or("").rfind(root, 0), 0u);
    EXPECT_FALSE(Pages().FolderToOpen(kDuplicatesPage, 2).has_value());
    EXPECT_FALSE(Pages().FolderToOpen(kPartialPage, 0).has_value());
    EXPECT_TRUE(Pages().MenuFor(kFoldersPage).empty());
    EXPECT_EQ(Pages().MenuFor(kDuplicatesPage).size(), 1u);
    HeldScan running(*state);  // the worker still owns the tables
    EXPECT_TRUE(Pages().MenuFor(kDuplicatesPage).empty());
}

TEST_F(ResultPagesTest, ShowingAPageShowsItsSummaryAndRebuildsItOnlyWhenStale) {
    MakeSmallTree();
    Scan();
    scanView->ShowPage(kFoldersPage);
    EXPECT_EQ(LastStatus(), state->PageStatusText(kFoldersPage));
    // A deleted file drops off the refilled Largest files page.
    FileRecord* biggest =
        state->Files.At(static_cast<std::size_t>(Pages().Rows(kFilesPage)[0].itemData));
    biggest->DeleteState = DeleteState::Deleted;
    state->FilesPageStale = true;
    scanView->ShowPage(kFilesPage);
    EXPECT_FALSE(state->FilesPageStale);
    EXPECT_EQ(Pages().Rows(kFilesPage).size(), 3u);
    EXPECT_EQ(state->PageStatusText(kFilesPage),
              "Displaying the 3 largest files greater than 0.0MB (total size: 4.0 MB)");
    // The pair lost a member, so it is gone from the rebuilt Duplicate files page.
    state->DuplicatesPageStale = true;
    scanView->ShowPage(kDuplicatesPage);
    EXPECT_TRUE(Pages().Rows(kDuplicatesPage).empty());
    EXPECT_FALSE(state->DuplicatesPageStale);
    // The partial analysis runs once per stale flag.
    state->PartialPageStale = true;
    scanView->ShowPage(kPartialPage);
    scanView->ShowPage(kPartialPage);
    EXPECT_EQ(scanView->partialFills.load(), 1);
    EXPECT_FALSE(state->PartialPageStale);
}

TEST_F(ResultPagesTest, RefillGivesUpWithoutSummaryWhenANewScanClearsTheFlag) {
    MakeSmallTree();
    Scan();
    state->SetPageStatusText(kFilesPage, "before");
    state->FilesPageStale = true;
    pageView->onInsert = [this](int) { state->FilesPageStale = false; };
    scanView->ShowPage(kFilesPage);
    EXPECT_EQ(Pages().Rows(kFilesPage).size(), 1u);
    EXPECT_EQ(state->PageStatusText(kFilesPage), "");
}

TEST_F(ResultPagesTest, RefreshKeepsGroupNumbersAndDropsSingleMembers) {
    for (int g = 0; g < 3; ++g) {
        for (int copy = 0; copy < 3; ++copy)
            WriteFile("c" + std::to_string(copy) + "/g" + std::to_string(g),
                      9000 - static_cast<std::size_t>(g) * 100, g);
    }
    Scan();
    ASSERT_EQ(Pages().Rows(kDuplicatesPage).size(), 9u);
    // Group 1 loses two of three members, group 2 one of three.
    int deletedOfGroup[4] = {0, 0, 0, 0};
    for (int i = 0; i < state->Duplicates.Count(); ++i) {
        FileRecord* r = state->Duplicates.At(static_cast<std::size_t>(i));
        if ((r->DupGroup == 1 && deletedOfGroup[1] < 2) ||
            (r->DupGroup == 2 && deletedOfGroup[2] < 1)) {
            r->DeleteState = DeleteState::Deleted;
            ++deletedOfGroup[r->DupGroup];
        }
    }
    Pages().RefreshDuplicates();
    EXPECT_EQ(Column(kDuplicatesPage, 0), (std::vector<std::string>{"2", "2", "3", "3", "3"}));
    EXPECT_EQ(state->PageStatusText(kDuplicatesPage),
              "Displaying 5 duplicate files with a total size of 0.0 MB");
}

}  // namespace
}  // namespace cairnly::pages::testing
