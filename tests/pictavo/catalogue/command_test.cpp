// pictavo-catalogue: output in catalogue order, exit status, nothing changed on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "pictavo/catalogue/catalogue_command.h"
#include "pictavo/catalogue/size_text.h"
#include "shared/json_text.h"
#include "tests/pictavo/catalogue/photo_fixtures.h"
#include "tests/platform/test_files.h"
#include "tests/shared/temp_home.h"

namespace pictavo {
namespace {

using photo_fixtures::MakePhoto;
using photo_fixtures::Tags;
using photo_fixtures::TempFolder;

struct CommandRun {
    int status;
    std::string out, err;
};

CommandRun RunCommand(std::vector<std::string> args, bool onTerminal = false) {
    args.insert(args.begin(), "pictavo-catalogue");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    int status =
        RunCatalogueCommand(static_cast<int>(argv.size()), argv.data(), out, err, onTerminal);
    return {status, out.str(), err.str()};
}

// Every path below a folder with its size, write time and content.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string path = entry.path().string();
        auto st = testing_support::StatOf(path);
        files[path] = std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec) +
                      ":" + (entry.is_regular_file() ? testing_support::ReadBytes(path) : "");
    }
    return files;
}

class Command : public ::testing::Test {
  protected:
    void SetUp() override {
        photo_fixtures::ScopedTimeZone zone("UTC0");
        Tags beach;
        beach.dateTaken = "2015:06:30 23:59:59";
        beach.xmpRating = "5";
        beach.description = "Beach";
        beach.orientation = 6;
        ASSERT_TRUE(MakePhoto(dir / "beach.jpg", beach));
        ASSERT_TRUE(MakePhoto(dir / "caf\xe9.jpg", {}, 946684800));  // 2000-01-01, file date
        ASSERT_TRUE(testing_support::WriteBytes(dir / "notes.txt", "not a photo"));
    }
    testing_support::TempHome home;
    TempFolder dir;
};

TEST_F(Command, JsonListsThePhotosInCatalogueOrder) {
    photo_fixtures::ScopedTimeZone zone("UTC0");
    auto before = Snapshot(dir.Path());
    CommandRun run = RunCommand({dir.Path(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string& json = run.out;
    EXPECT_NE(json.find("{\"folder\": \"" + dir.Path() + "\", \"count\": 2, \"photos\": ["),
              std::string::npos);
    std::size_t first = json.find("\"position\": 0");
    std::size_t second = json.find("\"position\": 1");
    ASSERT_NE(second, std::string::npos);
    std::string cafe = json.substr(first, second - first);
    std::string beach = json.substr(second);
    EXPECT_NE(cafe.find("\"path\": \"" + dir.Path() + "/caf\xef\xbf\xbd.jpg\""), std::string::npos)
        << cafe;
    const std::string bytesKey = "\"path_bytes\": \"";
    std::size_t bytesAt = cafe.find(bytesKey);
    ASSERT_NE(bytesAt, std::string::npos) << cafe;
    bytesAt += bytesKey.size();
    std::string base64 = cafe.substr(bytesAt, cafe.find('"', bytesAt) - bytesAt);
    EXPECT_EQ(base64, shared::Base64(dir / "caf\xe9.jpg"));
    EXPECT_NE(cafe.find("\"photoTime\": \"2000-01-01 00:00:00\", \"dateTaken\": false, "
                        "\"dateTakenText\": \"\""),
              std::string::npos)
        << cafe;
    EXPECT_NE(cafe.find("\"orientation\": 0, \"rating\": \"\", \"description\": \"\""),
              std::string::npos);
    EXPECT_NE(
        beach.find(
            "\"path\": \"" + dir.Path() +
            "/beach.jpg\", \"photoTime\": \"2015-06-30 23:59:59\", "
            "\"dateTaken\": true, \"dateTakenText\": \"2015:06:30 23:59:59\", \"orientation\": 6, "
            "\"rating\": \"5\", \"description\": \"Beach\", \"size\": " +
            std::to_string(testing_support::StatOf(dir / "beach.jpg").st_size) + "}"),
        std::string::npos)
        << beach;
    EXPECT_EQ(beach.find("_bytes"), std::string::npos);
    EXPECT_EQ(Snapshot(dir.Path()), before);
    EXPECT_FALSE(std::filesystem::exists(home.Documents()));
}

TEST_F(Command, TextShowsOnePhotoALineAsTheCaptionWould) {
    photo_fixtures::ScopedTimeZone zone("UTC0");
    CommandRun run = RunCommand({dir.Path()});
    ASSERT_EQ(run.status, 0);
    std::int64_t size = testing_support::StatOf(dir / "beach.jpg").st_size;
    std::istringstream lines(run.out);
    std::string line1, line2, extra;
    std::getline(lines, line1);
    std::getline(lines, line2);
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_EQ(line1.substr(0, 49), "0\t2000/01/01  00:00:00 (file date)\t\torientation 0");
    EXPECT_EQ(line2,
              "1\t2015/06/30  23:59:59 (date taken)\t - Rating: 5 stars - Beach\torientation 6\t" +
                  SizeText(size) + "\t" + dir.Path() + "/beach.jpg");
}

TEST_F(Command, ARelativeFolderStillPrintsFullPaths) {
    std::string relative =
        std::filesystem::relative(dir.Path(), std::filesystem::current_path()).string();
    ASSERT_NE(relative.front(), '/');
    CommandRun run = RunCommand({relative, "--json"});
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("{\"folder\": \"" + dir.Path() + "\", "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"path\": \"" + dir.Path() + "/beach.jpg\""), std::string::npos);
}

TEST_F(Command, DoubleDashEndsTheOptionsAndATerminalSeesOneProgressLine) {
    CommandRun plain = RunCommand({dir.Path()});
    CommandRun run = RunCommand({"--", dir.Path()}, true);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, plain.out);
    EXPECT_EQ(plain.err, "");
    EXPECT_EQ(run.err.find('\n'), std::string::npos);
    EXPECT_EQ(run.err.front(), '\r');
    EXPECT_TRUE(run.err.ends_with("\r\033[K")) << run.err;
    EXPECT_EQ(RunCommand({"--quiet", dir.Path()}, true).err, "");

    run = RunCommand({"--json", "--", "--json"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "pictavo-catalogue: no such folder: --json\n");
}

TEST_F(Command, BadArgumentsExitWithStatusTwoAndOneLine) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--xml", dir.Path()},
                                               {"--json=yes", dir.Path()},
                                               {dir / "missing"},
                                               {dir.Path(), dir.Path()},
                                               {dir / "notes.txt"}}) {
        CommandRun run = RunCommand(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

}  // namespace
}  // namespace pictavo
