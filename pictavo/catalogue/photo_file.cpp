#include "pictavo/catalogue/photo_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pictavo {

bool ReadRegularFile(const std::string& path, std::vector<unsigned char>& data) {
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

}  // namespace pictavo
