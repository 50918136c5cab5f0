#include "pictavo/export/export_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/pictavo/export/export_fixtures.h"
#include "tests/platform/test_files.h"

namespace pictavo {
namespace {

using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace pictavo::testing;

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

TEST(ExportCommandLineTest, ReadsEveryOptionAndRejectsMistakes) {
    std::string error;
    std::optional<ExportCommandLine> line =
        ParseExportCommandLine({"--to", "/d", "--from", "/p", "--rated", "--layout", "flat",
                                "--keep-dates", "--delete-originals", "--yes"},
                               error);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->to, "/d");
    EXPECT_EQ(line->from, "/p");
    EXPECT_EQ(line->selection, kExportRated);
    EXPECT_EQ(line->layout, kSingleFolder);
    EXPECT_EQ(line->setFileDates, false);
    EXPECT_TRUE(line->deleteOriginals);
    EXPECT_TRUE(line->yes);

    EXPECT_FALSE(ParseExportCommandLine({"--from", "/p"}, error));
    EXPECT_EQ(error, "--to is required");
    EXPECT_FALSE(ParseExportCommandLine({"--to", "/d", "--layout", "monthly"}, error));
    EXPECT_THAT(error, HasSubstr("monthly"));
    EXPECT_FALSE(ParseExportCommandLine({"--to"}, error));
    EXPECT_FALSE(ParseExportCommandLine({"--to", "/d", "--fast"}, error));
    EXPECT_FALSE(ParseExportCommandLine({"--to=", "/d"}, error));
    EXPECT_FALSE(ParseExportCommandLine({"--to", "/d", "--yes=no"}, error));
    EXPECT_EQ(error, "option --yes takes no value");
    EXPECT_FALSE(ParseExportCommandLine({"--to", "/d", "--", "extra"}, error));
}

TEST(ExportCommandLineTest, ValuesFollowTheOptionOrAnEqualsSignAndDoubleDashEndsTheOptions) {
    std::string error;
    std::optional<ExportCommandLine> line = ParseExportCommandLine(
        {"--to=/d=x", "--from=-photos", "--layout=yearly", "--dry-run", "--quiet", "--"}, error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->to, "/d=x");
    EXPECT_EQ(line->from, "-photos");
    EXPECT_EQ(line->layout, kYearlyFolders);
    EXPECT_TRUE(line->dryRun);
    EXPECT_TRUE(line->quiet);
    EXPECT_FALSE(ParseExportCommandLine({"--to", "/d", "--layout=daily"}, error));
    EXPECT_THAT(error, HasSubstr("daily"));
}

TEST(ExportCommandLineTest, OptionsComeFromTheSettingsUnlessGivenButDeletingNeverDoes) {
    SettingsRecord settings;
    settings.setPhotoFolder("/photos");
    settings.setExportLayout(kYearlyFolders);
    settings.setExportSelection(kExportRated);
    settings.setSetFileDates(true);
    settings.setDeleteOriginals(true);
    std::string error;
    ExportOptions options =
        CommandOptions(*ParseExportCommandLine({"--to", "/backup/"}, error), settings);
    EXPECT_EQ(options.photoFolder, "/photos");
    EXPECT_EQ(options.exportFolder, "/backup");
    EXPECT_EQ(options.layout, kYearlyFolders);
    EXPECT_EQ(options.selection, kExportRated);
    EXPECT_TRUE(options.setFileDates);
    EXPECT_FALSE(options.deleteOriginals);

    options = CommandOptions(
        *ParseExportCommandLine({"--to", "/b", "--all", "--layout", "keep", "--keep-dates"}, error),
        settings);
    EXPECT_EQ(options.layout, kKeepLayout);
    EXPECT_EQ(options.selection, kExportAll);
    EXPECT_FALSE(options.setFileDates);
}

// Runs the installed program with HOME pointing into the fixture.
class ExportProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeFolders(photos);
        MakeFolders(dest);
        WriteJpeg(photos + "/a.jpg", 1);
        MakeFolders(photos + "/sub");
        WriteJpeg(photos + "/sub/b.jpg", 2);
    }

    int RunProgram(const std::vector<std::string>& args, const std::string& folder = ".") {
        std::string command =
            "cd " + ShellQuote(folder) + " && " + ShellQuote(PICTAVO_EXPORT_PROGRAM);
        for (const std::string& arg : args) command += " " + ShellQuote(arg);
        command += " >" + home.Path("out.txt") + " 2>" + home.Path("err.txt");
        int status = std::system(command.c_str());
        out = ReadAll(home.Path("out.txt"));
        err = ReadAll(home.Path("err.txt"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempHome home;
    std::string photos = home.Path("photos");
    std::string dest = home.Path("dest");
    std::string out, err;
};

TEST_F(ExportProgramTest, RefusedDestinationsExitWithTwoAndAOneLineReason) {
    EXPECT_EQ(RunProgram({"--from", photos, "--to", home.Path("missing")}), 2);
    EXPECT_EQ(err,
              "pictavo-export: The destination folder specified does not exist. Please select "
              "an existing folder.\n");
    EXPECT_EQ(RunProgram({"--from", photos, "--to", photos + "/sub"}), 2);
    EXPECT_THAT(err, HasSubstr("existing photo library: " + photos + "/sub"));
    EXPECT_EQ(RunProgram({"--from", photos, "--to", "/"}), 2);
    EXPECT_THAT(err, HasSubstr("--yes"));
    // The library by other names: a link, a doubled separator, a relative path.
    ASSERT_EQ(::symlink(photos.c_str(), home.Path("alias").c_str()), 0);
    for (const std::string& other : {home.Path("alias/sub"), home.Root() + "//photos"}) {
        EXPECT_EQ(RunProgram({"--from", photos, "--to", other}), 2) << other;
        EXPECT_THAT(err, HasSubstr("existing photo library: ")) << other;
    }
    EXPECT_EQ(RunProgram({"--from", photos, "--to", "sub"}, photos), 2);
    EXPECT_THAT(err, HasSubstr("existing photo library: " + photos + "/sub"));
    EXPECT_EQ(RunProgram({"--from", ".", "--to", "../dest/../photos"}, photos), 2);
    EXPECT_THAT(err, HasSubstr("existing photo library: " + photos));
    EXPECT_EQ(RunProgram({"--from", home.Path("nothing"), "--to", dest}), 2);
    EXPECT_EQ(RunProgram({"--to"}), 2);
    EXPECT_THAT(err, HasSubstr("Usage: pictavo-export"));
    EXPECT_TRUE(FilesBelow(dest).empty());
}

TEST_F(ExportProgramTest, ACleanExportExitsWithZeroAndPrintsTheClosingText) {
    EXPECT_EQ(RunProgram({"--from", photos, "--to", dest + "/", "--layout", "keep"}), 0);
    EXPECT_THAT(FilesBelow(dest), ElementsAre("a.jpg", "sub/b.jpg"));
    EXPECT_EQ(out, "Export Complete: Exported 2 images successfully\n");
    // Relative folders are taken from the working folder.
    std::filesystem::remove_all(dest);
    MakeFolders(dest);
    EXPECT_EQ(RunProgram({"--from", "photos", "--to", "dest", "--layout", "flat"}, home.Root()), 0);
    EXPECT_THAT(FilesBelow(dest), ElementsAre("a.jpg", "b.jpg"));
}

TEST_F(ExportProgramTest, TheLibraryIsNeverGuessedNorTheWholeFileSystemTakenUnasked) {
    // A fresh home: no settings file, no Pictures folder.
    EXPECT_EQ(RunProgram({"--to", "dest"}, home.Root()), 2);
    EXPECT_THAT(err, HasSubstr("give --from FOLDER"));
    MakeFolders(home.Path("Pictures"));
    WriteJpeg(home.Path("Pictures/p.jpg"));
    EXPECT_EQ(RunProgram({"--to", dest}), 2);  // still only a guess
    shared::DesktopServices services("Pictavo", [] { return 1; });
    SettingsStore store(services);
    SettingsRecord settings;
    store.SetDefaults(settings);
    settings.setPhotoFolder("/");
    ASSERT_TRUE(store.Save(settings));
    EXPECT_EQ(RunProgram({"--to", dest}), 2);
    EXPECT_THAT(err, HasSubstr("give --from / to export it"));
    // Named, the root is the library, and every destination lies inside it.
    EXPECT_EQ(RunProgram({"--from", "/", "--to", dest}), 2);
    EXPECT_THAT(err, HasSubstr("existing photo library: " + dest));
    EXPECT_TRUE(FilesBelow(dest).empty());
}

TEST_F(ExportProgramTest, AFifoInPlaceOfTheSettingsFileIsTakenAsNoSettingsFile) {
    shared::DesktopServices services("Pictavo", [] { return 1; });
    SettingsStore store(services);
    services.DataFolder();
    ASSERT_EQ(::mkfifo(store.FilePath().c_str(), 0600), 0);
    int status = -1;
    EXPECT_TRUE(testing_support::ReturnsWithoutWaitingOnFifo(store.FilePath(), [&] {
        status = RunProgram({"--from", photos, "--to", dest});
    }));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(FilesBelow(dest).size(), 2u);
    EXPECT_TRUE(S_ISFIFO(testing_support::StatOf(store.FilePath()).st_mode));
}

// Every file below the folders with its bytes and times.
std::map<std::string, std::string> TreeState(const std::vector<std::string>& folders) {
    std::map<std::string, std::string> state;
    for (const std::string& folder : folders) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            std::string path = entry.path().string();
            state[path] = std::to_string(WriteTimeOf(path)) + ":" +
                          (entry.is_regular_file() ? ReadAll(path) : "folder");
        }
    }
    return state;
}

