// Duplicate detection: the three modes and their traps, group numbering, the
// list hand-off, the summary, fingerprints and digests.
#include "cairnly/engine/duplicates.h"

#include <cryptopp/sha.h>
#include <sys/stat.h>

#include <array>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "cairnly/engine/walk.h"
#include "platform/files.h"
#include "shared/selection_order.h"
#include "tests/cairnly/engine/engine_fixture.h"
#include "tests/platform/scratch_mount.h"

namespace engine_test {
namespace {

using cairnly::FindDuplicates;

// Content that differs from every other seed within its first 64 KiB.
std::string Content(std::size_t size, int seed) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed) * 7919) % 251);
    return s;
}

class DuplicatesTest : public EngineTest {
  protected:
    // Walk, sorts and threshold as the worker runs them, then the pass.
    void Analyze(int mode, std::int64_t threshold = -1) {
        settings_.SetDuplicateMode(mode);
        UseSettings();
        cairnly::WalkFolder(*state_, view_, root_, cairnly::WalkAttributes{}, 0);
        cairnly::SortFilesByFolder(*state_);
        cairnly::CopyFilesToFolderTable(*state_);
        cairnly::SortFilesBySize(*state_);
        state_->SmallFileThreshold.store(
            threshold >= 0 ? threshold : cairnly::ComputeSmallFileThreshold(*state_));
        if (afterWalk_) afterWalk_();
        FindDuplicates(*state_, view_);
    }
    std::function<void()> afterWalk_;  // changes files the walk has seen
    void Reset() {
        state_->Duplicates.Clear();
        state_->FilesByFolder.Clear();
        state_->Files.Clear();
        state_->Folders.Clear();
        view_.ClearAllPages();
    }
    // Groups as sets of file names, keyed by group number.
    std::map<int, std::set<std::string>> Groups() const {
        std::map<int, std::set<std::string>> groups;
        for (int i = 0; i < state_->Duplicates.Count(); ++i) {
            const auto* r = state_->Duplicates.At(i);
            groups[r->DupGroup].insert(r->FileName);
        }
        return groups;
    }
    int GroupOf(const std::string& name) const {
        for (int i = 0; i < state_->Files.Count(); ++i)
            if (state_->Files.At(i)->FileName == name) return state_->Files.At(i)->DupGroup;
        return -99;
    }
};

TEST_F(DuplicatesTest, TwoCopiesAreOneGroupInEveryMode) {
    MakeFile("a/copy1.bin", Content(300000, 1));
    MakeFile("b/copy2.bin", Content(300000, 1));
    MakeFile("c/other.bin", Content(300000, 2));
    MakeFile("c/alone.bin", Content(1000, 3));
    // Copies whose folders lie more than a thousand folders apart in the walk.
    MakeFile("near.bin", Content(250000, 4));
    std::string far = "deep";
    for (int i = 0; i < 1100; ++i, far += "/d") ASSERT_EQ(::mkdir(Path(far).c_str(), 0755), 0);
    MakeFile(far + "/far.bin", Content(250000, 4));
    SetMtime("near.bin", 7);  // the very quick mode compares times of the smaller files
    SetMtime(far + "/far.bin", 7);
    for (int mode : {0, 1, 2}) {
        Reset();
        Analyze(mode);
        EXPECT_EQ(Groups(), (std::map<int, std::set<std::string>>{{1, {"copy1.bin", "copy2.bin"}},
                                                                  {2, {"near.bin", "far.bin"}}}))
            << mode;
        EXPECT_EQ(GroupOf("other.bin"), -1);
        EXPECT_EQ(state_->PageStatusText(cairnly::kDuplicatesPage),
                  "Displaying 4 duplicate files with a total size of 1.0 MB");
        EXPECT_EQ(Statuses().back(), "Displaying 4 duplicate files with a total size of 1.0 MB");
    }
}

