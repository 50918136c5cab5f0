// The configuration dialog and its rules, emptying the store, the about box,
// the Cairnly command line and the start-up order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "pictavo/cull/cairnly_launch.h"
#include "pictavo/cull/window/pictavo_program.h"
#include "pictavo/settings/configuration_rules.h"
#include "pictavo/settings/window/about_box.h"
#include "pictavo/settings/window/configuration_dialog.h"
#include "platform/process.h"
#include "shared/site.h"
#include "tests/pictavo/window/window_rig.h"

namespace pictavo {
namespace {

using testing_support::FakePrompter;

TEST(ConfigurationRules, StartPositionLine) {
    EXPECT_EQ(StartPositionText(PhotoTime{9, 8, 7, 5, 3, 2016}),
              "Photo review and cleanup starting at photo dated 2016/03/05  07:08:09");
    EXPECT_EQ(StartPositionText(PhotoTime{}),
              "Photo review and cleanup starting with oldest photo in Photos folder");
}

class FolderChecks : public testing::Test {
  protected:
    void SetUp() override {
        photo_fixtures::MakeFolders(home.Path() + "/Photos");
        photo_fixtures::MakeFolders(home.Path() + "/photos");
        photo_fixtures::MakeFolders(home.Path() + "/Other");
        settings.Zero();
        settings.setPhotoFolder(home.Path() + "/Photos");
    }
    testing_support::TempHome home;
    SettingsRecord settings;
    FakePrompter prompter;
};

TEST_F(FolderChecks, MissingFolderIsRefusedAndNothingChanges) {
    FolderCheck check = CheckPhotoFolder(home.Path() + "/Nowhere", settings, prompter);
    EXPECT_FALSE(check.close);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].caption, "Quillfen Software - information");
    EXPECT_EQ(prompter.asked[0].text,
              "The folder specified does not exist. Please select an existing folder.");
    EXPECT_EQ(prompter.asked[0].icon, shared::BoxIcon::Error);
    EXPECT_EQ(settings.photoFolder(), home.Path() + "/Photos");
}

TEST_F(FolderChecks, SameFolderNeedsNoReloadButACaseChangeIsAnotherFolder) {
    FolderCheck same = CheckPhotoFolder(home.Path() + "/Photos", settings, prompter);
    EXPECT_TRUE(same.close);
    EXPECT_FALSE(same.reload);
    FolderCheck check = CheckPhotoFolder(home.Path() + "/photos", settings, prompter);
    EXPECT_TRUE(check.close);
    EXPECT_TRUE(check.reload);
    EXPECT_EQ(settings.photoFolder(), home.Path() + "/photos");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(FolderChecks, ChangedFolderIsStoredForAReloadAsAFullPath) {
    FolderCheck check = CheckPhotoFolder(home.Path() + "/Other", settings, prompter);
    EXPECT_TRUE(check.close);
    EXPECT_TRUE(check.reload);
    EXPECT_EQ(settings.photoFolder(), home.Path() + "/Other");
    // "~/..." as the hints show it, and a folder typed relative to where the program runs.
    EXPECT_TRUE(CheckPhotoFolder("~/photos", settings, prompter).reload);
    EXPECT_EQ(settings.photoFolder(), home.Path() + "/photos");
    std::string before = std::filesystem::current_path().string();
    std::filesystem::current_path(home.Path());
    FolderCheck relative = CheckPhotoFolder("Photos", settings, prompter);
    std::filesystem::current_path(before);
    EXPECT_TRUE(relative.reload);
    EXPECT_EQ(settings.photoFolder(), home.Path() + "/Photos");
    EXPECT_TRUE(prompter.asked.empty());
}

TEST_F(FolderChecks, WholeDriveNeedsConfirmation) {
    prompter.answer = shared::BoxAnswer::Cancel;
    EXPECT_FALSE(CheckPhotoFolder("/", settings, prompter).close);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].caption, "Confirm scan of entire drive?");
    EXPECT_EQ(prompter.asked[0].text, "Are you sure this is your photos directory?\n/");
    EXPECT_EQ(prompter.asked[0].buttons, shared::BoxButtons::OkCancel);
    EXPECT_EQ(settings.photoFolder(), home.Path() + "/Photos");
    prompter.answer = shared::BoxAnswer::Ok;
    FolderCheck check = CheckPhotoFolder("/", settings, prompter);
    EXPECT_TRUE(check.reload);
    EXPECT_EQ(settings.photoFolder(), "/");
}

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

TEST(CairnlyLaunch, FoldersWithBlanksQuotesAndBackslashesSurviveTheSplit) {
    for (std::string folder :
         {"/home/u/My Photos", "/p/say \"cheese\"", "/p/back\\slash\\", "/p/odd\\\"mix"}) {
        std::string line = CairnlyCommandLine("/opt/Quill fen/bin", folder);
        EXPECT_EQ(platform::SplitCommandLine(line),
                  (std::vector<std::string>{"/opt/Quill fen/bin/cairnly", "/P", folder}))
            << line;
    }
    EXPECT_EQ(CairnlyCommandLine("/opt/q", "/home/u/My Photos"),
              "\"/opt/q/cairnly\" /P \"/home/u/My Photos\"");
}

TEST(CairnlyLaunch, MissingProgramIsReportedAndNothingWaits) {
    testing_support::TempHome home;
    FakePrompter prompter;
    StartCairnly(home.Path(), "/photos", prompter, platform::StartProcess);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].caption, "Duplicate files");
    EXPECT_EQ(prompter.asked[0].text, "Unable to start Cairnly for a duplicate file check");
    EXPECT_EQ(prompter.asked[0].icon, shared::BoxIcon::Information);

    int starts = 0;
    StartCairnly("", "/photos", prompter, [&](const std::string&) { return ++starts, true; });
    EXPECT_EQ(starts, 0);  // no program folder: nothing to start
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
