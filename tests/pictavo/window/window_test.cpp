// The main window over a real catalogue: controls while loading, keys, the
// captions, the delayed redraw, rotation and culling by key, the commands.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "pictavo/catalogue/exiv2_access.h"
#include "pictavo/catalogue/metadata.h"
#include "pictavo/catalogue/navigation.h"
#include "pictavo/cull/window/photo_pane.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/pictavo/window/window_rig.h"

namespace pictavo {
namespace {

using photo_fixtures::MakePhoto;
using photo_fixtures::Tags;
using window_tests::WindowRig;

Tags Taken(const std::string& date) {
    Tags tags;
    tags.dateTaken = date;
    return tags;
}

// The rating as exiftool reads it, an independent reader; nullopt without exiftool.
std::optional<std::string> ExiftoolRating(const std::string& path) {
    if (std::system("command -v exiftool >/dev/null 2>&1") != 0) return std::nullopt;
    std::string command = "exiftool -s3 -XMP:Rating '" + path + "'";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[64];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

class MainWindow : public testing::Test {
  protected:
    void MakeLibrary() {
        MakePhoto(rig.Photo("a.jpg"), Taken("2019:03:01 10:00:00"));
        MakePhoto(rig.Photo("b.jpg"), Taken("2019:03:05 10:00:00"));
        MakePhoto(rig.Photo("c.jpg"), Taken("2019:05:01 10:00:00"));
        MakePhoto(rig.Photo("d.jpg"), Taken("2019:06:01 10:00:00"));
        MakePhoto(rig.Photo("e.jpg"), Taken("2020:01:01 10:00:00"));
        MakePhoto(rig.Photo("f.jpg"), Taken("2020:02:01 10:00:00"));
    }
    // Sends the key to a button of the window, where the focus might be.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(rig.window->Control(ids::kConfiguration), key, modifiers);
    }
    std::string LeftName() const { return rig.state.catalogue.At(rig.state.leftIndex)->fileName; }
    PhotoPane* Pane(Side side) const {
        return static_cast<PhotoPane*>(
            rig.window->Control(side == Side::Left ? ids::kLeftPane : ids::kRightPane));
    }
    std::string FirstCaptionLine(int id) const {
        std::string text = rig.CaptionText(id);
        return text.substr(0, text.find('\n'));
    }
    // The rating as the file holds it (the caption's reader answers for JPEG
    // content alone) and, when installed, as exiftool reads it.
    void ExpectRating(const std::string& path, const std::string& rating) const {
        exiv2::ImagePtr image = exiv2::OpenFile(path);
        ASSERT_TRUE(image) << path;
        auto it = image->xmpData().findKey(Exiv2::XmpKey("Xmp.xmp.Rating"));
        EXPECT_EQ(it == image->xmpData().end() ? "" : it->toString(), rating) << path;
        if (path.ends_with(".jpg")) {
            auto read = ReadRatingAndDescription(path);
            ASSERT_TRUE(read.has_value()) << path;
            EXPECT_EQ(read->rating, rating) << path;
        }
        if (auto independent = ExiftoolRating(path)) {
            EXPECT_EQ(*independent, rating) << path;
        }
    }

    WindowRig rig;
};

TEST_F(MainWindow, ControlsHaveTheirIdsAndTexts) {
    const std::pair<int, const char*> buttons[] = {
        {1028, "delete left"}, {1029, "delete right "}, {1031, "< previous"},
        {1032, "next > "},     {6, "Find duplicates"},  {3, "Undelete"},
        {4, "Configuration"},  {5, "Export"},           {7, "Help"},
        {1025, "About"},       {1024, "Exit"}};
    for (auto [id, text] : buttons) {
        auto* button = rig.window->findChild<QPushButton*>(QString::number(id));
        ASSERT_NE(button, nullptr) << id;
        EXPECT_EQ(button->text().toStdString(), text);
    }
    EXPECT_EQ(rig.window->windowTitle(), "Pictavo");
    EXPECT_EQ(rig.window->Control(ids::kStatus)->geometry(),
              LayOut(rig.window->size(), rig.window->Metrics())[ids::kStatus]);
}

TEST_F(MainWindow, AtItsLeastSizeEveryButtonIsInsideAndTheBottomRowApart) {
    rig.window->resize(200, 100);
    ASSERT_EQ(rig.window->size(), rig.window->minimumSize());
    const QRect client = rig.window->rect();
    for (QPushButton* button : rig.window->findChildren<QPushButton*>())
        EXPECT_TRUE(client.contains(button->geometry())) << button->text().toStdString();
    for (int slot = 1; slot < 7; ++slot) {
        QRect left = rig.window->Control(kBottomRow[slot - 1])->geometry();
        QRect right = rig.window->Control(kBottomRow[slot])->geometry();
        EXPECT_GE(right.left() - left.right(), 5) << slot;
    }
    EXPECT_GT(rig.window->Control(ids::kLeftPane)->height(), 0);

    // A screen narrower and lower than that (a large scale factor on a small
    // screen): the window fits it, and so does every button with its text whole.
    const QSize least = MinimumClientSize(rig.window->Metrics());
    const QRect screen(40, 30, least.width() * 3 / 5, least.height() + 40);
    rig.window->resize(2000, 1500);
    rig.window->FitInto(screen);
    EXPECT_TRUE(screen.contains(rig.window->geometry()));
    const QRect narrow = rig.window->rect();
    const int margins = 2 * rig.window->style()->pixelMetric(QStyle::PM_ButtonMargin);
    for (QPushButton* button : rig.window->findChildren<QPushButton*>())
        EXPECT_TRUE(narrow.contains(button->geometry())) << button->text().toStdString();
    for (int slot = 0; slot < 7; ++slot) {
        auto* button = static_cast<QPushButton*>(rig.window->Control(kBottomRow[slot]));
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()),
                  button->width() - margins)
            << slot;
        if (slot == 0) continue;
        QRect left = rig.window->Control(kBottomRow[slot - 1])->geometry();
        EXPECT_GE(button->geometry().left() - left.right(), 5) << slot;
    }
    // Back on a large screen the least size and the texts are what they were.
    rig.window->FitInto(QRect(0, 0, 4000, 3000));
    EXPECT_EQ(rig.window->minimumSize(), least);
    rig.window->resize(least);
    for (int id : kBottomRow) EXPECT_EQ(rig.window->Control(id)->font(), rig.window->font()) << id;
}

