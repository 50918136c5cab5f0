// The command-line tools' option syntax and their progress line.
#include "shared/command_line.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "shared/terminal_progress.h"

namespace {

using Args = std::vector<std::string>;

// Records what a small tool with --name VALUE, --verbose and operands was given.
struct Tool {
    std::vector<std::string> seen;
    shared::OptionParser parser;
    Tool() {
        parser.Value("--name", [this](const std::string& v) {
            if (v == "bad") return std::string("bad name");
            seen.push_back("name=" + v);
            return std::string();
        });
        parser.Flag("--verbose", [this] {
            seen.push_back("verbose");
            return std::string();
        });
        parser.Flag("-v", [this] {
            seen.push_back("verbose");
            return std::string();
        });
        parser.Operand([this](const std::string& v) {
            seen.push_back("operand " + v);
            return std::string();
        });
    }
};

TEST(OptionParser, TakesValuesBothWaysAndKeepsTheOrderGiven) {
    Tool tool;
    EXPECT_EQ(tool.parser.Parse({"--name", "a", "one", "--name=b=c", "--verbose",
                                 "--name=", "--name", "--verbose", "-v", "-"}),
              "");
    EXPECT_EQ(tool.seen, (Args{"name=a", "operand one", "name=b=c", "verbose",
                               "name=", "name=--verbose", "verbose", "operand -"}));
}

TEST(OptionParser, DoubleDashEndsTheOptions) {
    Tool tool;
    EXPECT_EQ(tool.parser.Parse({"-v", "--", "--name", "-x", "--"}), "");
    EXPECT_EQ(tool.seen, (Args{"verbose", "operand --name", "operand -x", "operand --"}));
}

TEST(OptionParser, StopsAtTheFirstMistakeWithOneLineNamingIt) {
    const std::pair<Args, std::string> cases[] = {
        {{"--colour"}, "unknown option --colour"},
        {{"--colour=red"}, "unknown option --colour"},
        {{"-x"}, "unknown option -x"},
        {{"--verbose=yes"}, "option --verbose takes no value"},
        {{"one", "--name"}, "option --name needs a value"},
        {{"--name", "bad", "--colour"}, "bad name"},
    };
    for (const auto& [args, error] : cases) {
        Tool tool;
        EXPECT_EQ(tool.parser.Parse(args), error) << args[0];
    }
    shared::OptionParser noOperands;
    EXPECT_EQ(noOperands.Parse({"stray"}), "unexpected argument stray");
}

TEST(TerminalProgress, OnATerminalRewritesOneLineAndClearsItAtTheEnd) {
    std::ostringstream out;
    shared::TerminalProgress progress(out, shared::TerminalProgress::Mode::InPlace, 12,
                                      std::chrono::hours(1));
    progress.Show("Scanning 1");
    progress.Show("Scanning 2");  // the same phase within the interval: not drawn
    progress.Show("Sorting\tall photos now");
    progress.Finish();
    EXPECT_EQ(out.str(), "\rScanning 1\033[K\rSorting all\033[K\r\033[K");
    EXPECT_EQ(out.str().find('\n'), std::string::npos);
}

TEST(TerminalProgress, OffATerminalGivesEachNewTextALineOrNothing) {
    using Mode = shared::TerminalProgress::Mode;
    EXPECT_EQ(shared::TerminalProgress::ModeFor(false, true, Mode::Quiet), Mode::InPlace);
    EXPECT_EQ(shared::TerminalProgress::ModeFor(false, false, Mode::Lines), Mode::Lines);
    EXPECT_EQ(shared::TerminalProgress::ModeFor(true, true, Mode::Lines), Mode::Quiet);
    std::ostringstream lines, quiet;
    {
        shared::TerminalProgress a(lines, Mode::Lines, 5);
        shared::TerminalProgress b(quiet, Mode::Quiet, 5);
        for (const char* text : {"one long text", "one long text", "two"}) {
            a.Show(text);
            b.Show(text);
        }
    }
    EXPECT_EQ(lines.str(), "one long text\ntwo\n");
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
