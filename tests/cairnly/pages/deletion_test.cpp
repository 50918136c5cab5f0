#include "cairnly/pages/deletion.h"

#include <atomic>
#include <filesystem>
#include <thread>

#include "pages_fixture.h"

namespace cairnly::pages::testing {
namespace {

namespace fs = std::filesystem;

TEST(DeleteExtensions, QualifyAndFormat) {
    EXPECT_EQ(QualifyingExtension("disk.iso"), ".iso");
    EXPECT_EQ(QualifyingExtension("archive.tar.GZ"), ".GZ");
    EXPECT_EQ(QualifyingExtension("noext"), "");
    EXPECT_EQ(QualifyingExtension("trailing."), "");                        // only the dot
    EXPECT_EQ(QualifyingExtension("a.abcdefghijklmn"), ".abcdefghijklmn");  // 15 units
    EXPECT_EQ(QualifyingExtension("a.abcdefghijklmno"), "");                // 16 units
    EXPECT_EQ(ExtensionText({".iso", ".zip"}), "[.iso, .zip] ");
    EXPECT_EQ(ExtensionText({}), "[] ");
    // Appending stops before an extension once the text has reached 128 characters.
    std::vector<std::string> many(20, ".abcdefghijklmn");
    std::string text = ExtensionText(many);
    EXPECT_EQ(text.size(), 1 + 8 * 15 + 7 * 2 + 2u);  // eight extensions fit before 128
}

class DeletionTest : public PagesTest {
  protected:
    std::unique_ptr<DeleteConfirmation> Confirm(int command, std::vector<int> rows) {
        return std::make_unique<DeleteConfirmation>(Pages(), *scanView, command, std::move(rows),
                                                    dialog, [this](int ms) { Pause(ms); });
    }
    void Pause(int) {
        ++pauses;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Waits for a listing worker to finish.
    static void WaitListed(const DeleteConfirmation& confirm) {
        while (!confirm.ListingDone()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Lists the rows in a dialog of its own, confirms and closes; returns how many were deleted.
    int DeleteRows(int command, std::vector<int> rows) {
        RecordingConfirmView view;
        DeleteConfirmation confirm(Pages(), *scanView, command, std::move(rows), view,
                                   [this](int ms) { Pause(ms); });
        confirm.Open();
        WaitListed(confirm);
        confirm.DeleteAll();
        confirm.Close();
        return confirm.DeletedCount();
    }
    int CountState(DeleteState wanted) const {
        int n = 0;
        for (int i = 0; i < state->Files.Count(); ++i)
            n += state->Files.At(static_cast<std::size_t>(i))->DeleteState == wanted;
        return n;
    }
    std::vector<int> RowsNamed(int page, const std::string& name) const {
        std::vector<int> out;
        const auto& rows = pages->Rows(page);
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (const std::string& cell : rows[i].cells)
                if (cell == name) out.push_back(static_cast<int>(i));
        return out;
    }

    RecordingConfirmView dialog;
    int pauses = 0;
};

TEST_F(DeletionTest, SelectedLargeFilesAreListedDeletedLoggedAndRemovedFromThePage) {
    std::string big = WriteFile("a/big.bin", 3'145'728, 1);
    std::string mid = WriteFile("b/mid.bin", 2'097'152, 2);
    WriteFile("c/small.bin", 1'048'576, 3);
    Scan();
    auto confirm = Confirm(kDeleteSelectedLargeFiles, {1, 0});
    confirm->Open();
    EXPECT_TRUE(confirm->DeleteEnabled());
    EXPECT_EQ(dialog.Status(), "Confirm deletion of 2 files (size: 5.0 MB)");
    ASSERT_EQ(dialog.rows.size(), 2u);
    EXPECT_EQ(dialog.rows[0].path, big);  // list order, whatever the selection order
    EXPECT_EQ(CountState(DeleteState::Listed), 2);

    confirm->DeleteAll();
    confirm->Close();
    EXPECT_FALSE(fs::exists(big));
    EXPECT_FALSE(fs::exists(mid));
    EXPECT_EQ(CountState(DeleteState::Deleted), 2);
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
    EXPECT_EQ(Column(kFilesPage, 0), (std::vector<std::string>{"small.bin"}));
    const std::string line =
        "Previous action: Deleted 2 of the largest files selected (total size: 5.0 MB)";
    EXPECT_EQ(state->PageStatusText(kFilesPage), line);
    EXPECT_EQ(LastStatus(), line);
    EXPECT_TRUE(state->DuplicatesPageStale);
    EXPECT_TRUE(state->PartialPageStale);
    EXPECT_FALSE(state->FilesPageStale);
    std::string log = LogText();
    EXPECT_NE(log.find("Deleted: " + big + " (delete selected large files)"), std::string::npos);
    EXPECT_NE(log.find("Deleted: " + mid + " (delete selected large files)"), std::string::npos);
}

TEST_F(DeletionTest, ExtensionCommandListsEveryMatchingFileExactCase) {
    std::string one = WriteFile("a/one.iso", 5000, 1);
    std::string two = WriteFile("b/two.iso", 4000, 2);
    std::string upper = WriteFile("c/three.ISO", 3000, 3);
    WriteFile("d/x.zip", 2000, 4);
    WriteFile("d/noext", 1000, 5);
    Scan();
    auto confirm = Confirm(kDeleteLargeFilesByExtension, RowsNamed(kFilesPage, "two.iso"));
    confirm->Open();
    EXPECT_EQ(dialog.Status(), "Confirm deletion of 2 files [.iso] (size: 0.0 MB)");
    ASSERT_EQ(dialog.rows.size(), 2u);
    EXPECT_EQ(dialog.rows[0].path, two);  // the page is walked from its last row up
    confirm->DeleteAll();
    confirm->Close();
    EXPECT_FALSE(fs::exists(one));
    EXPECT_FALSE(fs::exists(two));
    EXPECT_TRUE(fs::exists(upper));
    EXPECT_EQ(LastStatus(),
              "Previous action: Deleted 2 of the largest files with the selected extensions "
              "[.iso] (total size: 0.0 MB)");
    EXPECT_NE(
        LogText().find("Deleted: " + one + " (delete large files by extension types [.iso] )"),
        std::string::npos);
}

TEST_F(DeletionTest, LargeFilesNoLongerAsScannedAreKept) {
    std::string grown = WriteFile("a/grown.bin", 5000, 1);
    std::string linked = WriteFile("b/linked.bin", 4000, 2);
    std::string swapped = WriteFile("c/swapped/big.bin", 3000, 3);
    std::string kept = WriteFile("d/ok.bin", 2000, 4);
    Scan();
    ASSERT_EQ(Pages().Rows(kFilesPage).size(), 4u);
    auto confirm = Confirm(kDeleteSelectedLargeFiles, {0, 1, 2, 3});
    confirm->Open();
    // Between listing and confirming: a file grows, one becomes a link, and a
    // folder becomes a link to a folder holding a same-named copy with the same time.
    std::ofstream(grown, std::ios::app) << "more";
    const std::string elsewhere = base_ + "/elsewhere";
    fs::create_directories(elsewhere);
    fs::copy_file(swapped, elsewhere + "/big.bin");
    fs::last_write_time(elsewhere + "/big.bin", fs::last_write_time(swapped));
    fs::rename(root + "/c/swapped", root + "/c/moved");
    fs::create_directory_symlink(elsewhere, root + "/c/swapped");
    fs::copy_file(linked, base_ + "/target.bin");
    fs::remove(linked);
    fs::create_symlink(base_ + "/target.bin", linked);
    confirm->DeleteAll();
    confirm->Close();
    EXPECT_EQ(confirm->DeletedCount(), 1);
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_TRUE(fs::exists(grown));
    EXPECT_TRUE(fs::is_symlink(linked));
    EXPECT_TRUE(fs::exists(base_ + "/target.bin"));
    EXPECT_TRUE(fs::exists(elsewhere + "/big.bin"));
    EXPECT_TRUE(fs::exists(root + "/c/moved/big.bin"));
    EXPECT_EQ(LastStatus(),
              "Previous action: Deleted 1 of the largest files selected (total size: 0.0 MB). "
              "Kept 3 file(s) that changed since the scan or had no identical copy left");
    const std::string log = LogText();
    for (const std::string& path : {grown, linked, swapped})
        EXPECT_NE(log.find("Not deleted: " + path + " (changed since the scan)"),
                  std::string::npos);
    EXPECT_EQ(Column(kFilesPage, 0),
              (std::vector<std::string>{"grown.bin", "linked.bin", "big.bin"}));
}

TEST_F(DeletionTest, NameWithoutExtensionListsNothingAndDeletesNothing) {
    std::string plain = WriteFile("d/noext", 1000, 5);
    Scan();
    auto confirm = Confirm(kDeleteLargeFilesByExtension, RowsNamed(kFilesPage, "noext"));
    confirm->Open();
    EXPECT_EQ(dialog.Status(), "Confirm deletion of 0 files [] (size: 0.0 MB)");
    confirm->DeleteAll();
    EXPECT_EQ(LastStatus(), "Previous action: no files deleted");
    EXPECT_TRUE(fs::exists(plain));
    EXPECT_FALSE(state->DuplicatesPageStale);  // no follow-up
}

class DuplicateDeletionTest : public DeletionTest {
  protected:
    // Group 1: four copies of 9,000 bytes; group 2: two copies of 8,000 bytes.
    void MakeGroups() {
        for (int copy = 0; copy < 4; ++copy)
            quad.push_back(WriteFile("q" + std::to_string(copy) + "/quad.bin", 9000, 1));
        pair.push_back(WriteFile("p0/pair.bin", 8000, 2));
        pair.push_back(WriteFile("p1/pair.bin", 8000, 2));
        Scan();
        ASSERT_EQ(Pages().Rows(kDuplicatesPage).size(), 6u);
    }
    int RowOfPath(const std::string& path) const {
        const auto& rows = pages->Rows(kDuplicatesPage);
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].cells[2] + "/" + rows[i].cells[1] == path) return static_cast<int>(i);
        return -1;
    }
    std::vector<std::string> quad, pair;
};

TEST_F(DuplicateDeletionTest, ReadOnlyAndVanishedFilesAreCountedAsErrorsAndStayListed) {
    MakeGroups();
    ::chmod(quad[2].c_str(), 0444);
    auto confirm = Confirm(kDeleteSelectedDuplicates, {RowOfPath(quad[0]), RowOfPath(quad[1]),
                                                       RowOfPath(quad[2]), RowOfPath(pair[0])});
    confirm->Open();
    WaitListed(*confirm);
    EXPECT_TRUE(dialog.deleteEnabled);
    EXPECT_EQ(dialog.Status(), "Confirm deletion of 4 duplicate files (size: 0.0 MB)");
    fs::remove(pair[0]);  // vanishes while the dialog is open
    confirm->DeleteAll();
    confirm->Close();
    EXPECT_EQ(confirm->DeletedCount(), 2);
    EXPECT_EQ(confirm->ErrorCount(), 2);
    EXPECT_TRUE(fs::exists(quad[2]));
    const std::string line =
        "Previous action: Deleted 2 duplicate files selected (total size: 0.0 MB). Error deleting "
        "2 file(s) (please check file permissions)";
    EXPECT_EQ(LastStatus(), line);
    EXPECT_EQ(state->PageStatusText(kDuplicatesPage), line);
    // The page was rebuilt at once: the read-only file and the last copy stay a pair,
    // the pair whose file vanished is still shown (its removal failed).
    EXPECT_NE(RowOfPath(quad[2]), -1);
    EXPECT_NE(RowOfPath(quad[3]), -1);
    EXPECT_NE(RowOfPath(pair[0]), -1);
    EXPECT_EQ(Pages().Rows(kDuplicatesPage).size(), 4u);
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
    EXPECT_TRUE(state->FilesPageStale);
    EXPECT_TRUE(state->PartialPageStale);
    std::string log = LogText();
    EXPECT_NE(log.find("Deleted: " + quad[0] + " (delete selected duplicate files)"),
              std::string::npos);
    EXPECT_EQ(log.find(quad[2]), std::string::npos);
}

TEST_F(DuplicateDeletionTest, DeletingOneOfAPairDropsThePairAndKeepsOtherNumbers) {
    MakeGroups();
    auto confirm = Confirm(kDeleteSelectedDuplicates, {RowOfPath(pair[1])});
    confirm->Open();
    WaitListed(*confirm);
    EXPECT_EQ(dialog.Status(), "Confirm deletion of 1 duplicate file (size: 0.0 MB)");
    confirm->DeleteAll();
    EXPECT_EQ(Column(kDuplicatesPage, 0), (std::vector<std::string>{"1", "1", "1", "1"}));
    // The read-only edge: deleting only a read-only file deletes nothing, no follow-up.
    ::chmod(quad[0].c_str(), 0444);
    state->FilesPageStale = false;
    EXPECT_EQ(DeleteRows(kDeleteSelectedDuplicates, {RowOfPath(quad[0])}), 0);
    EXPECT_EQ(LastStatus(),
              "Previous action: error deleting 1 file(s) (please check file permissions)");
    EXPECT_FALSE(state->FilesPageStale);
    EXPECT_EQ(Pages().Rows(kDuplicatesPage).size(), 4u);
}

TEST_F(DuplicateDeletionTest, NoFileGoesWithoutAnIdenticalCopyThatStays) {
    MakeGroups();
    // Every copy of the quad group, and a pair file whose partner changed
    // after the scan (same size, other bytes).
    std::vector<int> rows{RowOfPath(pair[0])};
    for (const auto& path : quad) rows.push_back(RowOfPath(path));
    auto confirm = Confirm(kDeleteSelectedDuplicates, rows);
    confirm->Open();
    WaitListed(*confirm);
    std::string changed = pair[1];
    WriteFile(changed.substr(root.size() + 1), 8000, 99);
    confirm->DeleteAll();
    confirm->Close();
    EXPECT_EQ(confirm->DeletedCount(), 0);
    for (const auto& path : quad) EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(fs::exists(pair[0]));
    EXPECT_EQ(LastStatus(),
              "Previous action: no files deleted. Kept 5 file(s) that changed since the scan or "
              "had no identical copy left");
    EXPECT_EQ(confirm->ErrorCount(), 0) << "a file kept on purpose is no failed removal";
    const std::string log = LogText();
    for (const auto& path : {quad[0], quad[3], pair[0]})
        EXPECT_NE(log.find("Not deleted: " + path + " (no identical copy remains)"),
                  std::string::npos);
    EXPECT_EQ(Pages().Rows(kDuplicatesPage).size(), 6u);

    // A copy that became a link to the file, or a copy deleted before, is no copy.
    EXPECT_EQ(DeleteRows(kDeleteSelectedDuplicates, {RowOfPath(quad[0])}), 1);
    EXPECT_FALSE(fs::exists(quad[0]));
    for (const auto& link : {quad[2], quad[3]}) {
        fs::remove(link);
        fs::create_symlink(quad[1], link);
    }
    EXPECT_EQ(DeleteRows(kDeleteSelectedDuplicates, {RowOfPath(quad[1])}), 0);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(quad[1])));
}

TEST_F(DuplicateDeletionTest, QuickModesListQuicklyButDeleteOnlyIdenticalCopies) {
    // Equal first 64 KiB, different after: one group in the quick partial mode.
    settings.SetDuplicateMode(1);
    std::string bytes(100000, 'a');
    const std::string first = root + "/x/photo.jpg", second = root + "/y/photo.jpg";
    fs::create_directories(root + "/x");
    fs::create_directories(root + "/y");
    std::ofstream(first, std::ios::binary) << bytes;
    bytes[90000] = 'b';
    std::ofstream(second, std::ios::binary) << bytes;
    Scan();
    ASSERT_EQ(Pages().Rows(kDuplicatesPage).size(), 2u);
    ASSERT_TRUE(settings.DeepCheckBeforeDelete());  // the default
    auto confirm = Confirm(kDeleteSelectedDuplicates, {RowOfPath(second)});
    confirm->Open();
    WaitListed(*confirm);
    confirm->DeleteAll();
    confirm->Close();
    EXPECT_TRUE(fs::exists(second));
    EXPECT_NE(LogText().find("Not deleted: " + second + " (no identical copy remains)"),
              std::string::npos);
    // Turned off, the stored choice is honoured: the copy only has to be there.
    settings.SetDeepCheckBeforeDelete(false);
    EXPECT_EQ(DeleteRows(kDeleteSelectedDuplicates, {RowOfPath(second)}), 1);
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(fs::exists(first));
}

TEST_F(DuplicateDeletionTest, DontDeleteLeavesEverythingAsItWas) {
    MakeGroups();
    auto before = Pages().Rows(kDuplicatesPage);
    auto confirm = Confirm(kDeleteSelectedDuplicates, {0, 1, 2, 3, 4, 5});
    confirm->Open();
    WaitListed(*confirm);
    EXPECT_EQ(CountState(DeleteState::Listed), 6);
    EXPECT_FALSE(confirm->EscapeCloses());
    confirm->DontDelete();
    confirm->Close();
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
    EXPECT_FALSE(state->Scan.StopRequested());
    EXPECT_FALSE(confirm->ListingRunning());
    EXPECT_EQ(Pages().Rows(kDuplicatesPage).size(), before.size());
    for (const auto& path : quad) EXPECT_TRUE(fs::exists(path));
    // "DELETE ALL FILES" after closing does nothing.
    confirm->DeleteAll();
    EXPECT_TRUE(fs::exists(quad[0]));
}

TEST_F(DuplicateDeletionTest, CancelledListingNeverMarksAfterRecordsWereReturned) {
    MakeGroups();
    dialog.blockFirstRow = true;
    auto confirm = Confirm(kDeleteSelectedDuplicates, {0, 1, 2, 3, 4, 5});
    confirm->Open();
    dialog.WaitUntilBlocked();  // the worker has marked one record and waits in the dialog
    EXPECT_TRUE(confirm->ListingRunning());
    confirm->DontDelete();  // gives up waiting after 20 s of pauses, then returns the records
    EXPECT_EQ(pauses, 40);
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
    dialog.Release();
    confirm->Close();  // joins the worker
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
    EXPECT_EQ(dialog.RowCount(), 1u);
    EXPECT_FALSE(confirm->DeleteEnabled());
    EXPECT_FALSE(confirm->ListingRunning());
}

TEST_F(DeletionTest, ListingAndDeletingStopAtTwoThousandFiles) {
    for (int i = 0; i < 2001; ++i) WriteFile("many/f" + std::to_string(i), 10, 7);
    Scan();
    ASSERT_EQ(Pages().Rows(kDuplicatesPage).size(), 2001u);
    std::vector<int> all(2001);
    for (int i = 0; i < 2001; ++i) all[static_cast<std::size_t>(i)] = i;
    auto confirm = Confirm(kDeleteSelectedDuplicates, all);
    confirm->Open();
    WaitListed(*confirm);
    EXPECT_EQ(dialog.Status(), "Confirm deletion of 2000 duplicate files (size: 0.0 MB)");
    confirm->DeleteAll();
    confirm->Close();
    EXPECT_EQ(CountState(DeleteState::Deleted), 2000);
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
    // One file is left, so its group is no longer a duplicate pair.
    EXPECT_TRUE(Pages().Rows(kDuplicatesPage).empty());
}

class PartialDeletionTest : public DeletionTest {
  protected:
    // Two sets: p/q share 8 files of 200 KB, r/s share 8 files of 100 KB.
    void MakeSets() {
        settings.SetDuplicateMode(1);
        for (int i = 0; i < 8; ++i) {
            std::string name = "f" + std::to_string(i);
            for (const char* folder : {"p/", "q/"})
                WriteFile(folder + name, 200000 + static_cast<std::size_t>(i), 10 + i);
            for (const char* folder : {"r/", "s/"})
                WriteFile(folder + name, 100000 + static_cast<std::size_t>(i), 30 + i);
        }
        Scan();
        ASSERT_EQ(Column(kPartialPage, 0), (std::vector<std::string>{"1", "1", "2", "2"}));
    }
};

TEST_F(PartialDeletionTest, DeletesTheSelectedFolderAndRefreshesThePage) {
    MakeSets();
    int p = RowWith(kPartialPage, root + "/p");
    auto confirm = Confirm(kDeleteFromPartialFolders, {p});
    confirm->Open();
    WaitListed(*confirm);
    EXPECT_EQ(
        dialog.Status(),
        "Confirm deletion of 8 duplicate files from 1 partial duplicate folder (size: 1.5 MB)");
    ASSERT_EQ(dialog.rows.size(), 8u);
    confirm->DeleteAll();
    confirm->Close();
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(fs::exists(root + "/p/f" + std::to_string(i)));
    EXPECT_TRUE(fs::exists(root + "/q/f0"));
    const std::string line =
        "Previous action: Deleted 8 duplicate files from 1 partial duplicate folders (total size: "
        "1.5 MB)";
    EXPECT_EQ(LastStatus(), line);
    EXPECT_EQ(state->PageStatusText(kDuplicatesPage), line);
    // Refreshed at once: only the r/s set is left, now numbered 1.
    auto left = Column(kPartialPage, 1);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{root + "/r", root + "/s"}));
    EXPECT_EQ(Column(kPartialPage, 0), (std::vector<std::string>{"1", "1"}));
    EXPECT_FALSE(state->PartialPageStale);
    EXPECT_TRUE(state->FilesPageStale);
    EXPECT_TRUE(state->DuplicatesPageStale);
    EXPECT_NE(LogText().find("(delete selected partial duplicate folders)"), std::string::npos);
    // The Duplicate files page drops the p/q pairs when shown, and its summary replaces the line.
    scanView->ShowPage(kDuplicatesPage);
    EXPECT_EQ(Pages().Rows(kDuplicatesPage).size(), 16u);
    EXPECT_EQ(LastStatus(), state->PageStatusText(kDuplicatesPage));
}

