// The store of culled photos: cull, undelete, clash names, errors, emptying.
#include "pictavo/cull/photo_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "pictavo/catalogue/loading.h"
#include "pictavo/catalogue/navigation.h"
#include "pictavo/cull/photo_store_journal.h"
#include "platform/files.h"
#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/platform/scratch_mount.h"
#include "tests/platform/test_files.h"
#include "tests/shared/temp_home.h"

namespace pictavo {
namespace {

using photo_fixtures::Harness;
using photo_fixtures::TempFolder;
using photo_fixtures::Time;
using testing_support::Exists;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

class Store : public ::testing::Test {
  protected:
    explicit Store(std::int32_t undeleteCapacity = UndeleteStack::kUnlimited)
        : h(Catalogue::kUnlimited, undeleteCapacity) {}
    void SetUp() override { ASSERT_TRUE(CreateStoreFolder(h.state)); }
    void TearDown() override { platform::SetFaultHook(nullptr); }

    // A photo file with distinct content and its record.
    std::int32_t AddPhoto(const std::string& folder, const std::string& name) {
        photo_fixtures::MakeFolders(folder);
        WriteBytes(folder + "/" + name, "content of " + folder + "/" + name);
        photo_fixtures::AddRecord(h.state.catalogue, Time(2014, 1, h.state.catalogue.Count() + 1),
                                  name, folder);
        return h.state.catalogue.Count() - 1;
    }
    PhotoRecord& Record(std::int32_t p) { return *h.state.catalogue.At(p); }
    std::string InStore(const std::string& name) const { return h.state.storeFolder + name; }

    testing_support::TempHome home;
    TempFolder photos;
    Harness h;
};

TEST_F(Store, StoreFolderIsDeletesInTheDataFolder) {
    EXPECT_EQ(h.state.storeFolder, home.Documents() + "/Quillfen/Pictavo/Deletes/");
    EXPECT_TRUE(platform::FolderExists(h.state.storeFolder));
    EXPECT_TRUE(CreateStoreFolder(h.state));  // an existing folder is fine
}

TEST_F(Store, SameNameFromTwoFoldersGetsANumberedCopyAndComesBackUnderItsName) {
    std::int32_t a = AddPhoto(photos / "one", "beach.jpg");
    std::int32_t b = AddPhoto(photos / "two", "beach.jpg");
    ASSERT_TRUE(Cull(h.state, a));
    ASSERT_TRUE(Cull(h.state, b));
    EXPECT_EQ(Record(a).fileName, "beach.jpg");
    EXPECT_EQ(Record(b).fileName, "beach (Deleted copy 1).jpg");
    EXPECT_EQ(Record(b).state, PhotoState::Culled);
    EXPECT_EQ(ReadBytes(InStore("beach (Deleted copy 1).jpg")),
              "content of " + (photos / "two") + "/beach.jpg");
    EXPECT_FALSE(Exists(photos / "two/beach.jpg"));

    ASSERT_TRUE(Undelete(h.state));  // the last cull comes back first
    EXPECT_EQ(Record(b).fileName, "beach.jpg");
    EXPECT_EQ(Record(b).state, PhotoState::Present);
    EXPECT_EQ(ReadBytes(photos / "two/beach.jpg"), "content of " + (photos / "two") + "/beach.jpg");
    ASSERT_TRUE(Undelete(h.state));
    EXPECT_EQ(ReadBytes(photos / "one/beach.jpg"), "content of " + (photos / "one") + "/beach.jpg");
    EXPECT_FALSE(Undelete(h.state));
    EXPECT_EQ(h.view.undeleteEnabled, (std::vector<bool>{true, true, true, false}));
}

TEST_F(Store, ANameThatLooksLikeAStoreNameKeepsItThroughCullAndUndelete) {
    std::int32_t p = AddPhoto(photos.Path(), "beach (Deleted copy 3).jpg");
    std::int32_t q = AddPhoto(photos / "two", "beach (Deleted copy 3).jpg");
    ASSERT_TRUE(Cull(h.state, p));
    ASSERT_TRUE(Cull(h.state, q));  // clashes, so it is renamed in the store
    EXPECT_EQ(Record(q).fileName, "beach (Deleted copy 3) (Deleted copy 1).jpg");
    ASSERT_TRUE(Undelete(h.state));
    ASSERT_TRUE(Undelete(h.state));
    EXPECT_TRUE(Exists(photos / "beach (Deleted copy 3).jpg"));
    EXPECT_TRUE(Exists(photos / "two/beach (Deleted copy 3).jpg"));
    EXPECT_EQ(Record(p).fileName, "beach (Deleted copy 3).jpg");
    EXPECT_EQ(Record(q).fileName, "beach (Deleted copy 3).jpg");
}

TEST_F(Store, ClashNumbersStopAt998) {
    std::int32_t p = AddPhoto(photos.Path(), "x.jpg");
    WriteBytes(InStore("x.jpg"), "older");
    for (int i = 1; i <= 997; ++i)
        WriteBytes(InStore("x (Deleted copy " + std::to_string(i) + ").jpg"), "older");
    ASSERT_TRUE(Cull(h.state, p));
    EXPECT_EQ(Record(p).fileName, "x (Deleted copy 998).jpg");

    std::int32_t q = AddPhoto(photos / "again", "x.jpg");
    EXPECT_FALSE(Cull(h.state, q));
    EXPECT_EQ(h.services.LastStatus(), "Unable to move file to the deleted files folder: " +
                                           (photos / "again") + "/x.jpg (17)");
    EXPECT_EQ(Record(q).fileName, "x.jpg");
    EXPECT_EQ(Record(q).state, PhotoState::Present);
    EXPECT_TRUE(Exists(photos / "again/x.jpg"));
    EXPECT_EQ(ReadBytes(InStore("x (Deleted copy 998).jpg")),
              "content of " + photos.Path() + "/x.jpg");
    EXPECT_EQ(h.state.undeleteStack.Length(), 1);
}

TEST_F(Store, ANameWithoutADotThatClashesCannotBeCulled) {
    std::int32_t p = AddPhoto(photos.Path(), "README");
    WriteBytes(InStore("README"), "other");
    EXPECT_FALSE(Cull(h.state, p));
    EXPECT_EQ(h.services.LastStatus(),
              "Unable to move file to the deleted files folder: " + photos.Path() + "/README (17)");
    EXPECT_EQ(ReadBytes(InStore("README")), "other");
}

TEST_F(Store, FailedMovesReportTheErrorNumber) {
    std::int32_t p = AddPhoto(photos.Path(), "held.jpg");
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Move ? 13 : 0;
    });
    EXPECT_FALSE(Cull(h.state, p));
    EXPECT_EQ(h.services.LastStatus(), "Unable to move file to the deleted files folder: " +
                                           photos.Path() + "/held.jpg (Error accessing file)");
    platform::SetFaultHook(nullptr);

