#pragma once
// A second file system for tests: a small tmpfs mounted on a folder when the
// test may mount (root in a container that allows it), else nothing; a full
// disk; a low open-file limit.
#include <dirent.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
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

// A folder whose writes fail as on a full disk once a file passes 64 KiB: a
// tiny tmpfs mounted there when the test may mount (ENOSPC), else a file-size
// limit on this process (EFBIG, which the copy reports as disk full as well).
// Write the test's own large files before making one.
class FullDisk {
  public:
    static constexpr std::size_t kRoom = 64 << 10;
    explicit FullDisk(const std::string& folder) : mount_(folder, kRoom) {
        if (mount_.Mounted()) return;
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit low = old_;
        low.rlim_cur = kRoom;
        limited_ = ::setrlimit(RLIMIT_FSIZE, &low) == 0;
        oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    }
    ~FullDisk() {
        if (limited_) ::setrlimit(RLIMIT_FSIZE, &old_);
        if (!mount_.Mounted()) ::signal(SIGXFSZ, oldHandler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;
    bool Ready() const { return mount_.Mounted() || limited_; }

  private:
    ScratchMount mount_;
    rlimit old_{};
    bool limited_ = false;
    sighandler_t oldHandler_ = SIG_DFL;
};

// The number of file descriptors this process has open.
inline int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (dirent* d = ::readdir(dir))
            if (d->d_name[0] != '.') ++count;
        ::closedir(dir);
        --count;  // the listing's own
    }
    return count;
}

// Lowers the open-file limit to what is open now plus room, for its lifetime.
class OpenFileLimit {
  public:
    explicit OpenFileLimit(int room) {
        ::getrlimit(RLIMIT_NOFILE, &old_);
        rlimit low = old_;
        low.rlim_cur = static_cast<rlim_t>(OpenDescriptorCount() + room);
        ::setrlimit(RLIMIT_NOFILE, &low);
    }
    ~OpenFileLimit() { ::setrlimit(RLIMIT_NOFILE, &old_); }
    OpenFileLimit(const OpenFileLimit&) = delete;
    OpenFileLimit& operator=(const OpenFileLimit&) = delete;

  private:
    rlimit old_{};
};

inline bool SameFileSystem(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

}  // namespace testing_support
