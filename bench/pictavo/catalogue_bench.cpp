// Catalogue speed on generated photos: scan rate with a warm cache, time to
// the early first pair, the sort, memory per photo, the sort of 100,000
// records against the quadratic procedure, and date reading against the exiv2
// command-line tool.
//
//   pictavo_catalogue_bench [photos=20000] [folders=photos/100] [root] [keep]
//
// The tree is generated under root (default: a temporary folder; a tmpfs such
// as /dev/shm keeps a million files off the disk) and removed afterwards,
// unless "keep" is given; a kept tree of the same size is used again.
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "pictavo/catalogue/loading.h"
#include "pictavo/catalogue/metadata.h"
#include "shared/selection_order.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kDefaultPhotosPerFolder = 100;
constexpr std::size_t kDateReadingSample = 20000;
const std::string kTemplateDate = "2000:01:01 00:00:00";

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A 32x32 JPEG with a DateTimeOriginal, as bytes; dateOffset is where the date text sits.
std::string TemplateJpeg(std::size_t& dateOffset) {
    std::vector<unsigned char> pixels(32 * 32 * 3, 128);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.data(), 32, 0, 32, TJPF_RGB, &jpeg, &size, TJSAMP_420, 85, 0);
    std::string bytes(reinterpret_cast<char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(handle);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size()));
#pragma GCC diagnostic pop
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = kTemplateDate;
    image->exifData()["Exif.Image.Orientation"] = uint16_t(1);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    Exiv2::DataBuf buffer = io.read(static_cast<long>(io.size()));
    std::string tagged(reinterpret_cast<char*>(buffer.pData_),
                       static_cast<std::size_t>(buffer.size_));
    dateOffset = tagged.find(kTemplateDate);
    return tagged;
}

std::string PhotoPath(const std::string& root, int i, int perFolder) {
    return root + "/f" + std::to_string(i / perFolder) + "/IMG_" + std::to_string(i) + ".jpg";
}