    std::int32_t gone = AddPhoto(photos.Path(), "gone.jpg");
    ASSERT_EQ(::unlink((photos / "gone.jpg").c_str()), 0);
    EXPECT_FALSE(Cull(h.state, gone));
    EXPECT_EQ(h.services.LastStatus(), "Unable to move file to the deleted files folder: " +
                                           photos.Path() + "/gone.jpg (2)");
    EXPECT_FALSE(Cull(h.state, -1));
    EXPECT_FALSE(Cull(h.state, h.state.catalogue.Count()));
    EXPECT_TRUE(h.state.undeleteStack.Empty());
}

TEST_F(Store, UndeleteFailsWhenTheOriginalPlaceIsTakenAgain) {
    std::int32_t p = AddPhoto(photos.Path(), "beach.jpg");
    ASSERT_TRUE(Cull(h.state, p));
    WriteBytes(photos / "beach.jpg", "a new file");
    EXPECT_FALSE(Undelete(h.state));
    EXPECT_EQ(h.services.LastStatus(), "Unable to move file from the deleted files folder: " +
                                           InStore("beach.jpg") + " (17)");
    EXPECT_EQ(ReadBytes(photos / "beach.jpg"), "a new file");
    EXPECT_TRUE(Exists(InStore("beach.jpg")));
    EXPECT_EQ(Record(p).state, PhotoState::Culled);
    EXPECT_EQ(h.state.undeleteStack.Length(), 1);
}

TEST_F(Store, UndeleteLeavesTheStackAloneWhenItsTopIsNotCulled) {
    std::int32_t p = AddPhoto(photos.Path(), "a.jpg");
    h.state.undeleteStack.Push(p);
    EXPECT_FALSE(Undelete(h.state));
    EXPECT_EQ(h.state.undeleteStack.Length(), 1);
}

