// The configuration dialog's fields, its checks in their order with their
// messages, and the about box.
#include "cairnly/settings/window/configuration_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "cairnly/settings/window/about_box.h"
#include "shared/qt/folder_browser.h"
#include "shared/site.h"
#include "tests/cairnly/window/window_fixture.h"

namespace cairnly {
namespace {

using testing::FakeOpener;
using testing::FakePrompter;
using testing::TempHome;

class ConfigurationDialogTest : public ::testing::Test {
  protected:
    ConfigurationDialogTest() {
        settings.SetDefaults();
        settings.SetRootFolder(home.Folder("start"));
    }

    std::unique_ptr<ConfigurationDialog> Open() {
        return std::make_unique<ConfigurationDialog>(settings, services, prompter, opener,
                                                     [this] { ++rootChanged; });
    }
    template <typename W>
    static W* Find(QDialog& dialog, const char* id) {
        W* widget = dialog.findChild<W*>(QString::fromLatin1(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }
    static void Type(QDialog& dialog, const char* id, const std::string& text) {
        Find<QLineEdit>(dialog, id)->setText(QString::fromStdString(text));
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& box : prompter.boxes) texts.push_back(box.text);
        return texts;
    }

    TempHome home;
    shared::DesktopServices services{"Cairnly", [] { return 0; }};
    ScanSettings settings;
    FakePrompter prompter;
    FakeOpener opener;
    int rootChanged = 0;
};

TEST_F(ConfigurationDialogTest, ShowsTheStoredValues) {
    settings.SetDuplicateMode(2);
    settings.SetMinFileSizeMB(1.5f);
    settings.SetMinFolderSizeMB(250.0f);
    settings.SetMinPartialDuplicates(12);
    settings.SetSkipSystemFolders(false);
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Configuration");
    EXPECT_EQ(Find<QLineEdit>(*dialog, "1002")->text().toStdString(), settings.RootFolder());
    EXPECT_FALSE(Find<QCheckBox>(*dialog, "1003")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "1015")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(*dialog, "1013")->isChecked());
    EXPECT_EQ(Find<QLineEdit>(*dialog, "1000")->text(), "1.5000");
    EXPECT_EQ(Find<QLineEdit>(*dialog, "1007")->text(), "250.0");
    EXPECT_EQ(Find<QLineEdit>(*dialog, "1006")->text(), "12");
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "1017")->isChecked());
    // The deep check before deleting is a choice the user sees; level 2 logging is not.
    dialog->show();
    EXPECT_TRUE(Find<QCheckBox>(*dialog, "1005")->isVisible());
    EXPECT_TRUE(Find<QCheckBox>(*dialog, "1005")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(*dialog, "1018")->isVisible());
    dialog->hide();
    EXPECT_EQ(
        Find<QRadioButton>(*dialog, "1013")->text().toStdString(),
        "Very quick file attribute comparison to determine duplicate file lists (please see help)");
}

TEST_F(ConfigurationDialogTest, OutOfRangeStoredValuesShowTheFallbackChoices) {
    settings.SetDuplicateMode(7);
    settings.SetLogLevel(9);
    auto dialog = Open();
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "1013")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(*dialog, "1016")->isChecked());
    dialog->Accept();
    EXPECT_EQ(settings.DuplicateMode(), 0);
    EXPECT_EQ(settings.LogLevel(), 0);
}

TEST_F(ConfigurationDialogTest, OkStoresEveryFieldAndRelabelsTheCleanupButton) {
    std::string other = home.Folder("other");
    auto dialog = Open();
    Type(*dialog, "1002", other);
    Find<QCheckBox>(*dialog, "1003")->setChecked(false);
    Find<QRadioButton>(*dialog, "1014")->setChecked(true);
    Find<QCheckBox>(*dialog, "1005")->setChecked(false);
    Type(*dialog, "1000", "2.25");
    Type(*dialog, "1007", "50");
    Type(*dialog, "1006", "3");
    Find<QRadioButton>(*dialog, "1016")->setChecked(true);
    Find<QPushButton>(*dialog, "1")->click();
    EXPECT_TRUE(prompter.boxes.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(settings.RootFolder(), other);
    EXPECT_FALSE(settings.SkipSystemFolders());
    EXPECT_EQ(settings.DuplicateMode(), 1);
    EXPECT_FALSE(settings.DeepCheckBeforeDelete());
    EXPECT_FLOAT_EQ(settings.MinFileSizeMB(), 2.25f);
    EXPECT_FLOAT_EQ(settings.MinFolderSizeMB(), 50.0f);
    EXPECT_EQ(settings.MinPartialDuplicates(), 3);
    EXPECT_EQ(settings.LogLevel(), 0);
    EXPECT_EQ(rootChanged, 1);
}

TEST_F(ConfigurationDialogTest, ChecksRunInOrderAndKeepWhatWasStoredBefore) {
    std::string before = settings.RootFolder();
    auto dialog = Open();
    // 1: a folder that does not exist stops everything.
    Type(*dialog, "1002", home.Path() + "/missing");
    Find<QRadioButton>(*dialog, "1015")->setChecked(true);
    Type(*dialog, "1000", "-1");
    dialog->Accept();
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].caption, "Quillfen Software - information");
    EXPECT_EQ(prompter.boxes[0].icon, shared::BoxIcon::Error);
    EXPECT_EQ(prompter.boxes[0].text,
              "The folder specified does not exist. Please select an existing folder.");
    EXPECT_EQ(settings.RootFolder(), before);
    EXPECT_EQ(settings.DuplicateMode(), 0);
    // 3: the folder and the choices are stored before the size check fails.
    std::string other = home.Folder("new");
    Type(*dialog, "1002", other);
    dialog->Accept();
    EXPECT_EQ(settings.RootFolder(), other);
    EXPECT_EQ(settings.DuplicateMode(), 2);
    EXPECT_FLOAT_EQ(settings.MinFileSizeMB(), 1.0f);
    // 4: the file size is stored before the folder size check fails.
    Type(*dialog, "1000", "0.5");
    Type(*dialog, "1007", "-0.1");
    dialog->Accept();
    EXPECT_FLOAT_EQ(settings.MinFileSizeMB(), 0.5f);
    EXPECT_FLOAT_EQ(settings.MinFolderSizeMB(), 100.0f);
    // 5: both sizes are stored before the partial minimum is refused.
    Type(*dialog, "1007", "7");
    Type(*dialog, "1006", "1");
    dialog->Accept();
    EXPECT_FLOAT_EQ(settings.MinFolderSizeMB(), 7.0f);
    EXPECT_EQ(settings.MinPartialDuplicates(), 8);
    EXPECT_EQ(
        Messages(),
        (std::vector<std::string>{
            "The folder specified does not exist. Please select an existing folder.",
            "The minimum file size must be 0 or more", "The minimum folder size must be 0 or more",
            "Partial duplicate folders needs at least 2 duplicate files"}));
    EXPECT_EQ(rootChanged, 0);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    Type(*dialog, "1006", "2");
    dialog->Accept();
    EXPECT_EQ(settings.MinPartialDuplicates(), 2);
    EXPECT_EQ(rootChanged, 1);
}