TEST_F(MainWindow, CullingControlsAndKeysWaitForTheLoad) {
    MakeLibrary();
    // Before any load: culling controls off, Undelete off, keys do nothing.
    for (int id : {5, 1028, 1029, 1031, 1032, 3}) EXPECT_FALSE(rig.Enabled(id)) << id;
    rig.state.catalogue.Append(std::make_unique<PhotoRecord>());
    Press(Qt::Key_A);
    EXPECT_EQ(rig.state.catalogue.At(0)->state, PhotoState::Present);
    rig.state.catalogue.Clear();

    rig.Load();
    for (int id : {5, 1028, 1029, 1031, 1032}) EXPECT_TRUE(rig.Enabled(id)) << id;
    EXPECT_FALSE(rig.Enabled(ids::kUndelete));
    rig.window->EnableCullingControls(false);  // as while a reload runs
    Press(Qt::Key_Right);
    Press(Qt::Key_S);
    EXPECT_EQ(LeftName(), "a.jpg");
    EXPECT_TRUE(platform::FileExists(rig.Photo("b.jpg")));
}

TEST_F(MainWindow, PageKeysMoveByMonthAndWithShiftByYear) {
    MakeLibrary();
    rig.Load();
    EXPECT_EQ(LeftName(), "a.jpg");
    Press(Qt::Key_PageDown);
    EXPECT_EQ(LeftName(), "c.jpg");
    Press(Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(LeftName(), "e.jpg");
    Press(Qt::Key_PageUp);
    EXPECT_EQ(LeftName(), "d.jpg");
    Press(Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_EQ(LeftName(), "d.jpg");  // already in the earliest year: first photo of 2019 is a
    Press(Qt::Key_Home);
    EXPECT_EQ(LeftName(), "a.jpg");
    Press(Qt::Key_Right);
    EXPECT_EQ(LeftName(), "b.jpg");
    Press(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(LeftName(), "a.jpg");
    // The start position follows the left photo.
    EXPECT_EQ(rig.settings.startPosition(), (PhotoTime{0, 0, 10, 1, 3, 2019}));
}

TEST_F(MainWindow, LettersCullRestoreAndActWhateverHasFocus) {
    MakeLibrary();
    rig.Load();
    QTest::keyClick(rig.window->Control(ids::kExit), Qt::Key_A, Qt::ShiftModifier);
    EXPECT_FALSE(platform::FileExists(rig.Photo("a.jpg")));
    EXPECT_EQ(LeftName(), "b.jpg");
    EXPECT_TRUE(rig.Enabled(ids::kUndelete));
    EXPECT_EQ(rig.CaptionText(ids::kLeftCaption).substr(0, 8), "2 (of 6)");
    rig.window->RunCommand(ids::kUndelete);
    EXPECT_TRUE(platform::FileExists(rig.Photo("a.jpg")));
    EXPECT_EQ(LeftName(), "a.jpg");
    EXPECT_FALSE(rig.Enabled(ids::kUndelete));
}

TEST_F(MainWindow, KeysDoNothingWhileAModalDialogIsOpen) {
    MakeLibrary();
    rig.Load();
    QDialog modal(rig.window.get());
    modal.setModal(true);
    modal.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(rig.window->Control(ids::kExit), &right);
    EXPECT_EQ(LeftName(), "a.jpg");
    modal.hide();
    QApplication::sendEvent(rig.window->Control(ids::kExit), &right);
    EXPECT_EQ(LeftName(), "b.jpg");
}

TEST_F(MainWindow, CaptionsShowDateKindRatingInRedAndOrientation) {
    Tags rated = Taken("2015:06:30 23:59:59");
    rated.xmpRating = "5";
    rated.description = "Beach";
    MakePhoto(rig.Photo("beach.jpg"), rated);
    MakePhoto(rig.Photo("scan.jpg"), {}, 1600000000);  // no date taken: the file date
    rig.Load();
    std::string left = rig.CaptionText(ids::kLeftCaption);
    EXPECT_EQ(left.substr(0, left.find('\n')), "1 (of 2) - Rating: 5 stars - Beach");
    EXPECT_TRUE(rig.CaptionIsRed(ids::kLeftCaption));
    EXPECT_TRUE(rig.window->HighRating(Side::Left));
    std::string right = rig.CaptionText(ids::kRightCaption);
    EXPECT_EQ(right.substr(right.size() - 11), "(file date)");
    EXPECT_NE(right.find("scan.jpg (" + rig.PhotoFolder() + ")\n16 x 16 ("), std::string::npos);
    EXPECT_FALSE(rig.CaptionIsRed(ids::kRightCaption));
}

TEST_F(MainWindow, RedCaptionTravelsWithThePhotoWhenTheLeftOneIsCulled) {
    MakePhoto(rig.Photo("a.jpg"), Taken("2019:01:01 00:00:00"));
    Tags rated = Taken("2019:01:02 00:00:00");
    rated.xmpRating = "4";
    MakePhoto(rig.Photo("b.jpg"), rated);
    rig.Load();
    EXPECT_FALSE(rig.CaptionIsRed(ids::kLeftCaption));
    EXPECT_TRUE(rig.CaptionIsRed(ids::kRightCaption));
    rig.window->RunCommand(ids::kDeleteLeft);
    EXPECT_TRUE(rig.CaptionIsRed(ids::kLeftCaption));
    EXPECT_EQ(rig.CaptionText(ids::kRightCaption), "");
    EXPECT_FALSE(rig.window->Control(ids::kRightPane)->isVisible());
}

TEST_F(MainWindow, OrientationSixShowsPortraitSizeAndRotationTurnsTheFile) {
    ASSERT_TRUE(window_tests::WriteMarkedImage(rig.Photo("tall.jpg"), 64, 32, "JPEG"));
    Tags tags = Taken("2019:01:01 00:00:00");
    tags.orientation = 6;
    photo_fixtures::WriteTags(rig.Photo("tall.jpg"), tags);
    rig.Load();
    std::string caption = rig.CaptionText(ids::kLeftCaption);
    EXPECT_NE(caption.find("\n32 x 64 ("), std::string::npos) << caption;
    Press(Qt::Key_Q);
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Left));
    caption = rig.CaptionText(ids::kLeftCaption);
    EXPECT_NE(caption.find("\n64 x 32 ("), std::string::npos) << caption;
    EXPECT_TRUE(platform::FileExists(rig.state.storeFolder + "tall (Rotated copy).jpg"));
}

TEST_F(MainWindow, VanishedAndBrokenPhotosGetTheirCaptions) {
    MakePhoto(rig.Photo("a.jpg"), Taken("2019:01:01 00:00:00"));
    std::ofstream(rig.Photo("b.jpg")) << "broken";
    photo_fixtures::SetWriteTime(rig.Photo("b.jpg"), 1600000000);
    rig.Load();
    EXPECT_NE(rig.CaptionText(ids::kRightCaption).find("\n0 x 0 ("), std::string::npos)
        << rig.CaptionText(ids::kRightCaption);
    std::remove(rig.Photo("a.jpg").c_str());
    DrawPair(rig.state, false);
    EXPECT_EQ(rig.CaptionText(ids::kLeftCaption), "File no longer exists: " + rig.Photo("a.jpg"));
    auto* pane = static_cast<PhotoPane*>(rig.window->Control(ids::kLeftPane));
    EXPECT_EQ(pane->Picture().pixelColor(5, 5), QColor(Qt::white));
}

TEST_F(MainWindow, CaptionsKeepFourLinesForLongAndBrokenNames) {
    MakePhoto(rig.Photo(std::string(180, 'x') + ".jpg"), Taken("2019:01:01 00:00:00"));
    MakePhoto(rig.Photo("two\nlines.jpg"), Taken("2019:01:02 00:00:00"));
    rig.Load();
    for (QSize window : {QSize(1430, 900), QSize(700, 600)}) {
        rig.window->resize(window);  // the lines are fitted again at once
        for (int id : {ids::kLeftCaption, ids::kRightCaption}) {
            auto* caption = static_cast<QLabel*>(rig.window->Control(id));
            QStringList lines = caption->text().split('\n');
            ASSERT_EQ(lines.size(), 4) << id;
            for (const QString& line : lines)
                EXPECT_LE(caption->fontMetrics().horizontalAdvance(line), caption->width()) << id;
            EXPECT_TRUE(lines[3].endsWith("(date taken)")) << lines[3].toStdString();
        }
    }
    EXPECT_NE(rig.CaptionText(ids::kRightCaption).find("two\xEF\xBF\xBDlines.jpg ("),
              std::string::npos);
}

TEST_F(MainWindow, NextPhotoIsDecodedAheadAndUsedOnlyWhileUnchanged) {
    MakeLibrary();
    rig.Load();
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Left));
    auto bothFromCache = [this] {
        return rig.window->DrawnFromCache(Side::Left) && rig.window->DrawnFromCache(Side::Right);
    };
    Press(Qt::Key_Right);  // b, c: c was decoded ahead
    EXPECT_TRUE(bothFromCache());
    Press(Qt::Key_S);  // c culled: b, d
    EXPECT_TRUE(bothFromCache());
    Press(Qt::Key_A);  // b culled: d, e
    EXPECT_TRUE(bothFromCache());
    EXPECT_EQ(rig.window->KeptPictures(), 3u);  // the pair and the one ahead, nothing more
    // f changes on disk after it was decoded ahead: it is decoded anew.
    ASSERT_TRUE(window_tests::WriteMarkedImage(rig.Photo("f.jpg"), 40, 20, "JPEG"));
    Press(Qt::Key_Right);  // e, f
    EXPECT_TRUE(rig.window->DrawnFromCache(Side::Left));
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Right));
    EXPECT_NE(rig.CaptionText(ids::kRightCaption).find("\n40 x 20 ("), std::string::npos);
    Press(Qt::Key_Left);  // d, e: only e is still kept
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Left));
    EXPECT_TRUE(rig.window->DrawnFromCache(Side::Right));
    // Another pane size drops everything.
    rig.window->resize(1200, 800);
    EXPECT_EQ(rig.window->KeptPictures(), 0u);
    DrawPair(rig.state, false);
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Left));
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Right));
}