TEST_F(Store, AMoveKeepsTheFileTimesAlsoAcrossFileSystems) {
    std::int32_t p = AddPhoto(photos.Path(), "old.jpg");
    photo_fixtures::SetWriteTime(photos / "old.jpg", 1000000000);
    ASSERT_TRUE(Cull(h.state, p));
    EXPECT_EQ(testing_support::StatOf(InStore("old.jpg")).st_mtime, 1000000000);

    photo_fixtures::MakeFolders(photos / "other");
    testing_support::ScratchMount mount(photos / "other", 1 << 20);
    if (!mount.Mounted()) return;  // no second file system here; the same-device case ran
    std::int32_t q = AddPhoto(photos / "other", "far.jpg");
    photo_fixtures::SetWriteTime(photos / "other/far.jpg", 1100000000);
    ASSERT_TRUE(Cull(h.state, q));
    EXPECT_EQ(testing_support::StatOf(InStore("far.jpg")).st_mtime, 1100000000);
    ASSERT_TRUE(Undelete(h.state));
    EXPECT_EQ(testing_support::StatOf(photos / "other/far.jpg").st_mtime, 1100000000);
}

TEST_F(Store, CommandsMoveAndRedrawThePair) {
    std::int32_t a = AddPhoto(photos.Path(), "a.jpg");
    AddPhoto(photos.Path(), "b.jpg");
    AddPhoto(photos.Path(), "c.jpg");
    h.state.leftIndex = a;
    h.state.rightIndex = 1;
    ASSERT_TRUE(CullLeftAndShow(h.state));
    EXPECT_EQ(h.state.leftIndex, 1);
    EXPECT_EQ(h.state.rightIndex, 2);
    ASSERT_TRUE(CullRightAndShow(h.state));
    EXPECT_EQ(h.state.rightIndex, -1);
    h.state.leftIndex = -1;
    EXPECT_FALSE(CullLeftAndShow(h.state));  // an empty left pane: nothing to cull

    ASSERT_TRUE(UndeleteAndShow(h.state));  // c comes back, the last photo: right pane
    EXPECT_EQ(h.state.leftIndex, 1);
    EXPECT_EQ(h.state.rightIndex, 2);
    ASSERT_TRUE(UndeleteAndShow(h.state));  // a comes back on the left
    EXPECT_EQ(h.state.leftIndex, 0);
    EXPECT_EQ(h.state.rightIndex, 1);
    ASSERT_EQ(h.view.draws.size(), 4u);
    EXPECT_TRUE(h.view.draws.back().record);
    EXPECT_EQ(h.settings.startPosition(), Record(0).photoTime);
}

TEST_F(Store, EmptyingDeletesFilesKeepsFoldersAndEmptiesTheStack) {
    std::int32_t a = AddPhoto(photos.Path(), "a.jpg");
    AddPhoto(photos.Path(), "b.jpg");
    ASSERT_TRUE(Cull(h.state, a));
    WriteBytes(InStore("a (Rotated copy).jpg"), "backup");
    photo_fixtures::MakeFolders(InStore("sub"));
    EXPECT_EQ(CountStoreFiles(h.state.storeFolder), 2);

    StoreEmptying result = DeleteStoreFiles(h.state);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(CountStoreFiles(h.state.storeFolder), 0);
    EXPECT_TRUE(platform::FolderExists(InStore("sub")));
    EXPECT_TRUE(h.state.undeleteStack.Empty());
    EXPECT_FALSE(h.view.undeleteEnabled.back());
    EXPECT_EQ(Record(a).state, PhotoState::Culled);
    h.state.leftIndex = 0;
    SettlePair(h.state);
    EXPECT_EQ(h.state.leftIndex, 1);  // still hidden from navigation
}

TEST_F(Store, EmptyingCountsFilesThatCannotBeDeleted) {
    WriteBytes(InStore("stuck.jpg"), "x");
    WriteBytes(InStore("loose.jpg"), "y");
    std::int32_t a = AddPhoto(photos.Path(), "a.jpg");
    ASSERT_TRUE(Cull(h.state, a));
    platform::SetFaultHook([](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::Delete && path.find("stuck") != std::string::npos ? 13 : 0;
    });
    StoreEmptying result = DeleteStoreFiles(h.state);
    EXPECT_EQ(result.deleted, 2);
    EXPECT_EQ(result.failed, 1);
    EXPECT_TRUE(h.state.undeleteStack.Empty());

    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Delete ? 13 : 0;
    });
    std::size_t states = h.view.undeleteEnabled.size();
    result = DeleteStoreFiles(h.state);
    EXPECT_EQ(result.deleted, 0);
    EXPECT_EQ(result.failed, 1);
    EXPECT_EQ(h.view.undeleteEnabled.size(), states);  // nothing deleted: stack left alone
}

