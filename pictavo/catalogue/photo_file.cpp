#include "pictavo/catalogue/photo_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace pictavo {

bool ReadRegularFile(const std::string& path, std::vector<unsigned char>& data) {
    // A FIFO put in a photo's place would make a plain open wait for a writer.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool read = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    data.clear();
    if (read) data.reserve(static_cast<std::size_t>(info.st_size));
    unsigned char buffer[1 << 16];
    // The size is only a hint: the file may grow or shrink while it is read.
    while (read) {
        ssize_t got = platform::ReadAll(fd, buffer, sizeof buffer);
        read = got >= 0;
        if (got > 0) data.insert(data.end(), buffer, buffer + got);
        if (got < static_cast<ssize_t>(sizeof buffer)) break;
    }
    ::close(fd);
    return read;
}

}  // namespace pictavo