TEST_F(DuplicatesTest, VeryQuickModeComparesTimesOfSmallFiles) {
    MakeFile("x.txt", "hello world");
    MakeFile("y.txt", "HELLO WORLD");
    SetMtime("x.txt", 1600000000);
    SetMtime("y.txt", 1600000000);
    Analyze(0, cairnly::kSmallFileLimit);
    EXPECT_EQ(Groups().size(), 1u) << "equal size and time count as duplicates";
    Reset();
    SetMtime("y.txt", 1600000001);
    Analyze(0, cairnly::kSmallFileLimit);
    EXPECT_TRUE(Groups().empty());
    Reset();
    Analyze(2);
    EXPECT_TRUE(Groups().empty());
}

TEST_F(DuplicatesTest, ShortFilesMatchInTheQuickModesOnlyWhenTheirBytesDo) {
    // The same eight-byte words in another order: equal word sums, other content.
    MakeFile("a/words.txt", "abcdefgh12345678");
    MakeFile("b/swapped.txt", "12345678abcdefgh");
    MakeFile("c/copy.txt", "abcdefgh12345678");
    MakeFile("d/other.txt", "another content!");
    const std::map<int, std::set<std::string>> expected{{1, {"words.txt", "copy.txt"}}};
    for (int mode : {0, 1, 2}) {
        Reset();
        Analyze(mode, 0);  // no file is below the very quick mode's threshold
        EXPECT_EQ(Groups(), expected) << mode;
    }
}

TEST_F(DuplicatesTest, SameHeadDifferentTailFoolsOnlyTheQuickModes) {
    std::string head = Content(65536, 4);
    MakeFile("p.bin", head + std::string(5000, 'p'));
    MakeFile("q.bin", head + std::string(5000, 'q'));
    SetMtime("p.bin", 1);
    SetMtime("q.bin", 2);
    Analyze(0, 1000);  // above the threshold: the head sum decides
    EXPECT_EQ(Groups().size(), 1u);
    Reset();
    Analyze(1);
    EXPECT_EQ(Groups().size(), 1u);
    Reset();
    Analyze(2);
    EXPECT_TRUE(Groups().empty());
}

TEST_F(DuplicatesTest, SameSizeDifferentContentIsNeverADuplicate) {
    MakeFile("m.bin", Content(70000, 5));
    MakeFile("n.bin", Content(70000, 6));
    SetMtime("m.bin", 5);
    SetMtime("n.bin", 5);
    for (int mode : {0, 1, 2}) {
        Reset();
        Analyze(mode, 1000);
        EXPECT_TRUE(Groups().empty()) << mode;
    }
}

TEST_F(DuplicatesTest, DeepModeReadsWholeOnlyRunsWhoseMembersShareAFirstBlock) {
    const std::string a = Content(200000, 8);
    std::string lateDiff = a;
    lateDiff[150000] ^= 1;  // same first block as a, other content
    MakeFile("x/a.bin", a);
    MakeFile("y/a.bin", a);
    MakeFile("z/late.bin", lateDiff);
    // Runs whose members all differ in the first block: only that block is read.
    for (int i = 0; i < 3; ++i) MakeFile("e/early" + std::to_string(i), Content(150000, 20 + i));
    MakeFile("p/one", Content(120000, 30));
    MakeFile("p/two", Content(120000, 31));
    // Files no longer than the block: the first read is the whole file.
    MakeFile("s/small.txt", Content(3000, 40));
    MakeFile("t/small.txt", Content(3000, 40));
    MakeFile("s/other.txt", Content(3000, 41));
    MakeFile("z/unique-size.bin", Content(123456, 9));
    Analyze(2);
    EXPECT_EQ(Groups(), (std::map<int, std::set<std::string>>{{1, {"a.bin"}}, {2, {"small.txt"}}}));
    EXPECT_EQ(GroupOf("late.bin"), -1);
    EXPECT_EQ(state_->HeadKeysRead.load(), 11) << "every file of a run, once";
    EXPECT_EQ(state_->FilesFullyHashed.load(), 6) << "the shared-block run and the short files";
    EXPECT_EQ(state_->CacheHits.load(), 0);
}

