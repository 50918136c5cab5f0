#include "pictavo/export/window/export_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <deque>

#include "shared/qt/folder_browser.h"
#include "shared/site.h"
#include "tests/pictavo/export/export_fixtures.h"

namespace pictavo {
namespace {

using ::testing::ElementsAre;
using namespace pictavo::testing;

struct Box {
    std::string caption, text;
    shared::BoxIcon icon;
    shared::BoxButtons buttons;
};

class FakePrompter : public shared::Prompter {
  public:
    shared::BoxAnswer Ask(const std::string& caption, const std::string& text, shared::BoxIcon icon,
                          shared::BoxButtons buttons) override {
        boxes.push_back(Box{caption, text, icon, buttons});
        if (answers.empty()) return shared::BoxAnswer::Cancel;
        shared::BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<Box> boxes;
    std::deque<shared::BoxAnswer> answers;
};

class FakeOpener : public shared::Opener {
  public:
    bool OpenAddress(const std::string& address) override {
        addresses.push_back(address);
        return true;
    }
    bool OpenFolder(const std::string&) override { return true; }
    std::vector<std::string> addresses;
};

class ExportDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeFolders(photos);
        MakeFolders(dest);
        store.SetDefaults(settings);
        settings.setPhotoFolder(photos);
    }
    void TearDown() override {
        shared::SetFolderDialogRunner({});
        platform::SetFaultHook(nullptr);
    }

