// What the configuration dialog decides: the start line and the folder checks.
#include "pictavo/settings/configuration_rules.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/shared/fakes.h"
#include "tests/shared/temp_home.h"

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

}  // namespace
}  // namespace pictavo
