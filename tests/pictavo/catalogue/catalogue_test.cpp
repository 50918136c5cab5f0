// The folder scan, the loading thread and the sort of the catalogue.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <random>
#include <thread>

#include "pictavo/catalogue/loading.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/size_text.h"
#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/platform/test_files.h"

namespace pictavo {
namespace {

using photo_fixtures::Harness;
using photo_fixtures::MakePhoto;
using photo_fixtures::Tags;
using photo_fixtures::TempFolder;
using photo_fixtures::Time;

std::vector<std::string> Names(const Catalogue& catalogue) {
    std::vector<std::string> names;
    for (std::int32_t p = 0; p < catalogue.Count(); ++p) names.push_back(catalogue.At(p)->fileName);
    return names;
}

const PhotoRecord* Find(const Catalogue& catalogue, const std::string& name) {
    for (std::int32_t p = 0; p < catalogue.Count(); ++p)
        if (catalogue.At(p)->fileName == name) return catalogue.At(p);
    return nullptr;
}

std::uint64_t SizeOf(const std::string& path) {
    return static_cast<std::uint64_t>(testing_support::StatOf(path).st_size);
}

class Scan : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { InitializeMetadata(); }
    TempFolder dir;
    Harness h;
};

TEST_F(Scan, TakesPhotoFilesOnlyAndNeverEntersDotFoldersOrLinks) {
    using photo_fixtures::MakeFolders;
    ASSERT_TRUE(MakeFolders(dir / "root/sub/deeper") && MakeFolders(dir / "root/.thumbnails"));
    for (const char* name : {"root/IMG_0001.JPG", "root/notes.jpg.txt", "root/sub/Mixed.Case.Png",
                             "root/sub/deeper/b.jpeg", "root/.thumbnails/t.jpg"})
        ASSERT_TRUE(MakePhoto(dir / name));
    ASSERT_TRUE(testing_support::WriteBytes(dir / "root/photo.tif", "tiff"));
    ASSERT_EQ(::symlink((dir / "root/sub").c_str(), (dir / "root/link_to_sub").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "root").c_str(), (dir / "root/sub/loop").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "root/IMG_0001.JPG").c_str(), (dir / "root/linked.jpg").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "root/pipe.jpg").c_str(), 0644), 0);

    std::int64_t total = ScanFolder(h.state, dir / "root", false);

    std::vector<std::string> names = Names(h.state.catalogue);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"IMG_0001.JPG", "Mixed.Case.Png", "b.jpeg"}));
    std::uint64_t expected = SizeOf(dir / "root/IMG_0001.JPG") +
                             SizeOf(dir / "root/sub/Mixed.Case.Png") +
                             SizeOf(dir / "root/sub/deeper/b.jpeg");
    EXPECT_EQ(static_cast<std::uint64_t>(total), expected);
    EXPECT_EQ(h.state.folderCounter, 3);  // root, sub, deeper: no dot folder, no link
    EXPECT_EQ(Find(h.state.catalogue, "IMG_0001.JPG")->folderSerial, 0);
    EXPECT_EQ(Find(h.state.catalogue, "IMG_0001.JPG")->folderPath(), dir / "root");
    EXPECT_EQ(Find(h.state.catalogue, "b.jpeg")->FullPath(), dir / "root/sub/deeper/b.jpeg");
}

TEST_F(Scan, RecordsCarryTheListingAndThePhotoTime) {
    photo_fixtures::ScopedTimeZone zone("UTC0");
    Tags dated;
    dated.dateTaken = "2015:06:30 23:59:59";
    Tags yearZero;
    yearZero.dateTaken = "0000:00:00 00:00:00";
    Tags dashes;
    dashes.dateTaken = "2015-06-30 23:59:59";
    const long long mtime = 1593606896;  // 2020-07-01 12:34:56 UTC
    ASSERT_TRUE(MakePhoto(dir / "dated.jpg", dated, mtime));
    ASSERT_TRUE(MakePhoto(dir / "zero.jpg", yearZero, mtime));
    ASSERT_TRUE(MakePhoto(dir / "dashes.jpg", dashes, mtime));
    ASSERT_TRUE(photo_fixtures::WritePng(dir / "image.png"));
    ASSERT_TRUE(photo_fixtures::WriteTags(dir / "image.png", dated));
    photo_fixtures::SetWriteTime(dir / "image.png", mtime);
    ASSERT_EQ(::chmod((dir / "zero.jpg").c_str(), 0444), 0);

    ScanFolder(h.state, dir.Path(), false);
    ASSERT_EQ(h.state.catalogue.Count(), 4);

    const PhotoRecord* r = Find(h.state.catalogue, "dated.jpg");
    EXPECT_EQ(r->dateTakenText, "2015:06:30 23:59:59");
    EXPECT_EQ(r->photoTime, Time(2015, 6, 30, 23, 59, 59));
    EXPECT_EQ(r->fileSize, SizeOf(dir / "dated.jpg"));
    EXPECT_EQ(r->lastWriteTime, (mtime + 11644473600LL) * 10000000LL);
    EXPECT_EQ(r->attributes & kAttributeReadOnly, 0u);
    EXPECT_EQ(r->state, PhotoState::Present);
    for (const char* name : {"zero.jpg", "dashes.jpg", "image.png"}) {
        const PhotoRecord* fallback = Find(h.state.catalogue, name);
        EXPECT_EQ(fallback->dateTakenText, "") << name;
        EXPECT_EQ(fallback->photoTime, Time(2020, 7, 1, 12, 34, 56)) << name;
    }
    EXPECT_EQ(Find(h.state.catalogue, "zero.jpg")->attributes & kAttributeReadOnly,
              kAttributeReadOnly);
}

