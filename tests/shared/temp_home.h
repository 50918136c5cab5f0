#pragma once
// A private, temporary HOME for one test: created in the constructor, HOME set
// to it (XDG_CONFIG_HOME unset, so Documents and Pictures are HOME/Documents
// and HOME/Pictures; XDG_CACHE_HOME unset, so caches go to HOME/.cache), everything removed and the
// old HOME restored afterwards. Usable by every suite: #include "tests/shared/temp_home.h".
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

class TempHome {
  public:
    TempHome() {
        if (const char* h = ::getenv("HOME")) oldHome_ = h;
        if (const char* x = ::getenv("XDG_CONFIG_HOME")) oldXdg_ = x;
        if (const char* c = ::getenv("XDG_CACHE_HOME")) oldCache_ = c;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "quillfen-home-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        path_ = made ? std::string(made) : std::string();
        ::setenv("HOME", path_.c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_CACHE_HOME");
    }
    ~TempHome() {
        std::error_code ec;
        // Make everything writable again so that read-only test folders go too.
        for (auto it = std::filesystem::recursive_directory_iterator(
                 path_, std::filesystem::directory_options::skip_permission_denied, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
        }
        ::chmod(path_.c_str(), 0700);
        std::filesystem::remove_all(path_, ec);
        if (oldHome_)
            ::setenv("HOME", oldHome_->c_str(), 1);
        else
            ::unsetenv("HOME");
        if (oldXdg_) ::setenv("XDG_CONFIG_HOME", oldXdg_->c_str(), 1);
        if (oldCache_) ::setenv("XDG_CACHE_HOME", oldCache_->c_str(), 1);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Path() const { return path_; }
    std::string Documents() const { return path_ + "/Documents"; }
    std::string Pictures() const { return path_ + "/Pictures"; }

  private:
    std::string path_;
    std::optional<std::string> oldHome_, oldXdg_, oldCache_;
};

}  // namespace testing_support
