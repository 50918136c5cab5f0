#include "cairnly/settings/command_line.h"

#include "platform/files.h"
#include "platform/text.h"

namespace cairnly {
namespace {

constexpr std::size_t kArgumentsLookedAt = 20;
constexpr std::size_t kFolderUnitsLimit = 560;

bool IsPhotoSwitch(const std::string& arg) {
    if (arg.size() < 2 || (arg[1] != 'P' && arg[1] != 'p')) return false;
    if (arg[0] == '-') return true;
    // "/proc" or "/Pictures" given as a folder is not the switch.
    return arg[0] == '/' && !platform::GetAttributes(arg).has_value();
}

bool IsAcceptableFolder(const std::string& folder) {
    return !folder.empty() && platform::IsValidUtf8(folder) &&
           platform::Utf16Length(folder) < kFolderUnitsLimit &&
           platform::GetAttributes(folder).has_value();
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    std::size_t last = std::min(args.size(), kArgumentsLookedAt);
    for (std::size_t i = 1; i < last; ++i) {
        if (!IsPhotoSwitch(args[i])) continue;
        result.photoMode = true;
        if (i + 1 < args.size() && IsAcceptableFolder(args[i + 1]))
            result.photoFolder = args[i + 1];
        return result;
    }
    for (std::size_t i = 1; i < last; ++i) {
        if (args[i].empty() || args[i][0] == '-') continue;
        if (IsAcceptableFolder(args[i]) && platform::FolderExists(args[i]))
            result.startFolder = args[i];
        else
            result.unusableFolder = args[i];
        break;
    }
    return result;
}

}  // namespace cairnly
