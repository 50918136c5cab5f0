// Cairnly's command line: the photo switch, its folder and a folder alone.
#include "cairnly/settings/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/shared/temp_home.h"

namespace cairnly {
namespace {

TEST(CommandLineTest, SwitchAndFolderRules) {
    testing_support::TempHome home;
    std::string folder = home.Path() + "/f";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(ParseCommandLine({"c", "x", "/Photos", folder}).photoMode);
    EXPECT_EQ(ParseCommandLine({"c", "x", "/Photos", folder}).photoFolder, folder);
    EXPECT_FALSE(ParseCommandLine({"c", "/X", folder}).photoMode);
    EXPECT_FALSE(ParseCommandLine({"c", "P", folder}).photoMode);
    EXPECT_FALSE(ParseCommandLine({"c", "/", folder}).photoMode);
    // A path is never the switch, and a folder alone is the folder to scan.
    CommandLine plain = ParseCommandLine({"c", "-x", "/proc"});
    EXPECT_FALSE(plain.photoMode);
    EXPECT_EQ(plain.startFolder, "/proc");
    EXPECT_EQ(ParseCommandLine({"c", folder + "/nothing"}).unusableFolder, folder + "/nothing");
    EXPECT_FALSE(ParseCommandLine({"c", folder + "/nothing"}).startFolder.has_value());
    EXPECT_FALSE(ParseCommandLine({"c", "/P", folder}).startFolder.has_value());
    CommandLine last = ParseCommandLine({"c", "/P"});
    EXPECT_TRUE(last.photoMode);
    EXPECT_FALSE(last.photoFolder.has_value());
    std::string longName = folder;
    for (char c : {'x', 'y', 'z'}) longName += "/" + std::string(200, c);
    std::filesystem::create_directories(longName);
    ASSERT_TRUE(ParseCommandLine({"c", "/P", folder + "/" + std::string(200, 'x')})
                    .photoFolder.has_value());
    EXPECT_FALSE(ParseCommandLine({"c", "/P", longName}).photoFolder.has_value());
    // Only the first twenty arguments are looked at for the switch.
    std::vector<std::string> args(20, "word");
    args.push_back("/P");
    args.push_back(folder);
    EXPECT_FALSE(ParseCommandLine(args).photoMode);
    args.erase(args.begin() + 1);
    EXPECT_TRUE(ParseCommandLine(args).photoMode);
}

}  // namespace
}  // namespace cairnly
