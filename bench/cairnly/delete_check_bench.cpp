// Cost of the checks made just before a duplicate is deleted (run by hand):
// reaching a recorded file through its folders without following links, and
// reading it against the copy that stays, compared with a plain lstat and
// with cmp(1) on the same pairs. Usage: cairnly_delete_check_bench [FOLDER]
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/recorded_file.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& run) {
    auto start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string Bytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    std::uint64_t value = seed * 0x9e3779b97f4a7c15ULL + 1;
    for (char& c : bytes) {
        value = value * 6364136223846793005ULL + 1442695040888963407ULL;
        c = static_cast<char>(value >> 56);
    }
    return bytes;
}

platform::RecordedFile Record(const std::string& root, const std::string& folder,
                              const std::string& name) {
    const platform::DirEntry entry = *platform::GetAttributes(folder + "/" + name);
    return {root, *platform::FolderIdentity(root),       folder,
            name, static_cast<std::int64_t>(entry.size), entry.lastWrite};
}

struct Pair {
    platform::RecordedFile going, staying;
};

// count pairs of size bytes, each file twelve folders below root.
std::vector<Pair> MakePairs(const std::string& root, int count, std::size_t size) {
    std::vector<Pair> pairs;
    for (int i = 0; i < count; ++i) {
        std::string deep = root;
        for (int level = 0; level < 12; ++level) deep += "/d" + std::to_string(level);
        const std::string going = deep + "/a" + std::to_string(size);
        const std::string staying = deep + "/b" + std::to_string(size);
        std::filesystem::create_directories(going + "/" + std::to_string(i));
        std::filesystem::create_directories(staying + "/" + std::to_string(i));
        const std::string bytes = Bytes(size, static_cast<unsigned>(i));
        std::ofstream(going + "/" + std::to_string(i) + "/f", std::ios::binary) << bytes;
        std::ofstream(staying + "/" + std::to_string(i) + "/f", std::ios::binary) << bytes;
        pairs.push_back({Record(root, going + "/" + std::to_string(i), "f"),
                         Record(root, staying + "/" + std::to_string(i), "f")});
    }
    return pairs;
}

void Run(const std::string& root, int count, std::size_t size) {
    std::vector<Pair> pairs = MakePairs(root, count, size);
    double reach = Seconds([&] {
        for (const Pair& pair : pairs)
            if (platform::RecordedFileOnDisk(pair.going).Status() != 0) std::abort();
    });
    double plain = Seconds([&] {
        struct stat st;
        for (const Pair& pair : pairs)
            if (::lstat((pair.going.folder + "/f").c_str(), &st) != 0) std::abort();
    });
    double compare = Seconds([&] {
        for (const Pair& pair : pairs) {
            platform::RecordedFileOnDisk going(pair.going), staying(pair.staying);
            if (!going.SameContent(staying)) std::abort();
        }
    });
    double cmp = Seconds([&] {
        for (const Pair& pair : pairs) {
            std::string command =
                "cmp -s '" + pair.going.folder + "/f' '" + pair.staying.folder + "/f'";
            if (std::system(command.c_str()) != 0) std::abort();
        }
    });
    const double mb = static_cast<double>(size) * count / 1048576.0;
    std::printf("%d pairs of %zu bytes, 13 folders deep:\n", count, size);
    std::printf("  reach without links %.3f ms/file, plain lstat %.3f ms/file (x%.1f)\n",
                reach * 1000 / count, plain * 1000 / count, reach / plain);
    std::printf("  compare %.3f s (%.0f MB/s), cmp -s %.3f s (ratio %.2f)\n", compare,
                2 * mb / compare, cmp, compare / cmp);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : "/tmp/cairnly-delete-check-bench";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    Run(root, 2000, 20000);
    Run(root, 200, 1 << 20);
    Run(root, 2, 128 << 20);
    std::filesystem::remove_all(root);
    return 0;
}
