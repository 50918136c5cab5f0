#pragma once
// File system operations with the results the programs report to the user.
// Paths are byte strings and are passed to the kernel unchanged.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// 100-nanosecond intervals since 1601-01-01 UTC (the FILETIME scale).
using FileTime = std::int64_t;

// Error numbers the programs show. The errno values 2, 13 and 17 are the same
// numbers the programs report; the others follow the Windows codes.
constexpr int kErrorNotFound = 2;      // ENOENT / ERROR_FILE_NOT_FOUND
constexpr int kErrorPathNotFound = 3;  // ERROR_PATH_NOT_FOUND
constexpr int kErrorAccessDenied = 5;  // ERROR_ACCESS_DENIED (read-only file, permissions)
constexpr int kErrorPermission = 13;   // EACCES as the C runtime reports it
constexpr int kErrorExists = 17;       // EEXIST as the C runtime reports it
constexpr int kErrorFileExists = 80;   // ERROR_FILE_EXISTS: copy refused, target exists
constexpr int kErrorDiskFull = 112;    // ERROR_DISK_FULL

struct DirEntry {
    std::string name;
    bool directory = false;     // a folder, or a symbolic link to one
    bool regularFile = false;   // a regular file that is not a link
    bool readOnly = false;      // owner-write bit clear
    bool reparsePoint = false;  // symbolic link
    bool system = false;        // FIFO, socket or device
    std::uint64_t size = 0;
    FileTime lastWrite = 0;
    FileTime lastAccess = 0;
    FileTime lastChange = 0;   // status change (ctime)
    std::int64_t writeNs = 0;  // lastWrite and lastChange in nanoseconds since 1970
    std::int64_t changeNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t linkCount = 1;  // hard links to the inode
};

// Calls visit for each entry of folder except "." and "..", in the order the
// file system returns them, until visit returns false. Links are not followed
// except to tell whether a link names a folder. Returns 0 or an errno value:
// the folder could not be opened, or the listing failed part-way (the entries
// before the failure have been visited).
int ListFolder(const std::string& folder, const std::function<bool(const DirEntry&)>& visit);

// The whole listing of folder, read and closed before it returns, so that a
// walk descending into the entries holds no folder open: a tree deeper than
// the open-file limit is walked completely. Returns 0 or ListFolder's error;
// after a part-way failure entries holds what was read.
int ReadFolder(const std::string& folder, std::vector<DirEntry>& entries);

// Attributes of path itself (a link is described, not followed).
std::optional<DirEntry> GetAttributes(const std::string& path);
bool FolderExists(const std::string& path);  // follows links, as an existence check should
bool FileExists(const std::string& path);    // any non-folder entry

// Copies a regular file; the copy keeps the source's permission bits and
// access/write times. With failIfExists an existing target is refused with 80;
// otherwise a read-only target (owner-write bit clear) is refused with 5 and any
// other target is replaced atomically. Returns 0 or the system error number the
// Windows copy reports: 2 source missing, 3 target folder missing, 5 access
// denied (permissions, a folder, a read-only target), 80 target exists,
// 112 disk full; other failures give their errno value.
int CopyFileTo(const std::string& source, const std::string& target, bool failIfExists);

// Moves a file or folder; never replaces an existing target (17). Works across
// file systems for files (copy keeping times and mode, then remove the source;
// folders across file systems give 18, EXDEV). Returns 0 or the run-time
// library's error number: 2 missing source or target folder, 13 permission
// denied, 17 target exists (or another errno value).
int MoveNoReplace(const std::string& source, const std::string& target);

// Deletes a file as the run-time library's removal call does. Returns 0 or its
// error number: 2 missing, 13 a read-only file (owner-write bit clear), a
// folder, or permission denied (or another errno value).
int DeleteFile(const std::string& path);

// True when both are regular files of the same size and the same bytes;
// false when they differ or either cannot be read.
bool SameContent(const std::string& a, const std::string& b);
// Whether the first size bytes of two open files are equal (read with pread).
bool SameBytes(int a, int b, off_t size);

// True when path is folder itself or lies below it, comparing the real
// locations (device and inode of each ancestor of the resolved path), so no
// other spelling of the folder (links, "..", "//", relative paths) hides it.
// False when either does not exist.
bool IsAtOrBelow(const std::string& path, const std::string& folder);

// Creates one folder level. Returns 0, 17 when it exists, or an errno value.
int CreateFolder(const std::string& path);

// Creates path and the missing folders above it, as "mkdir -p" does: 0 when
// path is a folder afterwards (one that already existed, or a link to one,
// included), else the errno value of the level that failed (17 when path is
// a file, 20 when a file stands in for a folder above it, 2, 13, 28, ...).
int CreateFolders(const std::string& path);

// Sets access and write times (there is no settable creation time here).
int SetFileTimes(const std::string& path, FileTime access, FileTime write);

FileTime FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);
std::int64_t UnixSecondsFromFileTime(FileTime time);

// Test seam: when set, each mutating operation first asks the hook, which may
// return a non-zero error number to make the operation fail with it.
// List is asked when a folder is opened for listing, ListEntry with each entry's
// path before it is passed on (a failure there ends the listing part-way).
enum class FileOp { Copy, Move, Delete, CreateFolder, SetTimes, Write, List, ListEntry };
using FaultHook = std::function<int(FileOp op, const std::string& path)>;
void SetFaultHook(FaultHook hook);
int InjectedFault(FileOp op, const std::string& path);

// Joins a folder and a name with one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace platform

namespace platform {

// Reads up to maxBytes from the start of a regular file. Returns the byte
// count read, or -1 when it cannot be opened or read or is no regular file (a
// FIFO or device is never waited for).
long ReadFilePrefix(const std::string& path, void* buffer, std::size_t maxBytes);

// Reads until size bytes are in or the file ends, again after interruptions
// and short reads (pipes, terminals, network file systems). Returns the byte
// count, below size only at the end of the file, or -1 with errno set when a
// read fails.
ssize_t ReadAll(int fd, void* buffer, std::size_t size);
// The same from offset on, leaving the file position alone (pread).
ssize_t ReadAllAt(int fd, void* buffer, std::size_t size, off_t offset);

// Writes all bytes to the descriptor, again after interruptions. Returns 0 or
// an error number (112 for a write that stopped short without an errno).
int WriteAll(int fd, const void* data, std::size_t size);

// Renewed: a settings or journal file, created when missing, its times now.
// Kept: a photo changed in place; only an existing file is replaced, and it
// keeps its access and modification times.
enum class FileTimes { Renewed, Kept };

// Writes data to a temporary file beside path, flushes it to the disk and
// renames it over path, so the old file stays whole when the write fails
// (short write, full disk). A symbolic link is followed and the file it names
// replaced. A read-only file (owner-write bit clear), a FIFO, socket, device or
// folder is not replaced (5); a replaced file keeps its permission bits and,
// where the process may give it, its owner. Returns 0 or an error number (112
// for a write that stopped short without an errno).
int WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                        FileTimes times = FileTimes::Renewed);

}  // namespace platform
