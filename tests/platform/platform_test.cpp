// The platform layer: text conversions, folder listing, copy/move/delete and
// their error numbers, file times, local time, known folders, processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/process.h"
#include "platform/recorded_file.h"
#include "platform/text.h"
#include "tests/platform/scratch_mount.h"
#include "tests/platform/test_files.h"
#include "tests/shared/temp_home.h"

namespace {

using namespace testing_support;

// A file name that is not valid UTF-8 (Latin-1 "café" and a lone 0xFF).
const std::string kLatin1Name = std::string("caf\xE9 \xFF.jpg");

// ------------------------------------------------------------------ text

TEST(Text, Utf8AndUtf16RoundTrip) {
    std::string text = "Fotos \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7";  // é, €, camera
    std::u16string wide = platform::Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"Fotos \u00E9t\u00E9 \u20AC \U0001F4F7");
    EXPECT_EQ(platform::Utf16ToUtf8(wide), text);
    EXPECT_EQ(platform::Utf16Length(text), wide.size());
}

TEST(Text, InvalidInputBecomesReplacementCharacters) {
    EXPECT_EQ(platform::Utf8ToUtf16("a\xFF"
                                    "b"),
              u"a\uFFFDb");
    EXPECT_EQ(platform::Utf8ToUtf16("\xC3"), u"\uFFFD");                      // cut sequence
    EXPECT_EQ(platform::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(platform::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // surrogate
    EXPECT_EQ(platform::Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");
    EXPECT_FALSE(platform::IsValidUtf8(kLatin1Name));
    EXPECT_TRUE(platform::IsValidUtf8("\xEF\xBF\xBD ok"));
}

TEST(Text, PathConversionIsLosslessForAnyBytes) {
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 40, '\0');
        for (char& c : bytes) c = static_cast<char>(1 + random() % 255);
        if (round % 3 == 0) bytes += "\xF0\x9F\x93\xB7\xC3\xA9";
        std::u16string wide = platform::PathToUtf16(bytes);
        ASSERT_EQ(platform::Utf16ToPath(wide), bytes);
        ASSERT_EQ(wide.size(), platform::Utf16Length(bytes));
    }
    EXPECT_EQ(platform::PathToUtf16(kLatin1Name), u"caf\xDCE9 \xDCFF.jpg");
    EXPECT_EQ(platform::PathToUtf16("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(platform::Utf16ToPath(u"a\xD800"), "a\xEF\xBF\xBD");
}

TEST(Text, CutToUtf16UnitsKeepsWholeCharacters) {
    std::string text =
        "ab\xF0\x9F\x93\xB7"
        "c";  // a b camera(2 units) c
    EXPECT_EQ(platform::CutToUtf16Units(text, 3), "ab");
    EXPECT_EQ(platform::CutToUtf16Units(text, 4), "ab\xF0\x9F\x93\xB7");
    EXPECT_EQ(platform::CutToUtf16Units(text, 100), text);
    EXPECT_EQ(platform::CutToUtf16Units(text, 0), "");
}

TEST(Text, CaseInsensitiveComparison) {
    EXPECT_EQ(platform::CompareIgnoreCase("PHOTO.JPG", "photo.jpg"), 0);
    EXPECT_EQ(platform::CompareIgnoreCase("\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"), 0);  // ÉTÉ
    EXPECT_EQ(platform::CompareIgnoreCase("\xC5\x81\xC3\xB3"
                                          "d\xC5\xBA",
                                          "\xC5\x82\xC3\xB3"
                                          "D\xC5\xB9"),
              0);
    EXPECT_EQ(platform::CompareIgnoreCase("\xD0\x9C\xD0\x98\xD0\xA0", "\xD0\xBC\xD0\xB8\xD1\x80"),
              0);
    EXPECT_EQ(platform::CompareIgnoreCase("\xC5\xB8", "\xC3\xBF"), 0);  // Ÿ ÿ
    EXPECT_NE(platform::CompareIgnoreCase("\xC4\xB8", "\xC4\xB9"), 0);  // ĸ is not Ĺ
    EXPECT_NE(platform::CompareIgnoreCase("\xC5\xB8", "\xC5\xB9"), 0);  // Ÿ is not Ź
    EXPECT_NE(platform::CompareIgnoreCase("\xE9", "\xC9"), 0);          // invalid bytes exact
    EXPECT_EQ(platform::CompareIgnoreCase(kLatin1Name, kLatin1Name), 0);
    EXPECT_NE(platform::CompareIgnoreCase("photo", "photos"), 0);
    EXPECT_TRUE(platform::ContainsIgnoreCaseAscii("/a/IMG.JPEG", ".jpeg"));
}

// ------------------------------------------------------------------ listing

class FilesTest : public ::testing::Test {
  protected:
    TempHome home;
    std::string Path(const std::string& name) const { return home.Path() + "/" + name; }
};

std::map<std::string, platform::DirEntry> List(const std::string& folder, int* error = nullptr) {
    std::map<std::string, platform::DirEntry> entries;
    int err = platform::ListFolder(folder, [&](const platform::DirEntry& e) {
        entries[e.name] = e;
        return true;
    });
    if (error) *error = err;
    return entries;
}

TEST_F(FilesTest, ListingGivesNamesAttributesSizesAndTimes) {
    ASSERT_TRUE(WriteBytes(Path("plain.txt"), "12345"));
    SetTimes(Path("plain.txt"), 1500000000, 1600000000, 123456700);
    ASSERT_TRUE(WriteBytes(Path("locked.jpg"), "x", 0444));
    ASSERT_EQ(::mkdir(Path("sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("sub", Path("link-to-sub").c_str()), 0);
    ASSERT_EQ(::symlink("plain.txt", Path("link-to-file").c_str()), 0);
    ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0644), 0);
    ASSERT_TRUE(WriteBytes(Path(kLatin1Name), "latin"));

    int err = -1;
    auto entries = List(home.Path(), &err);
    EXPECT_EQ(err, 0);
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries.count("."), 0u);
    EXPECT_EQ(entries.count(".."), 0u);

    const platform::DirEntry& plain = entries["plain.txt"];
    EXPECT_TRUE(plain.regularFile);
    EXPECT_FALSE(plain.directory || plain.readOnly || plain.reparsePoint || plain.system);
    EXPECT_EQ(plain.size, 5u);
    EXPECT_EQ(plain.lastWrite, platform::FileTimeFromUnix(1600000000, 123456700));
    EXPECT_EQ(plain.lastWrite, 132444736001234567LL);  // 2020-09-13 12:26:40.1234567 UTC
    EXPECT_EQ(plain.lastAccess, platform::FileTimeFromUnix(1500000000, 123456700));

    EXPECT_TRUE(entries["locked.jpg"].readOnly);
    EXPECT_TRUE(entries["sub"].directory);
    EXPECT_FALSE(entries["sub"].regularFile);
    EXPECT_TRUE(entries["link-to-sub"].reparsePoint);
    EXPECT_TRUE(entries["link-to-sub"].directory);
    EXPECT_TRUE(entries["link-to-file"].reparsePoint);
    EXPECT_FALSE(entries["link-to-file"].directory);
    EXPECT_FALSE(entries["link-to-file"].regularFile);
    EXPECT_TRUE(entries["fifo"].system);
    EXPECT_FALSE(entries["fifo"].regularFile);
    ASSERT_EQ(entries.count(kLatin1Name), 1u);
    EXPECT_EQ(entries[kLatin1Name].size, 5u);
}

TEST_F(FilesTest, ListingStopsWhenTheVisitorSaysSoAndReportsMissingFolders) {
    for (int i = 0; i < 5; ++i) WriteBytes(Path("f" + std::to_string(i)), "");
    int seen = 0;
    EXPECT_EQ(
        platform::ListFolder(home.Path(), [&](const platform::DirEntry&) { return ++seen < 2; }),
        0);
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(platform::ListFolder(Path("missing"), [](const platform::DirEntry&) { return true; }),
              2);
    WriteBytes(Path("file"), "");
    EXPECT_EQ(platform::ListFolder(Path("file"), [](const platform::DirEntry&) { return true; }),
              ENOTDIR);
}

TEST_F(FilesTest, AttributesAndExistence) {
    WriteBytes(Path("a"), "abc");
    ::mkdir(Path("d").c_str(), 0755);
    ::symlink("d", Path("ld").c_str());
    auto a = platform::GetAttributes(Path("a"));
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->name, "a");
    EXPECT_EQ(a->size, 3u);
    EXPECT_FALSE(platform::GetAttributes(Path("none")).has_value());
    EXPECT_TRUE(platform::GetAttributes(Path("ld"))->reparsePoint);
    EXPECT_TRUE(platform::FolderExists(Path("d")));
    EXPECT_TRUE(platform::FolderExists(Path("ld")));
    EXPECT_FALSE(platform::FolderExists(Path("a")));
    EXPECT_FALSE(platform::FolderExists(""));
    EXPECT_TRUE(platform::FileExists(Path("a")));
    EXPECT_FALSE(platform::FileExists(Path("d")));
    EXPECT_EQ(platform::JoinPath("/x", "y"), "/x/y");
    EXPECT_EQ(platform::JoinPath("/", "y"), "/y");
    EXPECT_EQ(platform::JoinPath("/x/", "y"), "/x/y");
}

// ------------------------------------------------------------------ copy

TEST_F(FilesTest, CopyKeepsBytesModeAndTimes) {
    std::string data((5 << 19) + 7, '\0');  // more than one block of the copy
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(WriteBytes(Path("src"), data, 0640));
    SetTimes(Path("src"), 1400000000, 1300000000, 500);
    ASSERT_EQ(platform::CopyFileTo(Path("src"), Path("dst"), true), 0);
    struct stat s = StatOf(Path("src")), d = StatOf(Path("dst"));  // before reading (atime)
    EXPECT_EQ(ReadBytes(Path("dst")), data);
    EXPECT_EQ(d.st_mode & 07777, 0640u);
    EXPECT_EQ(d.st_mtim.tv_sec, s.st_mtim.tv_sec);
    EXPECT_EQ(d.st_mtim.tv_nsec, s.st_mtim.tv_nsec);
    EXPECT_EQ(d.st_atim.tv_sec, 1400000000);
}

TEST_F(FilesTest, ReplacementInPlaceKeepsTimesFollowsLinksAndNeverCreates) {
    ASSERT_TRUE(WriteBytes(Path("photo"), "old", 0640));
    SetTimes(Path("photo"), 1400000000, 1300000000, 500);
    ASSERT_EQ(::symlink("photo", Path("link").c_str()), 0);
    using platform::FileTimes;
    EXPECT_EQ(platform::WriteFileAtomically(Path("link"), "turned", 6, FileTimes::Kept), 0);
    struct stat after = StatOf(Path("photo"));
    EXPECT_EQ(ReadBytes(Path("photo")), "turned");
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(after.st_mtim.tv_nsec, 500);
    EXPECT_TRUE(S_ISLNK(StatOf(Path("link")).st_mode));
    // A photo gone since it was read is not brought back.
    EXPECT_EQ(platform::WriteFileAtomically(Path("gone"), "x", 1, FileTimes::Kept), ENOENT);
    EXPECT_FALSE(Exists(Path("gone")));
    // A settings file is made when missing.
    EXPECT_EQ(platform::WriteFileAtomically(Path("settings"), "new", 3), 0);
    EXPECT_EQ(ReadBytes(Path("settings")), "new");
    EXPECT_EQ(List(home.Path()).size(), 3u);  // no temporary file left behind
}

TEST_F(FilesTest, CopyRefusesAnExistingTargetWith80AndOverwritesOnRequest) {
    WriteBytes(Path("src"), "new");
    WriteBytes(Path("dst"), "old");
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("dst"), true), platform::kErrorFileExists);
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("dst"), true), 80);
    EXPECT_EQ(ReadBytes(Path("dst")), "old");
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("dst"), false), 0);
    EXPECT_EQ(ReadBytes(Path("dst")), "new");
    // Nothing is left beside the target.
    EXPECT_EQ(List(home.Path()).size(), 2u);
}

