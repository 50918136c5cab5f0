// Pictavo's 5,472-byte settings record and its file.
#include "pictavo/settings/settings_record.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "platform/files.h"
#include "tests/platform/test_files.h"
#include "tests/shared/record_bytes.h"
#include "tests/shared/temp_home.h"

namespace {

using namespace testing_support;
using pictavo::SettingsRecord;

struct PictavoSettingsFile : ::testing::Test {
    TempHome home;
    int level = 1;
    shared::DesktopServices services{"Pictavo", [this] { return level; }};
    pictavo::SettingsStore store{services};
    std::string FilePath() const {
        return home.Path() + "/Documents/Quillfen/Pictavo/Pictavo.kvcfg";
    }
};

TEST_F(PictavoSettingsFile, DefaultsAreTheTableByteForByte) {
    std::filesystem::create_directories(home.Pictures());
    SettingsRecord r;
    std::memset(r.Data(), 0xAB, SettingsRecord::kSize);  // defaults zero everything first
    store.SetDefaults(r);
    std::string b = RecordBytes(r);
    EXPECT_EQ(Utf16At(b, 0, 16), u"Pictavo");
    EXPECT_TRUE(ZeroRange(b, 14, 32));
    EXPECT_EQ(I32At(b, 32), 1);
    EXPECT_EQ(I32At(b, 36), 1);
    EXPECT_EQ(I32At(b, 40), 1001);
    EXPECT_TRUE(ZeroRange(b, 44, 48));
    EXPECT_EQ(static_cast<std::uint32_t>(I32At(b, 48)), 0x80000000u);
    EXPECT_EQ(I32At(b, 52), 0);
    const std::string picturesPath = home.Pictures();
    std::u16string pictures(picturesPath.begin(), picturesPath.end());
    EXPECT_EQ(Utf16At(b, 56, 560), pictures);
    EXPECT_TRUE(ZeroRange(b, 56 + 2 * pictures.size(), 1176));
    EXPECT_TRUE(ZeroRange(b, 1176, 2296));
    EXPECT_EQ(F32At(b, 2296), 1.0f);
    EXPECT_EQ(b[2300], 1);
    EXPECT_TRUE(ZeroRange(b, 2301, 2312));
    EXPECT_EQ(I32At(b, 2312), 8);
    EXPECT_EQ(F32At(b, 2316), 100.0f);
    EXPECT_EQ(I32At(b, 2320), 1);
    EXPECT_TRUE(ZeroRange(b, 2324, 3460));  // start position, 2,336 and the export folder
    EXPECT_EQ(I32At(b, 3460), 0);
    EXPECT_EQ(I32At(b, 3464), 0);
    EXPECT_EQ(b[3468], 1);
    EXPECT_EQ(b[3469], 0);
    EXPECT_TRUE(ZeroRange(b, 3470, 5472));

    EXPECT_EQ(r.photoFolder(), home.Pictures());
    EXPECT_EQ(r.logLevel(), 1);
    EXPECT_EQ(r.startPosition(), pictavo::PhotoTime{});
    EXPECT_EQ(r.exportFolder(), "");
    EXPECT_TRUE(r.setFileDates());
    EXPECT_FALSE(r.deleteOriginals());
}

TEST_F(PictavoSettingsFile, AccessorsWriteTheirOffsets) {
    SettingsRecord r;
    r.Zero();
    r.setPhotoFolder("/p");
    r.setExportFolder("/e");
    r.setLogLevel(2);
    r.setStartPosition({30, 20, 10, 4, 7, 2015});
    r.setExportSelection(1);
    r.setExportLayout(2);
    r.setSetFileDates(true);
    r.setDeleteOriginals(true);
    std::string b = RecordBytes(r);
    EXPECT_EQ(Utf16At(b, 56, 560), u"/p");
    EXPECT_EQ(Utf16At(b, 2340, 560), u"/e");
    EXPECT_EQ(I32At(b, 2320), 2);
    const std::uint16_t expected[6] = {30, 20, 10, 4, 7, 2015};  // second .. year
    EXPECT_EQ(std::memcmp(b.data() + 2324, expected, 12), 0);
    EXPECT_EQ(I32At(b, 3460), 1);
    EXPECT_EQ(I32At(b, 3464), 2);
    EXPECT_EQ(b[3468], 1);
    EXPECT_EQ(b[3469], 1);
    EXPECT_TRUE(ZeroRange(b, 2336, 2340));
    EXPECT_EQ(r.startPosition(), (pictavo::PhotoTime{30, 20, 10, 4, 7, 2015}));
}

TEST_F(PictavoSettingsFile, MissingFileFailsAndFirstRunCreatesTheFolderAndFile) {
    SettingsRecord r;
    EXPECT_FALSE(store.Load(r));
    store.SetDefaults(r);
    EXPECT_TRUE(store.Save(r));
    EXPECT_TRUE(std::filesystem::is_directory(home.Path() + "/Documents/Quillfen/Pictavo"));
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(r));
    EXPECT_EQ(r.photoFolder(), "/");  // no Pictures folder: the root stands in for C:\ .
}

