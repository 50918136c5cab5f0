#pragma once
// A second file system for tests: a small tmpfs mounted on a folder when the
// test may mount (root in a container that allows it), else nothing.
#include <sys/mount.h>
#include <sys/stat.h>

#include <string>

namespace testing_support {

class ScratchMount {
  public:
    // Mounts a tmpfs of sizeBytes at folder (which must exist). Mounted() tells
    // whether it worked; the destructor unmounts it.
    ScratchMount(const std::string& folder, std::size_t sizeBytes, bool readOnly = false)
        : folder_(folder) {
        std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0777";
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0,
                           options.c_str()) == 0;
    }
    ~ScratchMount() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool Mounted() const { return mounted_; }
    // Makes the mounted file system read-only (or writable again).
    bool Remount(bool readOnly) {
        return mounted_ && ::mount("tmpfs", folder_.c_str(), "tmpfs",
                                   MS_REMOUNT | (readOnly ? MS_RDONLY : 0), nullptr) == 0;
    }

  private:
    std::string folder_;
    bool mounted_ = false;
};

inline bool SameFileSystem(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

}  // namespace testing_support
