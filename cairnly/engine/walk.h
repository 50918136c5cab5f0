#pragma once
// The folder walk that fills FileTable and FolderTable, and the three sorts
// that order them afterwards. All run on the scan worker.
#include <cstdint>
#include <string>
#include <string_view>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"

namespace cairnly {

// What the walk knows of a folder from its parent's listing (the root has none).
struct WalkAttributes {
    bool reparsePoint = false;  // a symbolic link: never entered
    bool system = false;        // not a plain folder, or one of the kernel's virtual trees
};

// The photo-mode file test: the last extension is .jpg, .jpeg, .png or .bmp, any case.
bool IsImageName(std::string_view name);

// True when SkipSystemFolders excludes this folder: the kernel's virtual trees
// (/proc, /sys, /dev, /run and below) and the literal system-folder patterns.
bool IsSystemFolder(const std::string& path, const WalkAttributes& attributes);

// Walks path and below, appending records; returns the folder's TotalSize.
// From the top (depth 0) in the deep mode it also loads the digest cache and
// leaves it answering what it can on another core (see AnswerFromDigestCache
// and CairnlyState::DigestAnswers).
std::int64_t WalkFolder(CairnlyState& state, ScanView& view, const std::string& path,
                        const WalkAttributes& attributes, int depth);

// The folder a scan walks, as a full path: a relative folder is joined to the
// current folder (the shell's $PWD when it names the current folder, so links
// the user went through stay visible), dropping "." and empty components.
// Links are never followed: ".." removes the component before it only when
// that component is a real folder, not a symbolic link (where the kernel would
// go to the link target's parent); otherwise ".." is kept. An absolute folder
// is tidied the same way ("//sys" is "/sys"); an empty one is returned as is.
std::string AbsoluteFolderPath(const std::string& folder);

// Minimum file size in bytes: MB x 1,048,576 in single precision, truncated.
std::int64_t MinFileBytes(float minFileSizeMB);

void SortFoldersBySize(CairnlyState& state);
void SortFilesByFolder(CairnlyState& state);
void SortFilesBySize(CairnlyState& state);
// Copies FileTable's order and count into FolderFileTable (ClearResults frees
// the records in that order when it holds every one).
void CopyFilesToFolderTable(CairnlyState& state);

}  // namespace cairnly