TEST_F(MainWindow, NothingDecodedOutlivesAReload) {
    MakeLibrary();
    rig.Load();
    Press(Qt::Key_Home);
    StartLoading(rig.state);
    for (int i = 0; i < 200 && rig.state.loader.Busy(); ++i) rig.window->PumpEvents(20);
    ASSERT_EQ(rig.state.catalogue.Count(), 6);
    // The same two files, unchanged, are decoded again after the reload.
    EXPECT_EQ(LeftName(), "a.jpg");
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Left));
    EXPECT_FALSE(rig.window->DrawnFromCache(Side::Right));
    EXPECT_EQ(rig.window->KeptPictures(), 3u);
}

// Remembers every text a label shows on screen.
class PaintedTexts : public QObject {
  public:
    std::vector<std::string> texts;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            texts.push_back(static_cast<QLabel*>(watched)->text().toStdString());
        return false;
    }
};

TEST_F(MainWindow, LargeFilesShowTheWaitingNoticeBeforeDecoding) {
    MakePhoto(rig.Photo("a.jpg"), Taken("2019:01:01 00:00:00"));
    MakePhoto(rig.Photo("b.jpg"), Taken("2019:01:02 00:00:00"));
    rig.Load();
    rig.state.catalogue.At(0)->fileSize = 20971521;
    rig.state.catalogue.At(1)->fileSize = 20971520;
    PaintedTexts left, right;
    rig.window->Control(ids::kLeftCaption)->installEventFilter(&left);
    rig.window->Control(ids::kRightCaption)->installEventFilter(&right);
    DrawPair(rig.state, false);
    ASSERT_FALSE(left.texts.empty());
    EXPECT_EQ(left.texts.front(), "Large image file. Please wait while loading image...");
    for (const std::string& text : right.texts)
        EXPECT_NE(text, "Large image file. Please wait while loading image...");
    EXPECT_EQ(rig.CaptionText(ids::kLeftCaption).substr(0, 8), "1 (of 2)");
}

