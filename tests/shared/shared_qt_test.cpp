// The Qt half of the shared services, offscreen: folder browser configuration
// and results, message box mapping, dialog units, OpenWebPage's rules, and
// reaching and pausing the user-interface thread.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "shared/qt/dialog_units.h"
#include "shared/qt/folder_browser.h"
#include "shared/qt/qt_prompter.h"
#include "shared/qt/ui_thread.h"
#include "shared/qt/web_page.h"
#include "tests/shared/fakes.h"
#include "tests/shared/temp_home.h"

namespace {

using testing_support::FakeOpener;
using testing_support::FakePrompter;
using testing_support::TempHome;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// ---------- FolderBrowser ----------

TEST(FolderBrowser, ConfiguredDialogHasTitleStartFolderAndFolderMode) {
    TempHome home;
    std::string folder = home.Path() + "/Photos";
    std::filesystem::create_directory(folder);
    QFileDialog dialog;
    shared::ConfigureFolderDialog(dialog, folder, false);
    EXPECT_EQ(dialog.windowTitle(), QString("Select Folder"));
    EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
    EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
    // A desktop chooser may be used; offscreen there is none, so Qt's own shows.
    EXPECT_FALSE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_NE(dialog.findChild<QLineEdit*>("fileNameEdit"), nullptr);
    EXPECT_EQ(dialog.directory().absolutePath(), Q(folder));
}

TEST(FolderBrowser, PictavoVariantHidesTheNameBoxCairnlyShowsIt) {
    TempHome home;
    QFileDialog pictavo;
    shared::ConfigureFolderDialog(pictavo, home.Path(), false);
    QLineEdit* edit = pictavo.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isHidden());
    EXPECT_TRUE(edit->isReadOnly());

    QFileDialog cairnly;
    shared::ConfigureFolderDialog(cairnly, home.Path(), true);
    QLineEdit* typed = cairnly.findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(typed, nullptr);
    EXPECT_FALSE(typed->isHidden());
    EXPECT_FALSE(typed->isReadOnly());
}

TEST(FolderBrowser, TrailingSlashStartFolderAndMissingFolderStartAtNearestParent) {
    TempHome home;
    std::string data = home.Path() + "/Documents/Quillfen/Pictavo";
    std::filesystem::create_directories(data);
    QFileDialog withSlash;
    shared::ConfigureFolderDialog(withSlash, data + "/", false);
    EXPECT_EQ(withSlash.directory().absolutePath(), Q(data));

    QFileDialog missing;
    shared::ConfigureFolderDialog(missing, data + "/no/such/folder", true);
    EXPECT_EQ(missing.directory().absolutePath(), Q(data));
}

TEST(FolderBrowser, CancelLeavesThePathUnchanged) {
    TempHome home;
    std::string path = home.Path() + "/not here";
    bool ran = false;
    bool picked = shared::FolderBrowser(nullptr, path, true, [&](QFileDialog& dialog) {
        ran = true;
        EXPECT_EQ(dialog.windowTitle(), QString("Select Folder"));
        return false;
    });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(picked);
    EXPECT_EQ(path, home.Path() + "/not here");
}

TEST(FolderBrowser, PickWritesThePathWithoutTrailingSlash) {
    TempHome home;
    std::string target = home.Path() + "/Pictures/Holiday 2024";
    std::filesystem::create_directories(target);
    std::string path = home.Path();
    bool picked = shared::FolderBrowser(nullptr, path, false, [&](QFileDialog& dialog) {
        dialog.selectFile(Q(target));
        return true;
    });
    EXPECT_TRUE(picked);
    EXPECT_EQ(path, target);
    // Navigated into the folder and chosen with an empty name box.
    path = home.Path();
    picked = shared::FolderBrowser(nullptr, path, false, [&](QFileDialog& dialog) {
        dialog.setDirectory(Q(target));
        return true;
    });
    EXPECT_TRUE(picked);
    EXPECT_EQ(path, target);
}

TEST(FolderBrowser, OwnerIsTheGivenWidget) {
    QWidget owner;
    std::string path = "/";
    QWidget* seenParent = nullptr;
    shared::FolderBrowser(&owner, path, false, [&](QFileDialog& dialog) {
        seenParent = dialog.parentWidget();
        return false;
    });
    EXPECT_EQ(seenParent, &owner);
}

