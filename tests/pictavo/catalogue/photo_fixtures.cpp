#include "tests/pictavo/catalogue/photo_fixtures.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/platform/test_files.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace photo_fixtures {
namespace {

const unsigned char kOnePixelPng[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
    0x00, 0x90, 0x77, 0x53, 0xde, 0x00, 0x00, 0x00, 0x0c, 0x49, 0x44, 0x41, 0x54, 0x78,
    0x9c, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0xc9, 0xfe, 0x92,
    0xef, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

void AddExif(Exiv2::ExifData& exif, const char* key, Exiv2::TypeId type, const std::string& bytes) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
#pragma GCC diagnostic pop
    if (type == Exiv2::asciiString) {
        value->read(bytes);
    } else {
        value->read(reinterpret_cast<const Exiv2::byte*>(bytes.data()),
                    static_cast<long>(bytes.size()), Exiv2::littleEndian);
    }
    exif.add(Exiv2::ExifKey(key), value.get());
}

std::string Utf16LeBytes(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes + std::string(2, '\0');
}

std::string LittleEndian(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

void ApplyExif(Exiv2::ExifData& exif, const Tags& tags) {
    if (tags.dateTaken)
        AddExif(exif, "Exif.Photo.DateTimeOriginal", Exiv2::asciiString, *tags.dateTaken);
    if (tags.dateTakenUndefined)
        AddExif(exif, "Exif.Photo.DateTimeOriginal", Exiv2::undefined, *tags.dateTakenUndefined);
    if (tags.orientation)
        AddExif(exif, "Exif.Image.Orientation", Exiv2::unsignedShort,
                LittleEndian(*tags.orientation, 2));
    if (tags.orientationLong)
        AddExif(exif, "Exif.Image.Orientation", Exiv2::unsignedLong,
                LittleEndian(*tags.orientationLong, 4));
    if (tags.description)
        AddExif(exif, "Exif.Image.ImageDescription", Exiv2::asciiString, *tags.description);
    if (tags.wideDescription)
        AddExif(exif, "Exif.Image.ImageDescription", Exiv2::unsignedByte,
                Utf16LeBytes(*tags.wideDescription));
}

}  // namespace

std::string JpegBytes(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height * 3));
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7);
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    int rc = tjCompress2(handle, pixels.data(), width, 0, height, TJPF_RGB, &jpeg, &size,
                         TJSAMP_420, 90, 0);
    std::string bytes = rc == 0 ? std::string(reinterpret_cast<char*>(jpeg), size) : std::string();
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

bool WriteJpeg(const std::string& path, int width, int height) {
    std::string bytes = JpegBytes(width, height);
    return !bytes.empty() && testing_support::WriteBytes(path, bytes);
}

bool WritePng(const std::string& path) {
    return testing_support::WriteBytes(
        path, std::string(reinterpret_cast<const char*>(kOnePixelPng), sizeof kOnePixelPng));
}

bool WriteTags(const std::string& path, const Tags& tags) {
    try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(path);
#pragma GCC diagnostic pop
        image->readMetadata();
        if (tags.bigEndian) image->setByteOrder(Exiv2::bigEndian);
        ApplyExif(image->exifData(), tags);
        if (tags.xmpRating) image->xmpData()["Xmp.xmp.Rating"] = *tags.xmpRating;
        if (tags.iptcCaption) {
            if (tags.iptcUtf8) image->iptcData()["Iptc.Envelope.CharacterSet"] = "\x1b%G";
            image->iptcData()["Iptc.Application2.Caption"] = *tags.iptcCaption;
        }
        image->writeMetadata();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void SetWriteTime(const std::string& path, long long unixSeconds) {
    testing_support::SetTimes(path, static_cast<time_t>(unixSeconds),
                              static_cast<time_t>(unixSeconds));
}

bool MakePhoto(const std::string& path, const Tags& tags, long long mtime) {
    if (!WriteJpeg(path) || !WriteTags(path, tags)) return false;
    if (mtime != 0) SetWriteTime(path, mtime);
    return true;
}

bool MakeFolders(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path);
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pictavo-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? std::string(made) : std::string();
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    if (const char* tz = ::getenv("TZ")) old_ = tz;
    ::setenv("TZ", zone, 1);
    ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (old_) {
        ::setenv("TZ", old_->c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}

void RecordingView::DrawPair(std::int32_t left, std::int32_t right, bool record) {
    draws.push_back({left, right, record});
    if (countSource) countAtDraw.push_back(countSource());
}

void RecordingView::PumpEvents(int milliseconds) {
    ++pumps;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

pictavo::PhotoTime Time(int year, int month, int day, int hour, int minute, int second) {
    pictavo::PhotoTime t;
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(month);
    t.day = static_cast<std::uint16_t>(day);
    t.hour = static_cast<std::uint16_t>(hour);
    t.minute = static_cast<std::uint16_t>(minute);
    t.second = static_cast<std::uint16_t>(second);
    return t;
}

void AddRecord(pictavo::Catalogue& catalogue, const pictavo::PhotoTime& time,
               const std::string& name, const std::string& folder) {
    auto record = std::make_unique<pictavo::PhotoRecord>();
    record->folder = std::make_shared<const std::string>(folder);
    record->fileName = name;
    record->photoTime = time;
    catalogue.Append(std::move(record));
}

Harness::Harness(std::int32_t capacity, std::int32_t undeleteCapacity)
    : services("Pictavo", [this] { return settings.logLevel(); }),
      state(settings, services, capacity, undeleteCapacity) {
    settings.Zero();
    services.SetStatusSink([this](const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        statuses_.push_back(text);
    });
    view.countSource = [this] { return state.catalogue.Count(); };
    state.SetView(&view);
}

Harness::~Harness() {
    state.loader.RequestStop();
    state.loader.Join();
    services.SetStatusSink(nullptr);
}

std::vector<std::string> Harness::Statuses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return statuses_;
}

bool Harness::SawStatus(const std::string& text) const {
    std::vector<std::string> all = Statuses();
    return std::find(all.begin(), all.end(), text) != all.end();
}

}  // namespace photo_fixtures
