#include "pictavo/catalogue/photo_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/files.h"

namespace pictavo {
namespace {

using Bytes = std::vector<unsigned char>;

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool ReadRegularFile(const std::string& path, Bytes& data) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    data.clear();
    if (read) data.reserve(static_cast<std::size_t>(info.st_size));
    unsigned char buffer[1 << 16];
    while (read) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            read = got == 0;
            break;
        }
        data.insert(data.end(), buffer, buffer + got);
    }
    ::close(fd);
    return read;
}

int ReplaceFileKeepingMode(const std::string& path, const Bytes& data) {
    if (int fault = platform::InjectedFault(platform::FileOp::Write, path)) return fault;
    struct stat original {};
    if (::stat(path.c_str(), &original) != 0) return errno;
    // A hidden name without a photo extension, so no scan ever catalogues it.
    std::string temp = platform::JoinPath(FolderOf(path), ".pictavo-turn-XXXXXX");
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return errno;
    int error = 0;
    for (std::size_t done = 0; done < data.size() && error == 0;) {
        ssize_t put = ::write(fd, data.data() + done, data.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0)
            error = put < 0 ? errno : platform::kErrorDiskFull;
        else
            done += static_cast<std::size_t>(put);
    }
    if (error == 0 && ::fchmod(fd, original.st_mode & 07777) != 0) error = errno;
    // Only root may hand the file to its owner; others keep their own files anyway.
    if (error == 0) (void)!::fchown(fd, original.st_uid, original.st_gid);
    // The modification time is often a photo's only date: it must not become now.
    const struct timespec times[2] = {original.st_atim, original.st_mtim};
    if (error == 0 && ::futimens(fd, times) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(temp.c_str());
    return error;
}

}  // namespace pictavo