TEST_F(MainWindow, ExportButtonOpensTheExportDialog) {
    MakePhoto(rig.Photo("a.jpg"), Taken("2019:01:01 00:00:00"));
    rig.Load();
    std::string title;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        title = dialog->windowTitle().toStdString();
        dialog->findChild<QPushButton*>("1049")->click();
    });
    rig.window->RunCommand(ids::kExport);
    EXPECT_FALSE(title.empty());
    EXPECT_FALSE(rig.window->Export().Busy());
}

TEST_F(MainWindow, PhotosAreRedrawnTwoSecondsAfterTheLastResize) {
    MakePhoto(rig.Photo("a.jpg"), Taken("2019:01:01 00:00:00"));
    MakePhoto(rig.Photo("b.jpg"), Taken("2019:01:02 00:00:00"));
    std::time_t now = 1000;
    rig.window->SetClock([&now] { return now; });
    rig.Load();
    auto* pane = static_cast<PhotoPane*>(rig.window->Control(ids::kLeftPane));
    QSize drawn = pane->Picture().size();
    rig.window->resize(1200, 800);
    EXPECT_NE(pane->ClientSize(), drawn);  // laid out at once
    now += 1;
    rig.window->OnRedrawTimer();
    EXPECT_EQ(pane->Picture().size(), drawn);
    now += 1;
    // A reload is sorting: wait for it.
    std::atomic<bool> sorted{false};
    ASSERT_TRUE(rig.state.loader.Start({[&] {
                                            while (!sorted) QThread::msleep(1);
                                        },
                                        {}},
                                       {}));
    rig.window->OnRedrawTimer();
    EXPECT_EQ(pane->Picture().size(), drawn);
    sorted = true;
    rig.state.loader.Join();
    rig.window->OnRedrawTimer();
    EXPECT_EQ(pane->Picture().size(), pane->ClientSize());
}