// Digests through every way of opening: x holds enough files to be opened
// as a folder, y does not. "long" runs past the first block, so its digest
// goes on from the state after that block. In the run of "m" files only the
// twins share a first block: the members read before them wait open or are
// opened again, and "n/later" is read whole at once. The run of "c" files has
// too many members to be read that way. All of it again under a low
// open-file limit, where no member may wait open.
TEST_F(DuplicatesTest, DeepDigestsAreSha1OfTheWholeFileHoweverTheFileIsOpened) {
    std::map<std::string, std::string> bytesOf;  // by file name
    auto make = [&](const char* folder, const std::string& name, const std::string& bytes) {
        MakeFile(folder + name, bytes);
        bytesOf[name] = bytes;
    };
    auto numbered = [](const char* prefix, int i) {
        return std::string(prefix).append(std::to_string(i));
    };
    const std::string longBytes(cairnly::kHeadKeyBytes * 3 + 5, 'a');
    std::string lateDiff = longBytes;
    lateDiff.back() = 'b';
    for (const char* folder : {"x/", "y/"}) {
        make(folder, "abc", "abc");
        make(folder, "long", longBytes);
    }
    make("x/", "late", lateDiff);
    const std::size_t manySize = cairnly::kHeadKeyBytes * 2 + 7;
    for (int i = 0; i < 20; ++i) make("m/", numbered("d", 10 + i), Content(manySize, 100 + i));
    make("m/", "twin1", Content(manySize, 200));
    make("n/", "twin2", Content(manySize, 200));
    make("n/", "later", Content(manySize, 201));
    for (int i = 0; i < 70; ++i)
        make("c/", numbered("c", i), Content(cairnly::kHeadKeyBytes + 1, 300 + i % 35));
    auto sha1 = [](const std::string& bytes) {
        cairnly::Digest20 digest;
        CryptoPP::SHA1().CalculateDigest(
            digest.data(), reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size());
        return digest;
    };
    auto check = [&](const char* how) {
        ASSERT_EQ(state_->Files.Count(), static_cast<int>(bytesOf.size() + 2)) << how;
        for (int i = 0; i < state_->Files.Count(); ++i) {
            const cairnly::FileRecord& r = *state_->Files.At(i);
            ASSERT_TRUE(r.DigestReady) << r.FullPath() << how;
            EXPECT_EQ(r.Digest, sha1(bytesOf.at(r.FileName))) << r.FullPath() << how;
        }
        const auto groups = Groups();
        EXPECT_EQ(groups.size(), 38u) << how;  // long, the twins, 35 pairs of c, abc
        EXPECT_EQ(groups.at(1), std::set<std::string>{"long"}) << how;
        EXPECT_EQ(groups.at(2), (std::set<std::string>{"twin1", "twin2"})) << how;
        for (int i = 0; i < 35; ++i)
            EXPECT_EQ(GroupOf(numbered("c", i)), GroupOf(numbered("c", i + 35))) << how;
        EXPECT_EQ(groups.at(38), std::set<std::string>{"abc"}) << how;
    };
    Analyze(2);
    check("");
    {
        testing_support::OpenFileLimit limit(6);
        Reset();
        Analyze(2);
    }
    check(" (low open-file limit)");
    const cairnly::Digest20 abc{0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
    EXPECT_EQ(sha1("abc"), abc) << "the digest the checks compare with is SHA-1";
}

// The status line counts up while files are read: the reading of first
// blocks and then of whole files each move it on, never back.
TEST_F(DuplicatesTest, ProgressOnlyMovesForwardInEveryMode) {
    const std::string prefix = "Analyzing files for duplicates: ";
    // Pairs of sizes with one smaller file below them: the pass meets the
    // runs at every second position, including round ones.
    for (int i = 0; i < 150; ++i)
        MakeFile("f" + std::to_string(i % 3) + "/n" + std::to_string(i),
                 Content(1000 + static_cast<std::size_t>(i % 75), i));
    MakeFile("tiny", "x");
    const std::string longBytes = Content(70000, 3);
    for (int i = 0; i < 6; ++i) MakeFile("g" + std::to_string(i) + "/long", longBytes);
    auto progressOf = [&](int mode) {
        Reset();
        const std::size_t earlier = Statuses().size();
        Analyze(mode);
        const std::vector<std::string> statuses = Statuses();
        std::vector<double> shown;
        for (std::size_t i = earlier; i < statuses.size(); ++i)
            if (statuses[i].rfind(prefix, 0) == 0)
                shown.push_back(std::stod(statuses[i].substr(prefix.size())));
        EXPECT_GE(shown.size(), 3u) << "mode " << mode;
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << "mode " << mode;
        EXPECT_GE(shown.front(), 0.0);
        // Only the unique smallest file is left below the last run.
        EXPECT_GT(shown.back(), 99.0) << "mode " << mode;
        EXPECT_LE(shown.back(), 100.0);
    };
    for (int mode : {0, 1, 2}) {
        progressOf(mode);
        EXPECT_EQ(Groups().size(), 1u) << "only the long copies are alike";
    }
    // Without them the deep mode has nothing to read whole, and still ends.
    for (int i = 0; i < 6; ++i) ::unlink(Path("g" + std::to_string(i) + "/long").c_str());
    progressOf(2);
    EXPECT_TRUE(Groups().empty());
}

// The whole-file procedure: every member of the run hashed, the run put in
// selection order of the digests, and each group's rows listed from the top
// of the run down.
std::vector<std::string> WholeFileRowOrder(std::vector<std::pair<std::string, std::string>> run) {
    std::vector<std::pair<cairnly::Digest20, std::string>> keyed;
    for (const auto& [name, content] : run) {
        cairnly::Digest20 digest;
        CryptoPP::SHA1().CalculateDigest(
            digest.data(), reinterpret_cast<const CryptoPP::byte*>(content.data()), content.size());
        keyed.emplace_back(digest, name);
    }
    shared::SelectionOrder(keyed.begin(), keyed.end(),
                           [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> rows;
    for (std::size_t j = keyed.size() - 1; j >= 1; --j)
        if (keyed[j].first == keyed[j - 1].first) {
            if (rows.empty() || rows.back() != keyed[j].second) rows.push_back(keyed[j].second);
            rows.push_back(keyed[j - 1].second);
        }
    return rows;
}

TEST_F(DuplicatesTest, MembersOfAGroupAreListedInTheOrderOfTheWholeFileComparison) {
    const std::string a = Content(100000, 50);
    cairnly::Digest20 aDigest;
    CryptoPP::SHA1().CalculateDigest(aDigest.data(),
                                     reinterpret_cast<const CryptoPP::byte*>(a.data()), a.size());
    // Non-duplicates whose digests fall after and before the group's: the
    // selection order moves the group's members around them.
    std::string after, before;
    for (int seed = 100; after.empty() || before.empty(); ++seed) {
        std::string c = Content(100000, seed);
        cairnly::Digest20 d;
        CryptoPP::SHA1().CalculateDigest(
            d.data(), reinterpret_cast<const CryptoPP::byte*>(c.data()), c.size());
        (d < aDigest ? before : after) = c;
    }
    // One file per level of a chain of folders: the run keeps this order.
    const std::vector<std::pair<std::string, std::string>> run = {
        {"first", a}, {"second", a}, {"after", after}, {"before", before}};
    std::string folder;
    for (const auto& [name, content] : run) {
        folder += "d/";
        MakeFile(folder + name, content);
    }
    Analyze(2);
    std::vector<std::string> tableOrder;
    for (int i = 0; i < state_->Files.Count(); ++i)
        tableOrder.push_back(state_->Files.At(i)->FileName);
    ASSERT_EQ(tableOrder, (std::vector<std::string>{"first", "second", "after", "before"}));
    std::vector<std::string> rows;
    for (const auto& row : view_.duplicateRows) rows.push_back(row.record->FileName);
    EXPECT_EQ(rows, WholeFileRowOrder(run));
}

// Rows as (group, path), in page order.
std::vector<std::pair<int, std::string>> RowsOf(const RecordingView& view) {
    std::vector<std::pair<int, std::string>> rows;
    for (const auto& row : view.duplicateRows) rows.emplace_back(row.group, row.record->FullPath());
    return rows;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(DuplicatesTest, ASecondDeepScanReadsOnlyTheFilesThatChanged) {
    state_->HashCachePath = home_.Path() + "/hashes.bin";
    // 50 runs whose four members share a first block (two are copies), and
    // 25 runs whose members differ in it: 300 files.
    for (int r = 0; r < 50; ++r) {
        const std::size_t size = 10000 + static_cast<std::size_t>(r) * 100;
        const std::string a = Content(size, r);
        std::string b = a, c = a;
        b[size - 1] ^= 1;
        c[size - 2] ^= 1;
        const std::string n = std::to_string(r);
        MakeFile("one/a" + n, a);
        MakeFile("two/a" + n, a);
        MakeFile("three/b" + n, b);
        MakeFile("three/c" + n, c);
    }
    for (int r = 0; r < 25; ++r)
        for (int k = 0; k < 4; ++k)
            MakeFile("early/e" + std::to_string(r) + "-" + std::to_string(k),
                     Content(20000 + static_cast<std::size_t>(r) * 100, 60 + k));
    auto scan = [this] {
        Reset();
        const std::int64_t heads = state_->HeadKeysRead, whole = state_->FilesFullyHashed,
                           hits = state_->CacheHits;
        Analyze(2);
        state_->Background.Wait();  // the cache is written after the scan
        return std::array<std::int64_t, 3>{state_->HeadKeysRead - heads,
                                           state_->FilesFullyHashed - whole,
                                           state_->CacheHits - hits};
    };
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{300, 200, 0}));
    const auto firstRows = RowsOf(view_);
    EXPECT_EQ(firstRows.size(), 100u);
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{0, 0, 300})) << "nothing is read again";
    EXPECT_EQ(RowsOf(view_), firstRows);

    // A stop part-way leaves the cache of the last complete scan.
    const std::string saved = FileBytes(state_->HashCachePath);
    MakeFile("early/e0-0", Content(20000, 99));
    view_.onDuplicateRow = [this] { state_->Scan.RequestStop(); };
    scan();
    view_.onDuplicateRow = nullptr;
    ASSERT_TRUE(state_->Scan.RunHere({}, {}));  // the next run starts with the stop cleared
    EXPECT_EQ(FileBytes(state_->HashCachePath), saved);
    // So does a full disk, and the scan ends as it always does.
    platform::SetFaultHook([this](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::Write && path == state_->HashCachePath
                   ? platform::kErrorDiskFull
                   : 0;
    });
    scan();
    platform::SetFaultHook(nullptr);
    EXPECT_EQ(FileBytes(state_->HashCachePath), saved);
    EXPECT_EQ(Statuses().back().rfind("Displaying 100 duplicate files with a total size of", 0),
              0u);

    // 1%: an early-differing file (above), a member of a shared-block run and a copy.
    MakeFile("three/b3", Content(10300, 77));
    MakeFile("two/a7", Content(10700, 78));
    SetMtime("two/a7", 1'000'000'000);
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{3, 2, 297}));
    // A file becomes a copy of a member of a run that had no shared first
    // block: the cache knew only first blocks there, so the whole run is read
    // (its first block again on the way), and the next scan reads nothing.
    MakeFile("early/e1-0", Content(20100, 61));
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{1, 4, 299}));
    // Two new copies, one rewritten between the walk and its reading (same
    // size and first block, other content, a new time): it is hashed as it is
    // then and kept under its new stamp, so the scan after reads nothing.
    const std::string copy = Content(30000, 90);
    std::string changed = copy;
    changed.back() ^= 1;
    MakeFile("late/x1", copy);
    MakeFile("late/x2", copy);
    afterWalk_ = [&] {
        MakeFile("late/x2", changed);
        SetMtime("late/x2", 1'200'000'000);
    };
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{2, 2, 300}));
    afterWalk_ = nullptr;
    EXPECT_EQ(RowsOf(view_).size(), 100u) << "x1 and x2 differ";
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{0, 0, 302}));
    EXPECT_EQ(RowsOf(view_).size(), 100u);
    ::unlink(Path("late/x1").c_str());
    ::unlink(Path("late/x2").c_str());
    ::rmdir(Path("late").c_str());
    EXPECT_EQ(scan(), (std::array<std::int64_t, 3>{0, 0, 300}));
    const auto cachedRows = RowsOf(view_);
    state_->HashCachePath.clear();
    scan();
    EXPECT_EQ(cachedRows, RowsOf(view_)) << "as a scan without the cache finds them";
    EXPECT_EQ(cachedRows.size(), 100u);
}

