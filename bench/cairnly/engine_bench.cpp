// Cairnly engine benchmark (run by hand): the walk against find, the deep
// duplicate scan against the fastest installed peer (fdupes, jdupes, rmlint,
// rdfind) with the duplicate sets compared, a second deep scan answered by the
// digest cache and one after 1% of the files were rewritten, the three sorts
// at 1,000,000 records, and the engine's memory per recorded file at 1,000,000
// and 3,000,000 files. First and second scans, and the fastest peer, are each
// timed as the best of three runs. The digest cache lives in a folder of its
// own under /tmp, never in the user's cache. Usage: cairnly_engine_bench
// [TREE_ROOT [PARTS]]
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/cairnly/bench_tree.h"
#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_engine.h"
#include "cairnly/engine/walk.h"

namespace {

using Clock = std::chrono::steady_clock;
using DuplicateSets = std::set<std::set<std::string>>;

double CpuSeconds(int who) {
    struct rusage usage;
    ::getrusage(who, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Shows nothing, but notes when each phase of a scan ended: the worker fills
// a page or asks for its row count right after the phase that produced it.
class NullView : public cairnly::ScanView {
  public:
    enum Phase { kStart, kWalk, kSorts, kDuplicates, kPartial, kPhaseCount };

    void EnableControls(bool idle) override {
        if (!idle) Mark(kStart);
    }
    void ShowPage(int) override {}
    void ClearAllPages() override { Mark(kStart); }
    int PageRowCount(int page) override {
        Mark(page == cairnly::kDuplicatesPage ? kDuplicates : kPartial);
        return 0;
    }
    int SelectedPage() override { return -1; }
    void PreviewLargestFolder(int) override {}
    void FillLargestFolders() override { Mark(kWalk); }
    void FillLargestFiles(bool) override { Mark(kSorts); }
    void AddDuplicateRow(int, const cairnly::FileRecord&, int, int) override {}
    void FillPartialFolders() override {}
    void Pause(int) override {}

    // "walk 0.50 s (cpu 0.90), sorts 0.10 s (cpu 0.10), ..." for the last
    // scan: the cpu time of all the process's threads shows how well a phase
    // shares the cores.
    std::string PhaseTimes() const {
        static const char* const names[] = {"", "walk", "sorts", "duplicates", "partial folders"};
        std::string text;
        for (int p = kWalk; p < kPhaseCount; ++p) {
            const double s = std::chrono::duration<double>(at_[p] - at_[p - 1]).count();
            char part[96];
            std::snprintf(part, sizeof part, "%s%s %.3f s (cpu %.3f)", p == kWalk ? "" : ", ",
                          names[p], s, cpuAt_[p] - cpuAt_[p - 1]);
            text += part;
        }
        return text;
    }

  private:
    void Mark(Phase phase) {
        at_[phase] = Clock::now();
        cpuAt_[phase] = CpuSeconds(RUSAGE_SELF);
    }
    std::array<Clock::time_point, kPhaseCount> at_{};
    std::array<double, kPhaseCount> cpuAt_{};
};

double Seconds(const std::function<void()>& run) {
    auto start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time (user + system) of this process's threads, or of the
// finished child processes: on a machine shared with other work it shows the
// cost of a run better than the wall clock does.
double Best(int times, const std::function<void()>& run) {
    double best = 1e30;
    for (int i = 0; i < times; ++i) best = std::min(best, Seconds(run));
    return best;
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "command failed: %s\n", command.c_str());
}

bool Installed(const std::string& tool) {
    return std::system(("which " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

long ProcStatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
    return 0;
}

// Groups separated by blank lines, one path per line (the fdupes layout).
DuplicateSets ReadGroups(const std::string& file) {
    DuplicateSets sets;
    std::ifstream in(file);
    std::set<std::string> group;
    std::string line;
    auto flush = [&] {
        if (group.size() > 1) sets.insert(group);
        group.clear();
    };
    while (std::getline(in, line)) {
        if (line.empty())
            flush();
        else
            group.insert(line);
    }
    flush();
    return sets;
}

// rdfind's results file: "duptype id depth size device inode priority name",
// the members of one set sharing the id's absolute value.
DuplicateSets ReadRdfindGroups(const std::string& file) {
    std::map<long, std::set<std::string>> byId;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string type, depth, size, device, inode, priority;
        long id = 0;
        fields >> type >> id >> depth >> size >> device >> inode >> priority;
        std::string name;
        std::getline(fields >> std::ws, name);
        byId[std::labs(id)].insert(name);
    }
    DuplicateSets sets;
    for (auto& [id, names] : byId)
        if (names.size() > 1) sets.insert(names);
    return sets;
}

struct Engine {
    cairnly::ScanSettings settings;
    shared::DesktopServices services{"Cairnly", [] { return 0; }};
    NullView view;
    std::unique_ptr<cairnly::CairnlyState> state;

    Engine(const std::string& root, int mode, cairnly::TableCapacities capacities = {}) {
        settings.SetDefaults();
        settings.SetRootFolder(root);
        settings.SetMinFileSizeMB(0.0f);
        settings.SetMinFolderSizeMB(0.0f);
        settings.SetDuplicateMode(mode);
        state = std::make_unique<cairnly::CairnlyState>(settings, services, capacities);
        state->SetCriteria(cairnly::CriteriaFrom(settings, false));
    }
    void Clear() { cairnly::ClearResults(*state, view); }
    void Walk() {
        state->FoldersEntered.store(0);
        cairnly::WalkFolder(*state, view, settings.RootFolder(), cairnly::WalkAttributes{}, 0);
    }
    DuplicateSets Sets() const {
        std::map<int, std::set<std::string>> groups;
        for (int i = 0; i < state->Duplicates.Count(); ++i) {
            const cairnly::FileRecord* r = state->Duplicates.At(i);
            groups[r->DupGroup].insert(r->FullPath());
        }
        DuplicateSets sets;
        for (auto& [group, paths] : groups) sets.insert(paths);
        return sets;
    }
};

void BenchWalk(const std::string& root) {
    Engine engine(root, 2);
    const long before = ProcStatusKb("VmRSS:");
    double walk = Best(3, [&] {
        engine.Clear();
        engine.Walk();
    });
    const long after = ProcStatusKb("VmRSS:");
    double find = Best(3, [&] { Shell("find '" + root + "' -type f -printf '%s\\n' >/dev/null"); });
    std::printf("walk: %.3f s, find: %.3f s, ratio %.2f (goal <= 1.2)\n", walk, find, walk / find);
    std::printf("memory: %.0f bytes per recorded file (%d files, resident growth over the walk)\n",
                static_cast<double>(after - before) * 1024.0 / engine.state->Files.Count(),
                engine.state->Files.Count());
}

struct ReadCounts {
    std::int64_t heads, whole, hits;
    double cpu;
};

ReadCounts CountsOf(const cairnly::CairnlyState& state) {
    return {state.HeadKeysRead.load(), state.FilesFullyHashed.load(), state.CacheHits.load(),
            CpuSeconds(RUSAGE_SELF)};
}

double TimedScan(Engine& engine, ReadCounts& read) {
    const ReadCounts before = CountsOf(*engine.state);
    const double t = Seconds([&] {
        engine.Clear();
        cairnly::RunScanWorker(*engine.state, engine.view);
    });
    const ReadCounts after = CountsOf(*engine.state);
    read = {after.heads - before.heads, after.whole - before.whole, after.hits - before.hits,
            after.cpu - before.cpu};
    return t;
}

void PrintScan(const char* what, double seconds, const ReadCounts& read,
               const std::string& phases) {
    std::printf(
        "%s: %.3f s, cpu %.3f s (first blocks read %lld, read whole %lld, from the cache %lld)\n"
        "  %s\n",
        what, seconds, read.cpu, static_cast<long long>(read.heads),
        static_cast<long long>(read.whole), static_cast<long long>(read.hits), phases.c_str());
}

// Rewrites every hundredth recorded file with its own bytes and a new write
// time: the content (and so every peer's answer) stays, but to the cache each
// is a changed file. Returns how many were rewritten.
int RewriteOnePercent(const cairnly::CairnlyState& state) {
    int rewritten = 0;
    for (int i = 0; i < state.Files.Count(); i += 100) {
        const std::string path = state.Files.At(static_cast<std::size_t>(i))->FullPath();
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) continue;
        const bool written =
            ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ::close(fd);
        if (written) ++rewritten;
    }
    return rewritten;
}

constexpr int kBestOf = 3;

// The shortest of kBestOf scans, each after prepare(), with its counts and phases.
template <typename Prepare>
double BestScan(Engine& engine, ReadCounts& bestRead, std::string& bestPhases, Prepare prepare) {
    double best = 1e30;
    for (int i = 0; i < kBestOf; ++i) {
        prepare();
        ReadCounts read{};
        const double t = TimedScan(engine, read);
        if (t >= best) continue;
        best = t;
        bestRead = read;
        bestPhases = engine.view.PhaseTimes();
    }
    return best;
}

void BenchPeers(const std::string& root, const DuplicateSets& ours, double mine, double mineCpu) {
    struct Peer {
        std::string name, command;
    };
    const std::string out = "/tmp/cairnly-bench-peer.txt";
    const std::string rdfindOut = "/tmp/cairnly-bench-rdfind.txt";
    std::vector<Peer> peers{
        {"fdupes", "fdupes -r '" + root + "' 2>/dev/null >" + out},
        {"jdupes", "jdupes -r -q '" + root + "' >" + out},
        {"rmlint", "rmlint -T df -o fdupes:" + out + " '" + root + "' >/dev/null 2>&1"},
        {"rdfind", "rdfind -outputname " + rdfindOut + " '" + root + "' >/dev/null 2>&1"}};
    auto run = [](const Peer& peer, double& cpu) {
        const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
        const double t = Seconds([&] { Shell(peer.command); });
        cpu = CpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
        return t;
    };
    double fastest = 1e30, fastestCpu = 0;
    const Peer* fastestPeer = nullptr;
    for (const Peer& peer : peers) {
        if (!Installed(peer.name)) {
            std::printf("%s: not installed\n", peer.name.c_str());
            continue;
        }
        double cpu = 0;
        const double t = run(peer, cpu);
        DuplicateSets theirs =
            peer.name == "rdfind" ? ReadRdfindGroups(rdfindOut) : ReadGroups(out);
        std::printf("%s: %.3f s, cpu %.3f s, %zu groups, sets %s\n", peer.name.c_str(), t, cpu,
                    theirs.size(), theirs == ours ? "identical" : "DIFFER");
        std::fflush(stdout);
        if (t < fastest) {
            fastest = t;
            fastestCpu = cpu;
            fastestPeer = &peer;
        }
    }
    if (!fastestPeer) return;
    // Our time is the best of several runs; so is the fastest peer's.
    for (int i = 1; i < kBestOf; ++i) {
        double cpu = 0;
        const double t = run(*fastestPeer, cpu);
        std::printf("%s again: %.3f s\n", fastestPeer->name.c_str(), t);
        if (t < fastest) {
            fastest = t;
            fastestCpu = cpu;
        }
    }
    std::printf(
        "first mode 2 scan against %s (best of %d): ratio %.3f (goal <= 0.5), cpu ratio %.2f\n",
        fastestPeer->name.c_str(), kBestOf, mine / fastest, mineCpu / fastestCpu);
}

// A digest cache folder of the bench's own, removed with everything in it.
// Declared before the Engine, so the engine's last cache write ends first.
class CacheFolder {
  public:
    CacheFolder() {
        if (::mkdtemp(folder_)) made_ = true;
    }
    ~CacheFolder() {
        if (made_) Shell("rm -rf '" + std::string(folder_) + "'");
    }
    CacheFolder(const CacheFolder&) = delete;
    CacheFolder& operator=(const CacheFolder&) = delete;
    bool Made() const { return made_; }
    std::string CachePath() const { return std::string(folder_) + "/hashes.bin"; }

  private:
    char folder_[32] = "/tmp/cairnly-bench-cache-XXXXXX";
    bool made_ = false;
};

void BenchDeepScan(const std::string& root, bool withPeers) {
    const CacheFolder folder;
    if (!folder.Made()) return;
    const std::string cachePath = folder.CachePath();
    Engine engine(root, 2);
    engine.state->HashCachePath = cachePath;
    ReadCounts firstRead{}, read{};
    std::string firstPhases;
    const double first = BestScan(engine, firstRead, firstPhases, [&] {
        engine.state->Background.Wait();  // the last scan's cache write
        ::unlink(cachePath.c_str());
    });
    const DuplicateSets ours = engine.Sets();
    std::printf("first mode 2 scan (best of %d): %.3f s, %zu groups, %d files listed\n", kBestOf,
                first, ours.size(), engine.state->Duplicates.Count());
    PrintScan("  reading", first, firstRead, firstPhases);
    std::fflush(stdout);
    if (withPeers) BenchPeers(root, ours, first, firstRead.cpu);

    std::string phases;
    const double second = BestScan(engine, read, phases, [] {});
    const std::string what =
        "second mode 2 scan, unchanged tree (best of " + std::to_string(kBestOf) + ")";
    PrintScan(what.c_str(), second, read, phases);
    std::printf("  ratio to the first %.3f (goal <= 0.2), sets %s\n", second / first,
                engine.Sets() == ours ? "identical" : "DIFFER");
    const int rewritten = RewriteOnePercent(*engine.state);
    const double third = TimedScan(engine, read);
    std::printf("rewrote %d files (1%%) with their own bytes\n", rewritten);
    PrintScan("mode 2 scan after that", third, read, engine.view.PhaseTimes());
    std::printf("  sets %s\n", engine.Sets() == ours ? "identical" : "DIFFER");
    engine.state->Background.Wait();
    struct stat st;
    if (::stat(cachePath.c_str(), &st) == 0)
        std::printf("cache file: %.1f MB\n", static_cast<double>(st.st_size) / 1048576.0);
}

// Many second scans in a row, each with its phases: for profiling the
// rescan alone and seeing how much it varies.
void BenchRescans(const std::string& root, int times) {
    const CacheFolder folder;
    if (!folder.Made()) return;
    Engine engine(root, 2);
    engine.state->HashCachePath = folder.CachePath();
    ReadCounts read{};
    TimedScan(engine, read);
    for (int i = 0; i < times; ++i) {
        engine.state->Background.Wait();
        const double t = TimedScan(engine, read);
        PrintScan("rescan", t, read, engine.view.PhaseTimes());
    }
}

void BenchSorts() {
    constexpr int kRecords = 1'000'000;
    cairnly::TableCapacities capacities;
    capacities.folders = kRecords;
    Engine engine("/nonexistent", 2, capacities);
    cairnly::CairnlyState& state = *engine.state;
    std::mt19937_64 random(7);
    const long before = ProcStatusKb("VmRSS:");
    std::vector<cairnly::FolderPathRef> folders;
    for (int f = 0; f < 50'000; ++f)
        folders.push_back(std::make_shared<const std::string>("/home/user/Documents/folder/" +
                                                              std::to_string(f)));
    for (int i = 0; i < kRecords; ++i) {
        auto r = std::make_unique<cairnly::FileRecord>();
        int folder = static_cast<int>(random() % folders.size());
        r->FolderNumber = folder;
        r->FolderPath = folders[static_cast<std::size_t>(folder)];
        r->FileName = "IMG_" + std::to_string(random() % 100000) + ".jpg";
        r->Size = static_cast<std::int64_t>(random() % 200000);  // many ties
        state.Files.Append(std::move(r));
        auto d = std::make_unique<cairnly::FolderRecord>();
        d->OwnSize = static_cast<std::int64_t>(random() % 500000);
        state.Folders.Append(std::move(d));
    }
    const long after = ProcStatusKb("VmRSS:");
    double byFolder = Seconds([&] { cairnly::SortFilesByFolder(state); });
    cairnly::CopyFilesToFolderTable(state);
    double bySize = Seconds([&] { cairnly::SortFilesBySize(state); });
    double folderSort = Seconds([&] { cairnly::SortFoldersBySize(state); });
    std::printf(
        "sorts of 1,000,000: files by folder %.3f s, files by size %.3f s, folders by size %.3f s "
        "(goal < 3 s)\n",
        byFolder, bySize, folderSort);
    std::printf(
        "memory: %.0f bytes per synthetic record (file + folder record, names of 14 characters)\n",
        static_cast<double>(after - before) * 1024.0 / kRecords);
    std::printf("sizeof(FileRecord) = %zu bytes\n", sizeof(cairnly::FileRecord));
}

std::size_t HeapInUse() {
    struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The engine's own memory per recorded file: the record, its slots in FileTable
// and FolderFileTable, and a 14-character name (stored inside the string).
// Folder paths are made beforehand and shared, as the walk shares them.
void BenchMemoryPerFile(int files) {
    Engine engine("/nonexistent", 2);
    cairnly::CairnlyState& state = *engine.state;
    std::vector<cairnly::FolderPathRef> folders;
    for (int f = 0; f < files / 20; ++f)
        folders.push_back(
            std::make_shared<const std::string>("/home/user/folder/" + std::to_string(f)));
    const std::size_t before = HeapInUse();
    for (int i = 0; i < files; ++i) {
        auto r = std::make_unique<cairnly::FileRecord>();
        r->FolderNumber = i / 20;
        r->FolderPath = folders[static_cast<std::size_t>(i / 20)];
        r->FileName = "IMG_" + std::to_string(1000000 + i % 1000000) + ".jpg";
        r->Size = i;
        if (!state.Files.Append(std::move(r))) {
            std::printf("memory: table refused file %d\n", i);
            return;
        }
    }
    cairnly::CopyFilesToFolderTable(state);
    const std::size_t after = HeapInUse();
    std::printf("memory: %.1f bytes per recorded file at %d files (goal <= 104 + path)\n",
                static_cast<double>(after - before) / files, files);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : "/tmp/cairnly-bench-tree";
    // Optional second argument: the parts to run, e.g. "walk,deep" (default all);
    // "ours" runs the deep scans without the peers; "rescans" times ten
    // second scans in a row.
    const std::string parts = argc > 2 ? argv[2] : "walk,deep,sorts,memory";
    auto wanted = [&](const char* part) { return parts.find(part) != std::string::npos; };
    Shell("uptime");
    if (wanted("walk") || wanted("deep") || wanted("ours") || wanted("rescans")) {
        std::printf("tree %s: generating if needed...\n", root.c_str());
        std::fflush(stdout);
        cairnly_bench::TreeStats stats;
        double generate =
            Seconds([&] { stats = cairnly_bench::EnsureTree(root, cairnly_bench::TreeShape()); });
        std::printf("tree: %zu files, %.1f MB (%.1f s)\n", stats.files,
                    static_cast<double>(stats.bytes) / 1048576.0, generate);
        Shell("find '" + root + "' -type f -printf '%s\\n' >/dev/null");  // warm the caches
    }
    if (wanted("walk")) BenchWalk(root);
    std::fflush(stdout);
    if (wanted("deep") || wanted("ours")) BenchDeepScan(root, wanted("deep"));
    std::fflush(stdout);
    if (wanted("rescans")) BenchRescans(root, 10);
    if (wanted("sorts")) BenchSorts();
    if (wanted("memory")) {
        BenchMemoryPerFile(1'000'000);
        BenchMemoryPerFile(3'000'000);
    }
    Shell("uptime");
    std::printf("peak resident memory of this process: %ld MB\n", ProcStatusKb("VmHWM:") / 1024);
    return 0;
}
