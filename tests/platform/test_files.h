#pragma once
// Small file helpers for tests (byte-string paths, no conversions).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
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

// Runs body, which opens the FIFO at fifo, and tells whether it returned at
// once. A body stuck opening it is set free by opening the other end.
inline bool ReturnsWithoutWaitingOnFifo(const std::string& fifo,
                                        const std::function<void()>& body) {
    std::future<void> done = std::async(std::launch::async, body);
    if (done.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return true;
    do {
        // A writer that comes and goes: the waiting open returns and reads the end.
        int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) ::close(writer);
    } while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
    return false;
}

}  // namespace testing_support
