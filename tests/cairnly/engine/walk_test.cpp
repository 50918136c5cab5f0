// The folder walk: what it records, what it counts, what it never enters.
#include "cairnly/engine/walk.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>

#include "cairnly/engine/folder_lister.h"
#include "cairnly/engine/scan_engine.h"
#include "platform/files.h"
#include "platform/recorded_file.h"
#include "tests/cairnly/engine/engine_fixture.h"

namespace engine_test {
namespace {

using cairnly::WalkAttributes;
using cairnly::WalkFolder;

class WalkTest : public EngineTest {
  protected:
    std::int64_t Walk() {
        UseSettings();
        state_->FoldersEntered.store(0);
        return WalkFolder(*state_, view_, root_, WalkAttributes{}, 0);
    }
    // FolderRecords by path.
    std::map<std::string, const cairnly::FolderRecord*> Folders() const {
        std::map<std::string, const cairnly::FolderRecord*> out;
        for (int i = 0; i < state_->Folders.Count(); ++i) {
            const auto* f = state_->Folders.At(i);
            out[*f->Path] = f;
        }
        return out;
    }
    bool Recorded(const std::string& name) const {
        auto names = FileNames();
        return std::find(names.begin(), names.end(), name) != names.end();
    }
};

TEST_F(WalkTest, SizesCountEveryFileButRecordOnlyThoseAboveTheMinimum) {
    settings_.SetMinFileSizeMB(1.0f);
    MakeSizedFile("exact.bin", 1048576);
    MakeSizedFile("above.bin", 1048577);
    MakeSizedFile("sub/small.bin", 10);
    MakeSizedFile("sub/deep/big.bin", 2000000);
    EXPECT_EQ(Walk(), 1048576 + 1048577 + 10 + 2000000);
    EXPECT_FALSE(Recorded("exact.bin"));
    EXPECT_TRUE(Recorded("above.bin"));
    EXPECT_FALSE(Recorded("small.bin"));
    EXPECT_TRUE(Recorded("big.bin"));
    auto folders = Folders();
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[root_]->OwnSize, 1048576 + 1048577);
    EXPECT_EQ(folders[root_]->TotalSize, 1048576 + 1048577 + 10 + 2000000);
    EXPECT_EQ(folders[Path("sub")]->OwnSize, 10);
    EXPECT_EQ(folders[Path("sub")]->TotalSize, 2000010);
    // Post-order: a folder after all of its subfolders.
    EXPECT_EQ(*state_->Folders.At(0)->Path, Path("sub/deep"));
    EXPECT_EQ(*state_->Folders.At(2)->Path, root_);
}

TEST_F(WalkTest, ZeroMinimumRecordsEveryNonEmptyFileAndSharesTheFolderPath) {
    MakeFile("a/empty", "");
    MakeFile("a/one", "1");
    MakeFile("a/two", "22");
    Walk();
    EXPECT_FALSE(Recorded("empty"));
    ASSERT_EQ(state_->Files.Count(), 2);
    const auto* first = state_->Files.At(0);
    const auto* second = state_->Files.At(1);
    EXPECT_EQ(first->Folder(), Path("a"));
    EXPECT_EQ(first->FolderPath.get(), second->FolderPath.get()) << "one path object per folder";
    EXPECT_EQ(first->FolderNumber, 1);
    EXPECT_EQ(first->DupGroup, -1);
    EXPECT_EQ(first->Fingerprint, 0u);
    EXPECT_FALSE(first->DigestReady);
    EXPECT_TRUE(first->IsNormal());
}

TEST_F(WalkTest, FolderThresholdIsOnOwnSizeNotTotal) {
    settings_.SetMinFolderSizeMB(1.0f);
    MakeSizedFile("parent/child/big.bin", 3 * 1048576);
    MakeSizedFile("parent/tiny.bin", 5);
    MakeSizedFile("exact/one-mb.bin", 1048576);
    Walk();
    auto folders = Folders();
    EXPECT_TRUE(folders.count(Path("parent/child")));
    EXPECT_FALSE(folders.count(Path("parent"))) << "huge TotalSize, tiny OwnSize";
    EXPECT_TRUE(folders.count(Path("exact"))) << "OwnSize equal to the minimum qualifies";
}

TEST_F(WalkTest, DotFoldersAreNeverEnteredNorCounted) {
    MakeSizedFile(".git/objects/pack.bin", 5000);
    MakeSizedFile(".hidden-file", 7);
    MakeSizedFile("visible/a.bin", 3);
    EXPECT_EQ(Walk(), 7 + 3);
    EXPECT_FALSE(Recorded("pack.bin"));
    EXPECT_TRUE(Recorded(".hidden-file")) << "only folders beginning with a dot are passed over";
    EXPECT_EQ(state_->FoldersEntered.load(), 2);
}

TEST_F(WalkTest, LinksAreNeverFollowedAndLoopsDoNotHang) {
    MakeSizedFile("real/data.bin", 100);
    MakeSizedFile("outside-target.bin", 40);
    ASSERT_EQ(::symlink(Path("real").c_str(), Path("linked-folder").c_str()), 0);
    ASSERT_EQ(::symlink(root_.c_str(), Path("real/loop").c_str()), 0);
    ASSERT_EQ(::symlink(Path("outside-target.bin").c_str(), Path("linked-file.bin").c_str()), 0);
    ASSERT_EQ(::symlink("/nowhere", Path("dangling").c_str()), 0);
    EXPECT_EQ(Walk(), 100 + 40);
    EXPECT_FALSE(Recorded("linked-file.bin"));
    EXPECT_EQ(state_->Files.Count(), 2);
    EXPECT_EQ(state_->FoldersEntered.load(), 2) << "root and real only";
    EXPECT_EQ(WalkFolder(*state_, view_, Path("real"), WalkAttributes{true, false}, 1), 0)
        << "a folder reached through a link is not entered";
}

TEST_F(WalkTest, FifosSocketsAndDevicesArePassedOverWithoutBlocking) {
    MakeSizedFile("plain.bin", 9);
    ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0644), 0);
    int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string sockPath = Path("sock");
    ASSERT_LT(sockPath.size(), sizeof(addr.sun_path));
    std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(Walk(), 9);
    ::close(sock);
    EXPECT_EQ(FileNames(), std::vector<std::string>{"plain.bin"});
}

