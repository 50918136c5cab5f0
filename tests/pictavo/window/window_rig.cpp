#include "tests/pictavo/window/window_rig.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <fstream>
#include <iterator>

namespace window_tests {

std::vector<unsigned char> MarkedImage(int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    QPainter(&image).fillRect(0, 0, width / 2, height / 2, QColor(255, 0, 0));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return {bytes.begin(), bytes.end()};
}

bool WriteMarkedImage(const std::string& path, int width, int height, const char* format) {
    std::vector<unsigned char> data = MarkedImage(width, height, format);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

unsigned PixelAt(const std::string& path, int x, int y) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    QImage image = reader.read();
    return image.isNull() ? 0u : image.pixel(x, y) & 0xFFFFFFu;
}

std::vector<unsigned char> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WindowRig::WindowRig()
    : services("Pictavo", [this] { return settings.logLevel(); }),
      store(services),
      state(settings, services) {
    store.SetDefaults(settings);
    settings.setLogLevel(0);
    photo_fixtures::MakeFolders(PhotoFolder());
    settings.setPhotoFolder(PhotoFolder());
    pictavo::CreateStoreFolder(state);
    window = std::make_unique<pictavo::PictavoWindow>(
        pictavo::WindowServices{state, store, prompter, opener, turner,
                                [this](const std::string& commandLine) {
                                    started.push_back(commandLine);
                                    return true;
                                },
                                "/opt/quillfen/bin"});
    window->resize(1430, 900);
    window->show();
    (void)QTest::qWaitForWindowExposed(window.get());
}

WindowRig::~WindowRig() {
    pictavo::StopLoading(state);
    window.reset();
}

void WindowRig::Load() { pictavo::LoadingThreadBody(state); }

std::string WindowRig::CaptionText(int id) const {
    return static_cast<QLabel*>(window->Control(id))->text().toStdString();
}

bool WindowRig::CaptionIsRed(int id) const {
    return window->Control(id)->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
}

bool WindowRig::Enabled(int id) const { return window->Control(id)->isEnabled(); }

}  // namespace window_tests
