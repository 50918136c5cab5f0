// the data folder, the status line and the activity log.
#include "shared/desktop_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "tests/platform/test_files.h"
#include "tests/shared/temp_home.h"

namespace {

using namespace testing_support;

struct Services {
    TempHome home;
    std::atomic<int> level{1};
    platform::CalendarFields now{2026, 12, 7, 23, 59, 58, 0, 1};
    shared::DesktopServices services{"Cairnly", [this] { return level.load(); }};
    Services() {
        services.SetClock([this] { return now; });
    }
    std::string DataFolder() const { return home.Path() + "/Documents/Quillfen/Cairnly"; }
    std::string LogFile(const char* date) const {
        return DataFolder() + "/Logs/Cairnly_" + std::string(date) + ".txt";
    }
};

// ------------------------------------------------------------------ data folder

TEST(DataFolder, CreatesBothLevelsAndReturnsThePathWithoutTrailingSlash) {
    Services s;
    EXPECT_FALSE(Exists(s.home.Path() + "/Documents"));
    EXPECT_EQ(s.services.DataFolder(), s.DataFolder());
    EXPECT_TRUE(std::filesystem::is_directory(s.DataFolder()));
    shared::DesktopServices pictavo("Pictavo", [] { return 0; });
    EXPECT_EQ(pictavo.DataFolder(), s.home.Path() + "/Documents/Quillfen/Pictavo");
    EXPECT_EQ(pictavo.ProgramWord(), "Pictavo");
}

TEST(DataFolder, IsCreatedAgainWhenDeletedWhileRunning) {
    Services s;
    s.services.DataFolder();
    std::filesystem::remove_all(s.home.Path() + "/Documents/Quillfen");
    EXPECT_EQ(s.services.DataFolder(), s.DataFolder());
    EXPECT_TRUE(std::filesystem::is_directory(s.DataFolder()));
    // A log entry also brings the two levels back (though not Logs, so it is lost).
    std::filesystem::remove_all(s.home.Path() + "/Documents/Quillfen");
    s.services.WriteLog("lost", shared::kNotable);
    EXPECT_TRUE(std::filesystem::is_directory(s.DataFolder()));
    EXPECT_FALSE(Exists(s.DataFolder() + "/Logs"));
}

TEST(DataFolder, TheDocumentsPathIsAskedOnceAndKept) {
    Services s;
    std::string first = s.services.DataFolder();
    TempHome other;  // HOME changes under the running program
    EXPECT_EQ(s.services.DataFolder(), first);
}

TEST(DataFolder, FollowsTheXdgDocumentsFolderAndCreatesItsChain) {
    TempHome home;
    std::filesystem::create_directories(home.Path() + "/.config");
    WriteBytes(home.Path() + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/a/b/Docs\"\n");
    shared::DesktopServices services("Pictavo", [] { return 1; });
    EXPECT_EQ(services.DataFolder(), home.Path() + "/a/b/Docs/Quillfen/Pictavo");
    EXPECT_TRUE(std::filesystem::is_directory(services.DataFolder()));
}

TEST(DataFolder, FailuresAreIgnoredAndTheProgramCarriesOn) {
    Services s;
    // A file where the Quillfen folder should be.
    std::filesystem::create_directories(s.home.Path() + "/Documents");
    ASSERT_TRUE(WriteBytes(s.home.Path() + "/Documents/Quillfen", "not a folder"));
    EXPECT_EQ(s.services.DataFolder(), s.DataFolder());
    s.services.CreateLogFolder();
    s.services.WriteLog("nowhere to go", shared::kNotable);
    s.services.SetStatus("still fine");
    EXPECT_EQ(s.services.LastStatus(), "still fine");
    EXPECT_EQ(ReadBytes(s.home.Path() + "/Documents/Quillfen"), "not a folder");
}

// ------------------------------------------------------------------ log folder

TEST(CreateLogFolder, OnlyAtLevelsOneAndTwo) {
    for (int level : {-1, 0, 3, 1, 2}) {
        Services s;
        s.level = level;
        s.services.CreateLogFolder();
        EXPECT_EQ(std::filesystem::is_directory(s.DataFolder() + "/Logs"), level == 1 || level == 2)
            << level;
        s.services.CreateLogFolder();  // an existing folder is not an error
        EXPECT_EQ(s.services.LogFolder(), s.DataFolder() + "/Logs");
    }
}

// ------------------------------------------------------------------ WriteLog

TEST(WriteLog, LevelZeroAndOtherLevelsWriteNothing) {
    for (int level : {0, 3, -1, 100}) {
        Services s;
        s.level = 1;
        s.services.CreateLogFolder();
        s.level = level;
        s.services.WriteLog("x", shared::kNotable);
        s.services.WriteLog("y", shared::kDetail);
        EXPECT_FALSE(Exists(s.LogFile("2026-12-07"))) << level;
    }
}

TEST(WriteLog, LevelOneWritesNotableEntriesOnly) {
    Services s;
    s.services.CreateLogFolder();
    s.now = {2026, 3, 9, 7, 5, 3, 0, 1};
    s.services.WriteLog("Deleted: /data/big.iso (delete selected large files)", shared::kNotable);
    s.services.WriteLog("Save configuration", shared::kDetail);
    s.services.WriteLog("kind 3", 3);
    s.services.WriteLog("kind 0", 0);
    EXPECT_EQ(ReadBytes(s.LogFile("2026-03-09")),
              "07:05:03: Deleted: /data/big.iso (delete selected large files)\n");
}

TEST(WriteLog, KindTwoAtLevelOneCreatesTheFileAndWritesNothing) {
    Services s;
    s.services.CreateLogFolder();
    s.services.WriteLog("Save configuration", shared::kDetail);
    EXPECT_TRUE(Exists(s.LogFile("2026-12-07")));
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")), "");
    s.services.WriteLog("Save configuration", 7);  // other kinds do not even open it
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")), "");
}

TEST(WriteLog, LevelTwoWritesBothKindsEndingInBlankZero) {
    Services s;
    s.level = 2;
    s.services.CreateLogFolder();
    s.now.hour = 9;
    s.now.minute = 0;
    s.now.second = 1;
    s.services.WriteLog("CopyFile error: /a to /b error [80]", shared::kNotable);
    s.services.WriteLog("Save configuration", shared::kDetail);
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")),
              "09:00:01: CopyFile error: /a to /b error [80] 0\n"
              "09:00:01: Save configuration 0\n");
}