TEST_F(WalkTest, PhotoModeRecordsImageNamesOfAnySizeKeepingTheirCaseButNoSidecars) {
    state_->PhotoMode.store(true);
    settings_.SetMinFileSizeMB(100.0f);
    MakeFile("a.PNG", "p");
    MakeFile("b.jpeg", "j");
    MakeFile("c.jpg.txt", "t");
    MakeFile("IMG_0001.JPG.xmp", "x");
    MakeFile("d.gif", "g");
    MakeFile("e.Bmp", "");
    Walk();
    auto names = FileNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.PNG", "b.jpeg", "e.Bmp"}));
}

TEST_F(WalkTest, SystemFoldersAreSkippedOnlyWhenAsked) {
    WalkAttributes none;
    EXPECT_TRUE(cairnly::IsSystemFolder("/proc", none));
    EXPECT_TRUE(cairnly::IsSystemFolder("/sys/kernel", none));
    EXPECT_TRUE(cairnly::IsSystemFolder("/dev", none));
    EXPECT_TRUE(cairnly::IsSystemFolder("/run/user", none));
    EXPECT_FALSE(cairnly::IsSystemFolder("/running", none));
    EXPECT_FALSE(cairnly::IsSystemFolder("/home/proc", none));
    EXPECT_TRUE(cairnly::IsSystemFolder("/mnt/c:/Windows", none));
    EXPECT_TRUE(cairnly::IsSystemFolder("/mnt/c:/Program Files (x86)", none));
    EXPECT_TRUE(cairnly::IsSystemFolder("/mnt/c:/$Recycle.Bin", none));
    EXPECT_FALSE(cairnly::IsSystemFolder("/mnt/c:/windows", none))
        << "the literal patterns keep their case";

    // /proc as the root yields nothing with the option on, and is walked with it off.
    settings_.SetRootFolder("/proc");
    settings_.SetSkipSystemFolders(true);
    UseSettings();
    EXPECT_EQ(WalkFolder(*state_, view_, "/proc/self", WalkAttributes{}, 0), 0);
    EXPECT_EQ(state_->FoldersEntered.load(), 0);
    // However it is spelled, or reached through a link to the root folder.
    EXPECT_EQ(cairnly::AbsoluteFolderPath("//proc/./self/"), "/proc/self");
    std::filesystem::create_symlink("/", Path("toroot"));
    for (const char* root : {"toroot/proc", "toroot/proc/self"})
        EXPECT_EQ(WalkFolder(*state_, view_, Path(root), WalkAttributes{}, 0), 0) << root;
    EXPECT_EQ(state_->FoldersEntered.load(), 0);
    // A subfolder that is one of the trees (as a bind mount of /proc would be)
    // is known by its identity, not its path.
    MakeSizedFile("a/virtual/v.bin", 10);
    MakeSizedFile("a/plain.bin", 5);
    state_->SystemTrees = {*platform::FolderIdentity(Path("a/virtual"))};
    EXPECT_EQ(WalkFolder(*state_, view_, Path("a"), WalkAttributes{}, 1), 5);
    EXPECT_FALSE(Recorded("v.bin"));
    state_->FoldersEntered.store(0);
    settings_.SetSkipSystemFolders(false);
    UseSettings();
    WalkFolder(*state_, view_, "/proc/self/fdinfo", WalkAttributes{}, 0);
    EXPECT_EQ(state_->FoldersEntered.load(), 1);
}

