#include "platform/known_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <vector>

#include "platform/files.h"

namespace platform {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string ConfigHome() {
    std::string c = Env("XDG_CONFIG_HOME");
    return c.empty() ? HomeFolder() + "/.config" : c;
}

// Value of KEY="..." in user-dirs.dirs with $HOME expanded; empty when absent.
std::string UserDir(const std::string& key) {
    std::ifstream in(ConfigHome() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + "=", 0) != 0) continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = HomeFolder() + value.substr(5);
        if (value.empty() || value.front() != '/') return std::string();
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        return value;
    }
    return std::string();
}

std::string UserDirOr(const std::string& key, const char* fallbackName) {
    std::string dir = UserDir(key);
    return dir.empty() ? HomeFolder() + "/" + fallbackName : dir;
}

}  // namespace

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (passwd* pw = ::getpwuid(::getuid())) return pw->pw_dir;
    return "/";
}

std::string DocumentsFolder() { return UserDirOr("XDG_DOCUMENTS_DIR", "Documents"); }
std::string PicturesFolder() { return UserDirOr("XDG_PICTURES_DIR", "Pictures"); }

std::string ExecutablePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return std::string();
        if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableFolder() {
    std::string path = ExecutablePath();
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string ResolveTypedFolder(std::string folder) {
    if (folder == "~" || folder.rfind("~/", 0) == 0) folder = HomeFolder() + folder.substr(1);
    if (folder.empty() || folder[0] == '/') return folder;
    std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), ::free);
    if (!cwd) return folder;
    return JoinPath(cwd.get(), folder);
}

}  // namespace platform
