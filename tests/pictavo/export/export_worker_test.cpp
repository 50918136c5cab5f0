#include "pictavo/export/export_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "pictavo/export/export_run.h"
#include "tests/pictavo/export/export_fixtures.h"
#include "tests/platform/scratch_mount.h"
#include "tests/platform/test_files.h"

namespace pictavo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace pictavo::testing;

class RecordingView : public ExportView {
  public:
    void ShowExportStatus(const std::string& text) override {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.push_back(text);
    }
    void ExportEnded() override { ++ended; }
    std::vector<std::string> Statuses() {
        std::lock_guard<std::mutex> lock(mutex_);
        return statuses_;
    }
    std::string Last() {
        std::lock_guard<std::mutex> lock(mutex_);
        return statuses_.empty() ? "" : statuses_.back();
    }
    std::atomic<int> ended{0};

  private:
    std::mutex mutex_;
    std::vector<std::string> statuses_;
};

// A fixed time zone an hour or two east of UTC, so local and UTC differ.
class CentralEuropeanTime {
  public:
    CentralEuropeanTime() {
        if (const char* tz = ::getenv("TZ")) old_ = tz;
        ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        ::tzset();
    }
    ~CentralEuropeanTime() {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

  private:
    std::optional<std::string> old_;
};

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return ::timegm(&t);
}

class ExportWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeFolders(photos);
        MakeFolders(dest);
        services.CreateLogFolder();
    }
    void TearDown() override { platform::SetFaultHook(nullptr); }

    ExportOptions Options(int layout) const {
        ExportOptions options;
        options.photoFolder = photos;
        options.exportFolder = dest;
        options.layout = layout;
        options.setFileDates = false;
        return options;
    }
    ExportCounts Run(const ExportOptions& options) {
        return control.RunHere(options, view, services, [](int) {});
    }
    std::string Photo(const std::string& relative, int seed = 0) {
        std::string path = photos + "/" + relative;
        MakeFolders(std::filesystem::path(path).parent_path().string());
        WriteJpeg(path, seed);
        return path;
    }

    TempHome home;
    shared::DesktopServices services{"Pictavo", [] { return 1; }};
    ExportControl control;
    RecordingView view;
    std::string photos = home.Path("photos");
    std::string dest = home.Path("dest");
};

TEST_F(ExportWorkerTest, KeepLayoutRecreatesFoldersKeepingCaseAndSkipsDotFoldersLinksAndOthers) {
    Photo("a.jpg");
    Photo("Trip/Day1/Beach.JPG", 1);
    Photo(".thumbnails/t.jpg");
    Photo("Trip/.cache/c.jpg");
    WritePng(photos + "/Trip/shot.png");
    WriteJpeg(photos + "/notes.txt");
    MakeFolders(home.Path("elsewhere"));
    WriteJpeg(home.Path("elsewhere/linked.jpg"));
    ::symlink(home.Path("elsewhere").c_str(), (photos + "/linkfolder").c_str());
    ::symlink((photos + "/a.jpg").c_str(), (photos + "/alias.jpg").c_str());

    ExportCounts counts = Run(Options(kKeepLayout));

    EXPECT_THAT(FilesBelow(dest), ElementsAre("Trip/Day1/Beach.JPG", "Trip/shot.png", "a.jpg"));
    EXPECT_EQ(ReadAll(dest + "/Trip/Day1/Beach.JPG"), ReadAll(photos + "/Trip/Day1/Beach.JPG"));
    EXPECT_EQ(counts, (ExportCounts{3, 0, 0, 0}));
    EXPECT_EQ(view.Last(), "Export Complete: Exported 3 images successfully");
    EXPECT_EQ(view.ended, 1);
    EXPECT_FALSE(control.Busy());
    EXPECT_EQ(home.LogText(), "");
}

TEST_F(ExportWorkerTest, KeepLayoutOfTheRootFolderAndDeepTreesMakeEveryMissingLevel) {
    std::string deep;
    for (int level = 0; level < 70; ++level) deep += "d" + std::to_string(level) + "/";
    Photo(deep + "deep.jpg");
    MakeFolders(dest + "/d0/d1");  // existing levels are left alone
    ExportOptions options = Options(kKeepLayout);
    options.photoFolder = photos + "/";  // a root given with its separator

    ExportCounts counts = Run(options);

    EXPECT_EQ(counts.exported, 1);
    EXPECT_TRUE(platform::FileExists(dest + "/" + deep + "deep.jpg"));
}

