// Time for the main window to draw a pair of 24-megapixel JPEGs into 960 x 880
// panes (decoded scaled, turned upright, composed, captioned) against decoding the
// same two files at full size, in the same run; then stepping forward and culling
// through eight such photos, where the photo the step brings in was decoded
// ahead while the user looked at the pair; and decoding a 44-byte PNG whose
// text chunk declares 2 GB. Prints milliseconds and ratios.
// bench_display [FOLDER]: FOLDER keeps the generated photos.
#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/navigation.h"
#include "pictavo/cull/window/pane_picture.h"
#include "pictavo/cull/window/photo_pane.h"
#include "pictavo/cull/window/pictavo_window.h"
#include "pictavo/cull/window/pixel_turner.h"

namespace {

// A photo-like picture: soft gradients, a few shapes and sensor-like noise, so
// the JPEG has a realistic size (several megabytes) and decoding cost.
QImage PhotoLike(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(70, 120, 190));
    sky.setColorAt(1, QColor(230, 190, 120));
    painter.fillRect(image.rect(), sky);
    QRandomGenerator random(seed);
    for (int i = 0; i < 60; ++i) {
        painter.setBrush(QColor::fromHsv(random.bounded(360), 120, 200, 150));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint(random.bounded(width), random.bounded(height)),
                            random.bounded(width / 6), random.bounded(height / 6));
    }
    painter.end();
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int n = static_cast<int>(random.bounded(17u)) - 8;
            QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + n, 0, 255), std::clamp(qGreen(p) + n, 0, 255),
                           std::clamp(qBlue(p) + n, 0, 255));
        }
    }
    return image;
}

