// The pure arithmetic and texts of the window: layout, keys, fit, fitted captions.
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>

#include "pictavo/cull/window/fitted_text.h"
#include "pictavo/cull/window/pane_picture.h"
#include "pictavo/cull/window/window_layout.h"
#include "tests/pictavo/window/window_rig.h"

namespace pictavo {
namespace {

LayoutMetrics Metrics() {
    LayoutMetrics m;
    m.bottomButton = QSize(100, 28);
    m.cullButton = QSize(64, 28);
    m.captionHeight = 70;
    m.statusLeft = 9;
    m.statusHeight = 22;
    return m;
}

TEST(WindowLayout, PlacesEveryControlForAClientSize) {
    auto r = LayOut(QSize(1430, 900), Metrics());
    // Seven slots of (1430 - 30) / 7 = 200 pixels, buttons centred in them.
    for (int slot = 0; slot < 7; ++slot)
        EXPECT_EQ(r[kBottomRow[slot]], QRect(slot * 200 + 65, 857, 100, 28)) << slot;
    EXPECT_EQ(r[ids::kLeftPane], QRect(0, 0, 713, 780));
    EXPECT_EQ(r[ids::kRightPane], QRect(717, 0, 713, 780));
    EXPECT_EQ(r[ids::kDeleteLeft], QRect(649, 784, 64, 28));
    EXPECT_EQ(r[ids::kPrevious], QRect(649, 816, 64, 28));
    EXPECT_EQ(r[ids::kDeleteRight], QRect(717, 784, 64, 28));
    EXPECT_EQ(r[ids::kNext], QRect(717, 816, 64, 28));
    EXPECT_EQ(r[ids::kLeftCaption], QRect(0, 784, 645, 70));
    EXPECT_EQ(r[ids::kRightCaption], QRect(785, 784, 645, 70));
    EXPECT_EQ(r[ids::kStatus], QRect(9, 837, 1390, 22));
}

TEST(WindowLayout, NarrowWindowKeepsButtonsApartAndCaptionsInside) {
    // At the least width, 7 * (100 + 5) + 30, each slot is the button width plus 5.
    ASSERT_EQ(MinimumClientSize(Metrics()).width(), 765);
    auto least = LayOut(QSize(765, 500), Metrics());
    for (int slot = 0; slot < 7; ++slot)
        EXPECT_EQ(least[kBottomRow[slot]], QRect(slot * 105 + 17, 457, 100, 28)) << slot;
    // Narrower still (a screen too small for the window): the buttons narrow
    // and the whole row stays inside, the buttons apart.
    for (int width : {764, 731, 400, 120}) {
        auto row = LayOut(QSize(width, 500), Metrics());
        for (int slot = 0; slot < 7; ++slot) {
            const QRect button = row[kBottomRow[slot]];
            EXPECT_GE(button.left(), 15) << width << " " << slot;
            EXPECT_LE(button.right(), width - 15) << width << " " << slot;
            EXPECT_TRUE(button.width() > 0 && button.width() < 100) << width << " " << slot;
            EXPECT_EQ(button.height(), 28);
            if (slot > 0) {
                EXPECT_GE(button.left() - row[kBottomRow[slot - 1]].right(), 5) << width;
            }
        }
    }
    auto r = LayOut(QSize(731, 500), Metrics());
    EXPECT_EQ(r[ids::kLeftPane].width(), 363);  // 731 / 2 = 365, less 2
    EXPECT_EQ(r[ids::kRightPane].x(), 367);
    EXPECT_EQ(r[ids::kRightCaption].right(), 730);  // ends at the window's edge
}

TEST(KeyTable, PageKeysDependOnShiftAndOthersDoNot) {
    EXPECT_EQ(ActionForKey(Qt::Key_PageUp, false), KeyAction::PreviousMonth);
    EXPECT_EQ(ActionForKey(Qt::Key_PageUp, true), KeyAction::PreviousYear);
    EXPECT_EQ(ActionForKey(Qt::Key_PageDown, false), KeyAction::NextMonth);
    EXPECT_EQ(ActionForKey(Qt::Key_PageDown, true), KeyAction::NextYear);
    for (bool shift : {false, true}) {
        EXPECT_EQ(ActionForKey(Qt::Key_Home, shift), KeyAction::Home);
        EXPECT_EQ(ActionForKey(Qt::Key_Left, shift), KeyAction::StepBack);
        EXPECT_EQ(ActionForKey(Qt::Key_Right, shift), KeyAction::StepForward);
        EXPECT_EQ(ActionForKey(Qt::Key_A, shift), KeyAction::CullLeft);
        EXPECT_EQ(ActionForKey(Qt::Key_S, shift), KeyAction::CullRight);
        EXPECT_EQ(ActionForKey(Qt::Key_Q, shift), KeyAction::RotateLeft);
        EXPECT_EQ(ActionForKey(Qt::Key_W, shift), KeyAction::RotateRight);
        EXPECT_EQ(ActionForKey(Qt::Key_D, shift), KeyAction::None);
        EXPECT_EQ(ActionForKey(Qt::Key_End, shift), KeyAction::None);
    }
}

TEST(PaneFit, WholePhotoCentredAtTheTopWithWhiteStripsAround) {
    struct Case {
        QSize pane, photo;
        QRect drawn;
        std::vector<QRect> strips;
    };
    const Case cases[] = {
        // Landscape in a tall pane: the width, a strip below.
        {{960, 880}, {4000, 3000}, {0, 0, 960, 720}, {{0, 720, 960, 165}}},
        // Portrait in a wide pane: the height, centred, strips both sides.
        {{960, 880}, {3000, 4000}, {150, 0, 660, 880}, {{0, 0, 150, 885}, {810, 0, 960, 885}}},
        // Landscape in a wide, low pane: the height, centred (never cut at the bottom).
        {{1200, 600}, {4000, 3000}, {200, 0, 800, 600}, {{0, 0, 200, 605}, {1000, 0, 1200, 605}}},
        // Portrait in a narrow pane: the width, at the top (never cut at the sides).
        {{300, 880}, {3000, 4000}, {0, 0, 300, 400}, {{0, 400, 300, 485}}},
    };
    for (const Case& c : cases) {
        display::PaneFit fit = display::FitIntoPane(c.pane.width(), c.pane.height(),
                                                    c.photo.width(), c.photo.height());
        EXPECT_EQ(fit.DrawRect(), c.drawn);
        EXPECT_EQ(display::UncoveredStrips(fit, c.pane.width(), c.pane.height()), c.strips);
    }
    // Any pane and photo: the drawn picture lies inside the pane.
    for (int cw : {1, 97, 640, 1913})
        for (int ch : {1, 55, 480, 1080})
            for (QSize photo :
                 {QSize(1, 1), QSize(6000, 4000), QSize(4000, 6000), QSize(9, 4000)}) {
                QRect drawn =
                    display::FitIntoPane(cw, ch, photo.width(), photo.height()).DrawRect();
                EXPECT_TRUE(QRect(0, 0, cw, ch).contains(drawn) || drawn.isEmpty())
                    << cw << "x" << ch << " " << photo.width() << "x" << photo.height();
            }
}

TEST(PaneFit, ComposedPaneIsWhiteOutsideThePicture) {
    display::DecodedPhoto photo;
    photo.picture = QImage(40, 30, QImage::Format_RGB32);
    photo.picture.fill(Qt::black);
    photo.fullSize = QSize(4000, 3000);
    QImage pane = display::ComposePane(photo, QSize(40, 50));
    EXPECT_EQ(pane.pixelColor(20, 10), QColor(Qt::black));
    EXPECT_EQ(pane.pixelColor(20, 40), QColor(Qt::white));  // below the landscape photo
    EXPECT_EQ(display::ComposePane({}, QSize(40, 50)).pixelColor(20, 10), QColor(Qt::white));
    // In a wide, low pane the photo's bottom row is still drawn, white beside it.
    QImage wide = display::ComposePane(photo, QSize(120, 40));
    EXPECT_EQ(wide.pixelColor(60, 39), QColor(Qt::black));
    EXPECT_EQ(wide.pixelColor(5, 20), QColor(Qt::white));
    EXPECT_EQ(wide.pixelColor(114, 20), QColor(Qt::white));
}

TEST(Orientation, SwapsTheSidesForFiveToEightOnly) {
    for (int o : {0, 1, 2, 3, 4, 9}) EXPECT_EQ(display::ShownSize(QSize(40, 30), o), QSize(40, 30));
    for (int o : {5, 6, 7, 8}) EXPECT_EQ(display::ShownSize(QSize(40, 30), o), QSize(30, 40));
}

TEST(Orientation, SixTurnsClockwiseAndEightCounterClockwise) {
    QImage stored(4, 2, QImage::Format_RGB32);
    stored.fill(Qt::blue);
    stored.setPixelColor(0, 0, Qt::red);  // top-left
    EXPECT_EQ(display::ApplyOrientation(stored, 6).pixelColor(1, 0), QColor(Qt::red));
    EXPECT_EQ(display::ApplyOrientation(stored, 8).pixelColor(0, 3), QColor(Qt::red));
    EXPECT_EQ(display::ApplyOrientation(stored, 2).pixelColor(3, 0), QColor(Qt::red));
    EXPECT_EQ(display::ApplyOrientation(stored, 5).pixelColor(0, 0), QColor(Qt::red));
}

TEST(PaneDecoding, DecodesAtTheDrawnSizeAndReportsTheShownSize) {
    testing_support::TempHome home;
    std::string path = home.Path() + "/wide.jpg";
    ASSERT_TRUE(window_tests::WriteMarkedImage(path, 400, 300, "JPEG"));
    display::DecodedPhoto photo = display::DecodeForPane(path, QSize(96, 88), 6);
    EXPECT_EQ(photo.fullSize, QSize(300, 400));
    EXPECT_EQ(photo.picture.size(), QSize(66, 88));  // portrait: 88 * 300 / 400
    EXPECT_FALSE(photo.missing);

    display::DecodedPhoto gone = display::DecodeForPane(home.Path() + "/gone.jpg", {96, 88}, 0);
    EXPECT_TRUE(gone.missing);
    std::string broken = home.Path() + "/broken.jpg";
    std::ofstream(broken) << "not a picture";
    display::DecodedPhoto bad = display::DecodeForPane(broken, QSize(96, 88), 0);
    EXPECT_FALSE(bad.missing);
    EXPECT_TRUE(bad.fullSize.isEmpty());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(PaneDecoding, HeadersDeclaringMoreThanTheFileHoldsAreNotDecoded) {
    testing_support::TempHome home;
    std::vector<unsigned char> png = window_tests::MarkedImage(16, 16, "PNG");
    std::vector<unsigned char> jpeg = window_tests::MarkedImage(16, 16, "JPEG");
    WriteBytes(home.Path() + "/real.png", std::string(png.begin(), png.end()));
    WriteBytes(home.Path() + "/real.jpg", std::string(jpeg.begin(), jpeg.end()));
    // A real signature and header chunk, then a text chunk declaring 2 GB: 44 bytes.
    std::string bomb(png.begin(), png.begin() + 33);
    bomb += std::string(
        "\x7f\xff\xff\xff"
        "tEXt"
        "abc",
        11);
    ASSERT_EQ(bomb.size(), 44u);
    const std::string bombPath = home.Path() + "/bomb.png";
    WriteBytes(bombPath, bomb);
    EXPECT_FALSE(display::PngChunksFitTheFile(bombPath));
    EXPECT_TRUE(display::PngChunksFitTheFile(home.Path() + "/real.png"));
    EXPECT_TRUE(display::PngChunksFitTheFile(home.Path() + "/real.jpg"));  // not a PNG
    display::DecodedPhoto decoded = display::DecodeForPane(bombPath, QSize(96, 88), 0);
    EXPECT_TRUE(decoded.fullSize.isEmpty());
    EXPECT_FALSE(decoded.missing);
    EXPECT_TRUE(display::DecodeFullSize(bombPath, 0).picture.isNull());

    // A JPEG of a few hundred bytes whose frame header claims 60000 x 60000.
    std::string liar(jpeg.begin(), jpeg.end());
    std::size_t frame = liar.find("\xff\xc0");
    ASSERT_NE(frame, std::string::npos);
    liar.replace(frame + 5, 4, "\xea\x60\xea\x60");
    WriteBytes(home.Path() + "/liar.jpg", liar);
    EXPECT_TRUE(display::DecodeForPane(home.Path() + "/liar.jpg", {96, 88}, 0).fullSize.isEmpty());
    EXPECT_TRUE(display::DecodeFullSize(home.Path() + "/liar.jpg", 0).picture.isNull());
    EXPECT_EQ(display::DecodeForPane(home.Path() + "/real.jpg", {96, 88}, 0).fullSize,
              QSize(16, 16));
    EXPECT_EQ(display::DecodeFullSize(home.Path() + "/real.jpg", 0).picture.size(), QSize(16, 16));
    // Real files pack far fewer pixels per byte: a 24 MP photo, a white 1-bit PNG.
    EXPECT_TRUE(display::PixelsFitTheFile(QSize(6000, 4000), 2000000, "jpeg"));
    EXPECT_TRUE(display::PixelsFitTheFile(QSize(10000, 10000), 12200, "png"));
    EXPECT_FALSE(display::PixelsFitTheFile(QSize(60000, 60000), 700, "jpeg"));
}

TEST(CaptionText, FittedToTheWidthInFourLinesWhateverTheNames) {
    QFontMetrics metrics(QFont("DejaVu Sans", 9));
    const int width = 400;
    const std::string name = std::string(200, 'n') + "_end.jpg";
    const std::string folder = "/photos/" + std::string(300, 'f') + "/last";
    display::CaptionFacts facts{0,    2,       " - Rating: 4 stars - A\nB",    name, folder, 6000,
                                4000, 9000000, PhotoTime{1, 2, 3, 4, 5, 2021}, true};
    QStringList lines = display::FittedCaption(facts, metrics, width).split('\n');
    ASSERT_EQ(lines.size(), 4);
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), width) << line.toStdString();
    EXPECT_EQ(lines[0].toStdString(),
              "1 (of 2) - Rating: 4 stars - A\xEF\xBF\xBD"
              "B");
    // Both name and folder keep their start and end; the middle gives way.
    EXPECT_TRUE(lines[1].startsWith("nnn")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains(QString::fromUtf8("_end.jpg (/photos/")));
    EXPECT_TRUE(lines[1].endsWith("/last)"));
    EXPECT_EQ(lines[1].count(QChar(0x2026)), 2);
    EXPECT_EQ(lines[2], "6000 x 4000 (8.6 MB)");
    EXPECT_EQ(lines[3], "2021/05/04  03:02:01 (date taken)");