TEST_F(ExportWorkerTest, MakeDestinationFolderCreatesOnlyBelowTheExportFolder) {
    ExportCounters counters;
    ExportRun run(
        Options(kKeepLayout), counters, [] { return false; }, [](const std::string&) {}, services);
    run.MakeDestinationFolder(dest + "/x/y/z");
    EXPECT_TRUE(platform::FolderExists(dest + "/x/y/z"));
    // A path outside the export folder gets its last level only.
    run.MakeDestinationFolder(home.Path("other/level"));
    EXPECT_FALSE(platform::FolderExists(home.Path("other")));
}

TEST_F(ExportWorkerTest, YearlyLayoutTakesTheYearFromTheDateTakenElseTheLocalFileYear) {
    CentralEuropeanTime zone;
    std::string taken = Photo("taken.jpg");
    TagPhoto(taken, "2015:07:04 10:20:30");
    std::string yearZero = Photo("zero.jpg", 1);
    TagPhoto(yearZero, "0000:00:00 00:00:00");
    SetWriteTime(yearZero, UtcSeconds(2012, 6, 15, 12, 0, 0));
    std::string png = photos + "/picture.png";
    WritePng(png);
    TagPhoto(png, "2015:07:04 10:20:30");  // a PNG never has a date taken
    SetWriteTime(png, UtcSeconds(2011, 6, 15, 12, 0, 0));
    // 23:30 UTC on New Year's Eve is already the next year in local time.
    std::string lateNight = Photo("late.jpg", 2);
    SetWriteTime(lateNight, UtcSeconds(2013, 12, 31, 23, 30, 0));
    ExportOptions options = Options(kYearlyFolders);
    options.setFileDates = true;

    ExportCounts counts = Run(options);

    EXPECT_EQ(counts.exported, 4);
    EXPECT_THAT(FilesBelow(dest), ElementsAre("2011/picture.png", "2012/zero.jpg", "2014/late.jpg",
                                              "2015/taken.jpg"));
    // 10:20:30 summer time in Central Europe is 08:20:30 UTC.
    EXPECT_EQ(WriteTimeOf(dest + "/2015/taken.jpg"), UtcSeconds(2015, 7, 4, 8, 20, 30));
    EXPECT_EQ(AccessTimeOf(dest + "/2015/taken.jpg"), UtcSeconds(2015, 7, 4, 8, 20, 30));
    // Without a valid date taken the copy keeps the times it was copied with.
    EXPECT_EQ(WriteTimeOf(dest + "/2012/zero.jpg"), UtcSeconds(2012, 6, 15, 12, 0, 0));
    EXPECT_EQ(WriteTimeOf(dest + "/2011/picture.png"), UtcSeconds(2011, 6, 15, 12, 0, 0));
}

TEST_F(ExportWorkerTest, FileDatesStayAsCopiedWhenSettingThemIsOff) {
    std::string taken = Photo("taken.jpg");
    TagPhoto(taken, "2015:07:04 10:20:30");
    SetWriteTime(taken, UtcSeconds(2020, 1, 2, 3, 4, 5));
    Run(Options(kSingleFolder));
    EXPECT_EQ(WriteTimeOf(dest + "/taken.jpg"), UtcSeconds(2020, 1, 2, 3, 4, 5));
}

TEST_F(ExportWorkerTest, RatedSelectionExportsOnlyJpegsRatedFourOrMore) {
    for (auto [name, rating] : {std::pair{"five.jpg", "5"},
                                {"four.jpg", "4"},
                                {"three.jpg", "3"},
                                {"minus.jpg", "-1"},
                                {"blank.jpg", ""}}) {
        std::string path = Photo(name);
        if (*rating) TagPhoto(path, std::nullopt, std::string(rating));
    }
    Photo("unrated.jpg");
    WritePng(photos + "/rated.png");
    TagPhoto(photos + "/rated.png", std::nullopt, std::string("5"));
    ExportOptions options = Options(kSingleFolder);
    options.selection = kExportRated;

    ExportCounts counts = Run(options);

    EXPECT_THAT(FilesBelow(dest), ElementsAre("five.jpg", "four.jpg"));
    EXPECT_EQ(counts, (ExportCounts{2, 0, 0, 0}));
}