TEST_F(FilesTest, CopyErrorNumbers) {
    WriteBytes(Path("src"), "x");
    EXPECT_EQ(platform::CopyFileTo(Path("missing"), Path("dst"), true), 2);
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("no/such/dst"), true), 3);
    WriteBytes(Path("ro"), "keep", 0444);
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("ro"), false), 5);
    EXPECT_EQ(ReadBytes(Path("ro")), "keep");
    ::mkdir(Path("dir").c_str(), 0755);
    EXPECT_EQ(platform::CopyFileTo(Path("dir"), Path("dst"), true), 5);
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("dir"), false), 5);
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("src"), false), 5);
    EXPECT_EQ(ReadBytes(Path("src")), "x");
}

TEST_F(FilesTest, InjectedFaultsFailOperationsWithTheirNumber) {
    WriteBytes(Path("src"), "x");
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Copy ? 112 : 0;
    });
    EXPECT_EQ(platform::CopyFileTo(Path("src"), Path("dst"), true), 112);
    EXPECT_EQ(platform::MoveNoReplace(Path("src"), Path("moved")), 0);
    platform::SetFaultHook({});
    EXPECT_EQ(platform::CopyFileTo(Path("moved"), Path("dst"), true), 0);
}

// ------------------------------------------------------------------ move

