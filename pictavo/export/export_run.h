#pragma once
// One export: the walk of the photo folder and what happens to each image file.
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>

#include "pictavo/export/export_worker.h"
#include "platform/files.h"

namespace pictavo {

class ExportRun {
  public:
    using Report = std::function<void(const std::string&)>;
    using StopCheck = std::function<bool()>;

    ExportRun(const ExportOptions& options, ExportCounters& counters, StopCheck stopped,
              Report report, shared::DesktopServices& services);

    // Walks the photo folder; returns when done or after a stop request.
    void Run();

    // Makes Run change nothing (no folder, copy, date, deletion or log entry)
    // and tell plan each step it would take: "copy", "overwrite", "already
    // there" (the same bytes, kept when deleting originals) or "not copied"
    // with source and destination, and "delete" with the original.
    void PlanOnly(Report plan);

    // Creates the missing folder levels of path below the export folder.
    void MakeDestinationFolder(const std::string& path) const;

  private:
    struct DateTaken {
        PhotoTime time;
        bool valid = false;  // from the photo's metadata, not the file's write time
    };

    void Walk(const std::string& folder, bool reparsePoint);
    void ExportImage(const std::string& folder, const platform::DirEntry& entry);
    bool PassesRatingFilter(const std::string& source) const;
    DateTaken FindDateTaken(const std::string& source, const platform::DirEntry& entry) const;
    std::optional<std::string> DestinationFolder(const std::string& sourceFolder,
                                                 const DateTaken& date) const;
    bool CopyToDestination(const std::string& source, const std::string& destination);
    // With originals deleted, a file already at the destination is kept: the
    // copy counts as done when its bytes are the source's, else as an error.
    bool KeepExistingCopy(const std::string& source, const std::string& destination);
    bool IsIdenticalCopy(const std::string& source, const std::string& destination) const;
    void SetFileDates(const std::string& destination, const PhotoTime& taken) const;
    void DeleteOriginal(const std::string& source, const std::string& destination);
    void ShowProgress();
    bool IsExportFolder(const std::string& folder) const;
    // A photo of the library is never overwritten by the export of another.
    bool IsLibraryFile(const std::string& path) const;
    void CountCopyError(const std::string& source, const std::string& destination, int error);
    void Log(const std::string& text) const;
    bool PlanCopy(const std::string& source, const std::string& destination);
    void PlanDeletion(const std::string& source);

    ExportOptions options_;
    ExportCounters& counters_;
    StopCheck stopped_;
    Report report_;
    shared::DesktopServices& services_;
    Report plan_;  // set for a dry run
    // Every destination this export has written: a later photo of the same
    // name must never replace one of them.
    std::unordered_set<std::string> written_;
};

// folder + '/' + name, without doubling a trailing '/'; an empty folder (the
// root once its separator is removed) gives "/name".
std::string JoinExportPath(const std::string& folder, const std::string& name);

}  // namespace pictavo