TEST_F(ExportProgramTest, ADryRunListsEveryStepAndChangesNothing) {
    WriteJpeg(dest + "/a.jpg", 3);
    MakeFolders(photos + "/more");
    WriteJpeg(photos + "/more/a.jpg", 4);
    auto before = TreeState({photos, dest});
    EXPECT_EQ(RunProgram({"--from", photos, "--to", dest, "--layout=flat", "--delete-originals",
                          "--dry-run"}),
              1);
    EXPECT_EQ(TreeState({photos, dest}), before);
    EXPECT_FALSE(platform::FolderExists(home.Path("Documents/Quillfen/Pictavo/Logs")));
    // Deleting originals, the old copy of another photo is kept: neither a.jpg is copied.
    for (const std::string& source : {photos + "/a.jpg", photos + "/more/a.jpg"})
        EXPECT_THAT(out, HasSubstr("not copied: " + source + " -> " + dest +
                                   "/a.jpg (a file of that name stays)\n"));
    EXPECT_THAT(out, HasSubstr("copy: " + photos + "/sub/b.jpg -> " + dest +
                               "/b.jpg\ndelete: " + photos + "/sub/b.jpg\n"));
    EXPECT_THAT(out, HasSubstr("Dry run, nothing was changed: 1 images would be exported, 0 files "
                               "overwritten, 1 originals deleted, 2 copy errors\n"));
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 5) << out;
    // Without deleting, whichever a.jpg comes first replaces the old copy; the
    // second would meet the copy this export made of the first.
    EXPECT_EQ(RunProgram({"--from", photos, "--to", dest, "--layout=flat", "--dry-run"}), 1);
    EXPECT_THAT(out,
                ContainsRegex("overwrite: " + photos + "(/more)?/a.jpg -> " + dest + "/a.jpg\n"));
    EXPECT_THAT(out, ContainsRegex("not copied: " + photos + "(/more)?/a.jpg -> " + dest +
                                   "/a.jpg \\(a file of that name stays\\)\n"));
    // An identical file already there counts as the copy, and its original may go.
    WriteJpeg(dest + "/b.jpg", 2);
    EXPECT_EQ(RunProgram({"--from", photos, "--to", dest, "--layout=flat", "--delete-originals",
                          "--dry-run"}),
              1);
    EXPECT_THAT(out, HasSubstr("already there: " + photos + "/sub/b.jpg -> " + dest +
                               "/b.jpg\ndelete: " + photos + "/sub/b.jpg\n"));
    before = TreeState({photos, dest});

    EXPECT_EQ(RunProgram({"--from", photos, "--to", dest, "--layout", "keep", "--dry-run"}), 0);
    EXPECT_EQ(TreeState({photos, dest}), before);
    EXPECT_THAT(out, HasSubstr("copy: " + photos + "/more/a.jpg -> " + dest + "/more/a.jpg\n"));
    EXPECT_EQ(out.find("delete"), std::string::npos);
}