TEST_F(FilesTest, MoveKeepsTimesAndModeAndNeverReplaces) {
    WriteBytes(Path("a"), "A", 0604);
    SetTimes(Path("a"), 1000000000, 1100000000, 42);
    WriteBytes(Path("b"), "B");
    EXPECT_EQ(platform::MoveNoReplace(Path("a"), Path("b")), 17);
    EXPECT_EQ(ReadBytes(Path("a")), "A");
    EXPECT_EQ(ReadBytes(Path("b")), "B");
    EXPECT_EQ(platform::MoveNoReplace(Path("a"), Path("c")), 0);
    EXPECT_FALSE(Exists(Path("a")));
    EXPECT_EQ(ReadBytes(Path("c")), "A");
    EXPECT_EQ(StatOf(Path("c")).st_mtim.tv_sec, 1100000000);
    EXPECT_EQ(StatOf(Path("c")).st_mtim.tv_nsec, 42);
    EXPECT_EQ(StatOf(Path("c")).st_mode & 07777, 0604u);
    EXPECT_EQ(platform::MoveNoReplace(Path("missing"), Path("d")), 2);
    EXPECT_EQ(platform::MoveNoReplace(Path("c"), Path("no/such/d")), 2);
    ::mkdir(Path("dir").c_str(), 0755);
    EXPECT_EQ(platform::MoveNoReplace(Path("c"), Path("dir")), 17);
    EXPECT_EQ(platform::MoveNoReplace(Path("dir"), Path("dir2")), 0);  // folders move too
    EXPECT_TRUE(platform::FolderExists(Path("dir2")));
}

// The copy-and-remove path checked on whatever file system pair is available.
void ExpectCrossDeviceMove(const std::string& from, const std::string& to) {
    std::string data(200000, 'q');
    ASSERT_TRUE(WriteBytes(from, data, 0751));
    SetTimes(from, 1200000000, 1234567890, 987654300);
    ASSERT_EQ(platform::MoveNoReplace(from, to), 0);
    EXPECT_FALSE(Exists(from));
    EXPECT_EQ(ReadBytes(to), data);
    struct stat st = StatOf(to);
    EXPECT_EQ(st.st_mode & 07777, 0751u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(st.st_mtim.tv_nsec, 987654300);
    // And never replaces across file systems either.
    ASSERT_TRUE(WriteBytes(from, "again"));
    EXPECT_EQ(platform::MoveNoReplace(from, to), 17);
    EXPECT_EQ(ReadBytes(from), "again");
    EXPECT_EQ(ReadBytes(to), data);
}

TEST_F(FilesTest, MoveAcrossFileSystemsKeepsTimesAndMode) {
    std::string mountPoint = Path("other-fs");
    ::mkdir(mountPoint.c_str(), 0755);
    ScratchMount tmpfs(mountPoint, 8 << 20);
    std::string otherFolder;
    if (tmpfs.Mounted()) {
        otherFolder = mountPoint;
    } else if (!SameFileSystem("/dev/shm", home.Path()) && ::access("/dev/shm", W_OK) == 0) {
        otherFolder = "/dev/shm/quillfen-move-test-" + std::to_string(::getpid());
        ::mkdir(otherFolder.c_str(), 0755);
    }
    if (otherFolder.empty()) GTEST_SKIP() << "no second file system to move to";
    ASSERT_FALSE(SameFileSystem(otherFolder, home.Path()));
    ExpectCrossDeviceMove(Path("photo.jpg"), otherFolder + "/photo.jpg");
    ExpectCrossDeviceMove(otherFolder + "/back.jpg", Path("back.jpg"));
    ExpectCrossDeviceMove(Path(kLatin1Name), otherFolder + "/" + kLatin1Name);
    // A folder cannot cross file systems (the run-time's EXDEV).
    ::mkdir(Path("folder").c_str(), 0755);
    EXPECT_EQ(platform::MoveNoReplace(Path("folder"), otherFolder + "/folder"), EXDEV);
    EXPECT_TRUE(platform::FolderExists(Path("folder")));
    if (!tmpfs.Mounted()) std::filesystem::remove_all(otherFolder);
}

TEST_F(FilesTest, ReadOnlyFileSystemGivesPermissionNumbers) {
    std::string mountPoint = Path("ro-fs");
    ::mkdir(mountPoint.c_str(), 0755);
    ScratchMount tmpfs(mountPoint, 1 << 20);
    if (!tmpfs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_TRUE(WriteBytes(mountPoint + "/in.jpg", "photo"));
    ASSERT_TRUE(tmpfs.Remount(true));
    WriteBytes(Path("src"), "x");
    EXPECT_EQ(platform::MoveNoReplace(mountPoint + "/in.jpg", mountPoint + "/out.jpg"), 13);
    EXPECT_EQ(platform::DeleteFile(mountPoint + "/in.jpg"), 13);
    EXPECT_EQ(platform::CopyFileTo(Path("src"), mountPoint + "/new.jpg", true), 5);
    EXPECT_EQ(platform::MoveNoReplace(Path("src"), mountPoint + "/new.jpg"), 13);
    EXPECT_EQ(platform::CreateFolders(mountPoint + "/new/deeper"), EROFS);
    EXPECT_EQ(platform::CreateFolders(mountPoint), 0);  // an existing folder is there all the same
    EXPECT_EQ(ReadBytes(Path("src")), "x");
    EXPECT_EQ(ReadBytes(mountPoint + "/in.jpg"), "photo");
}

// Runs body as an unprivileged user (in a child process when this test runs as
// root); returns body's result, or -1 when no unprivileged user can be had.
int AsUnprivileged(const std::function<int()>& body) {
    if (::geteuid() != 0) return body();
    pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 99) return -1;
    return WEXITSTATUS(status);
}

TEST_F(FilesTest, PermissionDeniedGivesRuntimeAndSystemNumbers) {
    ::chmod(home.Path().c_str(), 0777);
    ::mkdir(Path("locked").c_str(), 0777);
    WriteBytes(Path("locked/f"), "x", 0666);
    ::chmod(Path("locked").c_str(), 0555);
    // Each check adds its bit when it fails.
    int failures = AsUnprivileged([&] {
        int bits = 0;
        if (platform::MoveNoReplace(Path("locked/f"), Path("g")) != 13) bits |= 1;
        if (platform::DeleteFile(Path("locked/f")) != 13) bits |= 2;
        if (platform::CopyFileTo(Path("locked/f"), Path("locked/g"), true) != 5) bits |= 4;
        if (platform::CreateFolder(Path("locked/sub")) != EACCES) bits |= 8;
        if (platform::CreateFolders(Path("locked/sub/deeper")) != EACCES) bits |= 16;
        return bits;
    });
    ::chmod(Path("locked").c_str(), 0755);
    if (failures < 0) GTEST_SKIP() << "no unprivileged user to test with";
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadBytes(Path("locked/f")), "x");
}

