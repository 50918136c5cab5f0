// The configuration dialog, emptying the store, the about box and the
// start-up order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <fstream>

#include "pictavo/cull/window/pictavo_program.h"
#include "pictavo/settings/configuration_rules.h"
#include "pictavo/settings/window/about_box.h"
#include "pictavo/settings/window/configuration_dialog.h"
#include "platform/files.h"
#include "shared/site.h"
#include "tests/pictavo/window/window_rig.h"

namespace pictavo {
namespace {

using testing_support::FakePrompter;

class ConfigurationWindow : public testing::Test {
  protected:
    ConfigurationContext Context() { return {rig.state, rig.prompter, rig.opener}; }
    void StoreFile(const std::string& name) { std::ofstream(rig.state.storeFolder + name) << "x"; }
    window_tests::WindowRig rig;
};

TEST_F(ConfigurationWindow, OpensWithFolderStartLineAndStoreButtonState) {
    rig.settings.setStartPosition(PhotoTime{9, 8, 7, 5, 3, 2016});
    ConfigurationDialog empty(Context(), nullptr);
    EXPECT_EQ(empty.windowTitle(), "Pictavo configuration");
    EXPECT_EQ(empty.FolderBox()->text().toStdString(), rig.PhotoFolder());
    EXPECT_EQ(empty.findChild<QLabel*>("1041")->text().toStdString(),
              "Photo review and cleanup starting at photo dated 2016/03/05  07:08:09");
    EXPECT_FALSE(empty.findChild<QPushButton*>("3")->isEnabled());
    photo_fixtures::MakeFolders(rig.state.storeFolder + "sub");
    ConfigurationDialog onlyFolder(Context(), nullptr);
    EXPECT_FALSE(onlyFolder.findChild<QPushButton*>("3")->isEnabled());
    StoreFile("a.jpg");
    ConfigurationDialog filled(Context(), nullptr);
    EXPECT_TRUE(filled.findChild<QPushButton*>("3")->isEnabled());
}

TEST_F(ConfigurationWindow, FitsAScreenTooSmallForItsDesignedSize) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ConfigurationDialog normal(Context(), rig.window.get());
    EXPECT_EQ(normal.font(), rig.window->font());
    // A large scale factor, as a large font: designed size far beyond the screen.
    const QFont usual = QApplication::font();
    QFont large = usual;
    large.setPointSizeF(usual.pointSizeF() * 3);
    QApplication::setFont(large);
    ConfigurationDialog scaled(Context(), rig.window.get());
    QApplication::setFont(usual);
    EXPECT_LE(scaled.width(), screen.width());
    EXPECT_LE(scaled.height(), screen.height());
    for (QPushButton* button : scaled.findChildren<QPushButton*>())
        EXPECT_TRUE(scaled.rect().contains(button->geometry())) << button->text().toStdString();
    EXPECT_LT(scaled.font().pointSizeF(), large.pointSizeF());
}

TEST_F(ConfigurationWindow, OkStoresAChangedFolderAndAsksForAReload) {
    photo_fixtures::MakeFolders(rig.home.Path() + "/Elsewhere");
    ConfigurationDialog dialog(Context(), nullptr);
    dialog.FolderBox()->setText(QString::fromStdString(rig.home.Path() + "/Nowhere"));
    dialog.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);  // still open: the folder is refused
    EXPECT_FALSE(rig.state.reloadPending);
    dialog.FolderBox()->setText(QString::fromStdString(rig.home.Path() + "/Elsewhere"));
    dialog.findChild<QPushButton*>("1")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(rig.state.reloadPending);
    EXPECT_EQ(rig.settings.photoFolder(), rig.home.Path() + "/Elsewhere");
}

TEST_F(ConfigurationWindow, HelpOpensTheHelpPage) {
    ConfigurationDialog dialog(Context(), nullptr);
    dialog.findChild<QPushButton*>("7")->click();
    ASSERT_EQ(rig.opener.addresses.size(), 1u);
    EXPECT_NE(rig.opener.addresses[0].find("pictavo-help"), std::string::npos);
}

TEST_F(ConfigurationWindow, EmptyingTheStoreAsksDeletesReportsAndEmptiesTheStack) {
    photo_fixtures::MakeFolders(rig.state.storeFolder + "sub");
    StoreFile("a.jpg");
    StoreFile("b (Rotated copy).jpg");
    rig.state.undeleteStack.Push(0);
    rig.window->SetUndeleteEnabled(true);
    ConfigurationDialog dialog(Context(), nullptr);
    dialog.findChild<QPushButton*>("3")->click();
    ASSERT_EQ(rig.prompter.asked.size(), 2u);
    EXPECT_EQ(rig.prompter.asked[0].caption, "Permanently delete culled files?");
    EXPECT_EQ(rig.prompter.asked[0].text,
              "Permanently delete 2 culled files from " + rig.state.storeFolder + "?");
    EXPECT_EQ(rig.prompter.asked[1].caption, "Deleted culled files");
    EXPECT_EQ(rig.prompter.asked[1].text, "Permanently deleted 2 culled files.");
    EXPECT_TRUE(platform::FolderExists(rig.state.storeFolder + "sub"));
    EXPECT_FALSE(platform::FileExists(rig.state.storeFolder + "a.jpg"));
    EXPECT_TRUE(rig.state.undeleteStack.Empty());
    EXPECT_FALSE(rig.Enabled(ids::kUndelete));
    EXPECT_TRUE(dialog.findChild<QPushButton*>("3")->isEnabled());
}