TEST_F(Scan, ReportsProgressEvery25PhotosAndStopsOnRequest) {
    for (int i = 0; i < 60; ++i)
        ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / ("p" + std::to_string(i) + ".jpg")));
    h.state.scanFolder = dir.Path();
    ScanFolder(h.state, dir.Path(), false);
    std::vector<std::string> statuses = h.Statuses();
    std::string prefix = "Loaded and analyzed ";
    std::string suffix = " images in " + dir.Path() + ".  Please wait...";
    EXPECT_EQ(statuses, (std::vector<std::string>{prefix + "25" + suffix, prefix + "50" + suffix}));

    Harness stopped;
    stopped.services.SetStatusSink([&](const std::string&) { stopped.state.loader.RequestStop(); });
    stopped.state.scanFolder = dir.Path();
    ScanFolder(stopped.state, dir.Path(), false);
    EXPECT_EQ(stopped.state.catalogue.Count(), 25);
    EXPECT_EQ(ScanFolder(stopped.state, dir.Path(), false), 0);
}

TEST(Growth, CatalogueAndUndeleteStackGrowPastTheOldLimitWhileAReaderReads) {
    constexpr std::int32_t kPhotos = 250000;
    Catalogue catalogue;
    std::atomic<bool> done{false};
    std::atomic<long> wrong{0};
    std::thread reader([&] {
        std::mt19937 random(1);
        while (!done) {
            const std::int32_t count = catalogue.Count();
            if (count == 0) continue;
            const std::int32_t p = static_cast<std::int32_t>(random() % count);
            const PhotoRecord* record = catalogue.At(p);
            if (!record || record->folderSerial != p) ++wrong;
        }
    });
    for (std::int32_t i = 0; i < kPhotos; ++i) {
        auto record = std::make_unique<PhotoRecord>();
        record->folderSerial = i;
        ASSERT_TRUE(catalogue.Append(std::move(record)));
    }
    done = true;
    reader.join();
    EXPECT_EQ(wrong, 0);
    ASSERT_EQ(catalogue.Count(), kPhotos);
    for (std::int32_t p : {0, 1023, 1024, 3071, 3072, 100000, kPhotos - 1})
        EXPECT_EQ(catalogue.At(p)->folderSerial, p);
    EXPECT_EQ(catalogue.At(kPhotos), nullptr);
    catalogue.Clear();
    EXPECT_EQ(catalogue.At(0), nullptr);
    ASSERT_TRUE(catalogue.Append(std::make_unique<PhotoRecord>()));
    EXPECT_EQ(catalogue.Count(), 1);

    UndeleteStack stack;
    for (std::int32_t i = 0; i < kPhotos; ++i) ASSERT_TRUE(stack.Push(i));
    EXPECT_EQ(stack.Top(), kPhotos - 1);
    EXPECT_EQ(stack.Entry(kPhotos), -1);
}

TEST_F(Scan, ACatalogueAtItsLimitIgnoresFurtherPhotos) {
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / ("p" + std::to_string(i) + ".jpg")));
    Harness small(5);
    small.settings.setPhotoFolder(dir.Path());
    LoadingThreadBody(small.state);
    EXPECT_EQ(small.state.catalogue.Count(), 5);
    // The size of the photo that found the table full still counts.
    std::string total = SizeText(static_cast<std::int64_t>(6 * SizeOf(dir / "p0.jpg")));
    EXPECT_TRUE(small.SawStatus("Loaded and analyzed 5 images in " + dir.Path() +
                                " with total size of " + total));
    EXPECT_TRUE(small.view.warnings.empty());
}