TEST(WriteLog, PercentSignsAndPlaceholdersAreWrittenLiterally) {
    Services s;
    s.services.CreateLogFolder();
    s.services.WriteLog("Deleted: /p/100% %s %d %n %I64d.jpg", shared::kNotable);
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")),
              "23:59:58: Deleted: /p/100% %s %d %n %I64d.jpg\n");
}

TEST(WriteLog, NamesThatAreNotUtf8AreWrittenAsTheirBytes) {
    Services s;
    s.services.CreateLogFolder();
    std::string name = "Deleted: /p/caf\xE9.jpg";
    s.services.WriteLog(name, shared::kNotable);
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")), "23:59:58: " + name + "\n");
}

TEST(WriteLog, ALineHoldsAtMost1024UnitsWithItsTerminator) {
    for (int level : {1, 2}) {
        Services s;
        s.level = level;
        s.services.CreateLogFolder();
        s.services.WriteLog(std::string(5000, 'x'), shared::kNotable);
        s.services.WriteLog("next", shared::kNotable);
        std::string log = ReadBytes(s.LogFile("2026-12-07"));
        std::string first = log.substr(0, log.find('\n') + 1);
        EXPECT_EQ(first.size(), 1023u) << level;  // 1,023 characters and the terminator
        EXPECT_EQ(first.substr(0, 10), "23:59:58: ");
        EXPECT_EQ(first.substr(first.size() - (level == 2 ? 4 : 2)), level == 2 ? "x 0\n" : "x\n");
        EXPECT_EQ(log.substr(first.size()), level == 2 ? "23:59:58: next 0\n" : "23:59:58: next\n");
    }
    // A text that just fits is kept whole: 10 + 1012 + 1 = 1,023 at level 1.
    std::string fits(1012, 'y');
    EXPECT_EQ(shared::DesktopServices::ComposeLogLine({2026, 1, 1, 1, 2, 3, 0, 0}, fits, 1),
              "01:02:03: " + fits + "\n");
    EXPECT_EQ(shared::DesktopServices::ComposeLogLine({2026, 1, 1, 1, 2, 3, 0, 0}, fits + "z", 1),
              "01:02:03: " + fits + "\n");
    // A name with a line end in it cannot start a line of its own.
    EXPECT_EQ(
        shared::DesktopServices::ComposeLogLine(
            {2026, 1, 1, 1, 2, 3, 0, 0}, "Deleted: /a/x\n01:02:03: Deleted: /b\t\r\x1b\x7f", 1),
        "01:02:03: Deleted: /a/x\\n01:02:03: Deleted: /b\\t\\r\\x1b\\x7f\n");
}

TEST(WriteLog, TheLimitCountsUtf16UnitsAndKeepsWholeCharacters) {
    std::string camera = "\xF0\x9F\x93\xB7";  // two UTF-16 units, four bytes
    std::string text;
    for (int i = 0; i < 600; ++i) text += camera;
    std::string line =
        shared::DesktopServices::ComposeLogLine({2026, 1, 1, 0, 0, 0, 0, 0}, text, 2);
    // 10 + 2*505 + 2 + 1 = 1,023 units.
    EXPECT_EQ(platform::Utf16Length(line), 1023u);
    EXPECT_TRUE(platform::IsValidUtf8(line));
    EXPECT_EQ(line.substr(line.size() - 3), " 0\n");
}

TEST(WriteLog, EntriesOnEitherSideOfMidnightGoToTwoFiles) {
    Services s;
    s.services.CreateLogFolder();
    s.now = {2026, 12, 31, 23, 59, 59, 999, 4};
    s.services.WriteLog("before", shared::kNotable);
    s.now = {2027, 1, 1, 0, 0, 0, 0, 5};
    s.services.WriteLog("after", shared::kNotable);
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-31")), "23:59:59: before\n");
    EXPECT_EQ(ReadBytes(s.LogFile("2027-01-01")), "00:00:00: after\n");
    EXPECT_EQ(s.services.LogFilePath({2027, 1, 1, 0, 0, 0, 0, 5}), s.LogFile("2027-01-01"));
}