double MedianMs(int rounds, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

class NoBoxes : public shared::Prompter {
  public:
    shared::BoxAnswer Ask(const std::string&, const std::string&, shared::BoxIcon,
                          shared::BoxButtons) override {
        return shared::BoxAnswer::Ok;
    }
};

class NoOpener : public shared::Opener {
  public:
    bool OpenAddress(const std::string&) override { return false; }
    bool OpenFolder(const std::string&) override { return false; }
};

void AddPhoto(pictavo::PictavoState& state, const QDir& folder, const QString& name) {
    auto record = std::make_unique<pictavo::PhotoRecord>();
    record->folder = std::make_shared<const std::string>(folder.path().toStdString());
    record->fileName = name.toStdString();
    record->fileSize = static_cast<std::uint64_t>(QFileInfo(folder.filePath(name)).size());
    state.catalogue.Append(std::move(record));
}

// Each command after a pause in which the user looks at the pair (the time
// the decode ahead has), timed alone; the median.
constexpr int kLookAtPairMs = 1000;
double MedianStepMs(pictavo::PictavoWindow& window, int command, int steps) {
    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        window.PumpEvents(kLookAtPairMs);
        times.push_back(MedianMs(1, [&] { window.RunCommand(command); }));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double BombDecodeMs(const QDir& folder) {
    // A real signature and header chunk, then a text chunk declaring 2 GB.
    QImage tiny(16, 16, QImage::Format_RGB32);
    tiny.fill(Qt::gray);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    tiny.save(&buffer, "PNG");
    QByteArray bomb = png.left(33) + QByteArray(
                                         "\x7f\xff\xff\xff"
                                         "tEXt"
                                         "abc",
                                         11);
    QFile file(folder.filePath("bomb.png"));
    file.open(QIODevice::WriteOnly);
    file.write(bomb);
    file.close();
    return MedianMs(3, [&] {
        pictavo::display::DecodeForPane(file.fileName().toStdString(), QSize(960, 880), 0);
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pictavo::InitializeMetadata();
    // An optional folder keeps the generated photos (for trying the program on them).
    QTemporaryDir temporary;
    QDir folder(argc > 1 ? QString(argv[1]) : temporary.path());
    const std::string landscape = folder.filePath("landscape.jpg").toStdString();
    const std::string portrait = folder.filePath("portrait.jpg").toStdString();
    PhotoLike(6000, 4000, 1).save(QString::fromStdString(landscape), "JPEG", 92);
    PhotoLike(4000, 6000, 2).save(QString::fromStdString(portrait), "JPEG", 92);
    std::printf("two 24 MP JPEGs: %lld and %lld bytes\n",
                static_cast<long long>(QFileInfo(QString::fromStdString(landscape)).size()),
                static_cast<long long>(QFileInfo(QString::fromStdString(portrait)).size()));

    const QSize pane(960, 880);
    const int rounds = 7;
    pictavo::SettingsRecord settings;
    shared::DesktopServices services("Pictavo", [] { return 0; });
    pictavo::SettingsStore store(services);
    pictavo::PictavoState state(settings, services);
    // Eight photos: the two and three copies of each (distinct files).
    AddPhoto(state, folder, "landscape.jpg");
    AddPhoto(state, folder, "portrait.jpg");
    for (int copy = 1; copy <= 3; ++copy) {
        for (const char* name : {"landscape", "portrait"}) {
            QString copyName = QString("%1-%2.jpg").arg(name).arg(copy);
            QFile::copy(folder.filePath(QString(name) + ".jpg"), folder.filePath(copyName));
            AddPhoto(state, folder, copyName);
        }
    }
    QDir(folder.path()).mkdir("store");
    state.storeFolder = folder.filePath("store").toStdString() + "/";
    NoBoxes prompter;
    NoOpener opener;
    pictavo::QtPixelTurner turner;
    pictavo::PictavoWindow window({state, store, prompter, opener, turner, nullptr, ""});
    // Panes of 960 x 880 inside their one-pixel frames.
    window.resize(2 * (pane.width() + 4), pane.height() + 122);
    window.show();
    auto* left = static_cast<pictavo::PhotoPane*>(window.Control(pictavo::ids::kLeftPane));
    std::printf("pane client size: %d x %d\n", left->ClientSize().width(),
                left->ClientSize().height());

    // Cold: nothing decoded before (a load drops every kept picture).
    double pair = MedianMs(rounds, [&] {
        window.EnableCullingControls(false);
        window.DrawPair(0, 1, false);
    });
    double oneByOne = MedianMs(rounds, [&] {
        for (const std::string& path : {landscape, portrait}) pictavo::LoadPaneContent(path, pane);
    });
    double full = MedianMs(rounds, [&] {
        for (const std::string& path : {landscape, portrait}) {
            QImageReader reader(QString::fromStdString(path));
            reader.setAllocationLimit(1024);
            reader.read();
        }
    });
    std::printf("draw pair into 960 x 880 panes: %.1f ms (median of %d)\n", pair, rounds);
    std::printf("the same, one pane after the other: %.1f ms\n", oneByOne);
    std::printf("full-size decode of the pair:   %.1f ms (median of %d)\n", full, rounds);
    std::printf("ratio full / pane: %.1fx; goal under 150 ms for the pair: %s\n", full / pair,
                pair < 150 ? "met" : "missed");

    // Now as a user culls: the window is ready, the first pair drawn.
    window.EnableCullingControls(true);
    state.leftIndex = 0;
    pictavo::SettlePair(state);
    pictavo::DrawPair(state, false);
    double forward = MedianStepMs(window, pictavo::ids::kNext, 6);
    pictavo::Home(state);
    pictavo::DrawPair(state, false);
    double cullRight = MedianStepMs(window, pictavo::ids::kDeleteRight, 3);
    double cullLeft = MedianStepMs(window, pictavo::ids::kDeleteLeft, 2);
    std::printf(
        "step forward, next photo decoded ahead: %.1f ms (median of 6); %.1fx the cold pair\n",
        forward, pair / forward);
    std::printf("cull right (S): %.1f ms, cull left (A): %.1f ms (medians of 3 and 2)\n", cullRight,
                cullLeft);
    std::printf("goal under 30 ms for a step or a cull: %s\n",
                std::max({forward, cullRight, cullLeft}) < 30 ? "met" : "missed");
    std::printf("44-byte PNG declaring a 2 GB chunk: %.1f ms to refuse\n", BombDecodeMs(folder));
    return 0;
}
