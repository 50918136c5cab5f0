#pragma once
// The user's folders and the running program's own path.
#include <string>

namespace platform {

std::string HomeFolder();
// XDG user folders from $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Documents and ~/Pictures.
std::string DocumentsFolder();
std::string PicturesFolder();
std::string ExecutablePath();
std::string ExecutableFolder();

}  // namespace platform