TEST_F(ExportWorkerTest, OverwritingEarlierFilesIsCountedWithTheSingularAndPluralTexts) {
    Photo("one.jpg", 1);
    Photo("two.jpg", 2);
    WriteJpeg(dest + "/one.jpg", 9);

    ExportCounts counts = Run(Options(kKeepLayout));

    EXPECT_EQ(counts, (ExportCounts{2, 0, 0, 1}));
    EXPECT_EQ(ReadAll(dest + "/one.jpg"), ReadAll(photos + "/one.jpg"));
    EXPECT_EQ(view.Last(),
              "Export Complete: Exported 2 images successfully. 0 copy errors. 0 delete errors. "
              "1 file overwritten");
    EXPECT_THAT(home.LogText(), HasSubstr("CopyFile overwrote file: " + photos + "/one.jpg to " +
                                          dest + "/one.jpg"));

    counts = Run(Options(kKeepLayout));  // a second pass overwrites both
    EXPECT_EQ(counts, (ExportCounts{2, 0, 0, 2}));
    EXPECT_EQ(view.Last(),
              "Export Complete: Exported 2 images successfully. 0 copy errors. 0 delete errors. "
              "2 files overwritten");
}

TEST_F(ExportWorkerTest, AReadOnlyDestinationFileIsACopyErrorEightyAndKeepsItsOriginal) {
    std::string source = Photo("locked.jpg", 1);
    WriteJpeg(dest + "/locked.jpg", 2);
    ::chmod((dest + "/locked.jpg").c_str(), 0444);
    ExportOptions options = Options(kKeepLayout);
    options.deleteOriginals = true;

    ExportCounts counts = Run(options);

    EXPECT_EQ(counts, (ExportCounts{0, 1, 0, 0}));
    EXPECT_TRUE(platform::FileExists(source));
    EXPECT_THAT(home.LogText(),
                HasSubstr("CopyFile error: " + source + " to " + dest + "/locked.jpg error [80]"));
}

TEST_F(ExportWorkerTest, APhotoNeverReplacesACopyMadeByTheSameExport) {
    std::string first = Photo("a/same.jpg", 1);
    std::string second = Photo("b/same.jpg", 2);
    ExportOptions options = Options(kSingleFolder);
    options.deleteOriginals = true;

    ExportCounts counts = Run(options);

    EXPECT_EQ(counts, (ExportCounts{1, 1, 0, 0}));
    // Exactly one original went, and its bytes are the copy's; the other stays.
    bool firstKept = platform::FileExists(first);
    ASSERT_NE(firstKept, platform::FileExists(second));
    const std::string& kept = firstKept ? first : second;
    EXPECT_NE(ReadAll(dest + "/same.jpg"), ReadAll(kept));
    EXPECT_THAT(home.LogText(),
                HasSubstr("CopyFile error: " + kept + " to " + dest + "/same.jpg error [80]"));
}

TEST_F(ExportWorkerTest, RepeatedExportsDeletingOriginalsNeverReplaceAnEarlierCopy) {
    for (int layout : {kSingleFolder, kYearlyFolders}) {
        SCOPED_TRACE(layout);
        std::filesystem::remove_all(dest);
        MakeFolders(dest);
        std::string first = Photo("card1/IMG_0001.jpg", 1);
        std::string firstBytes = ReadAll(first);
        ExportOptions options = Options(layout);
        options.deleteOriginals = true;
        ASSERT_EQ(Run(options), (ExportCounts{1, 0, 0, 0}));
        std::vector<std::string> copies = FilesBelow(dest);
        ASSERT_EQ(copies.size(), 1u);
        std::string copy = dest + "/" + copies[0];
        // The next card holds another photo of the same name, and one already exported.
        std::string second = Photo("card2/IMG_0001.jpg", 2);
        std::string again = Photo("card2/IMG_0002.jpg", 3);
        MakeFolders(std::filesystem::path(copy).parent_path().string());
        WriteJpeg(std::filesystem::path(copy).replace_filename("IMG_0002.jpg").string(), 3);

        EXPECT_EQ(Run(options), (ExportCounts{1, 1, 0, 0}));

        EXPECT_EQ(ReadAll(copy), firstBytes);  // the only copy of the first photo
        EXPECT_TRUE(platform::FileExists(second));
        EXPECT_FALSE(platform::FileExists(again));  // its bytes are already there
        EXPECT_THAT(home.LogText(),
                    HasSubstr("CopyFile error: " + second + " to " + copy + " error [80]"));
        std::filesystem::remove_all(photos + "/card2");
    }
    // Without deleting originals an existing file is still overwritten.
    std::string third = Photo("card3/IMG_0001.jpg", 4);
    WriteJpeg(dest + "/IMG_0001.jpg", 5);
    EXPECT_EQ(Run(Options(kSingleFolder)), (ExportCounts{1, 0, 0, 1}));
    EXPECT_EQ(ReadAll(dest + "/IMG_0001.jpg"), ReadAll(third));
}