TEST_F(Scan, FoldersThatCannotBeListedContributeNothing) {
    ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / "file.jpg"));
    EXPECT_EQ(ScanFolder(h.state, dir / "missing", false), 0);
    EXPECT_EQ(ScanFolder(h.state, dir / "file.jpg", false), 0);
    EXPECT_EQ(ScanFolder(h.state, dir.Path(), true), 0);  // a link is never entered
    EXPECT_EQ(h.state.catalogue.Count(), 0);
}

TEST_F(Scan, EarlyFirstPairAppearsWhenAFolderLeavesThreePhotos) {
    Tags late, early;
    late.dateTaken = "2020:01:01 00:00:00";
    early.dateTaken = "2010:01:01 00:00:00";
    ASSERT_TRUE(photo_fixtures::MakeFolders(dir / "a") && photo_fixtures::MakeFolders(dir / "b"));
    ASSERT_TRUE(MakePhoto(dir / "a/1.jpg", late) && MakePhoto(dir / "a/2.jpg", late));
    ASSERT_TRUE(MakePhoto(dir / "b/3.jpg", early));
    h.settings.setPhotoFolder(dir.Path());

    LoadingThreadBody(h.state);

    ASSERT_EQ(h.view.draws.size(), 2u);
    EXPECT_EQ(h.view.countAtDraw[0], 3);
    EXPECT_EQ(h.view.draws[0].left, 0);
    EXPECT_EQ(h.view.draws[0].right, 1);
    EXPECT_FALSE(h.view.draws[0].record);
    EXPECT_TRUE(h.view.draws[1].record);
    EXPECT_EQ(h.state.catalogue.At(0)->fileName, "3.jpg");  // sorted afterwards
    EXPECT_FALSE(h.state.firstPairPending);
    EXPECT_EQ(h.settings.startPosition(), Time(2010, 1, 1));

    // Never again in the same run.
    h.view.draws.clear();
    StartLoading(h.state);
    h.state.loader.Join();
    ASSERT_EQ(h.view.draws.size(), 2u);  // the clearing and the final pair
    EXPECT_TRUE(h.view.draws[1].record);
}

TEST_F(Scan, LoadingThreadStartsAtTheStoredPositionAndEnablesControls) {
    photo_fixtures::ScopedTimeZone zone("UTC0");
    int n = 0;
    for (const char* date : {"2015:07:01 00:00:00", "2015:06:30 23:59:59", "2014:01:01 00:00:00",
                             "2016:08:31 23:59:59"}) {
        Tags tags;
        tags.dateTaken = date;
        ASSERT_TRUE(MakePhoto(dir / ("p" + std::to_string(n++) + ".jpg"), tags));
    }
    h.settings.setPhotoFolder(dir.Path());
    h.settings.setStartPosition(Time(2015, 6, 30, 23, 59, 59));
    h.state.firstPairPending = false;

    LoadingThreadBody(h.state);

    EXPECT_EQ(h.view.cullingControls, (std::vector<bool>{false, true}));
    EXPECT_EQ(h.state.leftIndex, 1);
    EXPECT_EQ(h.state.rightIndex, 2);
    ASSERT_EQ(h.view.draws.size(), 1u);
    EXPECT_TRUE(h.view.draws[0].record);
    EXPECT_FALSE(h.state.loader.Busy());
    EXPECT_TRUE(h.state.catalogueReady);
    EXPECT_TRUE(h.SawStatus("Loading and analyzing images in " + dir.Path()));
}

TEST_F(Scan, AStoppedLoadKeepsTheStoredStartPosition) {
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / ("p" + std::to_string(i) + ".jpg")));
    h.settings.setPhotoFolder(dir.Path());
    h.settings.setStartPosition(Time(2090, 1, 1));
    h.state.firstPairPending = false;
    // The window closes while the scan runs: stop at the first progress text.
    h.services.SetStatusSink([&](const std::string& text) {
        if (text.find("Please wait") != std::string::npos) h.state.loader.RequestStop();
    });

    LoadingThreadBody(h.state);

    EXPECT_EQ(h.state.catalogue.Count(), 25);
    EXPECT_EQ(h.settings.startPosition(), Time(2090, 1, 1));
    EXPECT_TRUE(h.view.draws.empty());
    EXPECT_FALSE(h.state.loader.Busy());
}