TEST_F(DuplicatesTest, InterleavedRunsFormSeparateGroupsWhateverTheOrder) {
    MakeFile("one/A", Content(200000, 10));
    MakeFile("two/B", Content(200000, 11));
    MakeFile("three/A2", Content(200000, 10));
    MakeFile("four/B2", Content(200000, 11));
    MakeFile("five/C", Content(200000, 12));
    MakeFile("six/A3", Content(200000, 10));
    for (int mode : {1, 2}) {
        Reset();
        Analyze(mode);
        auto groups = Groups();
        ASSERT_EQ(groups.size(), 2u) << mode;
        std::set<std::set<std::string>> sets{groups[1], groups[2]};
        EXPECT_EQ(sets, (std::set<std::set<std::string>>{{"A", "A2", "A3"}, {"B", "B2"}}));
        EXPECT_EQ(GroupOf("C"), -1);
        // Within one size the group with the higher key gets the smaller number.
        const cairnly::FileRecord* g1 = state_->Duplicates.At(0);
        const cairnly::FileRecord* g2 = state_->Duplicates.At(state_->Duplicates.Count() - 1);
        if (mode == 2)
            EXPECT_GT(g1->Digest, g2->Digest);
        else
            EXPECT_GT(static_cast<std::int64_t>(g1->Fingerprint),
                      static_cast<std::int64_t>(g2->Fingerprint));
    }
}

