#pragma once
// A file that a folder walk recorded, reached again just before it is removed.
//
// The walk lists folders by path, following links only in the root it was
// given, and never enters a link below it. A folder swapped for a link (or a
// file swapped for a link, a folder or other content) between the walk and
// the removal must never make another file go. So a recorded file is reached
// from the root (checked by identity when the walk's root identity is known)
// down through every folder below it without following links, and is then
// looked at, compared and removed relative to its own folder.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"

namespace platform {

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool Known() const { return inode != 0; }
    bool operator==(const FileIdentity& other) const = default;
};

// The identity of the folder a listing of path reads (links followed).
std::optional<FileIdentity> FolderIdentity(const std::string& path);

// What a walk recorded of one regular file.
struct RecordedFile {
    std::string root;           // the folder the walk was given
    FileIdentity rootIdentity;  // that folder when the walk began; unknown = not checked
    std::string folder;         // root, or a folder below it
    std::string name;
    std::int64_t size = 0;
    FileTime lastWrite = 0;
};

// The file found on disk where the walk recorded it; not found or not the
// same is told by Status(). Closes what it opened.
class RecordedFileOnDisk {
  public:
    // Error number (other than the errno values) for a file that is no
    // longer what was recorded: its folders are not the walked ones, it is
    // a link, a folder or another kind of file, or its size or time changed.
    static constexpr int kChanged = -1;

    explicit RecordedFileOnDisk(const RecordedFile& file);
    ~RecordedFileOnDisk();
    RecordedFileOnDisk(const RecordedFileOnDisk&) = delete;
    RecordedFileOnDisk& operator=(const RecordedFileOnDisk&) = delete;

    // 0 when the path still names the recorded regular file with its recorded
    // size and last-write time; kChanged; or an errno value (2 when gone).
    int Status() const { return status_; }
    // 0 when it is still a regular file of the recorded size (whatever its
    // time), else as Status().
    int SizeStatus() const { return sizeStatus_; }
    FileIdentity Identity() const;

    // True when both files are found, are regular files of one size and hold
    // the same bytes now (read from disk, never from a cache).
    bool SameContent(RecordedFileOnDisk& other);

    // Removes the file, when it is still the one recorded and the one looked
    // at (the name was not pointed elsewhere since). A read-only file (owner
    // write bit clear) is refused with 13, as the run-time removal call does.
    // Returns 0, kChanged, or an error number like DeleteFile's.
    int Remove();

  private:
    int Look();
    bool OpenForReading();

    RecordedFile file_;
    int folderFd_ = -1;
    int fileFd_ = -1;
    int status_ = 0;
    int sizeStatus_ = 0;
    std::uint64_t device_ = 0, inode_ = 0;
};

}  // namespace platform
