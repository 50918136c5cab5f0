// The digest cache between deep scans: what finds an entry, what the file
// keeps, and every way a file on disk is refused.
#include "cairnly/engine/hash_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "platform/files.h"
#include "tests/shared/temp_home.h"

namespace {

using cairnly::CacheLoad;
using cairnly::FileHashes;
using cairnly::FileStamp;
using cairnly::HashCache;

FileStamp Stamp(std::uint64_t inode) {
    return FileStamp{42, inode, 1000 + static_cast<std::int64_t>(inode), 1'700'000'000'123'456'789,
                     1'700'000'001'987'654'321};
}

FileHashes Hashes(std::uint64_t seed) {
    FileHashes h;
    h.headKey = seed * 7 + 1;
    h.digestReady = seed % 2 == 0;
    for (std::size_t i = 0; i < h.digest.size(); ++i)
        h.digest[i] = static_cast<std::uint8_t>(seed + i);
    return h;
}

bool SameHashes(const std::optional<FileHashes>& a, const FileHashes& b) {
    return a && a->headKey == b.headKey && a->digestReady == b.digestReady && a->digest == b.digest;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Overwrite(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class HashCacheTest : public ::testing::Test {
  protected:
    testing_support::TempHome home_;
    std::string path_ = home_.Path() + "/hashes.bin";

    void SaveEntries(std::uint64_t from, std::uint64_t to, const std::string& machine = "m1") {
        HashCache cache(path_, machine);
        cache.Load();
        for (std::uint64_t i = from; i < to; ++i) cache.Remember({{Stamp(i), Hashes(i)}});
        ASSERT_EQ(cache.Save(), 0);
    }
};

TEST_F(HashCacheTest, AnEntryIsFoundOnlyForTheVeryStateOfTheFileItWasReadIn) {
    SaveEntries(1, 4);
    HashCache cache(path_, "m1");
    ASSERT_EQ(cache.Load(), CacheLoad::Loaded);
    for (std::uint64_t i = 1; i < 4; ++i) EXPECT_TRUE(SameHashes(cache.Find(Stamp(i)), Hashes(i)));
    FileStamp changed[5] = {Stamp(1), Stamp(1), Stamp(1), Stamp(1), Stamp(1)};
    changed[0].size += 1;
    changed[1].writeNs += 1;
    changed[2].changeNs += 1;
    changed[3].inode = 99;
    changed[4].device = 43;
    for (const FileStamp& stamp : changed) EXPECT_FALSE(cache.Find(stamp));
    EXPECT_FALSE(cache.Find(Stamp(4)));
    // What this scan reads replaces what the file said, and a later read of
    // the same file replaces an earlier one.
    FileStamp rewritten = Stamp(2), readAgain = Stamp(2);
    rewritten.changeNs += 5;
    readAgain.changeNs += 9;
    cache.Remember({{rewritten, Hashes(20)}});
    cache.Remember({{Stamp(5), Hashes(5)}, {readAgain, Hashes(21)}});
    ASSERT_EQ(cache.Save(), 0);
    HashCache reloaded(path_, "m1");
    ASSERT_EQ(reloaded.Load(), CacheLoad::Loaded);
    EXPECT_TRUE(SameHashes(reloaded.Find(readAgain), Hashes(21)));
    EXPECT_FALSE(reloaded.Find(rewritten));
    EXPECT_FALSE(reloaded.Find(Stamp(2)));
    EXPECT_TRUE(SameHashes(reloaded.Find(Stamp(5)), Hashes(5)));
    EXPECT_TRUE(SameHashes(reloaded.Find(Stamp(3)), Hashes(3)));
}

TEST_F(HashCacheTest, DamagedForeignOrOtherLayoutFilesAreIgnoredAndRebuilt) {
    EXPECT_EQ(HashCache(path_, "m1").Load(), CacheLoad::Missing);
    SaveEntries(1, 50);
    const std::string good = Bytes(path_);
    std::string flippedEntry = good, otherLayout = good;
    flippedEntry[good.size() - 30] ^= 0x10;
    otherLayout[8] = 2;
    const std::string damaged[] = {
        flippedEntry,       otherLayout, good.substr(0, good.size() - 72),
        good.substr(0, 20), "",          std::string(good.size(), 'x')};
    for (const std::string& bytes : damaged) {
        Overwrite(path_, bytes);
        HashCache cache(path_, "m1");
        EXPECT_EQ(cache.Load(), CacheLoad::Ignored);
        EXPECT_FALSE(cache.Find(Stamp(1)));
    }
    // A file far longer than any cache (sparse: it costs no disk) is not read into memory.
    Overwrite(path_, good);
    ASSERT_EQ(::truncate(path_.c_str(), off_t{1} << 40), 0);
    EXPECT_EQ(HashCache(path_, "m1").Load(), CacheLoad::Ignored);
    Overwrite(path_, good);
    HashCache foreign(path_, "m2");
    EXPECT_EQ(foreign.Load(), CacheLoad::Ignored);
    EXPECT_FALSE(foreign.Find(Stamp(1)));
    // The refused file is replaced by the next save.
    foreign.Remember({{Stamp(7), Hashes(7)}});
    ASSERT_EQ(foreign.Save(), 0);
    HashCache again(path_, "m2");
    ASSERT_EQ(again.Load(), CacheLoad::Loaded);
    EXPECT_TRUE(SameHashes(again.Find(Stamp(7)), Hashes(7)));
    EXPECT_FALSE(again.Find(Stamp(1)));
}

TEST_F(HashCacheTest, TheBoundKeepsTheLatestScanFirst) {
    {
        HashCache cache(path_, "m1", 10);
        for (std::uint64_t i = 100; i < 106; ++i) cache.Remember({{Stamp(i), Hashes(i)}});
        ASSERT_EQ(cache.Save(), 0);
    }
    HashCache cache(path_, "m1", 10);
    ASSERT_EQ(cache.Load(), CacheLoad::Loaded);
    EXPECT_TRUE(cache.Find(Stamp(100)));  // met again: belongs to this scan
    for (std::uint64_t i = 1; i < 8; ++i) cache.Remember({{Stamp(i), Hashes(i)}});
    ASSERT_EQ(cache.Save(), 0);
    HashCache reloaded(path_, "m1", 10);
    ASSERT_EQ(reloaded.Load(), CacheLoad::Loaded);
    int older = 0;
    for (std::uint64_t i = 1; i < 8; ++i) EXPECT_TRUE(reloaded.Find(Stamp(i))) << i;
    EXPECT_TRUE(reloaded.Find(Stamp(100)));
    for (std::uint64_t i = 101; i < 106; ++i) older += reloaded.Find(Stamp(i)) ? 1 : 0;
    EXPECT_EQ(older, 2) << "ten entries in all";
}

TEST_F(HashCacheTest, AFailedWriteKeepsThePreviousFile) {
    SaveEntries(1, 5);
    const std::string before = Bytes(path_);
    platform::SetFaultHook([this](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::Write && path == path_ ? platform::kErrorDiskFull : 0;
    });
    HashCache cache(path_, "m1");
    ASSERT_EQ(cache.Load(), CacheLoad::Loaded);
    cache.Remember({{Stamp(9), Hashes(9)}});
    EXPECT_EQ(cache.Save(), platform::kErrorDiskFull);
    platform::SetFaultHook(nullptr);
    EXPECT_EQ(Bytes(path_), before);
    HashCache reloaded(path_, "m1");
    EXPECT_EQ(reloaded.Load(), CacheLoad::Loaded);
    EXPECT_TRUE(SameHashes(reloaded.Find(Stamp(1)), Hashes(1)));
    EXPECT_FALSE(reloaded.Find(Stamp(9)));
}

TEST_F(HashCacheTest, TheDefaultLocationFollowsTheXdgCacheFolder) {
    const std::string cacheHome = home_.Path() + "/xdg-cache";
    ::setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
    EXPECT_EQ(HashCache::DefaultPath(), cacheHome + "/quillfen/cairnly-hashes.bin");
    HashCache cache(HashCache::DefaultPath(), "m1");
    cache.Remember({{Stamp(1), Hashes(1)}});
    EXPECT_EQ(cache.Save(), 0) << "the missing folders are made";
    EXPECT_EQ(HashCache(HashCache::DefaultPath(), "m1").Load(), CacheLoad::Loaded);
    ::setenv("XDG_CACHE_HOME", "relative", 1);
    EXPECT_EQ(HashCache::DefaultPath(), home_.Path() + "/.cache/quillfen/cairnly-hashes.bin");
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_FALSE(HashCache::MachineId().empty());
}

}  // namespace