TEST_F(ExportWorkerTest, ClashesInOneYearFolderAreProtectedToo) {
    TagPhoto(Photo("x/img.jpg", 1), "2016:01:01 10:00:00");
    TagPhoto(Photo("y/img.jpg", 2), "2016:05:05 10:00:00");
    TagPhoto(Photo("z/img.jpg", 3), "2017:05:05 10:00:00");
    ExportCounts counts = Run(Options(kYearlyFolders));
    EXPECT_EQ(counts, (ExportCounts{2, 1, 0, 0}));
    EXPECT_THAT(FilesBelow(dest), ElementsAre("2016/img.jpg", "2017/img.jpg"));
}

TEST_F(ExportWorkerTest, DeletingOriginalsRemovesThemAndCountsFailedDeletes) {
    std::string gone = Photo("gone.jpg", 1);
    std::string stuck = Photo("stuck.jpg", 2);
    platform::SetFaultHook([stuck](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::Delete && path == stuck ? platform::kErrorPermission : 0;
    });
    ExportOptions options = Options(kKeepLayout);
    options.deleteOriginals = true;

    ExportCounts counts = Run(options);

    EXPECT_EQ(counts, (ExportCounts{1, 0, 1, 0}));
    EXPECT_FALSE(platform::FileExists(gone));
    EXPECT_TRUE(platform::FileExists(stuck));
    EXPECT_TRUE(platform::FileExists(dest + "/stuck.jpg"));
    EXPECT_THAT(home.LogText(), HasSubstr("Delete error: " + stuck + " error [13]"));
    EXPECT_EQ(view.Last(),
              "Export Complete: Exported 1 images successfully. 0 copy errors. 1 delete errors. "
              "0 files overwritten");
}

TEST_F(ExportWorkerTest, CopiesToAFullDiskAreLoggedWithTheirErrorLeaveNothingOpenOrDeleted) {
    std::vector<std::string> sources;
    for (int i = 0; i < 40; ++i) {
        sources.push_back(photos + "/p" + std::to_string(i) + ".jpg");
        ASSERT_TRUE(testing_support::WriteBytes(sources.back(), std::string(100 << 10, 'p')));
    }
    testing_support::FullDisk disk(dest);
    ASSERT_TRUE(disk.Ready());
    int openBefore = testing_support::OpenDescriptorCount();
    ExportOptions options = Options(kKeepLayout);
    options.deleteOriginals = true;
    ExportCounts counts;
    {
        testing_support::OpenFileLimit limit(16);
        counts = Run(options);
    }

    EXPECT_EQ(counts, (ExportCounts{0, 40, 0, 0}));
    EXPECT_EQ(testing_support::OpenDescriptorCount(), openBefore);
    EXPECT_TRUE(FilesBelow(dest).empty());
    std::string log = home.LogText();
    for (const std::string& source : sources) {
        EXPECT_TRUE(platform::FileExists(source));
        EXPECT_THAT(log, HasSubstr("CopyFile error: " + source + " to " + dest +
                                   source.substr(photos.size()) + " error [112]"));
    }
    EXPECT_THAT(log, Not(HasSubstr("error [24]")));
}

TEST_F(ExportWorkerTest, ALibraryPhotoIsNeverOverwrittenByTheExportOfAnother) {
    // Exporting the library into its parent: lib/lib/b.jpg would land on lib/b.jpg.
    std::string library = photos + "/lib";
    MakeFolders(library + "/lib");
    WriteJpeg(library + "/b.jpg", 1);
    WriteJpeg(library + "/lib/b.jpg", 2);
    std::string before = ReadAll(library + "/b.jpg");
    ExportOptions options = Options(kKeepLayout);
    options.photoFolder = library;
    options.exportFolder = photos;

    ExportCounts counts = Run(options);

    EXPECT_EQ(ReadAll(library + "/b.jpg"), before);
    EXPECT_EQ(counts.copyErrors, 1);
}

TEST_F(ExportWorkerTest, TheExportFolderIsNeverWalkedEvenWhenReachedUnderAnotherName) {
    Photo("new.jpg");
    TagPhoto(Photo("exported/2015/old.jpg", 3), "2015:03:03 03:03:03");
    std::string alias = home.Path("alias");
    ::symlink((photos + "/exported").c_str(), alias.c_str());
    ExportOptions options = Options(kYearlyFolders);
    options.exportFolder = alias;
    options.deleteOriginals = true;

    ExportCounts counts = Run(options);

    EXPECT_EQ(counts, (ExportCounts{1, 0, 0, 0}));
    EXPECT_TRUE(platform::FileExists(photos + "/exported/2015/old.jpg"));
}

