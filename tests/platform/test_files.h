#pragma once
// Small file helpers for tests (byte-string paths, no conversions).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace testing_support {

inline bool WriteBytes(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

inline std::string ReadBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::string("<missing>");
    std::string out;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return out;
}

inline bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

inline struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st;
}

// Sets access and modification times to whole seconds plus nanoseconds.
inline void SetTimes(const std::string& path, time_t atimeSec, time_t mtimeSec, long nsec = 0) {
    timespec times[2] = {{atimeSec, nsec}, {mtimeSec, nsec}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace testing_support
