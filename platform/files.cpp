#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace platform {
namespace {

constexpr std::int64_t kUnixEpochInFileTimeSeconds = 11644473600LL;

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}
FaultHook& Hook() {
    static FaultHook hook;
    return hook;
}
std::atomic<bool> g_hookSet{false};

FileTime ToFileTime(const timespec& ts) { return FileTimeFromUnix(ts.tv_sec, ts.tv_nsec); }

timespec ToTimespec(FileTime t) {
    std::int64_t ticks = t - kUnixEpochInFileTimeSeconds * 10000000LL;
    std::int64_t sec = ticks / 10000000LL;
    std::int64_t rem = ticks % 10000000LL;
    if (rem < 0) rem += 10000000LL, --sec;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(sec);
    ts.tv_nsec = static_cast<long>(rem * 100);
    return ts;
}

DirEntry FromStat(std::string name, const struct stat& st) {
    DirEntry e;
    e.name = std::move(name);
    e.directory = S_ISDIR(st.st_mode);
    e.regularFile = S_ISREG(st.st_mode);
    e.reparsePoint = S_ISLNK(st.st_mode);
    e.system =
        S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode);
    e.readOnly = (st.st_mode & S_IWUSR) == 0;
    e.size = e.regularFile ? static_cast<std::uint64_t>(st.st_size) : 0;
    e.lastWrite = ToFileTime(st.st_mtim);
    e.lastAccess = ToFileTime(st.st_atim);
    e.lastChange = ToFileTime(st.st_ctim);
    e.writeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    e.changeNs = static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    e.device = static_cast<std::uint64_t>(st.st_dev);
    e.inode = static_cast<std::uint64_t>(st.st_ino);
    e.linkCount = static_cast<std::uint64_t>(st.st_nlink);
    return e;
}

struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Copies all bytes of in to out. Returns 0 or errno.
int CopyBytes(int in, int out) {
    static constexpr std::size_t kBlock = 1 << 20;
    std::unique_ptr<char[]> buffer(new char[kBlock]);
    for (;;) {
        ssize_t got = ReadAll(in, buffer.get(), kBlock);
        if (got < 0) return errno;
        if (int err = WriteAll(out, buffer.get(), static_cast<std::size_t>(got))) return err;
        if (static_cast<std::size_t>(got) < kBlock) return 0;
    }
}

std::string TempNameBeside(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    return target + ".~tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

// Writes a copy of the open source into a new file at path (which must not
// exist), with the source's mode and times. Removes the partial file on failure.
int WriteCopy(int in, const struct stat& st, const std::string& path) {
    Fd out(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.fd < 0) return errno;
    int err = CopyBytes(in, out.fd);
    if (err == 0 && ::fchmod(out.fd, st.st_mode & 07777) != 0) err = errno;
    timespec times[2] = {st.st_atim, st.st_mtim};
    if (err == 0 && ::futimens(out.fd, times) != 0) err = errno;
    // Closed on every path: an unlinked file kept open holds its disk space,
    // and a leaked descriptor per failure soon makes every later open fail.
    int closeErr = ::close(out.fd) == 0 ? 0 : errno;
    out.fd = -1;
    if (err == 0) err = closeErr;
    if (err != 0) ::unlink(path.c_str());
    return err;
}

}  // namespace

FileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds) {
    return (seconds + kUnixEpochInFileTimeSeconds) * 10000000LL + nanoseconds / 100;
}

std::int64_t UnixSecondsFromFileTime(FileTime time) { return ToTimespec(time).tv_sec; }

void SetFaultHook(FaultHook hook) {
    std::lock_guard<std::mutex> lock(HookMutex());
    Hook() = std::move(hook);
    g_hookSet = static_cast<bool>(Hook());
}