TEST_F(PartialDeletionTest, SelectingEveryFolderOfASetIsRefused) {
    MakeSets();
    int r = RowWith(kPartialPage, root + "/r");
    int s = RowWith(kPartialPage, root + "/s");
    int p = RowWith(kPartialPage, root + "/p");
    // p is listed first (list order), then the r/s set trips the guard.
    auto confirm = Confirm(kDeleteFromPartialFolders, {r, s, p});
    confirm->Open();
    WaitListed(*confirm);
    EXPECT_EQ(dialog.Status(),
              "All partial duplicate folders were selected for folder Dup# 2. Please don't select "
              "all matching partial duplicate folders.");
    EXPECT_FALSE(confirm->DeleteEnabled());
    EXPECT_FALSE(dialog.deleteEnabled);
    EXPECT_EQ(CountState(DeleteState::Listed), 8);  // p's files stay listed until it closes
    confirm->DeleteAll();
    EXPECT_TRUE(fs::exists(root + "/p/f0"));
    confirm->Close();
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
}

TEST_F(PartialDeletionTest, FilesDeletedBeforeAreNotListedAgain) {
    MakeSets();
    // Delete one of p's files from the Duplicate files page first.
    int row = RowWith(kDuplicatesPage, root + "/p");
    ASSERT_NE(row, -1);
    auto first = Confirm(kDeleteSelectedDuplicates, {row});
    first->Open();
    WaitListed(*first);
    first->DeleteAll();
    first->Close();
    ASSERT_EQ(CountState(DeleteState::Deleted), 1);
    // p now holds 7 duplicates: below the minimum of 8, so its set is gone at the refresh.
    scanView->ShowPage(kPartialPage);
    EXPECT_EQ(RowWith(kPartialPage, root + "/p"), -1);
    settings.SetMinPartialDuplicates(2);
    state->SetCriteria(CriteriaFrom(settings, false));
    state->PartialPageStale = true;
    scanView->ShowPage(kPartialPage);
    int p = RowWith(kPartialPage, root + "/p");
    ASSERT_NE(p, -1);
    RecordingConfirmView second;
    DeleteConfirmation confirm(Pages(), *scanView, kDeleteFromPartialFolders, {p}, second,
                               [this](int ms) { Pause(ms); });
    confirm.Open();
    WaitListed(confirm);
    EXPECT_EQ(second.RowCount(), 7u);  // the deleted member stays deleted, not listed
    confirm.DontDelete();
    confirm.Close();
    EXPECT_EQ(CountState(DeleteState::Deleted), 1);
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
}