// Records whether the loader still counted as busy when it last called the view.
class BusyWatchingView : public photo_fixtures::RecordingView {
  public:
    explicit BusyWatchingView(PictavoState& watched) : state(watched) {}
    void EnableCullingControls(bool enabled) override {
        busyAtCall.push_back(state.loader.Busy());
        RecordingView::EnableCullingControls(enabled);
    }
    void DrawPair(std::int32_t left, std::int32_t right, bool record) override {
        busyAtCall.push_back(state.loader.Busy());
        RecordingView::DrawPair(left, right, record);
    }
    PictavoState& state;
    std::vector<bool> busyAtCall;
};

TEST_F(Scan, TheLoaderCallsTheViewOnlyWhileItCountsAsBusy) {
    // A waiter joins the loader once busy clears; a later call into a view that
    // waits for that waiter's thread would never return.
    ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / "a.jpg"));
    BusyWatchingView view(h.state);
    h.state.SetView(&view);
    h.settings.setPhotoFolder(dir.Path());
    LoadingThreadBody(h.state);
    h.state.SetView(&h.view);
    ASSERT_EQ(view.cullingControls, (std::vector<bool>{false, true}));
    EXPECT_EQ(view.busyAtCall, std::vector<bool>(view.busyAtCall.size(), true));
    EXPECT_FALSE(h.state.loader.Busy());
}

TEST_F(Scan, AFolderWithoutPhotosWarnsAndAsksForAnotherFolder) {
    ASSERT_TRUE(testing_support::WriteBytes(dir / "readme.txt", "text"));
    h.settings.setPhotoFolder(dir.Path());
    LoadingThreadBody(h.state);
    EXPECT_EQ(h.view.warnings,
              (std::vector<std::string>{
                  "The directory (" + dir.Path() +
                  ") does not contain any photos. Please select a different directory."}));
    EXPECT_EQ(h.view.configurationCommands, 1);
    EXPECT_TRUE(h.state.reloadPending);
    EXPECT_TRUE(h.SawStatus("Loaded and analyzed 0 images in " + dir.Path() +
                            " with total size of 0 Bytes"));
    ASSERT_EQ(h.view.draws.size(), 1u);
    EXPECT_EQ(h.view.draws[0].left, -1);
    EXPECT_EQ(h.view.draws[0].right, -1);

    ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / "now.jpg"));
    LoadingThreadBody(h.state);
    EXPECT_FALSE(h.state.reloadPending);
}

// A view whose no-photos box stays open until the waiting start-loading has pumped a few times.
class BlockingView : public photo_fixtures::RecordingView {
  public:
    void WarnNoPhotos(const std::string& text) override {
        std::unique_lock<std::mutex> lock(mutex);
        ++boxes;
        changed.notify_all();
        changed.wait(lock, [&] { return dismissed; });
        RecordingView::WarnNoPhotos(text);
    }
    void PumpEvents(int milliseconds) override {
        RecordingView::PumpEvents(milliseconds / 10);
        std::lock_guard<std::mutex> lock(mutex);
        if (pumps >= 3) dismissed = true;
        changed.notify_all();
    }
    std::mutex mutex;
    std::condition_variable changed;
    int boxes = 0;
    bool dismissed = false;
};

TEST_F(Scan, StartLoadingWaitsForTheRunningLoaderWithoutLimit) {
    BlockingView view;
    h.state.SetView(&view);
    h.settings.setPhotoFolder(dir.Path());
    StartLoading(h.state);
    {
        std::unique_lock<std::mutex> lock(view.mutex);
        view.changed.wait(lock, [&] { return view.boxes == 1; });
    }
    ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / "found.jpg"));
    StartLoading(h.state);  // returns only once the first loader has ended
    EXPECT_GE(view.pumps, 3);
    EXPECT_TRUE(h.SawStatus("Waiting for search to stop"));
    EXPECT_EQ(view.warnings.size(), 1u);
    h.state.loader.Join();
    EXPECT_EQ(h.state.catalogue.Count(), 1);
    EXPECT_FALSE(h.state.reloadPending);
}

TEST_F(Scan, NoLoadStartsOnceTheWindowHasStoppedLoading) {
    ASSERT_TRUE(photo_fixtures::WriteJpeg(dir / "a.jpg"));
    h.settings.setPhotoFolder(dir.Path());
    StopLoading(h.state);  // the window closes
    h.view.draws.clear();
    StartLoading(h.state);  // e.g. a reload that was waiting for the old scan
    EXPECT_FALSE(h.state.loader.Busy());
    EXPECT_TRUE(h.view.draws.empty());
    EXPECT_EQ(h.state.catalogue.Count(), 0);
}