TEST_F(PictavoSettingsFile, SavedAndLoadedRecordsAreIdenticalIncludingReservedFieldsAndOldTails) {
    std::mt19937 random(1);
    SettingsRecord r;
    for (std::size_t i = 0; i < SettingsRecord::kSize; ++i)
        r.Data()[i] = static_cast<std::uint8_t>(random());
    r.setPhotoFolder(std::string(400, 'L'));
    r.setPhotoFolder("/short");  // old tail stays behind the terminator
    ASSERT_TRUE(store.Save(r));
    std::string file = ReadBytes(FilePath());
    EXPECT_EQ(file, RecordBytes(r));
    EXPECT_EQ(Utf16At(file, 56 + 2 * 7, 10), u"LLLLLLLLLL");
    SettingsRecord back;
    ASSERT_TRUE(store.Load(back));
    EXPECT_EQ(back, r);
    EXPECT_EQ(back.photoFolder(), "/short");
    ASSERT_TRUE(store.Save(back));
    EXPECT_EQ(ReadBytes(FilePath()), file);
}

TEST_F(PictavoSettingsFile, ShortFilesFailLongFilesAreReadToTheRecordAndCutAtTheNextSave) {
    services.DataFolder();
    ASSERT_TRUE(WriteBytes(FilePath(), std::string(5471, '\x01')));
    SettingsRecord r;
    EXPECT_FALSE(store.Load(r));
    EXPECT_TRUE(WriteBytes(FilePath(), ""));
    EXPECT_FALSE(store.Load(r));

    std::string longFile(6000, '\0');
    for (std::size_t i = 0; i < longFile.size(); ++i) longFile[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(WriteBytes(FilePath(), longFile));
    ASSERT_TRUE(store.Load(r));
    EXPECT_EQ(RecordBytes(r), longFile.substr(0, 5472));
    ASSERT_TRUE(store.Save(r));
    EXPECT_EQ(ReadBytes(FilePath()), longFile.substr(0, 5472));
}

TEST_F(PictavoSettingsFile, AllZeroAndGarbageFilesAreTakenUnchecked) {
    services.DataFolder();
    ASSERT_TRUE(WriteBytes(FilePath(), std::string(5472, '\0')));
    SettingsRecord r;
    ASSERT_TRUE(store.Load(r));
    EXPECT_EQ(r.photoFolder(), "");
    EXPECT_EQ(r.logLevel(), 0);
    EXPECT_EQ(r.startPosition().year, 0);

    std::mt19937 random(42);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(5472 + round, '\0');
        for (char& c : garbage) c = static_cast<char>(random());
        ASSERT_TRUE(WriteBytes(FilePath(), garbage));
        ASSERT_TRUE(store.Load(r));
        EXPECT_EQ(RecordBytes(r), garbage.substr(0, 5472));
        // Reading the text fields never goes past them, whatever they hold.
        EXPECT_LE(platform::Utf16Length(r.photoFolder()), 560u);
        EXPECT_LE(platform::Utf16Length(r.exportFolder()), 560u);
    }
}

TEST_F(PictavoSettingsFile, ATextFieldWithoutTerminatorIsReadToItsEndOnly) {
    SettingsRecord r;
    r.Zero();
    for (std::size_t i = 0; i < 560; ++i) r.SetU16(56 + 2 * i, 'a');
    r.SetU16(1176, 'X');  // the first unit after the field
    for (std::size_t i = 0; i < 560; ++i) r.SetU16(2340 + 2 * i, 'b');
    r.SetU16(3460, 'Y');
    EXPECT_EQ(r.photoFolder(), std::string(560, 'a'));
    EXPECT_EQ(r.exportFolder(), std::string(560, 'b'));
}

TEST_F(PictavoSettingsFile, WritingALongerTextCutsItTo559UnitsAndATerminator) {
    SettingsRecord r;
    r.Zero();
    r.SetU16(1176, 0x5555);
    r.setPhotoFolder(std::string(700, 'z'));
    EXPECT_EQ(r.photoFolder(), std::string(559, 'z'));
    EXPECT_EQ(r.U16(56 + 2 * 559), 0);
    EXPECT_EQ(r.U16(1176), 0x5555);
}