// The program as it starts again: a new state over the same data folder.
struct Restart {
    explicit Restart(const std::string& photoFolder) {
        h.settings.setPhotoFolder(photoFolder);
        EXPECT_TRUE(CreateStoreFolder(h.state));
        LoadingThreadBody(h.state);
    }
    const PhotoRecord* Named(const std::string& name) const {
        for (std::int32_t p = 0; p < h.state.catalogue.Count(); ++p)
            if (h.state.catalogue.At(p)->fileName == name) return h.state.catalogue.At(p);
        return nullptr;
    }
    Harness h;
};

TEST_F(Store, UndeleteWorksAfterARestartLastCullFirst) {
    const std::string odd = "line\none\ttab %41 \xff.jpg";
    std::int32_t a = AddPhoto(photos / "one", "beach.jpg");
    std::int32_t b = AddPhoto(photos / "two", "beach.jpg");
    std::int32_t c = AddPhoto(photos / "two", odd);
    AddPhoto(photos.Path(), "kept.jpg");
    for (std::int32_t p : {a, c, b}) ASSERT_TRUE(Cull(h.state, p));
    ASSERT_TRUE(Undelete(h.state));  // b is back and no longer in the journal
    ASSERT_TRUE(Cull(h.state, b));
    ASSERT_TRUE(Exists(InStore("beach (Deleted copy 1).jpg")));

    Restart again(photos.Path());
    PictavoState& state = again.h.state;
    EXPECT_EQ(state.catalogue.Count(), 4);
    const std::vector<std::string> statuses = again.h.Statuses();
    EXPECT_NE(std::find_if(statuses.begin(), statuses.end(),
                           [&](const std::string& text) {
                               return text.starts_with("Loaded and analyzed 1 images in " +
                                                       photos.Path() + " with total size");
                           }),
              statuses.end());
    ASSERT_EQ(state.undeleteStack.Length(), 3);
    EXPECT_EQ(again.h.view.undeleteEnabled, std::vector<bool>{true});
    const PhotoRecord* renamed = again.Named("beach (Deleted copy 1).jpg");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->state, PhotoState::Culled);
    EXPECT_EQ(renamed->folderPath(), photos / "two");
    EXPECT_EQ(state.catalogue.At(state.undeleteStack.Top()), renamed);
    SettlePair(state);
    EXPECT_EQ(state.catalogue.At(state.leftIndex)->fileName, "kept.jpg");  // culled stay hidden

    ASSERT_TRUE(UndeleteAndShow(state));
    EXPECT_EQ(ReadBytes(photos / "two/beach.jpg"), "content of " + (photos / "two") + "/beach.jpg");
    EXPECT_EQ(renamed->fileName, "beach.jpg");
    EXPECT_TRUE(state.catalogue.At(state.leftIndex) == renamed ||
                state.catalogue.At(state.rightIndex) == renamed);
    ASSERT_TRUE(Undelete(state));
    EXPECT_EQ(ReadBytes(photos / "two" + "/" + odd), "content of " + (photos / "two") + "/" + odd);
    ASSERT_TRUE(Undelete(state));
    EXPECT_TRUE(Exists(photos / "one/beach.jpg"));
    EXPECT_FALSE(Undelete(state));
    EXPECT_TRUE(state.storeJournal.Entries().empty());
    EXPECT_EQ(Restart(photos.Path()).h.state.undeleteStack.Length(), 0);
}