TEST_F(WalkTest, StatusShowsFoldersDownToDepthThreeOnly) {
    MakeFolder("d1/d2/d3/d4/d5");
    Walk();
    EXPECT_TRUE(StatusSeen("Scanning folders (1 complete): " + root_ + "... "));
    EXPECT_TRUE(StatusSeen("Scanning folders (4 complete): " + Path("d1/d2/d3") + "... "));
    EXPECT_FALSE(StatusStartsWith("Scanning folders (5 complete)"));
    EXPECT_EQ(state_->FoldersEntered.load(), 6);
}

TEST_F(WalkTest, PreviewAddsTheLargestOfEachTenFolderRecords) {
    // 21 folders in post-order: f00..f19 then the root.
    for (int i = 0; i < 20; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%02d/x", i);
        MakeSizedFile(name, static_cast<std::size_t>(i == 4 ? 500 : 10 + i));
    }
    Walk();
    ASSERT_EQ(state_->Folders.Count(), 21);
    ASSERT_EQ(view_.previews.size(), 2u) << "records 10 and 20";
    auto own = [&](int i) { return state_->Folders.At(i)->OwnSize; };
    for (int at : {10, 20}) {
        int best = at;
        for (int k = at - 1; k > at - 10; --k)
            if (own(k) > own(best)) best = k;
        EXPECT_NE(std::find(view_.previews.begin(), view_.previews.end(), best),
                  view_.previews.end());
    }
}

TEST_F(WalkTest, PreviewPrefersTheNewestAmongEqualSizesAndNeedsMoreThanTen) {
    for (int i = 0; i < 10; ++i) MakeSizedFile("f" + std::to_string(i) + "/x", 50);
    Walk();  // ten folders plus the root (own size 0): index 10 is the root
    ASSERT_EQ(state_->Folders.Count(), 11);
    ASSERT_EQ(view_.previews.size(), 1u);
    EXPECT_EQ(view_.previews[0], 9) << "the last of the equal folders before the root";
    EXPECT_EQ(*state_->Folders.At(10)->Path, root_);
}