TEST_F(PictavoSettingsFile, PathsThatAreNotUtf8SurviveTheFile) {
    SettingsRecord r;
    store.SetDefaults(r);
    std::string folder = home.Path() + "/Fotos \xE9t\xE9";
    r.setPhotoFolder(folder);
    r.setExportFolder("/mnt/\xFF");
    ASSERT_TRUE(store.Save(r));
    SettingsRecord back;
    ASSERT_TRUE(store.Load(back));
    EXPECT_EQ(back.photoFolder(), folder);
    EXPECT_EQ(back.exportFolder(), "/mnt/\xFF");
}

TEST_F(PictavoSettingsFile, AFailedSaveLeavesTheOldFile) {
    SettingsRecord old;
    store.SetDefaults(old);
    ASSERT_TRUE(store.Save(old));
    SettingsRecord changed = old;
    changed.setPhotoFolder("/changed");
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Write ? 112 : 0;
    });
    EXPECT_FALSE(store.Save(changed));
    platform::SetFaultHook({});
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(old));
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(home.Path() + "/Documents/Quillfen/Pictavo"),
                  std::filesystem::directory_iterator()),
              1);
}

TEST_F(PictavoSettingsFile, AShortWriteIsDetectedAndLeavesTheOldFile) {
    SettingsRecord old;
    store.SetDefaults(old);
    ASSERT_TRUE(store.Save(old));
    SettingsRecord changed = old;
    changed.setPhotoFolder("/changed");
    // Files may grow to 4,096 bytes only: the write of 5,472 bytes stops short.
    struct rlimit previous;
    ::getrlimit(RLIMIT_FSIZE, &previous);
    struct rlimit small = previous;
    small.rlim_cur = 4096;
    auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved = store.Save(changed);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(old));
    EXPECT_EQ(std::distance(
                  std::filesystem::directory_iterator(home.Path() + "/Documents/Quillfen/Pictavo"),
                  std::filesystem::directory_iterator()),
              1);  // no temporary left
    EXPECT_TRUE(store.Save(changed));
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(changed));
}

TEST_F(PictavoSettingsFile, ASaveThatCannotCreateTheFileFailsQuietly) {
    services.DataFolder();
    std::filesystem::create_directory(FilePath());  // a folder where the file should be
    SettingsRecord r;
    store.SetDefaults(r);
    EXPECT_FALSE(store.Save(r));
    EXPECT_TRUE(std::filesystem::is_directory(FilePath()));
}

TEST_F(PictavoSettingsFile, AFifoOrDeviceIsReadAsMissingAndNeverReplaced) {
    services.DataFolder();
    ASSERT_EQ(::mkfifo(FilePath().c_str(), 0600), 0);
    SettingsRecord r;
    bool loaded = true, saved = true;
    EXPECT_TRUE(ReturnsWithoutWaitingOnFifo(FilePath(), [&] { loaded = store.Load(r); }));
    EXPECT_FALSE(loaded);
    store.SetDefaults(r);
    EXPECT_TRUE(ReturnsWithoutWaitingOnFifo(FilePath(), [&] { saved = store.Save(r); }));
    EXPECT_FALSE(saved);
    EXPECT_TRUE(S_ISFIFO(StatOf(FilePath()).st_mode));
    ::unlink(FilePath().c_str());
    ASSERT_EQ(::symlink("/dev/zero", FilePath().c_str()), 0);
    EXPECT_FALSE(store.Load(r));  // endless zeros are no settings file
    EXPECT_FALSE(store.Save(r));
    EXPECT_TRUE(S_ISLNK(StatOf(FilePath()).st_mode));
}

TEST_F(PictavoSettingsFile, ALinkedSettingsFileStaysALinkAndItsTargetIsSaved) {
    services.DataFolder();
    std::string target = home.Path() + "/dotfiles/Pictavo.kvcfg";
    std::filesystem::create_directories(home.Path() + "/dotfiles");
    SettingsRecord r;
    store.SetDefaults(r);
    ASSERT_EQ(::symlink(target.c_str(), FilePath().c_str()), 0);
    EXPECT_FALSE(store.Load(r));
    ASSERT_TRUE(WriteBytes(target, std::string(SettingsRecord::kSize, '\0'), 0600));
    r.setPhotoFolder("/linked");
    ASSERT_TRUE(store.Save(r));
    EXPECT_TRUE(S_ISLNK(StatOf(FilePath()).st_mode));
    EXPECT_EQ(ReadBytes(target), RecordBytes(r));
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0600u);
    SettingsRecord back;
    ASSERT_TRUE(store.Load(back));
    EXPECT_EQ(back.photoFolder(), "/linked");
}

