#include "platform/recorded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace platform {
namespace {

FileIdentity IdentityOf(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

FileTime WriteTimeOf(const struct stat& st) {
    return FileTimeFromUnix(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

// An errno value of the lookup, with the cases that mean "not the walked
// folders any more" (a link or a non-folder on the way) as kChanged.
int LookupError(int err) {
    if (err == ELOOP || err == ENOTDIR) return RecordedFileOnDisk::kChanged;
    return err;
}

// The part of folder below root ("" for root itself); false when folder is
// not root or below it.
bool RelativeToRoot(const std::string& root, const std::string& folder, std::string& relative) {
    if (folder == root) {
        relative.clear();
        return true;
    }
    if (root.empty() || folder.compare(0, root.size(), root) != 0) return false;
    if (root.back() == '/') {
        relative = folder.substr(root.size());
        return true;
    }
    if (folder.size() <= root.size() || folder[root.size()] != '/') return false;
    relative = folder.substr(root.size() + 1);
    return true;
}

// Opens the root (links followed, as the walk did) and checks it is the
// walked folder; returns an O_PATH descriptor, or -1 with error set.
int OpenRoot(const RecordedFile& file, int& error) {
    int fd = ::open(file.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = LookupError(errno);
        return -1;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) ||
        (file.rootIdentity.Known() && !(IdentityOf(st) == file.rootIdentity))) {
        ::close(fd);
        error = RecordedFileOnDisk::kChanged;
        return -1;
    }
    return fd;
}

// Goes down one folder without following a link; closes parent.
int OpenChildFolder(int parent, const std::string& name, int& error) {
    int fd = -1;
    if (name == "." || name == "..")
        error = RecordedFileOnDisk::kChanged;
    else
        fd = ::openat(parent, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && error == 0) error = LookupError(errno);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode))) {
        ::close(fd);
        fd = -1;
        error = RecordedFileOnDisk::kChanged;
    }
    ::close(parent);
    return fd;
}

// The file's folder reached from the root; a descriptor, or -1 with error set.
int OpenRecordedFolder(const RecordedFile& file, int& error) {
    error = 0;
    std::string relative;
    if (!RelativeToRoot(file.root, file.folder, relative)) {
        error = RecordedFileOnDisk::kChanged;
        return -1;
    }
    int fd = OpenRoot(file, error);
    std::size_t start = 0;
    while (fd >= 0 && start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        if (end > start) fd = OpenChildFolder(fd, relative.substr(start, end - start), error);
        start = end + 1;
    }
    return fd;
}

// The removal call's error numbers (13 where it refuses).
int RemovalError(int err) {
    switch (err) {
        case EPERM:
        case EBUSY:
        case ETXTBSY:
        case EROFS:
        case EISDIR:
            return kErrorPermission;
        default:
            return err;
    }
}

bool SameSizeAndTime(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

std::optional<FileIdentity> FolderIdentity(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return IdentityOf(st);
}

RecordedFileOnDisk::RecordedFileOnDisk(const RecordedFile& file) : file_(file) {
    int error = 0;
    folderFd_ = OpenRecordedFolder(file_, error);
    if (folderFd_ < 0) {
        status_ = sizeStatus_ = error;
        return;
    }
    Look();
}

RecordedFileOnDisk::~RecordedFileOnDisk() {
    if (fileFd_ >= 0) ::close(fileFd_);
    if (folderFd_ >= 0) ::close(folderFd_);
}

FileIdentity RecordedFileOnDisk::Identity() const { return {device_, inode_}; }

int RecordedFileOnDisk::Look() {
    struct stat st;
    if (file_.name.empty() || file_.name.find('/') != std::string::npos) {
        status_ = sizeStatus_ = kChanged;
    } else if (::fstatat(folderFd_, file_.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        status_ = sizeStatus_ = errno;
    } else if (!S_ISREG(st.st_mode) || st.st_size != file_.size) {
        status_ = sizeStatus_ = kChanged;
    } else {
        sizeStatus_ = 0;
        status_ = WriteTimeOf(st) == file_.lastWrite ? 0 : kChanged;
        device_ = IdentityOf(st).device;
        inode_ = IdentityOf(st).inode;
    }
    return status_;
}

bool RecordedFileOnDisk::OpenForReading() {
    if (sizeStatus_ != 0) return false;
    if (fileFd_ >= 0) return true;
    // Non-blocking, so a name that became a FIFO meanwhile cannot hang the open.
    fileFd_ =
        ::openat(folderFd_, file_.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fileFd_ < 0) return false;
    struct stat st;
    if (::fstat(fileFd_, &st) != 0 || !S_ISREG(st.st_mode) || !(IdentityOf(st) == Identity())) {
        ::close(fileFd_);
        fileFd_ = -1;
        sizeStatus_ = kChanged;
        if (status_ == 0) status_ = kChanged;
        return false;
    }
    return true;
}

bool RecordedFileOnDisk::SameContent(RecordedFileOnDisk& other) {
    if (!OpenForReading() || !other.OpenForReading()) return false;
    struct stat mine, theirs;
    if (::fstat(fileFd_, &mine) != 0 || ::fstat(other.fileFd_, &theirs) != 0) return false;
    if (mine.st_size != theirs.st_size) return false;
    // Two names of one file: removing one leaves the bytes only if another name stays.
    if (IdentityOf(mine) == IdentityOf(theirs)) return mine.st_nlink >= 2;
    if (!SameBytes(fileFd_, other.fileFd_, mine.st_size)) return false;
    // Bytes that changed while they were read prove nothing.
    struct stat mineAfter, theirsAfter;
    return ::fstat(fileFd_, &mineAfter) == 0 && ::fstat(other.fileFd_, &theirsAfter) == 0 &&
           SameSizeAndTime(mine, mineAfter) && SameSizeAndTime(theirs, theirsAfter);
}

int RecordedFileOnDisk::Remove() {
    const std::string path = JoinPath(file_.folder, file_.name);
    if (int fault = InjectedFault(FileOp::Delete, path)) return fault;
    if (status_ != 0) return status_;
    struct stat st;
    if (::fstatat(folderFd_, file_.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    if (!S_ISREG(st.st_mode) || !(IdentityOf(st) == Identity()) || st.st_size != file_.size ||
        WriteTimeOf(st) != file_.lastWrite)
        return kChanged;
    if ((st.st_mode & S_IWUSR) == 0) return kErrorPermission;
    if (::unlinkat(folderFd_, file_.name.c_str(), 0) != 0) return RemovalError(errno);
    return 0;
}

}  // namespace platform