TEST_F(WalkTest, StopEndsEveryEnumerationButFoldersStillGetTheirRecord) {
    for (int i = 0; i < 30; ++i) MakeSizedFile("a/f" + std::to_string(i), 10);
    MakeSizedFile("a/sub/late.bin", 10);
    OnStatus([this](const std::string& text) {
        if (text.find(Path("a")) != std::string::npos) state_->Scan.RequestStop();
    });
    Walk();
    EXPECT_LE(state_->Files.Count(), 1) << "the enumeration ends after its current entry";
    EXPECT_FALSE(Recorded("late.bin"));
    auto folders = Folders();
    EXPECT_TRUE(folders.count(Path("a")));
    EXPECT_TRUE(folders.count(root_));
    EXPECT_FALSE(folders.count(Path("a/sub")));
}

TEST_F(WalkTest, MissingRootContributesNothingAndGetsARecordOnlyWithZeroMinimum) {
    settings_.SetRootFolder(Path("missing"));
    UseSettings();
    EXPECT_EQ(WalkFolder(*state_, view_, Path("missing"), WalkAttributes{}, 0), 0);
    EXPECT_EQ(state_->Folders.Count(), 1);
    settings_.SetMinFolderSizeMB(0.5f);
    UseSettings();
    WalkFolder(*state_, view_, Path("missing"), WalkAttributes{}, 0);
    EXPECT_EQ(state_->Folders.Count(), 1);
}

TEST_F(WalkTest, APathTooLongForTheKernelIsSkippedNotShortenedAndCountedAsUnread) {
    // A chain deeper than PATH_MAX, built and removed with relative steps.
    const std::string segment(200, 'd');
    ASSERT_EQ(::chdir(root_.c_str()), 0);
    std::size_t length = root_.size();
    int levels = 0;
    for (; length < PATH_MAX + 100; ++levels, length += segment.size() + 1) {
        ASSERT_EQ(::mkdir(segment.c_str(), 0755), 0);
        ASSERT_EQ(::chdir(segment.c_str()), 0);
    }
    int fd = ::open("deep.bin", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "abc", 3), 3);
    ::close(fd);
    ASSERT_EQ(::chdir("/"), 0);
    const platform::CalendarFields day{2026, 3, 4, 12, 0, 0, 0, 3};
    services_.SetClock([day] { return day; });
    logLevel_.store(1);
    services_.CreateLogFolder();
    Walk();
    EXPECT_FALSE(Recorded("deep.bin"));
    EXPECT_LT(state_->FoldersEntered.load(), levels + 1);
    for (int i = 0; i < state_->Folders.Count(); ++i)
        EXPECT_LT(state_->Folders.At(i)->Path->size(), PATH_MAX);
    // Only the first folder out of reach is counted: nothing below it is seen.
    EXPECT_EQ(state_->UnreadableFolders.load(), 1);
    std::ifstream log(services_.LogFilePath(day));
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Could not read folder (" + std::string(std::strerror(ENAMETOOLONG)) +
                        "): " + root_ + "/" + segment),
              std::string::npos)
        << text;

    ASSERT_EQ(::chdir(root_.c_str()), 0);
    for (int i = 0; i < levels; ++i) ASSERT_EQ(::chdir(segment.c_str()), 0);
    ::unlink("deep.bin");
    for (int i = 0; i < levels; ++i) {
        ASSERT_EQ(::chdir(".."), 0);
        ASSERT_EQ(::rmdir(segment.c_str()), 0);
    }
    ASSERT_EQ(::chdir("/"), 0);
}

