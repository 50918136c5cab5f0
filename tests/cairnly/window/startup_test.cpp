// Start-up: first run, existing settings, photo mode from the command line,
// the window-position check and the main window's fixed contents.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>

#include "cairnly/pages/window/result_page_widget.h"
#include "tests/cairnly/window/window_fixture.h"
#include "tests/platform/test_files.h"

namespace cairnly {
namespace {

using namespace cairnly::testing;

class StartupTest : public ::testing::Test {
  protected:
    std::unique_ptr<CairnlyProgram> Run(std::vector<std::string> args) {
        args.insert(args.begin(), "cairnly");
        auto program = std::make_unique<CairnlyProgram>(args, prompter, opener, modal.Runner());
        program->Start();
        return program;
    }
    std::string SettingsFile() const {
        return home.Path() + "/Documents/Quillfen/Cairnly/Cairnly.kvcfg";
    }
    // A folder with two identical photos and a text file.
    std::string PhotoFolder() {
        std::string folder = home.Folder("My Photos");
        WriteCopies({folder + "/a.jpg", folder + "/b.JPG"}, 5000, 3);
        WriteFile(folder + "/notes.txt", 5000, 4);
        return folder;
    }

    TempHome home;
    FakePrompter prompter;
    FakeOpener opener;
    FakeModal modal;
};

TEST_F(StartupTest, FirstRunWelcomesConfiguresAndSaves) {
    std::string chosen = home.Folder("chosen");
    modal.handler = [&](QDialog& dialog) {
        EXPECT_EQ(prompter.boxes.size(), 1u);  // the welcome comes first
        dialog.findChild<QLineEdit*>("1002")->setText(QString::fromStdString(chosen));
        dialog.findChild<QPushButton*>("1")->click();
        return dialog.result();
    };
    auto program = Run({});
    EXPECT_TRUE(program->FirstRun());
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].caption, "Cairnly - getting started");
    EXPECT_EQ(prompter.boxes[0].icon, shared::BoxIcon::Information);
    EXPECT_EQ(prompter.boxes[0].text.rfind(
                  "Start by pressing the \u201CQuillfen software\u201D button.\n", 0),
              0u);
    EXPECT_NE(prompter.boxes[0].text.find("with the file manager."), std::string::npos);
    EXPECT_EQ(modal.opened, std::vector<std::string>{"129"});
    EXPECT_TRUE(program->Window().isVisible());
    // The file written after the dialog holds the chosen folder.
    ScanSettings stored;
    ASSERT_TRUE(program->Store().Load(stored));
    EXPECT_EQ(stored.RootFolder(), chosen);
    EXPECT_EQ(std::filesystem::file_size(SettingsFile()), 3204u);
    // Log level 1 (the default) makes the log folder.
    EXPECT_TRUE(std::filesystem::is_directory(home.Path() + "/Documents/Quillfen/Cairnly/Logs"));
}

TEST_F(StartupTest, FirstRunCancelStillWritesTheDefaults) {
    auto program = Run({});
    EXPECT_EQ(modal.opened, std::vector<std::string>{"129"});
    ScanSettings stored, defaults;
    ASSERT_TRUE(program->Store().Load(stored));
    defaults.SetDefaults();
    EXPECT_TRUE(std::equal(stored.Data(), stored.Data() + ScanSettings::kSize, defaults.Data()));
}

TEST_F(StartupTest, StoredSettingsAreUsedWithoutQuestions) {
    WriteSettings([](ScanSettings& s) {
        s.SetMinPartialDuplicates(5);
        s.SetLogLevel(0);
        s.SetWindowLeft(4001);
        s.SetWindowTop(17);
    });
    auto program = Run({});
    EXPECT_FALSE(program->FirstRun());
    EXPECT_TRUE(prompter.boxes.empty());
    EXPECT_TRUE(modal.opened.empty());
    EXPECT_EQ(program->Settings().MinPartialDuplicates(), 5);
    // Out of range: both window fields go back to the system default.
    EXPECT_EQ(program->Settings().WindowLeft(), ScanSettings::kDefaultWindowLeft);
    EXPECT_EQ(program->Settings().WindowTop(), 0);
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/Documents/Quillfen/Cairnly/Logs"));
    EXPECT_FALSE(program->State().PhotoMode.load());
}

TEST_F(StartupTest, WindowHasItsCaptionTabsButtonsAndIdleState) {
    WriteSettings([](ScanSettings&) {});
    auto program = Run({});
    MainWindow& window = program->Window();
    EXPECT_EQ(window.windowTitle(), "Quillfen Software Cairnly");
    QTabWidget* tabs = window.Tabs();
    ASSERT_EQ(tabs->count(), 4);
    const char* texts[4] = {"Largest folders", "Largest files", "Duplicate files",
                            "Partial duplicate folders"};
    const char* lists[4] = {"1031", "1028", "1023", "1029"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tabs->tabText(i), texts[i]);
        EXPECT_EQ(window.Page(i)->List().objectName(), lists[i]);
    }
    EXPECT_EQ(tabs->objectName(), "1027");
    EXPECT_EQ(window.CurrentPage(), 0);
    std::map<int, QString> captions = {
        {6, "Quillfen software"}, {3, "Start"},  {4, "Stop"}, {5, "Configuration"}, {7, "Help"},
        {1025, "About"},          {1024, "Exit"}};
    for (auto [id, text] : captions) {
        ASSERT_NE(window.Button(id), nullptr) << id;
        EXPECT_EQ(window.Button(id)->text(), text);
    }
    EXPECT_TRUE(window.Button(ids::kStart)->isEnabled());
    EXPECT_FALSE(window.Button(ids::kStop)->isEnabled());
    EXPECT_EQ(window.Page(0)->List().Rows().headerData(0, Qt::Horizontal, Qt::DisplayRole),
              "Folder");
}

