#include "shared/program_info.h"

#include <cstdlib>
#include <iostream>

namespace shared {

InfoRequest FindInfoRequest(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") return InfoRequest::Help;
        if (arg == "--version") return InfoRequest::Version;
    }
    return InfoRequest::None;
}

std::string VersionText(std::string_view program, std::string_view version) {
    return std::string(program) + " " + std::string(version) + "\nWritten by Quillfen Software.\n";
}

std::optional<int> AnswerInfoRequest(int argc, const char* const* argv, std::string_view program,
                                     std::string_view version, std::string_view help,
                                     std::ostream& out) {
    switch (FindInfoRequest(argc, argv)) {
        case InfoRequest::Help:
            out << help;
            break;
        case InfoRequest::Version:
            out << VersionText(program, version);
            break;
        case InfoRequest::None:
            return std::nullopt;
    }
    out.flush();
    return 0;
}

bool CanShowWindows(int argc, const char* const* argv, const EnvironmentReader& environment) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = environment(name);
        if (value && *value) return true;
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=") ||
            arg.starts_with("--platform="))
            return true;
    }
    return false;
}

std::string NoDisplayText(std::string_view program) {
    std::string name(program);
    return name +
           ": no display to show the window on (DISPLAY and WAYLAND_DISPLAY are not set).\n"
           "Start it from a desktop session, or under xvfb-run; '" +
           name + " --help' describes it.\n";
}

std::optional<int> AnswerBeforeWindows(int argc, const char* const* argv, std::string_view program,
                                       std::string_view version, std::string_view help) {
    if (auto status = AnswerInfoRequest(argc, argv, program, version, help, std::cout))
        return status;
    if (CanShowWindows(argc, argv, std::getenv)) return std::nullopt;
    std::cerr << NoDisplayText(program);
    return 1;
}

}  // namespace shared