    ExportDialog& Open() {
        dialog = std::make_unique<ExportDialog>(nullptr, context);
        dialog->show();
        return *dialog;
    }
    template <typename T>
    T* Control(const char* id) {
        T* control = dialog->findChild<T*>(id);
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    bool Checked(const char* id) { return Control<QAbstractButton>(id)->isChecked(); }
    void PressExport(const std::string& destination) {
        Control<QLineEdit>("1042")->setText(QString::fromStdString(destination));
        QTest::mouseClick(Control<QPushButton>("1"), Qt::LeftButton);
    }
    std::string Status() { return Control<QLabel>("1051")->text().toStdString(); }

    TempHome home;
    std::string photos = home.Path("photos");
    std::string dest = home.Path("dest");
    SettingsRecord settings;
    shared::DesktopServices services{"Pictavo", [this] { return settings.logLevel(); }};
    SettingsStore store{services};
    ExportControl control;
    FakePrompter prompter;
    FakeOpener opener;
    ExportDialogContext context{settings, store, services, control, prompter, opener};
    std::unique_ptr<ExportDialog> dialog;
};

TEST_F(ExportDialogTest, OpensWithTheSettingsAndAnOutOfRangeValueChecksNoButton) {
    MakeFolders(home.Path("home/Pictures"));
    settings.setExportSelection(kExportRated);
    settings.setExportLayout(7);
    settings.setSetFileDates(false);
    settings.setDeleteOriginals(true);
    Open();
    EXPECT_EQ(dialog->windowTitle().toStdString(),
              "Export photos to a local directory or the cloud*");
    EXPECT_EQ(Status(), "Export not started");
    EXPECT_FALSE(Control<QLabel>("icon")->pixmap().isNull());  // the program icon
    EXPECT_FALSE(Checked("1013"));
    EXPECT_TRUE(Checked("1043"));
    EXPECT_FALSE(Checked("1044"));
    EXPECT_FALSE(Checked("1045") || Checked("1046") || Checked("1047"));
    EXPECT_TRUE(Checked("1050"));
    // An empty export folder is filled by the default photo location.
    EXPECT_EQ(settings.exportFolder(), home.Path("home/Pictures"));
    EXPECT_EQ(Control<QLineEdit>("1042")->text().toStdString(), home.Path("home/Pictures"));
}

TEST_F(ExportDialogTest, TheLibraryItselfIsNeverTheDefaultDestinationAndBannersArePictures) {
    MakeFolders(home.Path("home/Pictures/2020"));
    settings.setPhotoFolder(home.Path("home/Pictures"));
    Open();
    EXPECT_EQ(settings.exportFolder(), "");
    EXPECT_EQ(Control<QLineEdit>("1042")->text().toStdString(), "");
    for (const char* banner : {"banner186", "banner187", "banner188"}) {
        QImage picture = Control<QLabel>(banner)->pixmap().toImage();
        ASSERT_FALSE(picture.isNull()) << banner;
        EXPECT_EQ(picture.size(), Control<QLabel>(banner)->size() * dialog->devicePixelRatioF())
            << banner;
        // Not one flat colour: the artwork has a gradient and a title.
        EXPECT_NE(picture.pixel(1, 1), picture.pixel(picture.width() - 2, 1)) << banner;
    }
}

TEST_F(ExportDialogTest, EachStoredValueChecksItsButton) {
    settings.setExportFolder(dest);
    settings.setExportSelection(-1);
    settings.setExportLayout(kYearlyFolders);
    Open();
    EXPECT_FALSE(Checked("1013") || Checked("1043"));
    EXPECT_TRUE(Checked("1046"));
    EXPECT_TRUE(Checked("1044"));
    EXPECT_FALSE(Checked("1050"));
    EXPECT_EQ(Control<QLineEdit>("1042")->text().toStdString(), dest);
}

TEST_F(ExportDialogTest, RefusedDestinationsShowTheirBoxAndChangeNoSetting) {
    settings.setExportFolder(dest);
    settings.setExportLayout(7);
    Open();
    PressExport(home.Path("missing"));
    MakeFolders(photos + "2");
    PressExport(photos + "2");
    ASSERT_EQ(prompter.boxes.size(), 2u);
    EXPECT_EQ(prompter.boxes[0].caption, "Quillfen Software - information");
    EXPECT_EQ(prompter.boxes[0].text,
              "The destination folder specified does not exist. Please select an existing "
              "folder.");
    EXPECT_EQ(prompter.boxes[0].icon, shared::BoxIcon::Error);
    EXPECT_EQ(prompter.boxes[1].caption, "Invalid export directory");
    EXPECT_EQ(prompter.boxes[1].text,
              "You can't export your photos to a directory in your existing photo library.\n" +
                  photos + "2\n\nPlease specify a different export directory.");
    EXPECT_EQ(prompter.boxes[1].icon, shared::BoxIcon::Warning);
    // The library under other names: a link, a doubled separator, "..".
    MakeFolders(photos + "/sub");
    ASSERT_EQ(::symlink(photos.c_str(), home.Path("alias").c_str()), 0);
    for (const std::string& other :
         {home.Path("alias/sub"), home.Root() + "//photos", dest + "/../photos/sub/"}) {
        prompter.boxes.clear();
        PressExport(other);
        ASSERT_EQ(prompter.boxes.size(), 1u) << other;
        EXPECT_EQ(prompter.boxes[0].caption, "Invalid export directory") << other;
    }
    EXPECT_TRUE(FilesBelow(photos).empty());
    EXPECT_EQ(settings.exportFolder(), dest);
    EXPECT_EQ(settings.exportLayout(), 7);
    EXPECT_TRUE(Control<QPushButton>("1")->isEnabled());
}

TEST_F(ExportDialogTest, AShortDestinationIsConfirmedFirstAndStoredWithoutItsSeparator) {
    settings.setExportFolder(dest);
    Open();
    PressExport("/");
    ASSERT_EQ(prompter.boxes.size(), 1u);  // Cancel: nothing more is asked
    EXPECT_EQ(prompter.boxes[0].caption, "Confirm export location?");
    EXPECT_EQ(prompter.boxes[0].text,
              "Are you sure you want to export your photos to this directory?\n/");
    EXPECT_EQ(prompter.boxes[0].buttons, shared::BoxButtons::OkCancel);
    EXPECT_EQ(settings.exportFolder(), dest);

    prompter.answers = {shared::BoxAnswer::Ok, shared::BoxAnswer::Cancel};
    PressExport("/");
    ASSERT_EQ(prompter.boxes.size(), 3u);
    EXPECT_EQ(prompter.boxes[2].caption, "Confirm export?");
    // The root is the one folder that keeps its separator, so the summary names it.
    EXPECT_NE(prompter.boxes[2].text.find("\n- To: /\n"), std::string::npos);
    EXPECT_EQ(settings.exportFolder(), "/");
}

TEST_F(ExportDialogTest, TheSummaryIsComposedFromTheOptionsWhichStayWhateverTheAnswer) {
    settings.setExportLayout(7);
    settings.setDeleteOriginals(false);
    Open();
    Control<QRadioButton>("1043")->setChecked(true);
    Control<QCheckBox>("1050")->setChecked(true);
    PressExport(dest + "/");
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].text,
              "You are about to Export your photos:\n- From: " + photos + "\n- To: " + dest +
                  "\n- Recreating the existing directory layout\n"
                  "- Exporting JPEG image files with a rating of 4 or 5 stars\n"
                  "- The file dates will be modified to the image date taken\n"
                  "  (where metadata is available)\n"
                  "- The files in the original directory will be deleted after copying\n"
                  "- Files with the same name in the destination directory will be "
                  "overwritten\n");
    EXPECT_EQ(prompter.boxes[0].icon, shared::BoxIcon::Warning);
    EXPECT_EQ(settings.exportFolder(), dest);
    EXPECT_EQ(settings.exportLayout(), kKeepLayout);
    EXPECT_EQ(settings.exportSelection(), kExportRated);
    EXPECT_TRUE(settings.deleteOriginals());
    EXPECT_FALSE(platform::FileExists(store.FilePath()));  // saved only when an export starts
    EXPECT_TRUE(Control<QPushButton>("1")->isEnabled());