TEST_F(MainWindow, NoDelayedRedrawBeforeTheFirstLoadHasFinished) {
    std::time_t now = 1000;
    rig.window->SetClock([&now] { return now; });
    rig.window->resize(1000, 700);
    now += 10;
    rig.window->OnRedrawTimer();
    auto* pane = static_cast<PhotoPane*>(rig.window->Control(ids::kLeftPane));
    EXPECT_TRUE(pane->Picture().isNull());
}

TEST_F(MainWindow, ALoadOnItsOwnThreadDrawsThroughTheWindow) {
    MakeLibrary();
    StartLoading(rig.state);
    for (int i = 0; i < 200 && !(rig.state.catalogueReady && !rig.state.loader.Busy()); ++i)
        rig.window->PumpEvents(20);
    ASSERT_TRUE(rig.state.catalogueReady);
    EXPECT_TRUE(rig.Enabled(ids::kDeleteLeft));
    EXPECT_EQ(rig.CaptionText(ids::kLeftCaption).substr(0, 8), "1 (of 6)");
}

TEST_F(MainWindow, ClosingDuringALongScanStopsItWithoutWaitingForTheEnd) {
    const int photos = 4000;
    MakePhoto(rig.Photo("0.jpg"), Taken("2019:01:01 00:00:00"));
    for (int i = 1; i < photos; ++i)
        platform::CopyFileTo(rig.Photo("0.jpg"), rig.Photo(std::to_string(i) + ".jpg"), true);
    StartLoading(rig.state);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (rig.state.catalogue.Count() < 50 && std::chrono::steady_clock::now() < deadline)
        rig.window->PumpEvents(1);
    ASSERT_GE(rig.state.catalogue.Count(), 50) << "the scan never reached 50 photos";
    rig.window->close();
    EXPECT_FALSE(rig.state.loader.Busy());
    EXPECT_LT(rig.state.catalogue.Count(), photos);
    EXPECT_FALSE(rig.window->isVisible());
}

TEST_F(MainWindow, ConfigurationPostedByTheLoaderIsDroppedWhileClosing) {
    rig.Load();  // no photos: the loader posts the Configuration command
    bool dialogOpened = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialogOpened = true;
            dialog->findChild<QPushButton*>("2")->click();
        }
    });
    rig.window->close();  // pumps events while it stops loading
    rig.window->PumpEvents(50);
    EXPECT_FALSE(dialogOpened);
    EXPECT_FALSE(rig.state.loader.Busy());
}