TEST(FolderBrowser, ProcessWideRunnerIsUsedAndCanBeRemoved) {
    TempHome home;
    int calls = 0;
    shared::SetFolderDialogRunner([&](QFileDialog& dialog) {
        ++calls;
        dialog.selectFile(Q(home.Path()));
        return true;
    });
    std::string path = "/";
    EXPECT_TRUE(shared::FolderBrowser(nullptr, path, true));
    EXPECT_EQ(path, home.Path());
    EXPECT_EQ(calls, 1);
    shared::SetFolderDialogRunner({});
}

TEST(FolderBrowser, RealDialogCanBeCancelledWithoutBlocking) {
    TempHome home;
    std::string path = home.Path();
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w)) d->reject();
    });
    EXPECT_FALSE(shared::FolderBrowser(nullptr, path, false));
    EXPECT_EQ(path, home.Path());
}

// ---------- OpenWebPage ----------

TEST(OpenWebPage, OpensTheAddressWithoutAMessage) {
    FakeOpener opener;
    FakePrompter prompter;
    EXPECT_TRUE(shared::OpenWebPage(opener, prompter, "Pictavo", "https://example.org/a"));
    ASSERT_EQ(opener.addresses.size(), 1u);
    EXPECT_EQ(opener.addresses[0], "https://example.org/a");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST(OpenWebPage, EmptyAndOverLongAddressesAreIgnoredSilently) {
    FakeOpener opener;
    FakePrompter prompter;
    opener.succeed = false;
    EXPECT_FALSE(shared::OpenWebPage(opener, prompter, "Cairnly", ""));
    EXPECT_FALSE(shared::OpenWebPage(opener, prompter, "Cairnly", std::string(1024, 'a')));
    // 1,024 UTF-16 units made of 512 characters outside the BMP.
    std::string astral;
    for (int i = 0; i < 512; ++i) astral += "\xF0\x9F\x93\xB7";
    EXPECT_EQ(platform::Utf16Length(astral), 1024u);
    EXPECT_FALSE(shared::OpenWebPage(opener, prompter, "Cairnly", astral));
    EXPECT_TRUE(opener.addresses.empty());
    EXPECT_TRUE(prompter.asked.empty());
}

TEST(OpenWebPage, LongestAcceptedAddressIs1023Units) {
    FakeOpener opener;
    FakePrompter prompter;
    std::string address = "https://x/" + std::string(1023 - 10, 'b');
    EXPECT_TRUE(shared::OpenWebPage(opener, prompter, "Pictavo", address));
    EXPECT_EQ(opener.addresses.size(), 1u);
}

TEST(OpenWebPage, FailureShowsTheWarningCaptionedWithTheProgramWord) {
    FakeOpener opener;
    FakePrompter prompter;
    opener.succeed = false;
    std::string address = "file:///nowhere/100%25 sure %s %d";
    EXPECT_FALSE(shared::OpenWebPage(opener, prompter, "Cairnly", address));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].caption, "Cairnly");
    EXPECT_EQ(prompter.asked[0].text,
              "Problem opening your Internet browser with address:\n" + address);
    EXPECT_EQ(prompter.asked[0].icon, shared::BoxIcon::Warning);
    EXPECT_EQ(prompter.asked[0].buttons, shared::BoxButtons::Ok);
}

// ---------- QtPrompter ----------

// Answers the next message box with the given button and records what it showed.
struct BoxAnswerer {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget* parent = nullptr;
    QMessageBox::StandardButtons buttons;
    void Arm(QMessageBox::StandardButton press) {
        QTimer::singleShot(0, [this, press] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    title = box->windowTitle();
                    text = box->text();
                    icon = box->icon();
                    parent = box->parentWidget();
                    buttons = box->standardButtons();
                    box->button(press)->click();
                    return;
                }
            }
        });
    }
};