TEST_F(ConfigurationWindow, CancelledEmptyingKeepsEverythingAndFailuresAreCounted) {
    StoreFile("a.jpg");
    StoreFile("b.jpg");
    rig.prompter.answer = shared::BoxAnswer::Cancel;
    EmptyStoreWithQuestion(rig.state, rig.prompter);
    EXPECT_EQ(rig.prompter.asked.size(), 1u);
    EXPECT_TRUE(platform::FileExists(rig.state.storeFolder + "a.jpg"));

    rig.prompter.answer = shared::BoxAnswer::Ok;
    platform::SetFaultHook([](platform::FileOp op, const std::string& path) {
        return op == platform::FileOp::Delete && path.ends_with("b.jpg") ? 13 : 0;
    });
    EmptyStoreWithQuestion(rig.state, rig.prompter);
    platform::SetFaultHook(nullptr);
    EXPECT_EQ(rig.prompter.asked.back().text,
              "Permanently deleted 1 culled files. Error deleting 1 files.");
}

TEST(AboutBox, VersionLineAndLinkToTheHomePage) {
    EXPECT_EQ(VersionLine(), "Quillfen Software Pictavo, Version 1.3.1001");
    testing_support::FakeOpener opener;
    FakePrompter prompter;
    AboutBox box(opener, prompter, nullptr);
    EXPECT_EQ(box.windowTitle(), "Quillfen Software Pictavo");
    EXPECT_EQ(box.findChild<QLabel*>("1052")->text().toStdString(), VersionLine());
    emit box.findChild<QLabel*>("1011")->linkActivated("home");
    ASSERT_EQ(opener.addresses.size(), 1u);
    EXPECT_EQ(opener.addresses[0], shared::HomePageAddress());
}

class RecordingSteps : public StartupSteps {
  public:
    bool settingsReadable = true;
    std::vector<std::string> calls;
    bool LoadSettings() override { return Note("load"), settingsReadable; }
    void SetDefaultSettings() override { Note("defaults"); }
    void SaveSettings() override { Note("save"); }
    void CreateStoreFolder() override { Note("store"); }
    void ShowMainWindow() override { Note("window"); }
    void RunConfiguration() override { Note("configuration"); }
    void CreateLogFolder() override { Note("logs"); }
    void StartLoading() override { Note("loading"); }
    void StartTimer() override { Note("timer"); }
    int RunEventLoop() override { return Note("loop"), 0; }

  private:
    void Note(const char* step) { calls.push_back(step); }
};

TEST(StartupOrder, StepsRunInOrderWithDefaultsSavedWhenSettingsAreMissing) {
    RecordingSteps found;
    RunStartup(found);
    EXPECT_EQ(found.calls, (std::vector<std::string>{"load", "store", "window", "configuration",
                                                     "save", "logs", "loading", "timer", "loop"}));
    RecordingSteps missing;
    missing.settingsReadable = false;
    RunStartup(missing);
    EXPECT_EQ(missing.calls, (std::vector<std::string>{"load", "defaults", "save", "store",
                                                       "window", "configuration", "save", "logs",
                                                       "loading", "timer", "loop"}));
}

// The real program up to its event loop: what exists when the configuration
// dialog opens, and what start-up leaves behind.
class ObservedProgram : public PictavoProgram {
  public:
    using PictavoProgram::PictavoProgram;
    std::function<void()> atConfiguration;
    void RunConfiguration() override {
        QTimer::singleShot(0, [this] {
            if (atConfiguration) atConfiguration();
            QApplication::activeModalWidget()->findChild<QPushButton*>("2")->click();
        });
        PictavoProgram::RunConfiguration();
    }
    int RunEventLoop() override { return 0; }
};

TEST(StartupOrder, RealStartSavesDefaultsMakesStoreShowsWindowThenLoads) {
    testing_support::TempHome home;
    photo_fixtures::MakeFolders(home.Pictures());
    photo_fixtures::MakePhoto(home.Pictures() + "/a.jpg");
    FakePrompter prompter;
    testing_support::FakeOpener opener;
    ObservedProgram program(prompter, opener);
    const std::string data = home.Documents() + "/Quillfen/Pictavo";
    bool settingsSaved = false, storeMade = false, windowShown = false, logsMade = true;
    program.atConfiguration = [&] {
        settingsSaved = platform::FileExists(data + "/Pictavo.kvcfg");
        storeMade = platform::FolderExists(data + "/Deletes");
        windowShown = program.Window() && program.Window()->isVisible();
        logsMade = platform::FolderExists(data + "/Logs");
    };
    EXPECT_EQ(program.Run(), 0);
    EXPECT_TRUE(settingsSaved);
    EXPECT_TRUE(storeMade);
    EXPECT_TRUE(windowShown);
    EXPECT_FALSE(logsMade);
    EXPECT_TRUE(platform::FolderExists(data + "/Logs"));
    EXPECT_EQ(program.Settings().photoFolder(), home.Pictures());
    for (int i = 0; i < 200 && !program.State().catalogueReady; ++i)
        program.Window()->PumpEvents(20);
    EXPECT_EQ(program.State().catalogue.Count(), 1);
}

}  // namespace
}  // namespace pictavo