TEST_F(WalkTest, HardLinksToOneFileCountOnceAndOnlyTheFirstPathIsRecorded) {
    const std::string original = MakeSizedFile("a/lib.so", 1000);
    for (const char* link : {"b/lib-link.so", "a/again.so", "c/deeper/lib.so.1"}) {
        std::filesystem::create_directories(std::filesystem::path(Path(link)).parent_path());
        ASSERT_EQ(::link(original.c_str(), Path(link).c_str()), 0) << link;
    }
    MakeSizedFile("b/own.bin", 10);
    const std::int64_t total = Walk();
    EXPECT_EQ(total, 1010) << "the linked file counts once, like du";
    int linked = 0;
    std::int64_t ownSizes = 0;
    for (int i = 0; i < state_->Files.Count(); ++i)
        if (state_->Files.At(i)->Size == 1000) ++linked;
    for (int i = 0; i < state_->Folders.Count(); ++i) ownSizes += state_->Folders.At(i)->OwnSize;
    EXPECT_EQ(linked, 1);
    EXPECT_EQ(ownSizes, 1010) << "no folder counts a further link";
    EXPECT_EQ(state_->Folders.Count(), 5);  // root, a, b, c, c/deeper

    // So is a folder met again by another path, as a bind mount shows it: one
    // with the same identity and change time as a folder already walked.
    MakeSizedFile("m/one/f.bin", 7);
    MakeSizedFile("m/two/g.bin", 3);
    struct stat two;
    ASSERT_EQ(::stat(Path("m/two").c_str(), &two), 0);
    const cairnly::FileIdentity twoId{two.st_dev, two.st_ino};
    const std::int64_t changed = two.st_ctim.tv_sec * 1'000'000'000LL + two.st_ctim.tv_nsec;
    state_->FoldersWalked = {{twoId, changed}};
    EXPECT_EQ(WalkFolder(*state_, view_, Path("m"), WalkAttributes{}, 1), 7);
    EXPECT_FALSE(Recorded("g.bin"));
    // The same numbers with another change time are another folder.
    state_->FoldersWalked = {{twoId, changed + 1}};
    EXPECT_EQ(WalkFolder(*state_, view_, Path("m"), WalkAttributes{}, 1), 10);
}

TEST_F(WalkTest, ATreeDeeperThanTheOpenFileLimitIsWalkedWhole) {
    constexpr int kLevels = 120;
    std::string relative;
    for (int level = 0; level < kLevels; ++level) {
        relative += (level ? "/d" : "d");
        MakeSizedFile(relative + "/f" + std::to_string(level), 1);
    }
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    struct rlimit low = old;
    low.rlim_cur = 40;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    Walk();
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &old), 0);
    EXPECT_EQ(state_->Files.Count(), kLevels);
    EXPECT_EQ(state_->FoldersEntered.load(), kLevels + 1);
    EXPECT_EQ(state_->UnreadableFolders.load(), 0);
}

TEST_F(WalkTest, FoldersThatCannotBeListedOrOnlyInPartAreCountedAndLogged) {
    for (int i = 0; i < 5; ++i) MakeSizedFile("partial/" + std::to_string(i), 1);
    MakeSizedFile("closed/hidden", 1);
    MakeSizedFile("open/seen", 1);
    int partialEntries = 0;
    platform::SetFaultHook([&](platform::FileOp op, const std::string& path) {
        if (op == platform::FileOp::List && path == Path("closed")) return EACCES;
        if (op == platform::FileOp::ListEntry && path.rfind(Path("partial/"), 0) == 0 &&
            ++partialEntries == 3)
            return EIO;
        return 0;
    });
    const platform::CalendarFields day{2026, 3, 4, 12, 0, 0, 0, 3};
    services_.SetClock([day] { return day; });
    logLevel_.store(1);
    services_.CreateLogFolder();
    Walk();
    platform::SetFaultHook({});
    EXPECT_EQ(state_->UnreadableFolders.load(), 2);
    EXPECT_FALSE(Recorded("hidden"));
    EXPECT_TRUE(Recorded("seen"));
    int partialRecorded = 0;
    for (int i = 0; i < state_->Files.Count(); ++i)
        if (state_->Files.At(i)->Folder() == Path("partial")) ++partialRecorded;
    EXPECT_EQ(partialRecorded, 2) << "what was listed before the failure still counts";
    std::ifstream log(services_.LogFilePath(day));
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Could not read folder (" + std::string(std::strerror(EACCES)) +
                        "): " + Path("closed") + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("): " + Path("partial") + "\n"), std::string::npos);
}