TEST_F(PictavoSettingsFile, AReadOnlyFileIsNotReplacedAndAReplacedFileKeepsItsMode) {
    SettingsRecord r;
    store.SetDefaults(r);
    ASSERT_TRUE(store.Save(r));
    SettingsRecord changed = r;
    changed.setPhotoFolder("/elsewhere");
    ::chmod(FilePath().c_str(), 0444);
    EXPECT_FALSE(store.Save(changed));
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(r));
    ::chmod(FilePath().c_str(), 0600);
    EXPECT_TRUE(store.Save(changed));
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(changed));
    EXPECT_EQ(StatOf(FilePath()).st_mode & 07777, 0600u);
}

TEST_F(PictavoSettingsFile, LevelTwoSavesWriteSaveConfigurationToTheLog) {
    SettingsRecord r;
    store.SetDefaults(r);
    r.setLogLevel(2);
    level = 2;
    services.SetClock([] { return platform::CalendarFields{2026, 5, 6, 7, 8, 9, 0, 0}; });
    services.CreateLogFolder();
    ASSERT_TRUE(store.Save(r));
    ASSERT_TRUE(store.Save(r));
    std::string log =
        ReadBytes(home.Path() + "/Documents/Quillfen/Pictavo/Logs/Pictavo_2026-05-06.txt");
    EXPECT_EQ(log, "07:08:09: Save configuration 0\n07:08:09: Save configuration 0\n");
    r.setLogLevel(1);
    level = 1;
    ASSERT_TRUE(store.Save(r));
    EXPECT_EQ(ReadBytes(home.Path() + "/Documents/Quillfen/Pictavo/Logs/Pictavo_2026-05-06.txt"),
              log);
}

TEST_F(PictavoSettingsFile, DataFolderRecreatedBeforeASave) {
    SettingsRecord r;
    store.SetDefaults(r);
    ASSERT_TRUE(store.Save(r));
    std::filesystem::remove_all(home.Path() + "/Documents/Quillfen");
    EXPECT_TRUE(store.Save(r));
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(r));
}

// ------------------------------------------------------------------ default photo location

TEST(DefaultPhotoLocation, GoogleDrivePhotosBesidePicturesComesFirst) {
    TempHome home;
    std::filesystem::create_directories(home.Pictures());
    std::filesystem::create_directories(home.Path() + "/Google Drive/Google Photos");
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), home.Path() + "/Google Drive/Google Photos");
}

TEST(DefaultPhotoLocation, GoogleDriveIsTakenEvenWithoutPictures) {
    TempHome home;
    std::filesystem::create_directories(home.Path() + "/Google Drive/Google Photos");
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), home.Path() + "/Google Drive/Google Photos");
}

TEST(DefaultPhotoLocation, PicturesThenTheRoot) {
    TempHome home;
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), "/");
    std::filesystem::create_directories(home.Pictures());
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), home.Pictures());
    std::filesystem::create_directories(home.Path() + "/Google Drive");  // no Google Photos in it
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), home.Pictures());
}

TEST(DefaultPhotoLocation, FollowsTheXdgPicturesFolder) {
    TempHome home;
    std::filesystem::create_directories(home.Path() + "/.config");
    std::filesystem::create_directories(home.Path() + "/media/Bilder");
    std::filesystem::create_directories(home.Path() + "/media/Google Drive/Google Photos");
    WriteBytes(home.Path() + "/.config/user-dirs.dirs",
               "XDG_PICTURES_DIR=\"$HOME/media/Bilder\"\n");
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), home.Path() + "/media/Google Drive/Google Photos");
}

TEST(DefaultPhotoLocation, PathsTooLongForTheFieldAreSkipped) {
    TempHome home;
    std::string deep = home.Path();
    while (deep.size() < 540) deep += "/abcdefghijklmnopqrstuvwxyz";
    std::string pictures = deep.substr(0, 540);
    while (pictures.back() == '/') pictures.pop_back();
    std::filesystem::create_directories(pictures);
    std::string parent = pictures.substr(0, pictures.find_last_of('/'));
    std::filesystem::create_directories(parent + "/Google Drive/Google Photos");  // 567+ units
    std::filesystem::create_directories(home.Path() + "/.config");
    WriteBytes(home.Path() + "/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"" + pictures + "\"\n");
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), pictures);
    std::string tooLong = deep;
    while (tooLong.size() < 600) tooLong += "/abcdefghijklmnopqrstuvwxyz";
    std::filesystem::create_directories(tooLong);
    WriteBytes(home.Path() + "/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"" + tooLong + "\"\n");
    EXPECT_EQ(pictavo::DefaultPhotoLocation(), "/");
}

}  // namespace
