#pragma once
// Photo files for the catalogue and store tests: real JPEG and PNG files with
// metadata written by Exiv2, temporary folders and a recording view.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pictavo/catalogue/pictavo_state.h"
#include "pictavo/catalogue/pictavo_view.h"
#include "shared/desktop_services.h"

namespace photo_fixtures {

struct Tags {
    std::optional<std::string> dateTaken;           // DateTimeOriginal as ASCII, stored as given
    std::optional<std::string> dateTakenUndefined;  // the same tag with type UNDEFINED
    std::optional<std::uint16_t> orientation;       // as unsigned short
    std::optional<std::uint32_t> orientationLong;   // the same tag as unsigned long
    std::optional<std::string> xmpRating;
    std::optional<std::string> description;         // ImageDescription as 8-bit text
    std::optional<std::u16string> wideDescription;  // ImageDescription as UTF-16LE bytes
    std::optional<std::string> iptcCaption;
    bool iptcUtf8 = false;   // adds the UTF-8 character-set envelope
    bool bigEndian = false;  // writes the EXIF block in Motorola byte order
};

// A small real JPEG (libjpeg-turbo), or a 1x1 PNG.
std::string JpegBytes(int width = 16, int height = 16);
bool WriteJpeg(const std::string& path, int width = 16, int height = 16);
bool WritePng(const std::string& path);
// Adds the tags to an existing image file.
bool WriteTags(const std::string& path, const Tags& tags);
// WriteJpeg and WriteTags; also sets the file's write time (seconds since 1970) when not 0.
bool MakePhoto(const std::string& path, const Tags& tags = {}, long long mtime = 0);

void SetWriteTime(const std::string& path, long long unixSeconds);
bool MakeFolders(const std::string& path);  // every missing level

// A temporary folder removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Sets TZ for one test and restores it afterwards.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();

  private:
    std::optional<std::string> old_;
};

// Records every call the logic makes to the window.
class RecordingView : public pictavo::PictavoView {
  public:
    struct Draw {
        std::int32_t left, right;
        bool record;
    };
    void EnableCullingControls(bool enabled) override { cullingControls.push_back(enabled); }
    void SetUndeleteEnabled(bool enabled) override { undeleteEnabled.push_back(enabled); }
    void DrawPair(std::int32_t left, std::int32_t right, bool record) override;
    void WarnNoPhotos(const std::string& text) override { warnings.push_back(text); }
    void PostConfigurationCommand() override { ++configurationCommands; }
    void PumpEvents(int milliseconds) override;

    std::vector<bool> cullingControls;
    std::vector<bool> undeleteEnabled;
    std::vector<Draw> draws;
    std::vector<std::int32_t> countAtDraw;  // catalogue count seen by each draw (when set)
    std::vector<std::string> warnings;
    int configurationCommands = 0;
    int pumps = 0;
    std::function<std::int32_t()> countSource;
};

pictavo::PhotoTime Time(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Adds a record without a file behind it (navigation and sort tests).
void AddRecord(pictavo::Catalogue& catalogue, const pictavo::PhotoTime& time,
               const std::string& name = "photo.jpg", const std::string& folder = "/nowhere");

// Settings, desktop services (log level 0 unless set), the state and a
// recording view, with every status text kept.
class Harness {
  public:
    explicit Harness(std::int32_t capacity = pictavo::Catalogue::kUnlimited,
                     std::int32_t undeleteCapacity = pictavo::UndeleteStack::kUnlimited);
    ~Harness();
    std::vector<std::string> Statuses() const;
    bool SawStatus(const std::string& text) const;

    pictavo::SettingsRecord settings;
    shared::DesktopServices services;
    RecordingView view;
    pictavo::PictavoState state;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> statuses_;
};

}  // namespace photo_fixtures