TEST(QtPrompter, ShowsCaptionTextIconAndButtonsAndMapsTheAnswer) {
    QWidget owner;
    shared::QtPrompter prompter(&owner);
    BoxAnswerer answerer;
    answerer.Arm(QMessageBox::Cancel);
    shared::BoxAnswer answer = prompter.Ask("Pictavo", "Line one\n100% <b>plain</b>",
                                            shared::BoxIcon::Warning, shared::BoxButtons::OkCancel);
    EXPECT_EQ(answer, shared::BoxAnswer::Cancel);
    EXPECT_EQ(answerer.title, QString("Pictavo"));
    EXPECT_EQ(answerer.text, QString("Line one\n100% <b>plain</b>"));
    EXPECT_EQ(answerer.icon, QMessageBox::Warning);
    EXPECT_EQ(answerer.parent, &owner);
    EXPECT_EQ(answerer.buttons, QMessageBox::Ok | QMessageBox::Cancel);

    prompter.SetOwner(nullptr);
    answerer.Arm(QMessageBox::Yes);
    EXPECT_EQ(
        prompter.Ask("Cairnly", "Sure?", shared::BoxIcon::Question, shared::BoxButtons::YesNo),
        shared::BoxAnswer::Yes);
    EXPECT_EQ(answerer.parent, nullptr);
    EXPECT_EQ(answerer.icon, QMessageBox::Question);
    answerer.Arm(QMessageBox::Ok);
    EXPECT_EQ(prompter.Ask("C", "T", shared::BoxIcon::Error, shared::BoxButtons::Ok),
              shared::BoxAnswer::Ok);
    EXPECT_EQ(answerer.icon, QMessageBox::Critical);
}

TEST(QtPrompter, AskFromAWorkerThreadRunsTheBoxOnTheUiThread) {
    shared::QtPrompter prompter;
    QThread* boxThread = nullptr;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                boxThread = box->thread();
                box->button(QMessageBox::Ok)->click();
            }
    });
    answerer.start(10);
    std::atomic<bool> done{false};
    shared::BoxAnswer answer = shared::BoxAnswer::Cancel;
    std::thread worker([&] {
        answer = prompter.Ask("Pictavo", "from a worker", shared::BoxIcon::Warning,
                              shared::BoxButtons::OkCancel);
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!done) {
        // The worker is still blocked in Ask and cannot be joined: end the run, not hang it.
        ADD_FAILURE() << "Ask from the worker thread never returned";
        std::abort();
    }
    worker.join();
    EXPECT_EQ(answer, shared::BoxAnswer::Ok);
    EXPECT_EQ(boxThread, QApplication::instance()->thread());
}

// ---------- UI thread ----------

TEST(UiThread, WorkRunsOnTheContextsThreadBlockingPostedOrAtOnceAndPumpingServesIt) {
    QObject context;
    QThread* ranOn = nullptr;
    std::atomic<bool> done{false};
    bool seenByWorker = false;
    std::thread worker([&] {
        shared::RunOnThreadOf(&context, [&] { ranOn = QThread::currentThread(); });
        seenByWorker = ranOn != nullptr;  // blocking: done before the call returns
        done = true;
    });
    for (int i = 0; i < 6000 && !done; ++i) shared::PumpEvents(10);
    if (!done) {
        ADD_FAILURE() << "the blocking call was never served";
        std::abort();
    }
    worker.join();
    EXPECT_TRUE(seenByWorker);
    EXPECT_EQ(ranOn, context.thread());

    // On the context's own thread: blocking and automatic run at once, queued waits.
    std::vector<std::string> order;
    shared::RunOnThreadOf(&context, [&] { order.push_back("blocking"); });
    shared::RunOnThreadOf(
        &context, [&] { order.push_back("queued"); }, Qt::QueuedConnection);
    shared::RunOnThreadOf(
        &context, [&] { order.push_back("auto"); }, Qt::AutoConnection);
    EXPECT_EQ(order, (std::vector<std::string>{"blocking", "auto"}));
    QElapsedTimer timer;
    timer.start();
    shared::PumpEvents(50);
    EXPECT_GE(timer.elapsed(), 50);
    EXPECT_EQ(order, (std::vector<std::string>{"blocking", "auto", "queued"}));
}

// ---------- Dialog units ----------

TEST(DialogUnits, ConvertWithTheFontsBaseUnits) {
    QFont font = QApplication::font();
    QFontMetrics metrics(font);
    int total = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QSize base = shared::DialogBaseUnits(font);
    EXPECT_EQ(base.width(), (total + 26) / 52);
    EXPECT_EQ(base.height(), metrics.height());
    QRect r = shared::DialogUnitsToPixels(font, 7, 474, 486, 35);
    EXPECT_EQ(r.x(), (7 * base.width() + 2) / 4);
    EXPECT_EQ(r.y(), (474 * base.height() + 4) / 8);
    EXPECT_EQ(r.width(), (486 * base.width() + 2) / 4);
    EXPECT_EQ(r.height(), (35 * base.height() + 4) / 8);
}