TEST_F(ConfigurationDialogTest, AFileIsNotAFolder) {
    std::string file = home.Path() + "/plain.txt";
    testing::WriteFile(file, 10, 1);
    auto dialog = Open();
    Type(*dialog, "1002", file);
    dialog->Accept();
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_NE(settings.RootFolder(), file);
}

TEST_F(ConfigurationDialogTest, LettersReadAsZeroAndOnlyTheLeadingNumberCounts) {
    auto dialog = Open();
    Type(*dialog, "1000", "12abc");
    Type(*dialog, "1007", "lots");
    Type(*dialog, "1006", " 4.9 files");
    dialog->Accept();
    EXPECT_TRUE(prompter.boxes.empty());
    EXPECT_FLOAT_EQ(settings.MinFileSizeMB(), 12.0f);
    EXPECT_FLOAT_EQ(settings.MinFolderSizeMB(), 0.0f);
    EXPECT_EQ(settings.MinPartialDuplicates(), 4);
    // The boxes take nine characters, as many as are read.
    EXPECT_EQ(Find<QLineEdit>(*dialog, "1000")->maxLength(), 9);
}

TEST_F(ConfigurationDialogTest, LevelTwoIsKeptThoughItsButtonIsHidden) {
    settings.SetLogLevel(2);
    auto dialog = Open();
    for (const char* id : {"1016", "1017"})
        EXPECT_FALSE(Find<QRadioButton>(*dialog, id)->isChecked()) << id;
    dialog->Accept();
    EXPECT_EQ(settings.LogLevel(), 2);
}

TEST_F(ConfigurationDialogTest, CancelStoresNothing) {
    ScanSettings before = settings;
    auto dialog = Open();
    Type(*dialog, "1002", home.Folder("elsewhere"));
    Type(*dialog, "1006", "99");
    Find<QPushButton>(*dialog, "2")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(std::equal(settings.Data(), settings.Data() + ScanSettings::kSize, before.Data()));
}

TEST_F(ConfigurationDialogTest, HelpOpensTheHelpPage) {
    auto dialog = Open();
    Find<QPushButton>(*dialog, "7")->click();
    EXPECT_EQ(opener.addresses, std::vector<std::string>{shared::CairnlyHelpAddress()});
}

TEST_F(ConfigurationDialogTest, FoldersStartsAtTheDataFolderWhenTheBoxIsEmpty) {
    std::string picked = home.Folder("picked");
    std::string startedAt;
    shared::SetFolderDialogRunner([&](QFileDialog& dialog) {
        startedAt = dialog.property("quillfenStartFolder").toString().toStdString();
        dialog.setDirectory(QString::fromStdString(picked));
        dialog.selectFile(QString::fromStdString(picked));
        return true;
    });
    auto dialog = Open();
    Type(*dialog, "1002", "");
    Find<QPushButton>(*dialog, "1001")->click();
    shared::SetFolderDialogRunner({});
    EXPECT_EQ(startedAt, services.DataFolder());
    EXPECT_EQ(Find<QLineEdit>(*dialog, "1002")->text().toStdString(), picked);
}

TEST(AboutBoxTest, VersionLineAndLink) {
    TempHome home;
    FakePrompter prompter;
    FakeOpener opener;
    AboutBox about(prompter, opener);
    auto* version = about.findChild<QLabel*>(QStringLiteral("1052"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Quillfen Software Cairnly, Version 1.0.1003");
    auto* link = about.findChild<QLabel*>(QStringLiteral("1011"));
    ASSERT_NE(link, nullptr);
    emit link->linkActivated(QStringLiteral("home"));
    EXPECT_EQ(opener.addresses, std::vector<std::string>{shared::HomePageAddress()});
    opener.succeed = false;
    emit link->linkActivated(QStringLiteral("home"));
    ASSERT_EQ(prompter.boxes.size(), 1u);
    EXPECT_EQ(prompter.boxes[0].caption, "Cairnly");
    auto* ok = about.findChild<QPushButton*>(QStringLiteral("1"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
}

}  // namespace
}  // namespace cairnly