std::vector<std::string> GeneratePhotos(const std::string& root, int count, int perFolder) {
    std::size_t dateOffset = 0;
    std::string bytes = TemplateJpeg(dateOffset);
    std::mt19937 random(42);
    std::vector<std::string> paths;
    char date[32];
    for (int i = 0; i < count; ++i) {
        std::string folder = root + "/f" + std::to_string(i / perFolder);
        if (i % perFolder == 0) std::filesystem::create_directories(folder);
        std::snprintf(date, sizeof date, "%04d:%02d:%02d %02d:%02d:%02d",
                      2000 + static_cast<int>(random() % 20), 1 + static_cast<int>(random() % 12),
                      1 + static_cast<int>(random() % 28), static_cast<int>(random() % 24),
                      static_cast<int>(random() % 60), static_cast<int>(random() % 60));
        bytes.replace(dateOffset, kTemplateDate.size(), date);
        paths.push_back(PhotoPath(root, i, perFolder));
        std::ofstream(paths.back(), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return paths;
}

class TimingView : public pictavo::NullPictavoView {
  public:
    void DrawPair(std::int32_t, std::int32_t, bool record) override {
        if (!record && firstPair == 0) firstPair = SecondsSince(start);
    }
    Clock::time_point start;
    double firstPair = 0;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// Heap bytes of the names themselves (those too long for the string's own buffer).
std::size_t NameBytes(const pictavo::Catalogue& catalogue) {
    std::size_t bytes = 0;
    for (std::int32_t p = 0; p < catalogue.Count(); ++p) {
        const std::string& name = catalogue.At(p)->fileName;
        if (name.capacity() > 15) bytes += name.capacity() + 1;
    }
    return bytes;
}

void BenchScan(const std::string& root) {
    pictavo::SettingsRecord settings;
    settings.Zero();
    shared::DesktopServices services("Pictavo", [] { return 0; });
    for (int round = 0; round < 2; ++round) {  // the first round warms the cache
        const std::size_t heapBefore = HeapInUse();
        pictavo::PictavoState state(settings, services);
        TimingView view;
        state.SetView(&view);
        view.start = Clock::now();
        const double cpuStart = CpuSeconds();
        state.scanFolder = root;
        pictavo::ScanFolder(state, root, false);
        double scan = SecondsSince(view.start);
        double cpu = CpuSeconds() - cpuStart;
        if (round == 0) continue;
        std::int32_t count = state.catalogue.Count();
        std::printf(
            "scan: %d photos in %.3f s = %.0f photos/s (warm cache; %.3f s CPU = %.0f photos per "
            "CPU second)\n",
            count, scan, count / scan, cpu, count / cpu);
        std::printf("early first pair after %.2f ms\n", view.firstPair * 1000);
        const double perPhoto =
            static_cast<double>(HeapInUse() - heapBefore - NameBytes(state.catalogue)) / count;
        std::printf("memory: %.0f bytes a photo plus its name (heap in use after the scan)\n",
                    perPhoto);
        Clock::time_point sortStart = Clock::now();
        pictavo::SortCatalogue(state);
        std::printf("sort of the %d scanned records: %.2f ms\n", count,
                    SecondsSince(sortStart) * 1000);
    }
}

void BenchSort() {
    std::mt19937 random(3);
    auto fill = [&](pictavo::Catalogue& catalogue, int n) {
        for (int i = 0; i < n; ++i) {
            auto record = std::make_unique<pictavo::PhotoRecord>();
            // Whole seconds over ten years, but only every 100th second: many equal times.
            record->photoTime.year = static_cast<std::uint16_t>(2010 + random() % 10);
            record->photoTime.month = static_cast<std::uint16_t>(1 + random() % 12);
            record->photoTime.day = static_cast<std::uint16_t>(1 + random() % 28);
            record->photoTime.hour = static_cast<std::uint16_t>(random() % 2);
            catalogue.Append(std::move(record));
        }
    };
    pictavo::Catalogue big;
    fill(big, 100000);
    Clock::time_point start = Clock::now();
    big.Sort([] { return true; });
    double fast = SecondsSince(start);
    std::printf("sort of 100,000 records: %.1f ms\n", fast * 1000);

    const int naiveCount = 20000;
    std::vector<pictavo::PhotoTime> times;
    for (int i = 0; i < naiveCount; ++i)
        times.push_back(big.At(static_cast<std::int32_t>(random() % 100000))->photoTime);
    start = Clock::now();
    shared::NaiveSelectionOrder(times.begin(), times.end(), pictavo::EarlierPhotoTime);
    double naive = SecondsSince(start);
    std::printf(
        "quadratic selection sort of %d times: %.2f s, so about %.0f s for 100,000 (%.0fx "
        "slower)\n",
        naiveCount, naive, naive * 25, naive * 25 / fast);
}

double RunExiv2(const std::vector<std::string>& paths) {
    const std::size_t batch = 2000;
    Clock::time_point start = Clock::now();
    for (std::size_t first = 0; first < paths.size(); first += batch) {
        std::vector<const char*> argv = {"exiv2", "-q", "-g", "Exif.Photo.DateTimeOriginal", "-Pv"};
        for (std::size_t i = first; i < std::min(paths.size(), first + batch); ++i)
            argv.push_back(paths[i].c_str());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        if (posix_spawnp(&pid, "exiv2", &actions, nullptr, const_cast<char**>(argv.data()),
                         environ) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return -1;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    return SecondsSince(start);
}

void BenchDateReading(std::vector<std::string> paths) {
    if (paths.size() > kDateReadingSample) paths.resize(kDateReadingSample);
    Clock::time_point start = Clock::now();
    std::size_t found = 0;
    for (const std::string& path : paths) found += pictavo::ReadDateTaken(path).has_value();
    double ours = SecondsSince(start);
    double theirs = RunExiv2(paths);
    std::printf("date taken of %zu files: ours %.3f s (%.0f files/s, %zu found)", paths.size(),
                ours, paths.size() / ours, found);
    if (theirs < 0) {
        std::printf("; exiv2 not installed\n");
    } else {
        std::printf(
            "; exiv2 -g Exif.Photo.DateTimeOriginal -Pv %.3f s (%.0f files/s), ratio %.1fx\n",
            theirs, paths.size() / theirs, theirs / ours);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int folders =
        argc > 2 ? std::max(1, std::atoi(argv[2])) : std::max(1, count / kDefaultPhotosPerFolder);
    const int perFolder = (count + folders - 1) / folders;
    const std::string root =
        argc > 3 ? argv[3]
                 : (std::filesystem::temp_directory_path() / "pictavo-bench-photos").string();
    const bool keep = argc > 4 && std::string(argv[4]) == "keep";
    pictavo::InitializeMetadata();
    const std::string marker =
        root + "/.generated-" + std::to_string(count) + "-" + std::to_string(perFolder);
    std::vector<std::string> paths;
    if (keep && std::filesystem::exists(marker)) {
        for (int i = 0; i < count; ++i) paths.push_back(PhotoPath(root, i, perFolder));
        std::printf("using the %d photos generated before in %s\n", count, root.c_str());
    } else {
        std::filesystem::remove_all(root);
        Clock::time_point start = Clock::now();
        paths = GeneratePhotos(root, count, perFolder);
        std::ofstream(marker).put('\n');
        std::printf("generated %d photos in %d folders (%.1f s)\n", count,
                    (count + perFolder - 1) / perFolder, SecondsSince(start));
    }
    BenchScan(root);
    BenchDateReading(paths);
    BenchSort();
    if (!keep) std::filesystem::remove_all(root);
    return 0;
}
