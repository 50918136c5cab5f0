// Cairnly's 3,204-byte ScanSettings record and its file.
#include "cairnly/settings/scan_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "platform/files.h"
#include "tests/platform/test_files.h"
#include "tests/shared/record_bytes.h"
#include "tests/shared/temp_home.h"

namespace {

using namespace testing_support;
using cairnly::ScanSettings;

struct CairnlySettingsFile : ::testing::Test {
    TempHome home;
    int level = 1;
    shared::DesktopServices services{"Cairnly", [this] { return level; }};
    cairnly::ScanSettingsStore store{services};
    std::string FilePath() const {
        return home.Path() + "/Documents/Quillfen/Cairnly/Cairnly.kvcfg";
    }
};

TEST(ScanSettingsDefaults, AreTheTableByteForByte) {
    ScanSettings s;
    std::memset(s.Data(), 0xCD, ScanSettings::kSize);
    s.SetDefaults();
    std::string b = RecordBytes(s);
    EXPECT_EQ(Utf16At(b, 0, 16), u"Cairnly");
    EXPECT_TRUE(ZeroRange(b, 14, 32));
    EXPECT_EQ(I32At(b, 32), 1);
    EXPECT_EQ(I32At(b, 36), 0);
    EXPECT_EQ(I32At(b, 40), 1003);
    EXPECT_TRUE(ZeroRange(b, 44, 48));
    EXPECT_EQ(static_cast<std::uint32_t>(I32At(b, 48)), 0x80000000u);
    EXPECT_EQ(I32At(b, 52), 0);
    EXPECT_EQ(Utf16At(b, 56, 560), u"/");  // stands in for "C:\"
    EXPECT_TRUE(ZeroRange(b, 58, 1176));
    EXPECT_EQ(F32At(b, 1176), 1.0f);
    EXPECT_EQ(b[1180], 1);
    EXPECT_TRUE(ZeroRange(b, 1181, 1184));
    EXPECT_EQ(I32At(b, 1184), 0);
    EXPECT_EQ(b[1188], 1);  // deletions compare the bytes of a copy first
    EXPECT_TRUE(ZeroRange(b, 1189, 1192));
    EXPECT_EQ(I32At(b, 1192), 8);
    EXPECT_EQ(F32At(b, 1196), 100.0f);
    EXPECT_EQ(I32At(b, 1200), 1);
    EXPECT_TRUE(ZeroRange(b, 1204, 3204));

    EXPECT_EQ(s.RootFolder(), "/");
    EXPECT_EQ(s.WindowLeft(), ScanSettings::kDefaultWindowLeft);
    EXPECT_TRUE(s.SkipSystemFolders());
    EXPECT_TRUE(s.DeepCheckBeforeDelete());
    EXPECT_EQ(s.LogLevel(), 1);
}

TEST(ScanSettingsDefaults, AccessorsWriteTheirOffsets) {
    ScanSettings s;
    s.Zero();
    s.SetWindowLeft(-5);
    s.SetWindowTop(7);
    s.SetRootFolder("/data");
    s.SetMinFileSizeMB(2.5f);
    s.SetSkipSystemFolders(true);
    s.SetDuplicateMode(2);
    s.SetDeepCheckBeforeDelete(true);
    s.SetMinPartialDuplicates(3);
    s.SetMinFolderSizeMB(0.5f);
    s.SetLogLevel(2);
    std::string b = RecordBytes(s);
    EXPECT_EQ(I32At(b, 48), -5);
    EXPECT_EQ(I32At(b, 52), 7);
    EXPECT_EQ(Utf16At(b, 56, 560), u"/data");
    EXPECT_EQ(F32At(b, 1176), 2.5f);
    EXPECT_EQ(b[1180], 1);
    EXPECT_EQ(I32At(b, 1184), 2);
    EXPECT_EQ(b[1188], 1);
    EXPECT_EQ(I32At(b, 1192), 3);
    EXPECT_EQ(F32At(b, 1196), 0.5f);
    EXPECT_EQ(I32At(b, 1200), 2);
    EXPECT_TRUE(ZeroRange(b, 1181, 1184));
    EXPECT_TRUE(ZeroRange(b, 1189, 1192));
}

TEST(ScanSettingsPhotoMode, SetsTheFixedValuesWithoutZeroingOrTouchingTheFolder) {
    ScanSettings s;
    std::memset(s.Data(), 0x11, ScanSettings::kSize);
    s.SetRootFolder("/home/u/Photos");
    s.SetPhotoModeValues();
    std::string b = RecordBytes(s);
    EXPECT_EQ(Utf16At(b, 0, 16), u"Cairnly");
    EXPECT_EQ(I32At(b, 32), 1);
    EXPECT_EQ(I32At(b, 36), 0);
    EXPECT_EQ(I32At(b, 40), 1003);
    EXPECT_EQ(b[44], 0);
    EXPECT_EQ(static_cast<std::uint32_t>(I32At(b, 48)), 0x80000000u);
    EXPECT_EQ(I32At(b, 52), 0);
    EXPECT_EQ(s.RootFolder(), "/home/u/Photos");
    EXPECT_EQ(F32At(b, 1176), 0.0f);
    EXPECT_EQ(b[1180], 0);
    EXPECT_EQ(I32At(b, 1184), 1);
    EXPECT_EQ(b[1188], 1);
    EXPECT_EQ(I32At(b, 1192), 8);
    EXPECT_EQ(F32At(b, 1196), 10.0f);
    EXPECT_EQ(I32At(b, 1200), 0);
    // Not zeroed: padding and the reserved tail keep what they held.
    EXPECT_EQ(b[45], 0x11);
    EXPECT_EQ(b[1181], 0x11);
    EXPECT_EQ(b[3203], 0x11);
    // An empty folder (none accepted after /P) stays empty.
    ScanSettings empty;
    empty.Zero();
    empty.SetPhotoModeValues();
    EXPECT_EQ(empty.RootFolder(), "");
}

TEST(ScanSettingsWindow, PositionRangeCheckHasTheExactBounds) {
    struct Case {
        std::int32_t left, top;
        bool kept;
    };
    const Case cases[] = {
        {4000, 0, true},
        {4001, 0, false},
        {-2000, 0, true},
        {-2001, 0, false},
        {0, 4000, true},
        {0, 4001, false},
        {0, -2000, true},
        {0, -2001, false},
        {123, -45, true},
        {ScanSettings::kDefaultWindowLeft, 0, false},  // the default itself is "outside"
        {INT32_MAX, 0, false},
        {INT32_MIN + 1, 0, false},
    };
    for (const Case& c : cases) {
        ScanSettings s;
        s.SetDefaults();
        s.SetWindowLeft(c.left);
        s.SetWindowTop(c.top);
        std::string before = RecordBytes(s);
        s.CheckWindowPosition();
        if (c.kept) {
            EXPECT_EQ(RecordBytes(s), before) << c.left << "," << c.top;
        } else {
            EXPECT_EQ(s.WindowLeft(), ScanSettings::kDefaultWindowLeft) << c.left << "," << c.top;
            EXPECT_EQ(s.WindowTop(), 0);
            // Nothing else changes.
            std::string after = RecordBytes(s);
            EXPECT_EQ(after.substr(0, 48), before.substr(0, 48));
            EXPECT_EQ(after.substr(56), before.substr(56));
        }
    }
}

TEST_F(CairnlySettingsFile, MissingFileFailsAndFirstRunSavesTheDefaults) {
    ScanSettings s;
    EXPECT_FALSE(store.Load(s));
    s.SetDefaults();
    EXPECT_TRUE(store.Save(s));
    EXPECT_EQ(ReadBytes(FilePath()), RecordBytes(s));
    EXPECT_EQ(store.FilePath(), FilePath());
}

TEST_F(CairnlySettingsFile, RoundTripIsByteExactIncludingReservedBytesAndOldTails) {
    std::mt19937 random(8);
    ScanSettings s;
    for (std::size_t i = 0; i < ScanSettings::kSize; ++i)
        s.Data()[i] = static_cast<std::uint8_t>(random());
    s.SetRootFolder(std::string(300, 'R'));
    s.SetRootFolder("/srv");
    ASSERT_TRUE(store.Save(s));
    ScanSettings back;
    ASSERT_TRUE(store.Load(back));
    EXPECT_EQ(back, s);
    EXPECT_EQ(back.RootFolder(), "/srv");
    EXPECT_EQ(back.U16(56 + 2 * 5), 'R');
}

TEST_F(CairnlySettingsFile, ShortLongZeroAndGarbageFiles) {
    services.DataFolder();
    ScanSettings s;
    ASSERT_TRUE(WriteBytes(FilePath(), std::string(3203, '\x02')));
    EXPECT_FALSE(store.Load(s));
    ASSERT_TRUE(WriteBytes(FilePath(), std::string(10000, '\x03')));
    ASSERT_TRUE(store.Load(s));
    EXPECT_EQ(RecordBytes(s), std::string(3204, '\x03'));
    ASSERT_TRUE(store.Save(s));
    EXPECT_EQ(ReadBytes(FilePath()).size(), 3204u);
    ASSERT_TRUE(WriteBytes(FilePath(), std::string(3204, '\0')));
    ASSERT_TRUE(store.Load(s));
    EXPECT_EQ(s.RootFolder(), "");
    EXPECT_EQ(s.LogLevel(), 0);
    std::mt19937 random(77);
    for (int round = 0; round < 50; ++round) {
        std::string garbage(3204, '\0');
        for (char& c : garbage) c = static_cast<char>(random());
        ASSERT_TRUE(WriteBytes(FilePath(), garbage));
        ASSERT_TRUE(store.Load(s));
        EXPECT_EQ(RecordBytes(s), garbage);  // used unchanged; only the window position is checked
        EXPECT_LE(platform::Utf16Length(s.RootFolder()), 560u);
    }
}

TEST_F(CairnlySettingsFile, RootFolderWithoutTerminatorIsReadToTheFieldEnd) {
    ScanSettings s;
    s.Zero();
    for (std::size_t i = 0; i < 560; ++i) s.SetU16(56 + 2 * i, 'r');
    s.SetF32(1176, 1.0f);  // bytes 00 00 80 3F right behind the field
    EXPECT_EQ(s.RootFolder(), std::string(560, 'r'));
}

TEST_F(CairnlySettingsFile, LevelTwoSaveLogsSaveConfiguration) {
    ScanSettings s;
    s.SetDefaults();
    s.SetLogLevel(2);
    level = 2;
    services.SetClock([] { return platform::CalendarFields{2026, 1, 2, 3, 4, 5, 0, 0}; });
    services.CreateLogFolder();
    ASSERT_TRUE(store.Save(s));
    EXPECT_EQ(ReadBytes(home.Path() + "/Documents/Quillfen/Cairnly/Logs/Cairnly_2026-01-02.txt"),
              "03:04:05: Save configuration 0\n");
}

TEST_F(CairnlySettingsFile, PhotoModeValuesAreWhatASaveWrites) {
    ScanSettings s;
    s.Zero();
    s.SetRootFolder("/home/u/Photos");
    s.SetPhotoModeValues();
    ASSERT_TRUE(store.Save(s));
    ScanSettings back;
    ASSERT_TRUE(store.Load(back));
    EXPECT_EQ(back, s);
    EXPECT_EQ(back.LogLevel(), 0);
    EXPECT_EQ(back.DuplicateMode(), 1);
}

}  // namespace