TEST_F(ExportWorkerTest, ProgressIsShownAtEveryTwentyFifthExport) {
    for (int i = 0; i < 30; ++i) Photo("p" + std::to_string(i) + ".jpg", i);
    Run(Options(kKeepLayout));
    EXPECT_THAT(view.Statuses(), ElementsAre("Export in progress: Exported 25 images successfully",
                                             "Export Complete: Exported 30 images successfully"));
}

TEST_F(ExportWorkerTest, ProgressAtZeroExportsIsShownAfterEveryImageFile) {
    Photo("a.jpg", 1);
    Photo("b.jpg", 2);
    ExportOptions options = Options(kSingleFolder);
    options.selection = kExportRated;  // nothing passes
    Run(options);
    EXPECT_THAT(view.Statuses(), ElementsAre("Export in progress: Exported 0 images successfully",
                                             "Export in progress: Exported 0 images successfully",
                                             "Export Complete: Exported 0 images successfully"));
}

TEST_F(ExportWorkerTest, ProgressWithErrorsUsesTheLongForm) {
    Photo("a.jpg", 1);
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Copy ? platform::kErrorAccessDenied : 0;
    });
    Run(Options(kSingleFolder));
    EXPECT_THAT(view.Statuses(),
                ElementsAre("Export in progress: Exported 0 images successfully. 1 copy errors. "
                            "0 delete errors. 0 files overwritten",
                            "Export Complete: Exported 0 images successfully. 1 copy errors. "
                            "0 delete errors. 0 files overwritten"));
}

TEST_F(ExportWorkerTest, AStopRequestEndsTheWalkAfterTheEntryInHand) {
    for (int i = 0; i < 10; ++i) Photo("p" + std::to_string(i) + ".jpg", i);
    int copies = 0;
    platform::SetFaultHook([this, &copies](platform::FileOp op, const std::string&) {
        if (op == platform::FileOp::Copy && ++copies == 3) control.RequestStop();
        return 0;
    });

    ExportCounts counts = Run(Options(kKeepLayout));

    EXPECT_EQ(counts.exported, 3);
    EXPECT_EQ(FilesBelow(dest).size(), 3u);
    EXPECT_EQ(view.Last(), "Export Complete: Exported 3 images successfully");
    // The next export clears the request and copies the rest.
    platform::SetFaultHook(nullptr);
    EXPECT_EQ(Run(Options(kKeepLayout)), (ExportCounts{10, 0, 0, 3}));
}

TEST_F(ExportWorkerTest, ASecondExportWaitsPastThirtySecondsAndNeverRunsBesideTheFirst) {
    Photo("only.jpg");
    Gate gate;
    std::atomic<int> copying{0};
    std::atomic<int> mostAtOnce{0};
    platform::SetFaultHook([&](platform::FileOp op, const std::string&) {
        if (op != platform::FileOp::Copy) return 0;
        mostAtOnce = std::max(mostAtOnce.load(), ++copying);
        if (mostAtOnce == 1 && copying == 1) gate.Wait();
        --copying;
        return 0;
    });
    bool saved = false;
    ASSERT_TRUE(control.Start(
        Options(kKeepLayout), view, services, [&] { saved = true; }, [](int) {}));
    EXPECT_TRUE(saved);
    gate.WaitUntilEntered();
    int pauses = 0;
    RecordingView second;
    ExportCounts counts = control.RunHere(Options(kKeepLayout), second, services, [&](int ms) {
        EXPECT_EQ(ms, 500);
        if (++pauses == 70) gate.Open();  // 35 seconds of waiting
    });

    EXPECT_GE(pauses, 70);
    EXPECT_EQ(mostAtOnce, 1);
    EXPECT_EQ(second.Statuses().front(), "Waiting for the previous export to end");
    EXPECT_EQ(counts, (ExportCounts{1, 0, 0, 1}));
}

TEST_F(ExportWorkerTest, AStopWhileWaitingStartsNothing) {
    Photo("only.jpg");
    Gate gate;
    platform::SetFaultHook([&](platform::FileOp op, const std::string&) {
        if (op == platform::FileOp::Copy) gate.Wait();
        return 0;
    });
    ASSERT_TRUE(control.Start(Options(kKeepLayout), view, services, nullptr, [](int) {}));
    gate.WaitUntilEntered();
    bool started = control.Start(Options(kKeepLayout), view, services, nullptr,
                                 [&](int) { control.RequestStop(); });
    gate.Open();
    EXPECT_FALSE(started);
    // The worker still runs with the gate and the view, which end with this test.
    while (control.Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace
}  // namespace pictavo