TEST_F(FilesTest, FullFileSystemGivesDiskFull) {
    std::string mountPoint = Path("tiny-fs");
    ::mkdir(mountPoint.c_str(), 0755);
    ScratchMount tmpfs(mountPoint, 64 << 10);
    if (!tmpfs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_TRUE(WriteBytes(Path("big"), std::string(1 << 20, 'b')));
    EXPECT_EQ(platform::CopyFileTo(Path("big"), mountPoint + "/big", true), 112);
    EXPECT_FALSE(Exists(mountPoint + "/big"));  // no partial copy is left behind
    EXPECT_EQ(platform::MoveNoReplace(Path("big"), mountPoint + "/big"), ENOSPC);
    EXPECT_TRUE(Exists(Path("big")));
    EXPECT_FALSE(Exists(mountPoint + "/big"));
}

TEST_F(FilesTest, FailedCopiesToAFullDiskCloseTheirFilesAndReportTheDiskFull) {
    ASSERT_TRUE(WriteBytes(Path("big"), std::string(1 << 20, 'b')));
    std::string full = Path("full-fs");
    ::mkdir(full.c_str(), 0755);
    FullDisk disk(full);
    ASSERT_TRUE(disk.Ready());
    ASSERT_TRUE(WriteBytes(full + "/old", "old"));
    int openBefore = OpenDescriptorCount();
    {
        OpenFileLimit limit(8);
        // Many more failures than free descriptors: a leak would turn 112 into 24.
        for (int i = 0; i < 40; ++i) {
            std::string target = full + "/copy" + std::to_string(i);
            ASSERT_EQ(platform::CopyFileTo(Path("big"), target, true), 112) << i;
            ASSERT_FALSE(Exists(target));
            ASSERT_EQ(platform::CopyFileTo(Path("big"), full + "/old", false), 112) << i;
        }
    }
    EXPECT_EQ(OpenDescriptorCount(), openBefore);
    EXPECT_EQ(ReadBytes(full + "/old"), "old");
    EXPECT_EQ(List(full).size(), 1u);  // no partial copy or temporary file left behind
}

// ------------------------------------------------------------------ compare

TEST_F(FilesTest, SameContentComparesEveryByte) {
    std::string data(200000, 'x');
    WriteBytes(Path("a"), data);
    WriteBytes(Path("b"), data);
    data[150000] = 'y';
    WriteBytes(Path("c"), data);
    WriteBytes(Path("short"), data.substr(1));
    EXPECT_TRUE(platform::SameContent(Path("a"), Path("b")));
    EXPECT_FALSE(platform::SameContent(Path("a"), Path("c")));
    EXPECT_FALSE(platform::SameContent(Path("a"), Path("short")));
    EXPECT_FALSE(platform::SameContent(Path("a"), Path("missing")));
    ::mkfifo(Path("fifo").c_str(), 0600);
    EXPECT_FALSE(platform::SameContent(Path("fifo"), Path("fifo")));
}

TEST_F(FilesTest, IsAtOrBelowComparesRealLocations) {
    std::string library = Path("lib");
    ::mkdir(library.c_str(), 0755);
    ::mkdir((library + "/sub").c_str(), 0755);
    ::mkdir(Path("lib2").c_str(), 0755);
    ::symlink(library.c_str(), Path("alias").c_str());
    EXPECT_TRUE(platform::IsAtOrBelow(library, library));
    EXPECT_TRUE(platform::IsAtOrBelow(library + "/sub", library));
    EXPECT_TRUE(platform::IsAtOrBelow(Path("alias/sub"), library));
    EXPECT_TRUE(platform::IsAtOrBelow(library + "/sub", Path("alias")));
    EXPECT_TRUE(platform::IsAtOrBelow(home.Path() + "//lib//sub/", library));
    EXPECT_TRUE(platform::IsAtOrBelow(Path("lib2/../lib/sub"), library));
    std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(library.c_str()), 0);
    EXPECT_TRUE(platform::IsAtOrBelow("sub", library));
    EXPECT_TRUE(platform::IsAtOrBelow(".", library));
    EXPECT_FALSE(platform::IsAtOrBelow("..", library));
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    EXPECT_FALSE(platform::IsAtOrBelow(Path("lib2"), library));  // a longer name is elsewhere
    EXPECT_FALSE(platform::IsAtOrBelow(home.Path(), library));
    EXPECT_FALSE(platform::IsAtOrBelow(Path("missing"), library));
    EXPECT_TRUE(platform::IsAtOrBelow(Path("lib2"), "/"));
}

