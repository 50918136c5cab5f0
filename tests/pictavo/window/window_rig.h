#pragma once
// A real main window over a real state, with a private HOME, a photo folder,
// answering fakes for boxes and the browser, and a recorded process start.
#include <memory>
#include <string>
#include <vector>

#include "pictavo/catalogue/loading.h"
#include "pictavo/cull/photo_store.h"
#include "pictavo/cull/window/pictavo_window.h"
#include "pictavo/cull/window/pixel_turner.h"
#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/shared/fakes.h"
#include "tests/shared/temp_home.h"

namespace window_tests {

// Encoded test pictures: a JPEG (quality 95) or PNG of the given size, red in
// the top-left quarter and blue elsewhere, so a turn can be seen.
std::vector<unsigned char> MarkedImage(int width, int height, const char* format);
bool WriteMarkedImage(const std::string& path, int width, int height, const char* format);
// Colour of the pixel at (x, y) of the image file, decoded as stored.
unsigned PixelAt(const std::string& path, int x, int y);
std::vector<unsigned char> FileBytes(const std::string& path);

class WindowRig {
  public:
    WindowRig();
    ~WindowRig();

    std::string PhotoFolder() const { return home.Path() + "/Photos"; }
    std::string Photo(const std::string& name) const { return PhotoFolder() + "/" + name; }
    // Scans the photo folder on this thread, as the loading thread would.
    void Load();
    std::string CaptionText(int id) const;
    bool CaptionIsRed(int id) const;
    bool Enabled(int id) const;

    testing_support::TempHome home;
    pictavo::SettingsRecord settings;
    shared::DesktopServices services;
    pictavo::SettingsStore store;
    pictavo::PictavoState state;
    testing_support::FakePrompter prompter;
    testing_support::FakeOpener opener;
    pictavo::QtPixelTurner turner;
    std::vector<std::string> started;
    std::unique_ptr<pictavo::PictavoWindow> window;
};

}  // namespace window_tests