TEST(DialogUnits, KnownBaseUnitsGiveTheClassicFigures) {
    // The classic 8-point dialog font: base units 6 x 13.
    QRect r = shared::DialogUnitsToPixels(QSize(6, 13), 497, 477, 43, 14);
    EXPECT_EQ(r, QRect(746, 775, 65, 23));  // 745.5 -> 746, 775.125, 64.5 -> 65, 22.75 -> 23
    EXPECT_EQ(shared::DialogUnitsToPixels(QSize(6, 13), 0, 0, 1079, 556), QRect(0, 0, 1619, 904));
}

TEST(DialogUnits, AFontThatFitsShrinksOnlyADialogTooLargeForItsRoom) {
    const QFont font = QApplication::font();
    const QSize design(367, 354);
    auto sizeWith = [&design](const QFont& f) {
        return shared::DialogUnitsToPixels(f, 0, 0, design.width(), design.height()).size();
    };
    const QSize designed = sizeWith(font);
    EXPECT_EQ(shared::FontThatFits(font, design, designed), font);
    for (QSize room : {QSize(designed.width(), designed.height() * 3 / 4),
                       QSize(designed.width() * 3 / 4, designed.height())}) {
        QFont fitted = shared::FontThatFits(font, design, room, 2);
        EXPECT_LT(fitted.pointSizeF(), font.pointSizeF());
        EXPECT_LE(sizeWith(fitted).width(), room.width());
        EXPECT_LE(sizeWith(fitted).height(), room.height());
    }
    // No room at all: the smallest readable font, not an endless search; on a
    // screen of twice the pixels a smaller font is as readable.
    const QFont least = shared::FontThatFits(font, design, QSize(1, 1));
    EXPECT_GE(QFontMetrics(least).height(), 10);
    const QFont leastAtDouble = shared::FontThatFits(font, design, QSize(1, 1), 2);
    EXPECT_GE(QFontMetrics(leastAtDouble).height() * 2, 10);
    EXPECT_LT(leastAtDouble.pointSizeF(), least.pointSizeF());
}

// ---------- Site addresses ----------

TEST(Site, AddressesPointAtTheLocalCopyWhichExists) {
    std::string root = shared::MakerSiteRoot();
    RecordProperty("site_root", root);
    std::printf("site root: %s\n", root.c_str());
    ASSERT_EQ(root.rfind("file:///", 0), 0u);
    EXPECT_NE(root.back(), '/');
    EXPECT_EQ(shared::HomePageAddress(), root + "/index.html");
    EXPECT_EQ(shared::PictavoHelpAddress(),
              root + "/photo-cleanup-software/pictavo-help/index.html");
    EXPECT_EQ(shared::CairnlyHelpAddress(),
              root + "/disk-cleanup-software/disk-space-cleanup-help/index.html");
    EXPECT_EQ(shared::SiteAddress("/photo-cleanup-software/pictavo-help/"),
              shared::PictavoHelpAddress());
    EXPECT_EQ(shared::SiteAddress("a/b.html"), root + "/a/b.html");
    std::string folder = shared::SiteFolder();
    for (const char* page : {"/index.html", "/photo-cleanup-software/pictavo-help/index.html",
                             "/disk-cleanup-software/disk-space-cleanup-help/index.html"})
        EXPECT_TRUE(std::filesystem::is_regular_file(folder + page)) << folder + page;
    QUrl url(Q(shared::PictavoHelpAddress()));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_TRUE(std::filesystem::is_regular_file(url.toLocalFile().toStdString()));
}

TEST(Site, FileUrlsPercentEncodeOddBytes) {
    EXPECT_EQ(shared::FileUrlFromPath("/a b/%c/\xC3\xA9"), "file:///a%20b/%25c/%C3%A9");
    // A name that is not UTF-8 keeps its bytes through a QUrl.
    QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(shared::FileUrlFromPath("/p/caf\xE9")));
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.toEncoded(), QByteArray("file:///p/caf%E9"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TempHome processHome;  // whatever Qt itself keeps under HOME stays private too
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