// ------------------------------------------------------------------ delete

TEST_F(FilesTest, DeleteGivesRuntimeNumbers) {
    WriteBytes(Path("f"), "x");
    EXPECT_EQ(platform::DeleteFile(Path("f")), 0);
    EXPECT_FALSE(Exists(Path("f")));
    EXPECT_EQ(platform::DeleteFile(Path("f")), 2);
    EXPECT_EQ(platform::DeleteFile(Path("no/such/f")), 2);
    WriteBytes(Path("ro"), "x", 0444);
    EXPECT_EQ(platform::DeleteFile(Path("ro")), 13);
    EXPECT_TRUE(Exists(Path("ro")));
    ::mkdir(Path("dir").c_str(), 0755);
    EXPECT_EQ(platform::DeleteFile(Path("dir")), 13);
    ::symlink("ro", Path("link").c_str());
    EXPECT_EQ(platform::DeleteFile(Path("link")), 0);  // the link goes, not its target
    EXPECT_TRUE(Exists(Path("ro")));
}

// A file below root as a walk records it: path, size and write time as found now.
class RecordedFileTest : public FilesTest {
  protected:
    void SetUp() override {
        root = Path("root");
        ::mkdir(root.c_str(), 0755);
        ::mkdir((root + "/a").c_str(), 0755);
        ::mkdir((root + "/a/b").c_str(), 0755);
        ::mkdir(Path("elsewhere").c_str(), 0755);
    }
    platform::RecordedFile Record(const std::string& folder, const std::string& name) const {
        const platform::DirEntry entry = *platform::GetAttributes(folder + "/" + name);
        return {root, *platform::FolderIdentity(root),       folder,
                name, static_cast<std::int64_t>(entry.size), entry.lastWrite};
    }
    // Writes bytes with a fixed write time, so a copy can match a record exactly.
    void Write(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
        ASSERT_TRUE(WriteBytes(path, bytes, mode));
        SetTimes(path, 1600000000, 1600000000, 500);
    }
    static int StatusOf(const platform::RecordedFile& file) {
        return platform::RecordedFileOnDisk(file).Status();
    }
    static int RemoveOf(const platform::RecordedFile& file) {
        return platform::RecordedFileOnDisk(file).Remove();
    }
    std::string root;
    static constexpr int kChanged = platform::RecordedFileOnDisk::kChanged;
};

TEST_F(RecordedFileTest, OnlyTheRecordedRegularFileIsRemoved) {
    const std::string folder = root + "/a/b";
    Write(folder + "/f", "content");
    platform::RecordedFile f = Record(folder, "f");
    EXPECT_EQ(StatusOf(f), 0);

    // Another size, another write time, a link, a folder: each is "changed".
    Write(folder + "/f", "content!");
    EXPECT_EQ(StatusOf(f), kChanged);
    Write(folder + "/f", "CONTENT");
    SetTimes(folder + "/f", 1600000000, 1600000001, 500);
    EXPECT_EQ(StatusOf(f), kChanged);
    EXPECT_EQ(platform::RecordedFileOnDisk(f).SizeStatus(), 0);  // same size, other time
    EXPECT_EQ(RemoveOf(f), kChanged);
    EXPECT_TRUE(Exists(folder + "/f"));

    Write(Path("elsewhere/f"), "content");
    ::unlink((folder + "/f").c_str());
    ::symlink(Path("elsewhere/f").c_str(), (folder + "/f").c_str());
    EXPECT_EQ(RemoveOf(f), kChanged);
    EXPECT_EQ(ReadBytes(Path("elsewhere/f")), "content");
    ::unlink((folder + "/f").c_str());
    ::mkdir((folder + "/f").c_str(), 0755);
    EXPECT_EQ(RemoveOf(f), kChanged);
    ::rmdir((folder + "/f").c_str());
    EXPECT_EQ(RemoveOf(f), 2);

    // As recorded: removed; read-only is refused as the removal call does;
    // an injected fault fails the removal with its number.
    Write(folder + "/f", "content");
    Write(folder + "/ro", "x", 0444);
    EXPECT_EQ(RemoveOf(Record(folder, "ro")), 13);
    EXPECT_TRUE(Exists(folder + "/ro"));
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Delete ? 5 : 0;
    });
    EXPECT_EQ(RemoveOf(f), 5);
    platform::SetFaultHook({});
    EXPECT_EQ(RemoveOf(f), 0);
    EXPECT_FALSE(Exists(folder + "/f"));
}

TEST_F(RecordedFileTest, FoldersSwappedForLinksAreNeverFollowed) {
    // The same name, size and time in another folder, as a copy keeping times would be.
    Write(root + "/a/b/f", "content");
    Write(Path("elsewhere/f"), "content");
    platform::RecordedFile deep = Record(root + "/a/b", "f");
    ::rename((root + "/a/b").c_str(), (root + "/a/moved").c_str());
    ::symlink(Path("elsewhere").c_str(), (root + "/a/b").c_str());
    EXPECT_EQ(StatusOf(deep), kChanged);
    EXPECT_EQ(RemoveOf(deep), kChanged);
    EXPECT_TRUE(Exists(Path("elsewhere/f")));

    // A folder higher up swapped the same way.
    ::unlink((root + "/a/b").c_str());
    ::rename((root + "/a/moved").c_str(), (root + "/a/b").c_str());
    EXPECT_EQ(StatusOf(deep), 0);
    ::mkdir(Path("elsewhere/b").c_str(), 0755);
    Write(Path("elsewhere/b/f"), "content");
    ::rename((root + "/a").c_str(), Path("a-moved").c_str());
    ::symlink(Path("elsewhere").c_str(), (root + "/a").c_str());
    EXPECT_EQ(RemoveOf(deep), kChanged);
    EXPECT_TRUE(Exists(Path("elsewhere/b/f")));

    // The root itself is taken as the walk took it, but must be the same folder.
    Write(root + "/top", "content");
    Write(Path("elsewhere/top"), "content");
    platform::RecordedFile top = Record(root, "top");
    ::rename(root.c_str(), Path("root-moved").c_str());
    ::symlink(Path("elsewhere").c_str(), root.c_str());
    EXPECT_EQ(RemoveOf(top), kChanged);
    EXPECT_TRUE(Exists(Path("elsewhere/top")));
    // A root reached through a link at scan time works through it.
    ::unlink(root.c_str());
    ::symlink(Path("root-moved").c_str(), root.c_str());
    EXPECT_EQ(RemoveOf(Record(root, "top")), 0);
    EXPECT_TRUE(Exists(Path("elsewhere/top")));
    // A folder that is not below the root is never reached.
    Write(root + "/top2", "content");
    Write(Path("elsewhere/top2"), "content");
    platform::RecordedFile outside = Record(root, "top2");
    outside.folder = Path("elsewhere");
    EXPECT_EQ(StatusOf(outside), kChanged);
}