TEST_F(PartialDeletionTest, OnlyFilesWithACopyLeftOutsideTheCommandAreListed) {
    // A/B share f0..f9, C/D share g0..g9. A also holds a file and its copy
    // (only.jpg twice), and x.bin whose only copy is in C.
    for (int i = 0; i < 10; ++i) {
        for (const char* folder : {"A/", "B/"})
            WriteFile(folder + ("f" + std::to_string(i)), 50000 + static_cast<std::size_t>(i), i);
        for (const char* folder : {"C/", "D/"})
            WriteFile(folder + ("g" + std::to_string(i)), 40000 + static_cast<std::size_t>(i),
                      20 + i);
    }
    WriteFile("A/only.jpg", 30000, 40);
    WriteFile("A/only (copy).jpg", 30000, 40);
    WriteFile("A/x.bin", 20000, 41);
    WriteFile("C/x.bin", 20000, 41);
    Scan();
    const int a = RowWith(kPartialPage, root + "/A");
    ASSERT_NE(a, -1);
    EXPECT_EQ(Pages().Rows(kPartialPage)[static_cast<std::size_t>(a)].cells[2], "13");

    // One of B's files goes on the Duplicate files page first: its copy in A
    // is then a last copy.
    int row = RowWith(kDuplicatesPage, root + "/B");
    ASSERT_NE(row, -1);
    std::string gone =
        root + "/B/" + Pages().Rows(kDuplicatesPage)[static_cast<std::size_t>(row)].cells[1];
    ASSERT_EQ(DeleteRows(kDeleteSelectedDuplicates, {row}), 1);
    ASSERT_FALSE(fs::exists(gone));
    const std::string lastCopy = root + "/A/" + fs::path(gone).filename().string();
    scanView->ShowPage(kPartialPage);
    const int aNow = RowWith(kPartialPage, root + "/A");
    const int c = RowWith(kPartialPage, root + "/C");
    ASSERT_NE(aNow, -1);
    ASSERT_NE(c, -1);
    EXPECT_EQ(Pages().Rows(kPartialPage)[static_cast<std::size_t>(aNow)].cells[2], "13");

    RecordingConfirmView second;
    DeleteConfirmation confirm(Pages(), *scanView, kDeleteFromPartialFolders, {aNow, c}, second,
                               [this](int ms) { Pause(ms); });
    confirm.Open();
    WaitListed(confirm);
    EXPECT_EQ(second.RowCount(), 19u);  // A's f-files but the last copy, and C's g-files
    for (const ConfirmRow& listed : second.rows) {
        EXPECT_EQ(listed.path.find("only"), std::string::npos);
        EXPECT_EQ(listed.path.find("x.bin"), std::string::npos);
        EXPECT_NE(listed.path, lastCopy);
    }
    confirm.DeleteAll();
    confirm.Close();
    EXPECT_EQ(confirm.DeletedCount(), 19);
    EXPECT_EQ(confirm.ErrorCount(), 0);
    for (const char* kept : {"A/only.jpg", "A/only (copy).jpg", "A/x.bin", "C/x.bin"})
        EXPECT_TRUE(fs::exists(root + "/" + kept)) << kept;
    EXPECT_TRUE(fs::exists(lastCopy));
    EXPECT_TRUE(fs::exists(root + "/B/f0"));
    EXPECT_TRUE(fs::exists(root + "/D/g0"));
    EXPECT_FALSE(fs::exists(root + "/C/g0"));
}

TEST_F(PartialDeletionTest, NothingIsOfferedWhileAScanRuns) {
    MakeSets();
    HeldScan running(*state);
    auto confirm = Confirm(kDeleteFromPartialFolders, {0});
    confirm->Open();
    EXPECT_FALSE(confirm->DeleteEnabled());
    EXPECT_EQ(CountState(DeleteState::Listed), 0);
}

}  // namespace
}  // namespace cairnly::pages::testing