TEST_F(MainWindow, EmptyFolderWarnsAndOpensTheConfiguration) {
    rig.Load();
    ASSERT_EQ(rig.prompter.asked.size(), 1u);
    EXPECT_EQ(rig.prompter.asked[0].caption, "Pictavo");
    EXPECT_EQ(rig.prompter.asked[0].text, "The directory (" + rig.PhotoFolder() +
                                              ") does not contain any photos. Please select a "
                                              "different directory.");
    bool configurationOpened = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        configurationOpened = dialog && dialog->windowTitle() == "Pictavo configuration";
        // A photo arrives meanwhile, so the reload after Cancel ends the cycle.
        MakePhoto(rig.Photo("late.jpg"));
        if (dialog) dialog->findChild<QPushButton*>("2")->click();
    });
    for (int i = 0; i < 200 && rig.state.catalogue.Count() == 0; ++i) rig.window->PumpEvents(20);
    EXPECT_TRUE(configurationOpened);
    EXPECT_EQ(rig.state.catalogue.Count(), 1);
}

TEST_F(MainWindow, HelpAndFindDuplicatesUseTheirServices) {
    rig.window->RunCommand(ids::kHelp);
    ASSERT_EQ(rig.opener.addresses.size(), 1u);
    EXPECT_NE(rig.opener.addresses[0].find("/photo-cleanup-software/pictavo-help"),
              std::string::npos);
    rig.window->RunCommand(ids::kFindDuplicates);
    ASSERT_EQ(rig.started.size(), 1u);
    EXPECT_EQ(platform::SplitCommandLine(rig.started[0]),
              (std::vector<std::string>{"/opt/quillfen/bin/cairnly", "/P", rig.PhotoFolder()}));
}

TEST_F(MainWindow, ExitAndCloseWriteTheSettings) {
    rig.settings.setPhotoFolder("/kept/folder");
    rig.window->RunCommand(ids::kExit);
    EXPECT_FALSE(rig.window->isVisible());
    SettingsRecord saved;
    ASSERT_TRUE(rig.store.Load(saved));
    EXPECT_EQ(saved.photoFolder(), "/kept/folder");
    EXPECT_TRUE(rig.state.loader.StopRequested());
}

TEST_F(MainWindow, DigitKeysRateTheActivePhotoAndCtrlZTakesTheChangeBack) {
    MakePhoto(rig.Photo("a.jpg"), Taken("2019:01:01 00:00:00"));
    ASSERT_TRUE(photo_fixtures::WritePng(rig.Photo("b.png")));
    Tags rated;
    rated.xmpRating = "3";
    ASSERT_TRUE(photo_fixtures::WriteTags(rig.Photo("b.png"), rated));
    photo_fixtures::SetWriteTime(rig.Photo("b.png"), 1600000000);
    MakePhoto(rig.Photo("c.jpg"), Taken("2021:01:01 00:00:00"));
    rig.Load();
    ASSERT_EQ(rig.state.catalogue.At(1)->fileName, "b.png");
    EXPECT_EQ(rig.window->ActiveSide(), Side::Left);
    EXPECT_TRUE(Pane(Side::Left)->IsActive());
    Press(Qt::Key_3);
    ExpectRating(rig.Photo("a.jpg"), "3");
    EXPECT_EQ(FirstCaptionLine(ids::kLeftCaption), "1 (of 3) - Rating: 3 stars");
    EXPECT_FALSE(rig.CaptionIsRed(ids::kLeftCaption));
    Press(Qt::Key_5);
    ExpectRating(rig.Photo("a.jpg"), "5");
    EXPECT_TRUE(rig.CaptionIsRed(ids::kLeftCaption));
    Press(Qt::Key_Z, Qt::ControlModifier);
    ExpectRating(rig.Photo("a.jpg"), "3");
    EXPECT_FALSE(rig.CaptionIsRed(ids::kLeftCaption));

    QTest::mouseClick(Pane(Side::Right), Qt::LeftButton);
    EXPECT_EQ(rig.window->ActiveSide(), Side::Right);
    EXPECT_FALSE(Pane(Side::Left)->IsActive());
    Press(Qt::Key_4);
    ExpectRating(rig.Photo("b.png"), "4");
    Press(Qt::Key_Z, Qt::ControlModifier);
    ExpectRating(rig.Photo("b.png"), "3");
    EXPECT_EQ(rig.window->ActiveSide(), Side::Right);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rig.CaptionText(ids::kStatus), "No rating change to undo.");
    ExpectRating(rig.Photo("a.jpg"), "3");

    Press(Qt::Key_Right);  // b, c: the left pane is active again
    EXPECT_EQ(rig.window->ActiveSide(), Side::Left);
    Press(Qt::Key_0);
    ExpectRating(rig.Photo("b.png"), "");
    // Taking back a first rating leaves no rating at all.
    QTest::mouseClick(Pane(Side::Right), Qt::LeftButton);
    Press(Qt::Key_2);
    ExpectRating(rig.Photo("c.jpg"), "2");
    EXPECT_EQ(FirstCaptionLine(ids::kRightCaption), "3 (of 3) - Rating: 2 stars");
    Press(Qt::Key_Z, Qt::ControlModifier);
    ExpectRating(rig.Photo("c.jpg"), "");
    EXPECT_EQ(FirstCaptionLine(ids::kRightCaption), "3 (of 3)");
    rig.window->EnableCullingControls(false);  // as while a reload runs
    Press(Qt::Key_1);
    ExpectRating(rig.Photo("c.jpg"), "");
}