TEST_F(RecordedFileTest, ContentIsComparedByReadingBothFiles) {
    const std::string folder = root + "/a";
    std::string bytes(600000, 'x');
    bytes[599999] = 'y';  // past the first read blocks
    Write(folder + "/one", bytes);
    Write(folder + "/two", bytes);
    std::string other = bytes;
    other[599999] = 'z';
    Write(folder + "/three", other);
    platform::RecordedFileOnDisk one(Record(folder, "one"));
    platform::RecordedFileOnDisk two(Record(folder, "two"));
    platform::RecordedFileOnDisk three(Record(folder, "three"));
    const platform::RecordedFile twoAsRecorded = Record(folder, "two");
    EXPECT_TRUE(one.SameContent(two));
    EXPECT_FALSE(one.SameContent(three));
    // A second name of the same file keeps the bytes; the name itself does not.
    ::link((folder + "/one").c_str(), (folder + "/hard").c_str());
    platform::RecordedFileOnDisk hard(Record(folder, "hard"));
    platform::RecordedFileOnDisk again(Record(folder, "one"));
    EXPECT_TRUE(again.SameContent(hard));
    ::unlink((folder + "/hard").c_str());
    platform::RecordedFileOnDisk alone(Record(folder, "one"));
    EXPECT_FALSE(alone.SameContent(alone));
    // A copy replaced by a link to the file itself is not a copy.
    ::unlink((folder + "/two").c_str());
    ::symlink("one", (folder + "/two").c_str());
    platform::RecordedFileOnDisk link(twoAsRecorded);
    EXPECT_NE(link.SizeStatus(), 0);
    EXPECT_FALSE(alone.SameContent(link));
}

TEST_F(FilesTest, FolderCreation) {
    EXPECT_EQ(platform::CreateFolder(Path("n")), 0);
    EXPECT_EQ(platform::CreateFolder(Path("n")), 17);
    EXPECT_EQ(platform::CreateFolder(Path("x/y")), 2);
    EXPECT_TRUE(platform::FolderExists(Path("n")));
    EXPECT_FALSE(Exists(Path("x")));

    // The whole missing chain, then the same chain again (no error).
    EXPECT_EQ(platform::CreateFolders(Path("a/b/c")), 0);
    EXPECT_TRUE(platform::FolderExists(Path("a/b/c")));
    EXPECT_EQ(platform::CreateFolders(Path("a/b/c")), 0);
    EXPECT_EQ(platform::CreateFolders(Path("a//b/d/e/")), 0);
    EXPECT_TRUE(platform::FolderExists(Path("a/b/d/e")));
    // A link to a folder is a folder; a dangling link or a file is in the way.
    ::symlink("a", Path("to-a").c_str());
    EXPECT_EQ(platform::CreateFolders(Path("to-a/b/f")), 0);
    EXPECT_TRUE(platform::FolderExists(Path("a/b/f")));
    ::symlink("nowhere", Path("dangling").c_str());
    EXPECT_EQ(platform::CreateFolders(Path("dangling")), EEXIST);
    WriteBytes(Path("a/file"), "x");
    EXPECT_EQ(platform::CreateFolders(Path("a/file")), EEXIST);
    EXPECT_EQ(platform::CreateFolders(Path("a/file/g/h")), ENOTDIR);
    EXPECT_EQ(ReadBytes(Path("a/file")), "x");

    // A level that cannot be made stops the chain with its error number.
    platform::SetFaultHook([this](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::CreateFolder && path == Path("m/n") ? ENOSPC : 0;
    });
    EXPECT_EQ(platform::CreateFolders(Path("m/n/o/p")), ENOSPC);
    EXPECT_FALSE(Exists(Path("m/n")));
    platform::SetFaultHook({});
    EXPECT_EQ(platform::CreateFolders(Path("m/n/o/p")), 0);
}

// ------------------------------------------------------------------ reading

std::atomic<int> g_signalsCaught{0};
void CountSignal(int) { ++g_signalsCaught; }

// Whether the thread sleeps in the kernel (waits in a read, here).
bool Sleeps(pid_t thread) {
    std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::string::size_type name = line.rfind(')');
    return name != std::string::npos && name + 2 < line.size() && line[name + 2] == 'S';
}