    Control<QRadioButton>("1047")->setChecked(true);
    Control<QRadioButton>("1013")->setChecked(true);
    Control<QCheckBox>("1044")->setChecked(false);
    Control<QCheckBox>("1050")->setChecked(false);
    PressExport(dest);
    EXPECT_EQ(prompter.boxes[1].text,
              "You are about to Export your photos:\n- From: " + photos + "\n- To: " + dest +
                  "\n- Placing all images into the export directory\n"
                  "- Exporting all images files\n"
                  "- The file dates will not be modified to the image date taken\n"
                  "- The files in the original directory will not be deleted\n"
                  "- Files with the same name in the destination directory will be "
                  "overwritten\n");
}

TEST_F(ExportDialogTest, OkExportsAndKeepsExportDisabledUntilTheWorkerEnds) {
    WriteJpeg(photos + "/one.jpg");
    Gate gate;
    platform::SetFaultHook([&gate](platform::FileOp op, const std::string&) {
        if (op == platform::FileOp::Copy) gate.Wait();
        return 0;
    });
    Open();
    prompter.answers = {shared::BoxAnswer::Ok};
    PressExport(dest);
    gate.WaitUntilEntered();
    QTest::qWait(50);
    EXPECT_FALSE(Control<QPushButton>("1")->isEnabled());
    EXPECT_TRUE(platform::FileExists(store.FilePath()));
    gate.Open();
    QTRY_VERIFY_WITH_TIMEOUT(Control<QPushButton>("1")->isEnabled(), 10000);
    EXPECT_EQ(Status(), "Export Complete: Exported 1 images successfully");
    EXPECT_THAT(FilesBelow(dest), ElementsAre("one.jpg"));
}

TEST_F(ExportDialogTest, OnlyExitClosesTheDialogAndItRequestsAStop) {
    Open();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(control.StopRequested());
    QTest::mouseClick(Control<QPushButton>("1049"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(control.StopRequested());
}

TEST_F(ExportDialogTest, ExitDuringAnExportClosesAtOnceAndTheWorkerStopsAfterItsEntry) {
    for (int i = 0; i < 3; ++i) WriteJpeg(photos + "/p" + std::to_string(i) + ".jpg", i);
    Gate gate;
    platform::SetFaultHook([&gate](platform::FileOp op, const std::string&) {
        if (op == platform::FileOp::Copy) gate.Wait();
        return 0;
    });
    Open();
    prompter.answers = {shared::BoxAnswer::Ok};
    PressExport(dest);
    gate.WaitUntilEntered();
    QTest::mouseClick(Control<QPushButton>("1049"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());
    dialog.reset();  // the worker outlives the dialog
    gate.Open();
    QTRY_VERIFY_WITH_TIMEOUT(!control.Busy(), 10000);
    EXPECT_EQ(FilesBelow(dest).size(), 1u);
    EXPECT_EQ(control.Counts().exported, 1);
}

TEST_F(ExportDialogTest, HelpOpensTheHelpPageAndFoldersStartsAtTheDataFolder) {
    settings.setExportFolder(dest);
    std::string picked = home.Path("picked");
    MakeFolders(picked);
    Open();
    QTest::mouseClick(Control<QPushButton>("7"), Qt::LeftButton);
    EXPECT_THAT(opener.addresses, ElementsAre(shared::PictavoHelpAddress()));

    std::string started;
    shared::SetFolderDialogRunner([&](QFileDialog& picker) {
        started = picker.directory().absolutePath().toStdString();
        picker.selectFile(QString::fromStdString(picked));
        return true;
    });
    Control<QLineEdit>("1042")->clear();
    QTest::mouseClick(Control<QPushButton>("1048"), Qt::LeftButton);
    EXPECT_EQ(started, services.DataFolder());
    EXPECT_EQ(Control<QLineEdit>("1042")->text().toStdString(), picked);
    EXPECT_EQ(settings.exportFolder(), dest);  // the settings change only on Export
}

}  // namespace
}  // namespace pictavo

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
