#include "tests/pictavo/export/export_fixtures.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <turbojpeg.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>

#include "pictavo/catalogue/metadata.h"
#include "platform/clock.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace pictavo::testing {
namespace {

// A valid 1x1 RGBA PNG.
constexpr unsigned char kTinyPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00,
    0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x44, 0x41, 0x54, 0x78,
    0xDA, 0x63, 0x64, 0xF8, 0xCF, 0x50, 0x0F, 0x00, 0x03, 0x86, 0x01, 0x80, 0x5A, 0x34,
    0x7D, 0x6B, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

void WriteBytes(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) throw std::runtime_error("cannot write " + path);
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw std::runtime_error("no file " + path);
    return st;
}

}  // namespace

TempHome::TempHome() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "pictavo-export-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    if (const char* home = ::getenv("HOME")) oldHome_ = home;
    MakeFolders(Path("home/Documents"));
    ::setenv("HOME", Path("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", Path("home/.config").c_str(), 1);
}

TempHome::~TempHome() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    if (oldHome_) ::setenv("HOME", oldHome_->c_str(), 1);
}

std::string TempHome::LogText() const {
    platform::CalendarFields now = platform::LocalFromUtc(platform::NowUtc());
    char name[64];
    std::snprintf(name, sizeof name, "Pictavo_%04d-%02d-%02d.txt", now.year, now.month, now.day);
    std::string path = Path("home/Documents/Quillfen/Pictavo/Logs/") + name;
    return platform::FileExists(path) ? ReadAll(path) : "";
}

void MakeFolders(const std::string& path) { std::filesystem::create_directories(path); }

void WriteJpeg(const std::string& path, int seed) {
    constexpr int kSide = 16;
    std::vector<unsigned char> pixels(kSide * kSide * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<unsigned char>((i * 7 + static_cast<std::size_t>(seed) * 53) % 256);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    int failed = tjCompress2(handle, pixels.data(), kSide, 0, kSide, TJPF_RGB, &jpeg, &size,
                             TJSAMP_444, 90, 0);
    tjDestroy(handle);
    if (failed != 0) throw std::runtime_error("tjCompress2 failed");
    WriteBytes(path, jpeg, size);
    tjFree(jpeg);
}

void WritePng(const std::string& path) { WriteBytes(path, kTinyPng, sizeof kTinyPng); }

void TagPhoto(const std::string& path, const std::optional<std::string>& dateTaken,
              const std::optional<std::string>& rating) {
    static std::once_flag once;
    std::call_once(once, [] { InitializeMetadata(); });
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
#pragma GCC diagnostic pop
    image->readMetadata();
    if (dateTaken) image->exifData()["Exif.Photo.DateTimeOriginal"] = *dateTaken;
    if (rating) image->xmpData()["Xmp.xmp.Rating"] = *rating;
    image->writeMetadata();
}

void SetWriteTime(const std::string& path, std::int64_t unixSeconds) {
    platform::FileTime time = platform::FileTimeFromUnix(unixSeconds, 0);
    if (platform::SetFileTimes(path, time, time) != 0)
        throw std::runtime_error("cannot set times of " + path);
}

std::int64_t WriteTimeOf(const std::string& path) { return StatOf(path).st_mtim.tv_sec; }
std::int64_t AccessTimeOf(const std::string& path) { return StatOf(path).st_atim.tv_sec; }

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && !entry.is_symlink())
            files.push_back(std::filesystem::relative(entry.path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace pictavo::testing
