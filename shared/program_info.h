#pragma once
// --help and --version for every program. They are answered before anything
// else starts, so the window programs answer them without a display (help2man
// runs them at build time to make the manual pages).
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "shared/version.h"

namespace shared {

enum class InfoRequest { None, Help, Version };

// The first of -h, --help and --version among argv[1..], up to a "--" that
// ends the options (after it, "--help" is an ordinary argument).
InfoRequest FindInfoRequest(int argc, const char* const* argv);

// "pictavo 1.3.1001" and the maker: the form help2man and packagers read.
std::string VersionText(std::string_view program, std::string_view version);

// Prints the help or the version when argv asks for one and returns the exit
// status (0); returns nothing when argv asks for neither.
std::optional<int> AnswerInfoRequest(int argc, const char* const* argv, std::string_view program,
                                     std::string_view version, std::string_view help,
                                     std::ostream& out);

// Whether Qt has somewhere to show windows: DISPLAY or WAYLAND_DISPLAY is set,
// or a platform is named by QT_QPA_PLATFORM or a -platform argument. Without
// one Qt aborts with a message about reinstalling, so the programs say why.
using EnvironmentReader = std::function<const char*(const char*)>;
bool CanShowWindows(int argc, const char* const* argv, const EnvironmentReader& environment);
std::string NoDisplayText(std::string_view program);

// What a window program does before it starts Qt: answers --help and --version,
// and refuses (status 1, the reason on stderr) when there is no display.
// Returns the exit status when the program should end now.
std::optional<int> AnswerBeforeWindows(int argc, const char* const* argv, std::string_view program,
                                       std::string_view version, std::string_view help);

}  // namespace shared