TEST_F(ExportProgramTest, CopyErrorsExitWithOne) {
    WriteJpeg(dest + "/a.jpg", 3);
    ::chmod((dest + "/a.jpg").c_str(), 0444);
    EXPECT_EQ(
        RunProgram({"--from", photos, "--to", dest, "--layout", "flat", "--delete-originals"}), 1);
    EXPECT_THAT(out, HasSubstr("Export Complete: Exported 1 images successfully. 1 copy errors."));
    EXPECT_TRUE(platform::FileExists(photos + "/a.jpg"));
    EXPECT_FALSE(platform::FileExists(photos + "/sub/b.jpg"));
}

TEST_F(ExportProgramTest, TheSettingsFileGivesTheDefaultsAndIsNeverChanged) {
    shared::DesktopServices services("Pictavo", [] { return 1; });
    SettingsStore store(services);
    SettingsRecord settings;
    store.SetDefaults(settings);
    settings.setPhotoFolder(photos);
    settings.setExportLayout(kYearlyFolders);
    settings.setDeleteOriginals(true);
    ASSERT_TRUE(store.Save(settings));
    TagPhoto(photos + "/a.jpg", "2015:07:04 10:20:30");
    TagPhoto(photos + "/sub/b.jpg", "2016:07:04 10:20:30");
    std::string before = ReadAll(store.FilePath());

    EXPECT_EQ(RunProgram({"--to", dest}), 0);

    EXPECT_THAT(FilesBelow(dest), ElementsAre("2015/a.jpg", "2016/b.jpg"));
    EXPECT_TRUE(platform::FileExists(photos + "/a.jpg"));  // deleting must be asked for
    EXPECT_EQ(ReadAll(store.FilePath()), before);
}

}  // namespace
}  // namespace pictavo