TEST_F(MainWindow, BmpReadOnlyAndUnsavablePhotosAreLeftUnchanged) {
    MakePhoto(rig.Photo("locked.jpg"), Taken("2019:01:01 00:00:00"));
    MakePhoto(rig.Photo("full.jpg"), Taken("2021:01:01 00:00:00"));
    ASSERT_EQ(::chmod(rig.Photo("locked.jpg").c_str(), 0444), 0);
    ASSERT_TRUE(window_tests::WriteMarkedImage(rig.Photo("scan.bmp"), 8, 8, "BMP"));
    photo_fixtures::SetWriteTime(rig.Photo("scan.bmp"), 1600000000);
    const auto locked = window_tests::FileBytes(rig.Photo("locked.jpg"));
    const auto bmp = window_tests::FileBytes(rig.Photo("scan.bmp"));
    rig.Load();
    // Root could write it anyway: the attribute alone refuses.
    Press(Qt::Key_4);
    EXPECT_EQ(window_tests::FileBytes(rig.Photo("locked.jpg")), locked);
    EXPECT_NE(rig.CaptionText(ids::kStatus).find("as the file is READ only"), std::string::npos)
        << rig.CaptionText(ids::kStatus);
    QTest::mouseClick(Pane(Side::Right), Qt::LeftButton);
    Press(Qt::Key_4);
    EXPECT_EQ(window_tests::FileBytes(rig.Photo("scan.bmp")), bmp);
    EXPECT_EQ(rig.CaptionText(ids::kStatus), "This file type cannot hold a rating: " +
                                                 rig.Photo("scan.bmp") + ". No change made.");
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rig.CaptionText(ids::kStatus), "No rating change to undo.");

    Press(Qt::Key_Right);  // scan.bmp, full.jpg
    QTest::mouseClick(Pane(Side::Right), Qt::LeftButton);
    const auto full = window_tests::FileBytes(rig.Photo("full.jpg"));
    platform::SetFaultHook([](platform::FileOp op, const std::string&) {
        return op == platform::FileOp::Write ? platform::kErrorDiskFull : 0;
    });
    Press(Qt::Key_3);
    platform::SetFaultHook({});
    EXPECT_EQ(window_tests::FileBytes(rig.Photo("full.jpg")), full);
    EXPECT_EQ(rig.CaptionText(ids::kStatus),
              "Unable to save the rating of " + rig.Photo("full.jpg") +
                  ". No change made to image. (" + std::to_string(platform::kErrorDiskFull) + ")");
}

// Drags the mouse across the widget with the left button held.
void Drag(QWidget* widget, QPoint from, QPoint to) {
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), widget->mapToGlobal(QPointF(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, to);
}