TEST_F(Store, ARestartSurvivesADamagedJournalAndAStoreEmptiedFromOutside) {
    std::int32_t a = AddPhoto(photos / "one", "a.jpg");
    std::int32_t b = AddPhoto(photos / "one", "b.jpg");
    TempFolder elsewhere;
    std::int32_t c = AddPhoto(elsewhere.Path(), "c.jpg");
    for (std::int32_t p : {a, b, c}) ASSERT_TRUE(Cull(h.state, p));
    const std::string journal = StoreJournalPath(h.services.DataFolder());
    std::string text = ReadBytes(journal);
    // Damage the line of a.jpg, add noise and a line cut short by a crash.
    std::size_t line = text.find("a.jpg");
    ASSERT_NE(line, std::string::npos);
    text[line] = 'x';
    WriteBytes(journal, "garbage\n\n" + text + "cull\tz.jpg\t/tmp\tz.jpg\t0000");

    Restart damaged(photos / "one");
    EXPECT_EQ(damaged.h.state.undeleteStack.Length(), 1);  // b only; c is from another folder
    EXPECT_EQ(damaged.Named("a.jpg"), nullptr);
    ASSERT_NE(damaged.Named("b.jpg"), nullptr);
    EXPECT_EQ(damaged.h.state.storeJournal.Entries().size(), 2u);  // c is kept for its folder

    ASSERT_EQ(platform::DeleteFile(InStore("b.jpg")), 0);  // emptied by hand
    Restart emptied(photos.Path());
    EXPECT_TRUE(emptied.h.state.undeleteStack.Empty());
    ASSERT_EQ(emptied.h.state.storeJournal.Entries().size(), 1u);
    EXPECT_EQ(emptied.h.state.storeJournal.Entries()[0].name, "c.jpg");
    EXPECT_EQ(ReadBytes(journal).find("b.jpg"), std::string::npos);  // pruned on disk too

    ASSERT_EQ(platform::DeleteFile(journal), 0);
    EXPECT_TRUE(Restart(photos.Path()).h.state.undeleteStack.Empty());
    DeleteStoreFiles(h.state);
    EXPECT_TRUE(h.state.storeJournal.Entries().empty());
}

TEST(StoreJournalText, RoundTripsAnyNameAndSkipsWhatIsDamaged) {
    std::vector<StoredCull> entries = {
        {"a.jpg", "/photos", "a.jpg"},
        {"b (Deleted copy 1).jpg", "/p/new\nline", "b.jpg"},
        {"%41\t\r\n\x7f\x01\xfe.jpg", "/%/\xff", "%41\t\r\n\x7f\x01\xfe.jpg"},
    };
    const std::string text = JournalText(entries);
    EXPECT_EQ(ParseJournal(text), entries);
    EXPECT_EQ(ParseJournal(text + text), entries);  // a store name is listed once, last wins
    EXPECT_EQ(ParseJournal(text.substr(0, text.size() - 1)),
              std::vector<StoredCull>(entries.begin(), entries.begin() + 2));
    for (std::size_t i = text.find("\ncull") + 1; i < text.size(); ++i) {
        std::string damaged = text;
        damaged[i] = static_cast<char>(damaged[i] ^ 0x04);
        std::vector<StoredCull> read = ParseJournal(damaged);
        EXPECT_LE(read.size(), entries.size());
        for (const StoredCull& e : read)
            EXPECT_NE(std::find(entries.begin(), entries.end(), e), entries.end()) << i;
    }
    // Lines with a bad field (a '/' in a name, a relative folder) are not trusted.
    EXPECT_TRUE(ParseJournal(JournalText({{"a/b.jpg", "/p", "a.jpg"}})).empty());
    EXPECT_TRUE(ParseJournal(JournalText({{"a.jpg", "p", "a.jpg"}})).empty());
}

class SmallStore : public Store {
  protected:
    SmallStore() : Store(3) {}
};

TEST_F(SmallStore, AFullUndeleteStackStillCullsButCannotUndoIt) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
        ASSERT_TRUE(Cull(h.state, AddPhoto(photos.Path(), name)));
    EXPECT_EQ(h.state.undeleteStack.Length(), 3);
    EXPECT_EQ(Record(3).state, PhotoState::Culled);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Undelete(h.state));
    EXPECT_FALSE(Undelete(h.state));
    EXPECT_EQ(Record(0).state, PhotoState::Present);
    EXPECT_EQ(Record(3).state, PhotoState::Culled);
    EXPECT_EQ(h.state.undeleteStack.Entry(0), -1);
}

TEST(ErrorStatus, AccessDeniedGetsWordsOtherNumbersAreShown) {
    Harness h;
    ReportFileError(h.services, "Unable to do it: /a", 13);
    EXPECT_EQ(h.services.LastStatus(), "Unable to do it: /a (Error accessing file)");
    ReportFileError(h.services, "Unable to do it: /a%d", 2);
    EXPECT_EQ(h.services.LastStatus(), "Unable to do it: /a%d (2)");
}

}  // namespace
}  // namespace pictavo