TEST_F(StartupTest, PhotoSwitchStartsADuplicateSearchOfTheFolder) {
    for (const char* flag : {"/P", "-p"}) {
        SCOPED_TRACE(flag);
        std::string folder = PhotoFolder();
        auto program = Run({flag, folder});
        EXPECT_TRUE(program->State().PhotoMode.load());
        EXPECT_EQ(program->Settings().RootFolder(), folder);
        EXPECT_EQ(program->Settings().DuplicateMode(), 1);
        EXPECT_FALSE(program->Window().Button(ids::kStart)->isEnabled());
        ASSERT_TRUE(WaitForScan(program->State()));
        // Neither read nor written: no settings file, no welcome.
        EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
        EXPECT_TRUE(prompter.boxes.empty());
        EXPECT_EQ(program->Window().CurrentPage(), 2);
        ASSERT_EQ(program->Window().Page(2)->List().Rows().rowCount(), 2);  // only the photos
        EXPECT_TRUE(program->Window().Button(ids::kStart)->isEnabled());
        EXPECT_FALSE(program->Window().Button(ids::kStop)->isEnabled());
    }
}

TEST_F(StartupTest, AFolderAloneIsScannedThisRunButStoredOnlyWhenConfirmed) {
    WriteSettings([](ScanSettings& s) {
        s.SetRootFolder("/stored");
        s.SetMinFileSizeMB(0);
    });
    const std::string before = testing_support::ReadBytes(SettingsFile());
    std::string folder = PhotoFolder();
    std::string shown;
    modal.handler = [&](QDialog& dialog) {
        shown = dialog.findChild<QLineEdit*>("1002")->text().toStdString();
        return int(QDialog::Rejected);
    };
    auto program = Run({folder});
    EXPECT_FALSE(program->State().PhotoMode.load());
    EXPECT_FALSE(program->State().Scan.Running());
    EXPECT_EQ(program->Settings().RootFolder(), folder);
    EXPECT_EQ(program->Settings().DuplicateMode(), 0);  // the stored settings, not photo mode
    program->Window().ConfigurationCommand();
    EXPECT_EQ(shown, folder);
    EXPECT_EQ(testing_support::ReadBytes(SettingsFile()),
              before);  // cancelled: nothing new is stored

    program->Window().StartCommand();
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(program->State().Files.Count(), 3);

    modal.handler = [&](QDialog& dialog) {
        dialog.findChild<QPushButton*>("1")->click();
        return dialog.result();
    };
    program->Window().ConfigurationCommand();
    ScanSettings stored;
    ASSERT_TRUE(program->Store().Load(stored));
    EXPECT_EQ(stored.RootFolder(), folder);
}

TEST_F(StartupTest, AFolderOnAFirstRunLeavesTheDefaultsStored) {
    std::string folder = PhotoFolder();
    auto program = Run({folder});
    EXPECT_TRUE(program->FirstRun());
    EXPECT_EQ(program->Settings().RootFolder(), folder);
    ScanSettings stored, defaults;
    ASSERT_TRUE(program->Store().Load(stored));
    defaults.SetDefaults();
    EXPECT_EQ(stored.RootFolder(), defaults.RootFolder());
}

TEST_F(StartupTest, PhotoModeNeverWritesTheUsersSettings) {
    WriteSettings([](ScanSettings& s) { s.SetMinPartialDuplicates(5); });
    const std::string before = testing_support::ReadBytes(SettingsFile());
    ASSERT_EQ(before.size(), ScanSettings::kSize);
    auto program = Run({"/P", PhotoFolder()});
    ASSERT_TRUE(WaitForScan(program->State()));
    // Cancel, then OK: the photo-mode values stay in memory only.
    program->Window().ConfigurationCommand();
    modal.handler = [](QDialog& dialog) {
        dialog.accept();
        return static_cast<int>(QDialog::Accepted);
    };
    program->Window().ConfigurationCommand();
    EXPECT_EQ(modal.opened, (std::vector<std::string>{"129", "129"}));
    EXPECT_EQ(testing_support::ReadBytes(SettingsFile()), before);
}

TEST_F(StartupTest, OtherSwitchesAreNotPhotoMode) {
    WriteSettings([](ScanSettings&) {});
    auto program = Run({"/X", PhotoFolder()});
    EXPECT_FALSE(program->State().PhotoMode.load());
    EXPECT_FALSE(program->State().Scan.Running());
    EXPECT_TRUE(program->Window().Button(ids::kStart)->isEnabled());
}

TEST_F(StartupTest, PhotoModeWithoutAUsableFolderScansNothing) {
    // Run from inside a folder full of photos: it must not be scanned instead.
    std::string photos = PhotoFolder();
    std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(photos);
    auto program = Run({"/P", home.Path() + "/does-not-exist"});
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(program->State().PhotoMode.load());
    EXPECT_EQ(program->Settings().RootFolder(), "");
    ASSERT_TRUE(WaitForScan(program->State()));
    EXPECT_EQ(program->State().Files.Count(), 0);
    EXPECT_TRUE(program->Window().Button(ids::kStart)->isEnabled());
    EXPECT_FALSE(program->Window().StatusLine()->text().isEmpty());
}

}  // namespace
}  // namespace cairnly