    // A short name keeps its whole self, a folder too long gives way alone.
    facts.fileName = "a.jpg";
    lines = display::FittedCaption(facts, metrics, width).split('\n');
    EXPECT_TRUE(lines[1].startsWith("a.jpg (/photos/fff"));
    // Newlines and other line breaks in names stay on their line.
    facts.fileName = "two\nlines\r.jpg";
    facts.folderPath = "/p\xE2\x80\xA8q";  // U+2028, a line separator
    lines = display::FittedCaption(facts, metrics, width).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1].toStdString(), "two\xEF\xBF\xBDlines\xEF\xBF\xBD.jpg (/p\xEF\xBF\xBDq)");
    facts.position = -1;
    EXPECT_EQ(display::FittedCaption(facts, metrics, width), QString());

    // Names and folders of every mix of narrow and wide letters, at many
    // widths: the line as a whole fits, not only its parts added up.
    facts.position = 0;
    facts.fileName = std::string(180, 'x') + ".jpg";
    const std::string letters = "ilmwWfj1-_.MI";
    for (int k = 0; k < 60; ++k) {
        facts.folderPath = "/tmp/";
        for (int c = 0; c < 12 + k % 40; ++c)
            facts.folderPath += letters[static_cast<std::size_t>((k * 7 + c * c) % 13)];
        for (int w = 200; w <= 420; w += 11) {
            const QString line = display::FittedCaption(facts, metrics, w).split('\n')[1];
            ASSERT_LE(metrics.horizontalAdvance(line), w) << line.toStdString() << " at " << w;
        }
    }
}

}  // namespace
}  // namespace pictavo
