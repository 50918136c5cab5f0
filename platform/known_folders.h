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
// A folder as the user typed it: "~" and "~/..." start at the home folder and a
// relative path is taken from the current folder, so a stored folder never
// depends on where the program runs later. Empty stays empty.
std::string ResolveTypedFolder(std::string folder);

}  // namespace platform