int InjectedFault(FileOp op, const std::string& path) {
    if (!g_hookSet) return 0;
    std::lock_guard<std::mutex> lock(HookMutex());
    return Hook() ? Hook()(op, path) : 0;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

namespace {

// ListFolder's loop; visit(DirEntry&) may take the entry's contents.
template <typename Visit>
int ListEntries(const std::string& folder, Visit visit) {
    if (int fault = InjectedFault(FileOp::List, folder)) return fault;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return errno;
    std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
    int dfd = ::dirfd(dir);
    for (;;) {
        // readdir returns null both at the end and on an error; only errno tells them apart.
        errno = 0;
        dirent* d = ::readdir(dir);
        if (!d) return errno;
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
        if (g_hookSet)
            if (int fault = InjectedFault(FileOp::ListEntry, JoinPath(folder, n))) return fault;
        struct stat st;
        if (::fstatat(dfd, n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished meanwhile
        DirEntry e = FromStat(n, st);
        if (e.reparsePoint) {
            struct stat target;
            e.directory = ::fstatat(dfd, n, &target, 0) == 0 && S_ISDIR(target.st_mode);
        }
        if (!visit(e)) return 0;
    }
}

}  // namespace

int ListFolder(const std::string& folder, const std::function<bool(const DirEntry&)>& visit) {
    return ListEntries(folder, [&visit](DirEntry& entry) { return visit(entry); });
}

int ReadFolder(const std::string& folder, std::vector<DirEntry>& entries) {
    entries.clear();
    return ListEntries(folder, [&entries](DirEntry& entry) {
        entries.push_back(std::move(entry));
        return true;
    });
}

std::optional<DirEntry> GetAttributes(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    std::string::size_type slash = path.find_last_of('/');
    DirEntry e = FromStat(slash == std::string::npos ? path : path.substr(slash + 1), st);
    if (e.reparsePoint) {
        struct stat target;
        e.directory = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    return e;
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

namespace {

// The system error numbers CopyFile reports for what open/read/write give here.
int CopyError(int err, bool aboutTarget) {
    switch (err) {
        case 0:
            return 0;
        case ENOENT:
            return aboutTarget ? kErrorPathNotFound : kErrorNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return kErrorAccessDenied;
        case EEXIST:
            return kErrorFileExists;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return kErrorDiskFull;
        default:
            return err;
    }
}

}  // namespace

int CopyFileTo(const std::string& source, const std::string& target, bool failIfExists) {
    if (int fault = InjectedFault(FileOp::Copy, target)) return fault;
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) return CopyError(errno, false);
    struct stat st;
    if (::fstat(in.fd, &st) != 0) return CopyError(errno, false);
    if (!S_ISREG(st.st_mode)) return kErrorAccessDenied;
    struct stat existing;
    bool exists = ::lstat(target.c_str(), &existing) == 0;
    if (exists && failIfExists) return kErrorFileExists;
    if (exists && (S_ISDIR(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0))
        return kErrorAccessDenied;
    if (exists && existing.st_dev == st.st_dev && existing.st_ino == st.st_ino)
        return kErrorAccessDenied;  // a file copied onto itself (the system refuses, file in use)
    if (!exists) return CopyError(WriteCopy(in.fd, st, target), true);
    std::string temp = TempNameBeside(target);
    if (int err = WriteCopy(in.fd, st, temp)) return CopyError(err, true);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        return CopyError(err, true);
    }
    return 0;
}

namespace {

// The run-time library's error numbers for a failed rename (2, 13, 17, ...).
int RuntimeError(int err) {
    switch (err) {
        case EPERM:
        case EBUSY:
        case ETXTBSY:
        case EROFS:
            return kErrorPermission;
        case ENOTEMPTY:
            return kErrorExists;
        default:
            return err;
    }
}

// Moves a regular file to another file system: copy (keeping mode and times)
// to the target, which must not exist, then remove the source.
int MoveByCopy(const std::string& source, const std::string& target) {
    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.fd < 0) return errno == ELOOP ? EXDEV : errno;
    struct stat st;
    if (::fstat(in.fd, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EXDEV;  // folders and links do not cross file systems
    if (int copyErr = WriteCopy(in.fd, st, target)) return copyErr;
    if (::unlink(source.c_str()) != 0) {
        int unlinkErr = errno;
        ::unlink(target.c_str());
        return unlinkErr;
    }
    return 0;
}

}  // namespace

int MoveNoReplace(const std::string& source, const std::string& target) {
    if (int fault = InjectedFault(FileOp::Move, source)) return fault;
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // File systems without RENAME_NOREPLACE: a hard link never replaces a file.
        if (::link(source.c_str(), target.c_str()) == 0) {
            if (::unlink(source.c_str()) == 0) return 0;
            err = errno;
            ::unlink(target.c_str());
            return RuntimeError(err);
        }
        err = errno;
        if (err == EPERM || err == EMLINK || err == ENOTSUP) {
            // Folders, or no hard links on this file system: check, then rename.
            struct stat st;
            if (::lstat(target.c_str(), &st) == 0) return kErrorExists;
            if (::rename(source.c_str(), target.c_str()) == 0) return 0;
            err = errno;
        }
    }
    if (err == EXDEV) return RuntimeError(MoveByCopy(source, target));
    return RuntimeError(err);
}

// Exposed for tests: the copy-and-remove path that a move across file systems takes.

int DeleteFile(const std::string& path) {
    if (int fault = InjectedFault(FileOp::Delete, path)) return fault;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return errno;
    // The run-time removal call refuses folders and read-only files with 13.
    if (S_ISDIR(st.st_mode)) return kErrorPermission;
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return kErrorPermission;
    if (::unlink(path.c_str()) != 0) return RuntimeError(errno == EISDIR ? EACCES : errno);
    return 0;
}

namespace {

constexpr std::size_t kCompareBlock = 1 << 18;

bool ReadFully(int fd, char* buffer, std::size_t size, off_t offset) {
    return ReadAllAt(fd, buffer, size, offset) == static_cast<ssize_t>(size);
}

}  // namespace

bool SameBytes(int a, int b, off_t size) {
    // Small files get small buffers: most duplicates are small.
    const auto buffer = static_cast<std::size_t>(std::min<off_t>(size, kCompareBlock));
    std::unique_ptr<char[]> first(new char[buffer]);
    std::unique_ptr<char[]> second(new char[buffer]);
    for (off_t offset = 0; offset < size;) {
        const auto block = static_cast<std::size_t>(std::min<off_t>(size - offset, kCompareBlock));
        if (!ReadFully(a, first.get(), block, offset) || !ReadFully(b, second.get(), block, offset))
            return false;
        if (std::memcmp(first.get(), second.get(), block) != 0) return false;
        offset += static_cast<off_t>(block);
    }
    return true;
}

bool SameContent(const std::string& a, const std::string& b) {
    Fd first(::open(a.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    Fd second(::open(b.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat sa, sb;
    if (first.fd < 0 || second.fd < 0 || ::fstat(first.fd, &sa) != 0 ||
        ::fstat(second.fd, &sb) != 0 || !S_ISREG(sa.st_mode) || !S_ISREG(sb.st_mode) ||
        sa.st_size != sb.st_size)
        return false;
    return SameBytes(first.fd, second.fd, sa.st_size);
}

bool IsAtOrBelow(const std::string& path, const std::string& folder) {
    struct stat target;
    if (::stat(folder.c_str(), &target) != 0) return false;
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), ::free);
    if (!resolved) return false;
    // Each ancestor of the real location, itself first, compared by identity:
    // links, "..", doubled separators and bind mounts cannot hide the folder.
    for (std::string level = resolved.get();;) {
        struct stat st;
        if (::stat(level.c_str(), &st) == 0 && st.st_dev == target.st_dev &&
            st.st_ino == target.st_ino)
            return true;
        std::string::size_type slash = level.find_last_of('/');
        if (slash == std::string::npos || level == "/") return false;
        level = slash == 0 ? "/" : level.substr(0, slash);
    }
}

int CreateFolder(const std::string& path) {
    if (int fault = InjectedFault(FileOp::CreateFolder, path)) return fault;
    return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

namespace {

// The folder above path ("" for a single relative name, "/" for a level below the root).
std::string FolderAbove(const std::string& path) {
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos) return "";
    std::string::size_type slash = path.find_last_of('/', end);
    if (slash == std::string::npos) return "";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int CreateFolders(const std::string& path) {
    // The level itself first: the parents are usually there already.
    int err = CreateFolder(path);
    if (err == ENOENT) {
        const std::string above = FolderAbove(path);
        if (!above.empty() && above != path) {
            if (int aboveErr = CreateFolders(above)) return aboveErr;
            err = CreateFolder(path);
        }
    }
    // Made meanwhile by someone else, or there all along.
    if (err == EEXIST && FolderExists(path)) return 0;
    return err;
}

int SetFileTimes(const std::string& path, FileTime access, FileTime write) {
    if (int fault = InjectedFault(FileOp::SetTimes, path)) return fault;
    timespec times[2] = {ToTimespec(access), ToTimespec(write)};
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0 ? 0 : errno;
}

}  // namespace platform

namespace platform {
namespace {

// The file a symbolic link names, or path itself when it is no link or the
// link leads nowhere.
std::string LinkTarget(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), ::free);
    return resolved ? std::string(resolved.get()) : path;
}

int KeepModeAndOwner(int fd, const struct stat& original) {
    if (::fchmod(fd, original.st_mode & 07777) != 0) return errno;
    // Only root may hand the file to its owner; others keep their own files anyway.
    (void)!::fchown(fd, original.st_uid, original.st_gid);
    return 0;
}

}  // namespace

long ReadFilePrefix(const std::string& path, void* buffer, std::size_t maxBytes) {
    // Opening a FIFO for reading would wait for a writer for ever, and a
    // device may never answer: only a regular file is read.
    Fd in(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.fd < 0) return -1;
    struct stat st;
    if (::fstat(in.fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return ReadAll(in.fd, buffer, maxBytes);
}

namespace {

// Calls readSome(done) until size bytes are in, the end (0) or an error other
// than an interruption.
template <class ReadSome>
ssize_t ReadUntilFull(std::size_t size, ReadSome readSome) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t got = readSome(done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

}  // namespace

ssize_t ReadAll(int fd, void* buffer, std::size_t size) {
    char* bytes = static_cast<char*>(buffer);
    return ReadUntilFull(size,
                         [&](std::size_t done) { return ::read(fd, bytes + done, size - done); });
}

ssize_t ReadAllAt(int fd, void* buffer, std::size_t size, off_t offset) {
    char* bytes = static_cast<char*>(buffer);
    return ReadUntilFull(size, [&](std::size_t done) {
        return ::pread(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
    });
}

int WriteAll(int fd, const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < size;) {
        ssize_t put = ::write(fd, bytes + done, size - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return errno;
        if (put == 0) return kErrorDiskFull;
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

int WriteFileAtomically(const std::string& linkOrPath, const void* data, std::size_t size,
                        FileTimes times) {
    if (int fault = InjectedFault(FileOp::Write, linkOrPath)) return fault;
    // A symbolic link stays a link: the file it names is replaced.
    const std::string path = LinkTarget(linkOrPath);
    // A read-only file is not replaced (the platform's create-always refuses it),
    // a FIFO, socket, device or folder is never replaced by a file, and a
    // replaced file keeps its permission bits and owner.
    struct stat existing;
    bool exists = ::stat(path.c_str(), &existing) == 0;
    if (!exists && times == FileTimes::Kept) return errno;
    if (exists && !S_ISREG(existing.st_mode)) return kErrorAccessDenied;
    if (exists && (existing.st_mode & S_IWUSR) == 0) return kErrorAccessDenied;
    std::string temp = TempNameBeside(path);
    Fd out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (out.fd < 0) return errno;
    int err = WriteAll(out.fd, data, size);
    if (exists && err == 0) err = KeepModeAndOwner(out.fd, existing);
    // The modification time is often a photo's only date: it must not become now.
    const struct timespec kept[2] = {existing.st_atim, existing.st_mtim};
    if (times == FileTimes::Kept && err == 0 && ::futimens(out.fd, kept) != 0) err = errno;
    if (err == 0 && ::fsync(out.fd) != 0) err = errno;
    if (::close(out.fd) != 0 && err == 0) err = errno;
    out.fd = -1;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) ::unlink(temp.c_str());
    return err;
}

}  // namespace platform