TEST_F(DuplicatesTest, OddFileInTheMiddleOfThreeStillLeavesTheOtherTwoGrouped) {
    MakeFile("a/x", Content(90000, 20));
    MakeFile("b/odd", Content(90000, 21));
    MakeFile("c/x", Content(90000, 20));
    Analyze(2);
    ASSERT_EQ(state_->Duplicates.Count(), 2);
    std::set<std::string> folders;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(state_->Duplicates.At(i)->DupGroup, 1);
        folders.insert(*state_->Duplicates.At(i)->FolderPath);
    }
    EXPECT_EQ(folders, (std::set<std::string>{Path("a"), Path("c")}));
    EXPECT_EQ(GroupOf("odd"), -1);
}

TEST_F(DuplicatesTest, LargerFilesGetSmallerNumbersAndRowsFollowTheList) {
    MakeFile("s1", Content(1000, 30));
    MakeFile("s2", Content(1000, 30));
    MakeFile("m1", Content(5000, 31));
    MakeFile("m2", Content(5000, 31));
    MakeFile("m3", Content(5000, 31));
    MakeFile("l1", Content(9000, 32));
    MakeFile("l2", Content(9000, 32));
    Analyze(2);
    EXPECT_EQ(GroupOf("l1"), 1);
    EXPECT_EQ(GroupOf("m1"), 2);
    EXPECT_EQ(GroupOf("s1"), 3);
    ASSERT_EQ(view_.duplicateRows.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        const auto& row = view_.duplicateRows[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.row, i);
        EXPECT_EQ(row.listIndex, i);
        EXPECT_EQ(row.record, state_->Duplicates.At(i));
        EXPECT_EQ(row.group, row.record->DupGroup);
    }
    EXPECT_EQ(Statuses().back(), "Displaying 7 duplicate files with a total size of 0.0 MB");
}