TEST(ReadAll, FillsTheBufferAcrossShortReadsAndInterruptionsUpToTheEnd) {
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    // No SA_RESTART: a read waiting when the signal comes fails with EINTR.
    struct sigaction counting {
    }, old{};
    counting.sa_handler = CountSignal;
    ::sigaction(SIGUSR1, &counting, &old);
    // More than a pipe holds: the reads come back short.
    std::string data(3 << 20, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    std::string got(data.size() + 100, '\0');
    std::atomic<pid_t> readerId{0};
    std::atomic<bool> finished{false};
    ssize_t count = 0;
    std::thread reader([&] {
        readerId = ::gettid();
        count = platform::ReadAll(pipeFds[0], got.data(), got.size());
        finished = true;
    });
    for (int i = 0; i < 3 && !finished; ++i) {
        while (!finished && (readerId == 0 || !Sleeps(readerId))) std::this_thread::yield();
        const int caught = g_signalsCaught;
        if (!finished) ::pthread_kill(reader.native_handle(), SIGUSR1);
        while (!finished && g_signalsCaught == caught) std::this_thread::yield();
    }
    std::thread writer([&] {
        platform::WriteAll(pipeFds[1], data.data(), data.size());
        ::close(pipeFds[1]);
    });
    reader.join();
    // A reader that gave up early must not leave the writer waiting for ever.
    struct sigaction ignore {
    }, oldPipe{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &oldPipe);
    ::close(pipeFds[0]);
    writer.join();
    ::sigaction(SIGPIPE, &oldPipe, nullptr);
    ::sigaction(SIGUSR1, &old, nullptr);
    EXPECT_GE(g_signalsCaught, 3);
    ASSERT_EQ(count, static_cast<ssize_t>(data.size()));  // short only at the end
    EXPECT_TRUE(got.compare(0, data.size(), data) == 0);
}

TEST(ReadAll, ReadsAtAnOffsetAndReportsErrors) {
    TempHome home;
    const std::string path = home.Path() + "/digits";
    WriteBytes(path, "0123456789");
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    char buffer[16] = {};
    EXPECT_EQ(platform::ReadAllAt(fd, buffer, 8, 6), 4);
    EXPECT_EQ(std::string(buffer, 4), "6789");
    EXPECT_EQ(platform::ReadAll(fd, buffer, 3), 3);  // the position was left at the start
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(platform::ReadAllAt(fd, buffer, 4, 20), 0);
    ::close(fd);
    int folder = ::open(home.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    errno = 0;
    EXPECT_EQ(platform::ReadAll(folder, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EISDIR);
    ::close(folder);
    EXPECT_EQ(platform::ReadFilePrefix(home.Path(), buffer, sizeof buffer), -1);
}

TEST_F(FilesTest, NamesThatAreNotUtf8AreListedCopiedMovedAndDeleted) {
    std::string folder = Path(std::string("d\xE8ir"));
    ASSERT_EQ(platform::CreateFolder(folder), 0);
    std::string name = kLatin1Name;
    ASSERT_TRUE(WriteBytes(folder + "/" + name, "bytes"));
    auto entries = List(folder);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries.begin()->first, name);
    std::string copy = folder + "/copy \x80\x81";
    EXPECT_EQ(platform::CopyFileTo(folder + "/" + name, copy, true), 0);
    EXPECT_EQ(ReadBytes(copy), "bytes");
    std::string moved = Path(std::string("moved \xFE"));
    EXPECT_EQ(platform::MoveNoReplace(copy, moved), 0);
    EXPECT_EQ(ReadBytes(moved), "bytes");
    EXPECT_FALSE(Exists(copy));
    EXPECT_EQ(platform::SetFileTimes(moved, platform::FileTimeFromUnix(5, 0),
                                     platform::FileTimeFromUnix(6, 0)),
              0);
    EXPECT_EQ(StatOf(moved).st_mtim.tv_sec, 6);
    EXPECT_EQ(platform::DeleteFile(moved), 0);
    EXPECT_EQ(platform::DeleteFile(folder + "/" + name), 0);
    EXPECT_TRUE(List(folder).empty());
}

// ------------------------------------------------------------------ times

TEST_F(FilesTest, SetFileTimesSetsAccessAndWrite) {
    WriteBytes(Path("t"), "x");
    platform::FileTime access = platform::FileTimeFromUnix(1420070400, 0);
    platform::FileTime write = platform::FileTimeFromUnix(1436005230, 5000000);
    EXPECT_EQ(platform::SetFileTimes(Path("t"), access, write), 0);
    EXPECT_EQ(platform::GetAttributes(Path("t"))->lastWrite, write);
    EXPECT_EQ(platform::GetAttributes(Path("t"))->lastAccess, access);
    EXPECT_EQ(platform::SetFileTimes(Path("missing"), access, write), ENOENT);
}

TEST(FileTime, ScaleAndEpoch) {
    EXPECT_EQ(platform::FileTimeFromUnix(0, 0), 116444736000000000LL);
    EXPECT_EQ(platform::UnixSecondsFromFileTime(116444736000000000LL), 0);
    EXPECT_EQ(platform::UnixSecondsFromFileTime(116444736000000000LL - 1), -1);  // floor
    EXPECT_EQ(platform::FileTimeFromUnix(-11644473600LL, 0), 0);                 // 1601-01-01
}

// ------------------------------------------------------------------ clock

class ZoneTest : public ::testing::Test {
  protected:
    void UseZone(const char* zone) {
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    void TearDown() override {
        if (old_)
            ::setenv("TZ", old_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::optional<std::string> old_ =
        ::getenv("TZ") ? std::optional<std::string>(::getenv("TZ")) : std::nullopt;
};

TEST_F(ZoneTest, UtcAndLocalFieldsFollowTheZoneRules) {
    UseZone("CET-1CEST,M3.5.0,M10.5.0/3");  // Central European rules, no tzdata needed
    // 2015-07-04 10:20:30 local (summer time, UTC+2) is 08:20:30 UTC.
    platform::CalendarFields local{2015, 7, 4, 10, 20, 30, 0, 0};
    auto utc = platform::UtcFromLocal(local);
    ASSERT_TRUE(utc.has_value());
    EXPECT_EQ(*utc, platform::FileTimeFromUnix(1435998030, 0));
    platform::CalendarFields back = platform::LocalFromUtc(*utc);
    EXPECT_EQ(back.year, 2015);
    EXPECT_EQ(back.hour, 10);
    EXPECT_EQ(back.second, 30);
    // Winter: UTC+1.
    auto winter = platform::UtcFromLocal({2015, 1, 4, 10, 0, 0, 250, 0});
    ASSERT_TRUE(winter.has_value());
    EXPECT_EQ(*winter, platform::FileTimeFromUnix(1420362000, 250000000));  // 09:00:00.250 UTC
}

TEST_F(ZoneTest, FieldsThatNameNoTimeAreRefused) {
    UseZone("UTC0");
    EXPECT_FALSE(platform::UtcFromLocal({2015, 2, 30, 0, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(platform::UtcFromLocal({2015, 2, 29, 0, 0, 0, 0, 0}).has_value());
    EXPECT_TRUE(platform::UtcFromLocal({2016, 2, 29, 0, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(platform::UtcFromLocal({1900, 2, 29, 0, 0, 0, 0, 0}).has_value());
    EXPECT_TRUE(platform::UtcFromLocal({2000, 2, 29, 0, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(platform::UtcFromLocal({2015, 13, 1, 0, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(platform::UtcFromLocal({2015, 4, 31, 0, 0, 0, 0, 0}).has_value());
    EXPECT_FALSE(platform::UtcFromLocal({2015, 1, 1, 24, 0, 0, 0, 0}).has_value());
    auto epochEve = platform::UtcFromLocal({1969, 12, 31, 23, 59, 59, 0, 0});
    ASSERT_TRUE(epochEve.has_value());
    EXPECT_EQ(platform::UnixSecondsFromFileTime(*epochEve), -1);
}

TEST(Clock, NowIsNow) {
    std::int64_t now = platform::UnixSecondsFromFileTime(platform::NowUtc());
    std::int64_t expected = std::chrono::duration_cast<std::chrono::seconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    EXPECT_LE(std::abs(now - expected), 2);
}

// ------------------------------------------------------------------ known folders

TEST(KnownFolders, DefaultsUnderHome) {
    TempHome home;
    EXPECT_EQ(platform::HomeFolder(), home.Path());
    EXPECT_EQ(platform::ResolveTypedFolder("~"), home.Path());
    EXPECT_EQ(platform::ResolveTypedFolder("~/Pictures/Trip"), home.Path() + "/Pictures/Trip");
    EXPECT_EQ(platform::ResolveTypedFolder("~other/x"),
              std::filesystem::current_path().string() + "/~other/x");
    EXPECT_EQ(platform::ResolveTypedFolder("/srv/photos"), "/srv/photos");
    EXPECT_EQ(platform::ResolveTypedFolder(""), "");
    EXPECT_EQ(platform::DocumentsFolder(), home.Path() + "/Documents");
    EXPECT_EQ(platform::PicturesFolder(), home.Path() + "/Pictures");
}

TEST(KnownFolders, XdgUserDirsAreRead) {
    TempHome home;
    std::filesystem::create_directories(home.Path() + "/.config");
    WriteBytes(home.Path() + "/.config/user-dirs.dirs",
               "# written by xdg-user-dirs-update\n"
               "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
               "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
               "XDG_PICTURES_DIR=\"/srv/photos/\"\n");
    EXPECT_EQ(platform::DocumentsFolder(), home.Path() + "/Dokumente");
    EXPECT_EQ(platform::PicturesFolder(), "/srv/photos");
    std::filesystem::create_directories(home.Path() + "/xdg");
    WriteBytes(home.Path() + "/xdg/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    ::setenv("XDG_CONFIG_HOME", (home.Path() + "/xdg").c_str(), 1);
    EXPECT_EQ(platform::PicturesFolder(), home.Path() + "/Bilder");
    EXPECT_EQ(platform::DocumentsFolder(), home.Path() + "/Documents");
}

TEST(KnownFolders, ExecutablePathIsThisTest) {
    std::string exe = platform::ExecutablePath();
    EXPECT_NE(exe.find("platform_test"), std::string::npos) << exe;
    EXPECT_EQ(platform::ExecutableFolder(), exe.substr(0, exe.find_last_of('/')));
}

// ------------------------------------------------------------------ processes

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsWithTheQuotingRules) {
    EXPECT_EQ(platform::SplitCommandLine(""), Args{});
    EXPECT_EQ(platform::SplitCommandLine("   "), Args{});
    EXPECT_EQ(platform::SplitCommandLine("a b\tc"), (Args{"a", "b", "c"}));
    EXPECT_EQ(
        platform::SplitCommandLine("\"/opt/quill fen/bin/cairnly\" /P \"/home/u/My  Photos\""),
        (Args{"/opt/quill fen/bin/cairnly", "/P", "/home/u/My  Photos"}));
    EXPECT_EQ(platform::SplitCommandLine("a\"b c\"d"), Args{"ab cd"});
    EXPECT_EQ(platform::SplitCommandLine("\"\""), Args{""});
    EXPECT_EQ(platform::SplitCommandLine("a\\\\b"), Args{"a\\\\b"});           // no quote: literal
    EXPECT_EQ(platform::SplitCommandLine("a\\\"b"), Args{"a\"b"});             // \" -> "
    EXPECT_EQ(platform::SplitCommandLine("\"a\\\\\" b"), (Args{"a\\", "b"}));  // \\" -> \ + close
    EXPECT_EQ(platform::SplitCommandLine("\"a\"\"b\""), Args{"a\"b"});         // "" inside quotes
    EXPECT_EQ(platform::SplitCommandLine("\"open"), Args{"open"});
}

TEST(CommandLine, QuoteArgumentRoundTripsAnyText) {
    std::mt19937 random(11);
    const char alphabet[] = {'a', ' ', '"', '\\', '\t', '/', '\xE9', 'Z'};
    for (int round = 0; round < 3000; ++round) {
        Args args(1 + random() % 4);
        for (std::string& a : args) {
            a.resize(random() % 8);
            for (char& c : a) c = alphabet[random() % sizeof alphabet];
        }
        std::string line;
        for (const std::string& a : args)
            line += (line.empty() ? "" : " ") + platform::QuoteArgument(a);
        ASSERT_EQ(platform::SplitCommandLine(line), args) << line;
    }
    EXPECT_EQ(platform::QuoteArgument("/home/u/My Photos"), "\"/home/u/My Photos\"");
}

TEST(Process, MissingProgramIsNotStarted) {
    EXPECT_FALSE(platform::StartProcess("\"/no/such/program\" /P \"/tmp\""));
    EXPECT_FALSE(platform::StartProcess(""));
}

TEST(Process, StartsDirectlyWithoutAShellAndDoesNotWait) {
    TempHome home;
    std::string target = home.Path() + "/made by child $HOME;";
    ASSERT_TRUE(platform::StartProcess(platform::QuoteArgument("/usr/bin/touch") + " " +
                                       platform::QuoteArgument(target)));
    for (int i = 0; i < 200 && !Exists(target); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(Exists(target));  // the $ and ; reached the program as they are
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(platform::StartProcess("/bin/sleep 1"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

}  // namespace
