// Exports a generated library of dated JPEGs in the yearly layout with file
// dates set, and times it against `cp -r` of the same tree in the same run.
//   bench_export [photo count, default 5000] [pixels wide, default 1600]
#include <stdlib.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/export/export_worker.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace {

constexpr int kYears = 10;
constexpr int kPhotosPerFolder = 100;

using Clock = std::chrono::steady_clock;

std::vector<unsigned char> EncodeJpeg(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    unsigned state = 12345;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        state = state * 1103515245u + 12345u;
        pixels[i] = static_cast<unsigned char>((i / 3 % 256) ^ (state >> 28));
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    tjCompress2(handle, pixels.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, 0);
    tjDestroy(handle);
    std::vector<unsigned char> bytes(jpeg, jpeg + size);
    tjFree(jpeg);
    return bytes;
}

// The JPEG with a DateTimeOriginal in the given year.
std::string TaggedJpeg(const std::vector<unsigned char>& jpeg, int year) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    std::unique_ptr<Exiv2::Image> image(
        Exiv2::ImageFactory::open(jpeg.data(), jpeg.size()).release());
#pragma GCC diagnostic pop
    image->readMetadata();
    image->exifData()["Exif.Photo.DateTimeOriginal"] = std::to_string(year) + ":06:15 12:34:56";
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    Exiv2::DataBuf buffer = io.read(static_cast<long>(io.size()));
    return std::string(reinterpret_cast<const char*>(buffer.pData_),
                       static_cast<std::size_t>(buffer.size_));
}

void MakeLibrary(const std::string& root, int count, int width) {
    std::vector<unsigned char> jpeg = EncodeJpeg(width, width * 3 / 4);
    std::vector<std::string> byYear;
    for (int y = 0; y < kYears; ++y) byYear.push_back(TaggedJpeg(jpeg, 2010 + y));
    for (int i = 0; i < count; ++i) {
        std::string folder = root + "/album" + std::to_string(i / kPhotosPerFolder);
        std::filesystem::create_directories(folder);
        std::ofstream out(folder + "/IMG_" + std::to_string(i) + ".jpg", std::ios::binary);
        const std::string& bytes = byYear[static_cast<std::size_t>(i % kYears)];
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::printf("library: %d photos of %zu bytes in %d folders\n", count, byYear[0].size(),
                (count + kPhotosPerFolder - 1) / kPhotosPerFolder);
}

class QuietView : public pictavo::ExportView {
  public:
    void ShowExportStatus(const std::string& text) override { last = text; }
    void ExportEnded() override {}
    std::string last;
};

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double TimeExport(const std::string& library, const std::string& destination) {
    std::filesystem::create_directories(destination);
    pictavo::ExportOptions options;
    options.photoFolder = library;
    options.exportFolder = destination;
    options.layout = pictavo::kYearlyFolders;
    options.setFileDates = true;
    shared::DesktopServices services("Pictavo", [] { return 1; });
    pictavo::ExportControl control;
    QuietView view;
    Clock::time_point start = Clock::now();
    control.RunHere(options, view, services, [](int) {});
    double seconds = SecondsSince(start);
    std::printf("  export: %.3f s  (%s)\n", seconds, view.last.c_str());
    return seconds;
}

double TimeCopy(const std::string& library, const std::string& destination) {
    std::string command = "cp -r '" + library + "' '" + destination + "'";
    Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0) std::printf("  cp -r failed\n");
    double seconds = SecondsSince(start);
    std::printf("  cp -r:  %.3f s\n", seconds);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 5000;
    int width = argc > 2 ? std::atoi(argv[2]) : 1600;
    std::string pattern = (std::filesystem::temp_directory_path() / "export-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) return 1;
    const std::string root = pattern;
    ::setenv("HOME", root.c_str(), 1);  // the activity log stays in the scratch tree
    pictavo::InitializeMetadata();
    MakeLibrary(root + "/library", count, width);

    double bestExport = 1e9, bestCopy = 1e9;
    for (int round = 1; round <= 2; ++round) {
        std::printf("round %d\n", round);
        bestCopy =
            std::min(bestCopy, TimeCopy(root + "/library", root + "/cp" + std::to_string(round)));
        bestExport = std::min(
            bestExport, TimeExport(root + "/library", root + "/export" + std::to_string(round)));
    }
    std::printf("best: export %.3f s, cp -r %.3f s, ratio %.2fx (goal: within 2x)\n", bestExport,
                bestCopy, bestExport / bestCopy);
    std::filesystem::remove_all(root);
    return 0;
}