TEST_F(DuplicatesTest, RunOrderingLeavesFileTableAsItWas) {
    for (int i = 0; i < 8; ++i) MakeFile("f" + std::to_string(i), Content(70000, i % 3));
    settings_.SetDuplicateMode(2);
    UseSettings();
    cairnly::WalkFolder(*state_, view_, root_, cairnly::WalkAttributes{}, 0);
    cairnly::SortFilesBySize(*state_);
    auto before = FileNames();
    FindDuplicates(*state_, view_);
    EXPECT_EQ(FileNames(), before) << "rows of the Largest files page link to FileTable indexes";
    EXPECT_EQ(state_->Duplicates.Count(), 8);
}

TEST_F(DuplicatesTest, FilesThatCannotBeReadAreNeverMatched) {
    MakeFile("gone1", Content(70000, 40));
    MakeFile("gone2", Content(70000, 40));
    UseSettings();
    cairnly::WalkFolder(*state_, view_, root_, cairnly::WalkAttributes{}, 0);
    cairnly::SortFilesBySize(*state_);
    ::unlink(Path("gone1").c_str());
    ::unlink(Path("gone2").c_str());
    ASSERT_EQ(::mkfifo(Path("gone2").c_str(), 0644), 0);  // a FIFO must not be opened
    for (int mode : {1, 2}) {
        settings_.SetDuplicateMode(mode);
        UseSettings();
        FindDuplicates(*state_, view_);
        EXPECT_EQ(state_->Duplicates.Count(), 0) << mode;
    }
    // Small files are read as the deep walk saw them, without a second look:
    // FIFOs or a folder put in their place since then read short or not at all.
    Reset();
    for (const char* name : {"small1", "small2", "small3"}) MakeFile(name, Content(3000, 41));
    settings_.SetDuplicateMode(2);
    UseSettings();
    cairnly::WalkFolder(*state_, view_, root_, cairnly::WalkAttributes{}, 0);
    cairnly::SortFilesBySize(*state_);
    for (const char* name : {"small1", "small2", "small3"}) ::unlink(Path(name).c_str());
    ASSERT_EQ(::mkfifo(Path("small1").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(Path("small2").c_str(), 0644), 0);
    MakeFolder("small3");
    FindDuplicates(*state_, view_);
    EXPECT_EQ(state_->Duplicates.Count(), 0);
}

TEST_F(DuplicatesTest, AFullListEndsThePassAndTheSummaryCountsWhatWasListed) {
    state_ = std::make_unique<cairnly::CairnlyState>(settings_, services_, [] {
        auto c = SmallCapacities();
        c.duplicates = 5;  // full at 3 listed entries
        return c;
    }());
    view_.Attach(state_.get());
    for (int size : {1000, 2000, 3000})
        for (const char* copy : {"a", "b"})
            MakeFile(std::to_string(size) + copy, Content(static_cast<std::size_t>(size), size));
    Analyze(2);
    EXPECT_EQ(state_->Duplicates.Count(), 4);
    EXPECT_EQ(Statuses().back(), "Displaying 4 duplicate files with a total size of 0.0 MB");
    EXPECT_EQ(GroupOf("1000a"), -1) << "the smallest pair came after the list was full";
}

TEST_F(DuplicatesTest, EmptyTableAndSingleFileReportNothing) {
    Analyze(2);
    EXPECT_EQ(Statuses().back(), "Displaying 0 duplicate files with a total size of 0.0 MB");
    MakeFile("only", "x");
    Reset();
    Analyze(2);
    EXPECT_EQ(Statuses().back(), "Displaying 0 duplicate files with a total size of 0.0 MB");
}

TEST_F(DuplicatesTest, StopDuringThePassKeepsWhatWasListed) {
    for (int size : {1000, 2000, 3000})
        for (const char* copy : {"a", "b"})
            MakeFile(std::to_string(size) + copy, Content(static_cast<std::size_t>(size), size));
    view_.onDuplicateRow = [this] { state_->Scan.RequestStop(); };
    Analyze(2);
    EXPECT_EQ(state_->Duplicates.Count(), 2) << "the pair being listed completes";
    EXPECT_EQ(Statuses().back(), "Displaying 2 duplicate files with a total size of 0.0 MB");
}

TEST_F(DuplicatesTest, ModesOutsideTheKnownOnesBehaveAsVeryQuick) {
    MakeFile("x.txt", "hello world");
    MakeFile("y.txt", "HELLO WORLD");
    SetMtime("x.txt", 100);
    for (int mode : {3, 7}) {
        // Equal size and time group different contents, which only the very quick mode does.
        Reset();
        SetMtime("y.txt", 100);
        Analyze(mode, cairnly::kSmallFileLimit);
        EXPECT_EQ(Groups(), (std::map<int, std::set<std::string>>{{1, {"x.txt", "y.txt"}}}))
            << mode;
        // Different times part them, which the quick mode would not.
        Reset();
        SetMtime("y.txt", 200);
        Analyze(mode, cairnly::kSmallFileLimit);
        EXPECT_TRUE(Groups().empty()) << mode;
    }
}

TEST(SmallFileThreshold, FourFifthsOfTheSizeOrderCappedAtTenMiB) {
    testing_support::TempHome home;
    cairnly::ScanSettings settings;
    settings.SetDefaults();
    shared::DesktopServices services("Cairnly", [] { return 0; });
    cairnly::CairnlyState state(settings, services, [] {
        cairnly::TableCapacities c;
        c.files = 20;
        return c;
    }());
    EXPECT_EQ(cairnly::ComputeSmallFileThreshold(state), cairnly::kSmallFileLimit) << "no entry";
    for (int i = 1; i <= 10; ++i) {
        auto r = std::make_unique<cairnly::FileRecord>();
        r->Size = i * 100;
        state.Files.Append(std::move(r));
    }
    EXPECT_EQ(cairnly::ComputeSmallFileThreshold(state), 900) << "entry 8 of 10";
    state.Files.At(8)->Size = cairnly::kSmallFileLimit;
    EXPECT_EQ(cairnly::ComputeSmallFileThreshold(state), cairnly::kSmallFileLimit);
}

class FingerprintTest : public EngineTest {};

TEST_F(FingerprintTest, SumOfTheFirst64KiBAndNeverZeroForAReadableFile) {
    cairnly::FileRecord r;
    r.FolderPath = std::make_shared<const std::string>(root_);
    r.FileName = "ones";
    MakeFile("ones", std::string(65536, '\x01') + "tail");
    r.Size = 65540;
    EXPECT_EQ(r.Size, 65540);
    EXPECT_EQ(cairnly::ComputeFingerprint(r, 1, 0), 0x0101010101010101ULL * 8192ULL);
    MakeFile("ones", std::string(65536, '\0'));
    EXPECT_EQ(cairnly::ComputeFingerprint(r, 1, 0), 1u) << "a zero sum becomes 1";
    MakeFile("ones", "short");
    const std::uint64_t shortPrint = cairnly::ComputeFingerprint(r, 1, 0);
    MakeFile("ones", "shorT");
    EXPECT_NE(cairnly::ComputeFingerprint(r, 1, 0), shortPrint) << "short files: all bytes count";
    EXPECT_NE(shortPrint, 0u);
    r.LastWriteTime = 12345;
    r.Size = 5;
    EXPECT_EQ(cairnly::ComputeFingerprint(r, 0, 6), 12345u) << "small file in the very quick mode";
    EXPECT_EQ(cairnly::ComputeFingerprint(r, 0, 5), cairnly::ComputeFingerprint(r, 1, 0))
        << "the threshold itself is not small: the file is read";
    ::unlink(Path("ones").c_str());
    EXPECT_EQ(cairnly::ComputeFingerprint(r, 1, 0), 0u);
    ASSERT_EQ(::mkfifo(Path("ones").c_str(), 0644), 0);
    EXPECT_EQ(cairnly::ComputeFingerprint(r, 1, 0), 0u) << "a FIFO is not opened for reading";
}

}  // namespace
}  // namespace engine_test
