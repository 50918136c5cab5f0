#include "bench/cairnly/bench_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cairnly_bench {

namespace {

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
    std::size_t LogUniform(double low, double high) {
        return static_cast<std::size_t>(
            std::exp(std::log(low) + Unit() * (std::log(high) - std::log(low))));
    }
    void Fill(std::string& bytes, std::size_t from = 0) {
        for (std::size_t i = from; i < bytes.size(); i += 8) {
            std::uint64_t v = Next();
            for (std::size_t k = 0; k < 8 && i + k < bytes.size(); ++k)
                bytes[i + k] = static_cast<char>(v >> (8 * k));
        }
    }

  private:
    std::uint64_t state_;
};

std::size_t FileSize(Random& random) {
    double pick = random.Unit();
    if (pick < 0.85) return random.LogUniform(100, 8192);
    if (pick < 0.995) return random.LogUniform(8192, 98304);
    return random.LogUniform(98304, 1048576);
}

void Write(const std::string& path, const std::string& bytes, TreeStats& stats) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    ::close(fd);
    ++stats.files;
    stats.bytes += bytes.size();
}

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Name(const char* format, int n) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, n);
    return buffer;
}

std::string Folder(const std::string& root, const std::string& relative) {
    std::string path = root + "/" + relative;
    std::filesystem::create_directories(path);
    return path;
}

class Builder {
  public:
    Builder(const std::string& root, const TreeShape& shape)
        : root_(root), shape_(shape), random_(20261208) {}

    TreeStats Build() {
        Base();
        WholeCopies();
        PartialCopies();
        SameSize();
        SameHead();
        SmallUnique();
        return stats_;
    }

  private:
    std::string BaseFolder(int b) { return Name("base/g%02d", b / 50) + Name("/b%04d", b); }
    std::string BaseFile(int b, int f) {
        return root_ + "/" + BaseFolder(b) + Name("/f%05d.dat", f);
    }

    void Unique(const std::string& path, std::size_t size) {
        std::string bytes(size, '\0');
        random_.Fill(bytes);
        Write(path, bytes, stats_);
    }

    void Base() {
        for (int b = 0; b < shape_.baseFolders; ++b) {
            Folder(root_, BaseFolder(b));
            for (int f = 0; f < shape_.filesPerBase; ++f) {
                std::size_t size = FileSize(random_);
                Unique(BaseFile(b, f), size);
                if (size > 65536 + 64) largeFiles_.push_back(BaseFile(b, f));
                baseFiles_.push_back(BaseFile(b, f));
            }
        }
    }

    void WholeCopies() {
        for (int c = 0; c < shape_.wholeCopies; ++c) {
            int b =
                static_cast<int>(random_.Next() % static_cast<std::uint64_t>(shape_.baseFolders));
            std::string to = Folder(root_, Name("copies/c%04d", c));
            for (int f = 0; f < shape_.filesPerBase; ++f)
                Write(to + Name("/f%05d.dat", f), Read(BaseFile(b, f)), stats_);
        }
    }

    void PartialCopies() {
        for (int c = 0; c < shape_.partialCopies; ++c) {
            int b =
                static_cast<int>(random_.Next() % static_cast<std::uint64_t>(shape_.baseFolders));
            std::string to = Folder(root_, Name("partial/p%04d", c));
            for (int f = 0; f < 30 && f < shape_.filesPerBase; ++f)
                Write(to + Name("/f%05d.dat", f), Read(BaseFile(b, f)), stats_);
            for (int f = 30; f < 50; ++f) Unique(to + Name("/n%05d.dat", f), FileSize(random_));
        }
    }

    void SameSize() {
        for (int i = 0; i < shape_.sameSizeFiles; ++i) {
            const std::string& model = baseFiles_[random_.Next() % baseFiles_.size()];
            std::string to = Folder(root_, Name("samesize/s%03d", i / 100));
            Unique(to + Name("/x%05d.dat", i), std::filesystem::file_size(model));
        }
    }

    void SameHead() {
        for (int i = 0; i < shape_.sameHeadFiles && !largeFiles_.empty(); ++i) {
            std::string bytes = Read(largeFiles_[random_.Next() % largeFiles_.size()]);
            random_.Fill(bytes, 65536);
            std::string to = Folder(root_, Name("samehead/h%03d", i / 100));
            Write(to + Name("/y%05d.dat", i), bytes, stats_);
        }
    }

    void SmallUnique() {
        for (int i = 0; i < shape_.smallUniqueFiles; ++i) {
            std::string to = Folder(root_, Name("small/u%03d", i / 100));
            Unique(to + Name("/z%05d.dat", i), random_.LogUniform(100, 4096));
        }
    }

    std::string root_;
    TreeShape shape_;
    Random random_;
    TreeStats stats_;
    std::vector<std::string> baseFiles_;
    std::vector<std::string> largeFiles_;
};

}  // namespace

TreeStats EnsureTree(const std::string& root, const TreeShape& shape) {
    const std::string marker = root + ".done";
    TreeStats stats;
    // The marker alone is not enough: /tmp may have been cleaned since.
    if (std::ifstream in(marker);
        in && in >> stats.files >> stats.bytes && std::filesystem::is_directory(root))
        return stats;
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    stats = Builder(root, shape).Build();
    std::ofstream(marker) << stats.files << ' ' << stats.bytes << '\n';
    return stats;
}

}  // namespace cairnly_bench