TEST_F(MainWindow, ZShowsBothPhotosAtFullSizePannedTogetherUntilAStep) {
    ASSERT_TRUE(window_tests::WriteMarkedImage(rig.Photo("wide.jpg"), 2000, 1000, "JPEG"));
    photo_fixtures::WriteTags(rig.Photo("wide.jpg"), Taken("2019:01:01 00:00:00"));
    ASSERT_TRUE(window_tests::WriteMarkedImage(rig.Photo("turned.jpg"), 1600, 800, "JPEG"));
    Tags turned = Taken("2019:01:02 00:00:00");
    turned.orientation = 6;
    photo_fixtures::WriteTags(rig.Photo("turned.jpg"), turned);
    MakePhoto(rig.Photo("later.jpg"), Taken("2019:01:03 00:00:00"));
    rig.Load();
    Press(Qt::Key_Z);
    EXPECT_TRUE(rig.window->AtFullSize());
    // Decoded on a helper thread; the fitted pictures stay meanwhile.
    EXPECT_FALSE(Pane(Side::Left)->Picture().isNull());
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            return rig.window->ShowsFullSize(Side::Left) && rig.window->ShowsFullSize(Side::Right);
        },
        20000));
    EXPECT_EQ(Pane(Side::Left)->FullSizePicture().size(), QSize(2000, 1000));
    EXPECT_EQ(Pane(Side::Right)->FullSizePicture().size(), QSize(800, 1600));  // upright
    EXPECT_EQ(rig.window->FullSizeCentre(), QPointF(0.5, 0.5));

    Press(Qt::Key_Right, Qt::ControlModifier);
    Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(LeftName(), "wide.jpg");  // panned, not stepped
    EXPECT_DOUBLE_EQ(rig.window->FullSizeCentre().x(), 0.55);
    EXPECT_DOUBLE_EQ(rig.window->FullSizeCentre().y(), 0.55);
    // Dragging the right photo 80 pixels left moves both by 80 of its 800 pixels.
    const double ratio = Pane(Side::Right)->devicePixelRatioF();
    Drag(Pane(Side::Right), QPoint(200, 200), QPoint(120, 200));
    EXPECT_NEAR(rig.window->FullSizeCentre().x(), 0.55 + 80 * ratio / 800, 1e-9);
    for (Side side : {Side::Left, Side::Right})
        EXPECT_EQ(Pane(side)->Centre(), rig.window->FullSizeCentre());
    // A turn on disk shows turned at 100% as well, once decoded again.
    Press(Qt::Key_Q);
    EXPECT_TRUE(rig.window->AtFullSize());
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return Pane(Side::Left)->FullSizePicture().size() == QSize(1000, 2000); }, 20000));

    Press(Qt::Key_Z);
    EXPECT_FALSE(rig.window->AtFullSize());
    EXPECT_FALSE(rig.window->ShowsFullSize(Side::Left));
    Press(Qt::Key_Z);
    EXPECT_EQ(rig.window->FullSizeCentre(), QPointF(0.5, 0.5));
    Press(Qt::Key_Right);
    EXPECT_FALSE(rig.window->AtFullSize());
    EXPECT_FALSE(rig.window->ShowsFullSize(Side::Left));
    EXPECT_FALSE(rig.window->ShowsFullSize(Side::Right));
    rig.window->PumpEvents(200);  // a decode finishing late changes nothing
    EXPECT_FALSE(rig.window->ShowsFullSize(Side::Left));
}

TEST_F(MainWindow, F11ShowsOnlyPanesAndCaptionsWithEveryKeyWorking) {
    MakeLibrary();
    rig.Load();
    const int paneHeight = Pane(Side::Left)->height();
    QTest::mouseClick(Pane(Side::Right), Qt::LeftButton);
    QTest::keyClick(rig.window.get(), Qt::Key_F11);
    EXPECT_EQ(rig.window->ActiveSide(), Side::Right);  // the same pair, drawn again
    EXPECT_TRUE(rig.window->FullScreenView());
    EXPECT_TRUE(rig.window->isFullScreen());
    for (QPushButton* button : rig.window->findChildren<QPushButton*>())
        EXPECT_FALSE(button->isVisible()) << button->text().toStdString();
    EXPECT_FALSE(rig.window->Control(ids::kStatus)->isVisible());
    EXPECT_TRUE(rig.window->Control(ids::kLeftCaption)->isVisible());
    EXPECT_GT(Pane(Side::Left)->height(), paneHeight);
    // Drawn again for the taller panes, whether the window manager resizes or not.
    EXPECT_EQ(Pane(Side::Left)->Picture().size(), Pane(Side::Left)->ClientSize());
    const QRect caption = rig.window->Control(ids::kLeftCaption)->geometry();
    EXPECT_LE(caption.bottom(), rig.window->height());

    QTest::keyClick(rig.window.get(), Qt::Key_Right);
    EXPECT_EQ(LeftName(), "b.jpg");
    QTest::keyClick(rig.window.get(), Qt::Key_2);
    ExpectRating(rig.Photo("b.jpg"), "2");
    QTest::keyClick(rig.window.get(), Qt::Key_Z);
    EXPECT_TRUE(rig.window->AtFullSize());
    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(rig.window->FullScreenView());
    EXPECT_FALSE(rig.window->isFullScreen());
    EXPECT_TRUE(rig.window->Control(ids::kExit)->isVisible());
    EXPECT_TRUE(rig.window->Control(ids::kStatus)->isVisible());
    EXPECT_EQ(Pane(Side::Left)->Picture().size(), Pane(Side::Left)->ClientSize());
    EXPECT_EQ(rig.window->Control(ids::kLeftPane)->geometry(),
              LayOut(rig.window->size(), rig.window->Metrics())[ids::kLeftPane]);
    QTest::keyClick(rig.window.get(), Qt::Key_F11);
    QTest::keyClick(rig.window.get(), Qt::Key_F11);
    EXPECT_FALSE(rig.window->FullScreenView());
}

}  // namespace
}  // namespace pictavo