// Permission bits do not stop root, so the walk runs in a child that gives up
// root first; it reports how many folders it could not read.
TEST_F(WalkTest, AFolderTheUserMayNotReadIsCountedNotSilentlyEmpty) {
    MakeSizedFile("locked/inside", 1);
    MakeSizedFile("free/outside", 1);
    for (const std::string& folder : {home_.Path(), root_, Path("free")})
        ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(Path("locked").c_str(), 0), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
        Walk();
        const bool sawOutside = Recorded("outside") && !Recorded("inside");
        ::_exit(sawOutside ? state_->UnreadableFolders.load() : 101);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

// Folders are listed ahead on the other cores; what the walk records, and in
// which order, must be what one thread listing each folder in turn records.
TEST_F(WalkTest, ListingAheadOnOtherCoresChangesNothing) {
    int files = 0;
    for (int a = 0; a < 30; ++a)
        for (int b = 0; b < (a % 4) + 1; ++b) {
            const std::string folder = "w" + std::to_string(a) + "/s" + std::to_string(b);
            for (int f = 0; f < 3; ++f, ++files)
                MakeSizedFile(folder + "/f" + std::to_string(f), 100 + a);
            if (b == 1 && ++files) MakeSizedFile(folder + "/deeper/d/g", 7);
        }
    cairnly::FolderLister lister([] { return false; }, 2);
    std::vector<std::string> expected;
    for (int a = 29; a >= 0; --a) expected.push_back(Path("w" + std::to_string(a)));
    expected.push_back(Path("missing"));
    lister.Expect(expected);
    for (const std::string& folder : expected) {
        std::vector<platform::DirEntry> ahead, now;
        const int error = lister.List(folder, ahead);
        EXPECT_EQ(error, platform::ReadFolder(folder, now)) << folder;
        ASSERT_EQ(ahead.size(), now.size()) << folder;
        for (std::size_t i = 0; i < now.size(); ++i) EXPECT_EQ(ahead[i].name, now[i].name);
    }

    auto walkOrder = [&] {
        Walk();
        EXPECT_EQ(state_->Files.Count(), files);
        std::vector<std::string> order;
        for (int i = 0; i < state_->Files.Count(); ++i)
            order.push_back(state_->Files.At(i)->FullPath());
        for (int i = 0; i < state_->Folders.Count(); ++i)
            order.push_back(*state_->Folders.At(i)->Path);
        order.push_back(std::to_string(state_->FoldersEntered.load()));
        cairnly::ClearResults(*state_, view_);
        return order;
    };
    const std::vector<std::string> shared = walkOrder();
    // On one core the walk lists every folder itself.
    cpu_set_t all, one;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    CPU_ZERO(&one);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &all)) {
            CPU_SET(cpu, &one);
            break;
        }
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const std::vector<std::string> alone = walkOrder();
    ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(shared, alone);
}

// FileTable full: the folder being enumerated ends at once without a record;
// its ancestors count what was enumerated and go on.
class WalkCapacityTest : public WalkTest {
  protected:
    WalkCapacityTest() {
        cairnly::TableCapacities c = SmallCapacities();
        c.files = 3;
        c.folders = 2;
        state_ = std::make_unique<cairnly::CairnlyState>(settings_, services_, c);
        view_.Attach(state_.get());
    }
};

TEST_F(WalkCapacityTest, FullFileTableEndsTheFolderAndFullFolderTableAddsNoRecord) {
    MakeSizedFile("a/1", 1);
    MakeSizedFile("a/2", 1);
    MakeSizedFile("a/3", 1);
    MakeSizedFile("a/4", 1);
    MakeSizedFile("b/1", 1);
    MakeSizedFile("c/empty-folder-file", 0);
    std::int64_t total = Walk();
    EXPECT_EQ(state_->Files.Count(), 3);
    EXPECT_LE(total, 5) << "a/4 or b/1 is never enumerated";
    EXPECT_EQ(state_->Folders.Count(), 2);
    EXPECT_FALSE(Folders().count(Path("a"))) << "a folder cut short gets no record";
}

