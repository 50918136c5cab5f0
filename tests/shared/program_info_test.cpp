// --help and --version, answered before a program starts anything else.
#include "shared/program_info.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using shared::InfoRequest;

InfoRequest Find(std::vector<const char*> args) {
    args.insert(args.begin(), "program");
    return shared::FindInfoRequest(static_cast<int>(args.size()), args.data());
}

TEST(ProgramInfo, TheFirstHelpOrVersionBeforeDoubleDashCounts) {
    EXPECT_EQ(Find({}), InfoRequest::None);
    EXPECT_EQ(Find({"-p", "/photos"}), InfoRequest::None);
    EXPECT_EQ(Find({"-h"}), InfoRequest::Help);
    EXPECT_EQ(Find({"/photos", "--help"}), InfoRequest::Help);
    EXPECT_EQ(Find({"--version", "--help"}), InfoRequest::Version);
    EXPECT_EQ(Find({"--help", "--version"}), InfoRequest::Help);
    // After "--" they are names, such as a folder called --help.
    EXPECT_EQ(Find({"--", "--help", "--version"}), InfoRequest::None);
    EXPECT_EQ(Find({"--helpful", "-help", "--version=1"}), InfoRequest::None);
}

TEST(ProgramInfo, AnswersWithHelpOrVersionAndStatusZeroElseLeavesTheRunToTheProgram) {
    const char* help[] = {"pictavo", "--help"};
    const char* version[] = {"pictavo", "--version"};
    const char* plain[] = {"pictavo", "/photos"};
    std::ostringstream out;
    EXPECT_EQ(shared::AnswerInfoRequest(2, help, "pictavo", "1.3.1001", "Usage: pictavo\n", out),
              0);
    EXPECT_EQ(out.str(), "Usage: pictavo\n");
    out.str("");
    EXPECT_EQ(shared::AnswerInfoRequest(2, version, "pictavo", "1.3.1001", "-", out), 0);
    // help2man reads the program and version from the first line.
    EXPECT_EQ(out.str(), "pictavo 1.3.1001\nWritten by Quillfen Software.\n");
    out.str("");
    EXPECT_FALSE(shared::AnswerInfoRequest(2, plain, "pictavo", "1.3.1001", "-", out));
    EXPECT_EQ(out.str(), "");
}

TEST(ProgramInfo, WindowsNeedADisplayOrANamedPlatform) {
    std::map<std::string, std::string> env;
    auto reader = [&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
    const char* bare[] = {"cairnly", "-p", "/photos"};
    const char* named[] = {"cairnly", "-platform", "offscreen"};
    EXPECT_FALSE(shared::CanShowWindows(3, bare, reader));
    EXPECT_TRUE(shared::CanShowWindows(3, named, reader));
    env["DISPLAY"] = "";
    EXPECT_FALSE(shared::CanShowWindows(3, bare, reader));
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env = {{name, "x"}};
        EXPECT_TRUE(shared::CanShowWindows(3, bare, reader)) << name;
    }
    EXPECT_EQ(shared::NoDisplayText("cairnly").rfind("cairnly: no display", 0), 0u);
}

}  // namespace