TEST_F(Scan, ClearCatalogueEmptiesRecordsPairAndUndeleteStack) {
    photo_fixtures::AddRecord(h.state.catalogue, Time(2000, 1, 1));
    h.state.leftIndex = 5;
    h.state.rightIndex = -1;
    h.state.undeleteStack.Push(0);
    ClearCatalogue(h.state);
    EXPECT_EQ(h.state.catalogue.Count(), 0);
    EXPECT_EQ(h.state.catalogue.At(0), nullptr);
    EXPECT_EQ(h.state.leftIndex, 0);
    EXPECT_EQ(h.state.rightIndex, 0);
    EXPECT_TRUE(h.state.undeleteStack.Empty());
    EXPECT_EQ(h.state.undeleteStack.Entry(0), -1);
    EXPECT_EQ(h.view.undeleteEnabled, std::vector<bool>{false});
    ASSERT_EQ(h.view.draws.size(), 1u);
    EXPECT_FALSE(h.view.draws[0].record);
}

// The order the in-place selection sort produces, written out plainly.
std::vector<int> NaiveOrder(std::vector<std::pair<PhotoTime, int>> items, std::size_t steps) {
    for (std::size_t k = 0; k + 1 < items.size() && k < steps; ++k) {
        std::size_t smallest = k;
        for (std::size_t j = k + 1; j < items.size(); ++j)
            if (EarlierPhotoTime(items[j].first, items[smallest].first)) smallest = j;
        std::swap(items[k], items[smallest]);
    }
    std::vector<int> ids;
    for (const auto& item : items) ids.push_back(item.second);
    return ids;
}

TEST(Sort, MatchesTheSelectionSortAmongEqualTimesAndStopsBetweenPositions) {
    std::mt19937 random(7);
    std::vector<std::pair<PhotoTime, int>> items;
    for (int i = 0; i < 700; ++i) {
        // Few distinct times, differing in single fields, so ties are common.
        PhotoTime t =
            Time(2000 + static_cast<int>(random() % 3), 1 + static_cast<int>(random() % 2), 1, 0, 0,
                 static_cast<int>(random() % 2));
        items.push_back({t, i});
    }
    for (std::size_t stopAfter :
         {std::size_t{700}, std::size_t{0}, std::size_t{1}, std::size_t{350}}) {
        Catalogue catalogue;
        for (const auto& [time, id] : items)
            photo_fixtures::AddRecord(catalogue, time, std::to_string(id));
        std::size_t asked = 0;
        bool finished = catalogue.Sort([&] { return asked++ < stopAfter; });
        EXPECT_EQ(finished, stopAfter >= 699);
        std::vector<int> ids;
        for (const std::string& name : Names(catalogue)) ids.push_back(std::stoi(name));
        EXPECT_EQ(ids, NaiveOrder(items, stopAfter)) << stopAfter;
    }
}

TEST(Sort, ComparesEachFieldAsUnsignedYearFirst) {
    EXPECT_TRUE(EarlierPhotoTime(Time(1999, 12, 31, 23, 59, 59), Time(2000, 1, 1)));
    EXPECT_TRUE(EarlierPhotoTime(Time(2000, 1, 1, 0, 0, 1), Time(2000, 1, 1, 0, 1, 0)));
    EXPECT_FALSE(EarlierPhotoTime(Time(2000, 1, 1), Time(2000, 1, 1)));
    EXPECT_TRUE(EarlierPhotoTime(Time(2000, 1, 1), Time(2000, 0xFFFF, 1)));
}

TEST(SizeText, SwitchesUnitsAtTheBinaryBoundaries) {
    EXPECT_EQ(SizeText(-5), "-5 Bytes");
    EXPECT_EQ(SizeText(0), "0 Bytes");
    EXPECT_EQ(SizeText(1023), "1023 Bytes");
    EXPECT_EQ(SizeText(1024), "1.0 KB");
    EXPECT_EQ(SizeText(1536), "1.5 KB");
    EXPECT_EQ(SizeText(1048575), "1024.0 KB");
    EXPECT_EQ(SizeText(1048576), "1.0 MB");
    EXPECT_EQ(SizeText(1073741823), "1024.0 MB");
    EXPECT_EQ(SizeText(1073741824), "1.0 GB");
    EXPECT_EQ(SizeText(5LL << 30), "5.0 GB");
}

}  // namespace
}  // namespace pictavo