TEST(WriteLog, AMissingLogsFolderLosesTheEntrySilently) {
    Services s;
    s.services.WriteLog("lost", shared::kNotable);
    EXPECT_FALSE(Exists(s.DataFolder() + "/Logs"));
    // Nothing else was created in the data folder either.
    EXPECT_TRUE(std::filesystem::is_empty(s.DataFolder()));
}

TEST(WriteLog, AReadOnlyLogsFolderOrSomethingElseInTheWayLosesTheEntry) {
    Services s;
    s.services.CreateLogFolder();
    ::chmod((s.DataFolder() + "/Logs").c_str(), 0555);
    ::chmod(s.LogFile("2026-12-07").c_str(), 0444);  // no file yet: no effect
    s.services.WriteLog("maybe", shared::kNotable);  // root may still write; nothing may crash
    ::chmod((s.DataFolder() + "/Logs").c_str(), 0755);
    // A file where the Logs folder should be: the entry is lost, the file untouched.
    std::filesystem::remove_all(s.DataFolder() + "/Logs");
    ASSERT_TRUE(WriteBytes(s.DataFolder() + "/Logs", "in the way"));
    s.services.WriteLog("lost", shared::kNotable);
    s.services.CreateLogFolder();
    EXPECT_EQ(ReadBytes(s.DataFolder() + "/Logs"), "in the way");
    // A FIFO where the day's file belongs is neither waited on nor written into.
    std::filesystem::remove(s.DataFolder() + "/Logs");
    s.services.CreateLogFolder();
    ASSERT_EQ(::mkfifo(s.LogFile("2026-12-07").c_str(), 0600), 0);
    EXPECT_TRUE(ReturnsWithoutWaitingOnFifo(
        s.LogFile("2026-12-07"), [&] { s.services.WriteLog("lost", shared::kNotable); }));
}

TEST(WriteLog, LinesFromManyThreadsNeverInterleave) {
    Services s;
    s.level = 2;
    s.services.CreateLogFolder();
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&s, t] {
            for (int i = 0; i < 200; ++i)
                s.services.WriteLog(std::string(300, static_cast<char>('a' + t)), shared::kNotable);
        });
    for (std::thread& t : threads) t.join();
    std::string log = ReadBytes(s.LogFile("2026-12-07"));
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < log.size(); ++lines) {
        std::size_t end = log.find('\n', pos);
        ASSERT_NE(end, std::string::npos);
        std::string line = log.substr(pos, end - pos);
        ASSERT_EQ(line.size(), 10u + 300u + 2u);
        ASSERT_EQ(line.substr(10, 300), std::string(300, line[10]));
        pos = end + 1;
    }
    EXPECT_EQ(lines, 1600u);
}

// ------------------------------------------------------------------ SetStatus

TEST(SetStatus, GoesToTheSinkAndAtLevelTwoToTheLog) {
    Services s;
    s.services.CreateLogFolder();
    std::vector<std::string> shown;
    s.services.SetStatusSink([&](const std::string& text) { shown.push_back(text); });
    s.services.SetStatus("Loading 50% done");
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")), "<missing>");  // level 1: never logged
    s.level = 2;
    s.services.SetStatus("Loading 100% done");
    s.services.SetStatus("");
    EXPECT_EQ(shown, (std::vector<std::string>{"Loading 50% done", "Loading 100% done", ""}));
    EXPECT_EQ(s.services.LastStatus(), "");
    EXPECT_EQ(ReadBytes(s.LogFile("2026-12-07")), "23:59:58: Loading 100% done 0\n23:59:58:  0\n");
}

TEST(SetStatus, WorksWithoutASinkAndFromOtherThreads) {
    Services s;
    s.services.SetStatus("before the window");
    EXPECT_EQ(s.services.LastStatus(), "before the window");
    std::atomic<int> calls{0};
    s.services.SetStatusSink([&](const std::string&) { ++calls; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) s.services.SetStatus("x");
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(calls.load(), 400);
}

TEST(LogClock, TheRealClockIsUsedByDefault) {
    TempHome home;
    shared::DesktopServices services("Pictavo", [] { return 1; });
    services.CreateLogFolder();
    services.WriteLog("real time", shared::kNotable);
    platform::CalendarFields today = platform::LocalFromUtc(platform::NowUtc());
    std::string log = ReadBytes(services.LogFilePath(today));
    if (log == "<missing>") {  // written just before midnight
        today = platform::LocalFromUtc(platform::NowUtc() - 600000000LL);
        log = ReadBytes(services.LogFilePath(today));
    }
    ASSERT_EQ(log.size(), 20u);
    EXPECT_EQ(log.substr(2, 1), ":");
    EXPECT_EQ(log.substr(8), ": real time\n");
}

}  // namespace