TEST(EngineCapacities, RealTablesGrowPastTheOldLimitsWithoutMovingPublishedSlots) {
    testing_support::TempHome home;
    cairnly::ScanSettings settings;
    settings.SetDefaults();
    shared::DesktopServices services("Cairnly", [] { return 0; });
    cairnly::CairnlyState state(settings, services);
    EXPECT_EQ(state.Partials.Capacity(), 2'000u);
    EXPECT_EQ(state.Capacities.partialMembers, 500u);

    cairnly::FileRecord record;
    ASSERT_TRUE(state.Duplicates.Append(&record));
    cairnly::FileRecord* const* first = &state.Duplicates.SlotAt(0);
    for (int i = 1; i <= 1'000'000; ++i) ASSERT_TRUE(state.Duplicates.Append(&record + (i % 2)));
    EXPECT_EQ(state.Duplicates.Count(), 1'000'001);
    EXPECT_EQ(&state.Duplicates.SlotAt(0), first) << "appending never moves a published slot";
    EXPECT_EQ(state.Duplicates.At(1'000'000), &record);
    EXPECT_EQ(state.Duplicates.At(999'999), &record + 1);

    for (int i = 0; i <= 100'000; ++i)
        ASSERT_TRUE(state.Folders.Append(std::make_unique<cairnly::FolderRecord>()));
    EXPECT_EQ(state.Folders.Count(), 100'001);
    state.Folders.Clear();
    EXPECT_EQ(state.Folders.Count(), 0);
    ASSERT_TRUE(state.Folders.Append(std::make_unique<cairnly::FolderRecord>()));
    EXPECT_EQ(state.Folders.Count(), 1);
}

TEST(MinFileBytesTest, ThresholdsOutsideTheSixtyFourBitRangeSaturate) {
    EXPECT_EQ(cairnly::MinFileBytes(1.0f), 1048576);
    EXPECT_EQ(cairnly::MinFileBytes(0.0f), 0);
    EXPECT_EQ(cairnly::MinFileBytes(1e30f), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(cairnly::MinFileBytes(-1e30f), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(cairnly::MinFileBytes(std::numeric_limits<float>::infinity()),
              std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(cairnly::MinFileBytes(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST_F(WalkTest, ARelativeRootBecomesAFullPathWithoutFollowingLinks) {
    MakeFile("real/sub/x", "x");
    std::filesystem::create_symlink(root_ + "/real/sub", root_ + "/link");
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(root_);
    const char* oldPwd = std::getenv("PWD");
    std::string savedPwd = oldPwd ? oldPwd : "";
    ::unsetenv("PWD");
    std::string canonicalRoot = std::filesystem::canonical(root_).string();
    EXPECT_EQ(cairnly::AbsoluteFolderPath("real"), canonicalRoot + "/real");
    EXPECT_EQ(cairnly::AbsoluteFolderPath("./real//sub/"), canonicalRoot + "/real/sub");
    EXPECT_EQ(cairnly::AbsoluteFolderPath("real/sub/.."), canonicalRoot + "/real");
    EXPECT_EQ(cairnly::AbsoluteFolderPath("link/.."), canonicalRoot + "/link/..");
    EXPECT_EQ(cairnly::AbsoluteFolderPath("link/../.."), canonicalRoot + "/link/../..");
    EXPECT_EQ(cairnly::AbsoluteFolderPath("/already/absolute/../x"), "/already/absolute/../x");
    EXPECT_EQ(cairnly::AbsoluteFolderPath(""), "");
    // The shell's name for the current folder is kept when it is the same folder.
    ::setenv("PWD", (root_ + "/link").c_str(), 1);
    std::filesystem::current_path(root_ + "/link");
    EXPECT_EQ(cairnly::AbsoluteFolderPath("."), root_ + "/link");
    std::filesystem::current_path(cwd);
    if (oldPwd) ::setenv("PWD", savedPwd.c_str(), 1);
}

}  // namespace
}  // namespace engine_test
