// Starting Cairnly on the photo folder.
#include "pictavo/cull/cairnly_launch.h"

#include <gtest/gtest.h>

#include "platform/process.h"
#include "tests/shared/fakes.h"
#include "tests/shared/temp_home.h"

namespace pictavo {
namespace {

using testing_support::FakePrompter;

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

}  // namespace
}  // namespace pictavo
