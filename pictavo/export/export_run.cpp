#include "pictavo/export/export_run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "pictavo/catalogue/metadata.h"
#include "platform/clock.h"

namespace pictavo {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

// Puts the file's data on the disk, so an original is only ever deleted once
// its copy would survive a crash.
bool FlushToDisk(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool flushed = ::fsync(fd) == 0;
    return ::close(fd) == 0 && flushed;
}

std::vector<platform::DirEntry> ListEntries(const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    platform::ReadFolder(folder, entries);
    return entries;
}

}  // namespace

std::string JoinExportPath(const std::string& folder, const std::string& name) {
    return platform::JoinPath(folder.empty() ? "/" : folder, name);
}

ExportRun::ExportRun(const ExportOptions& options, ExportCounters& counters, StopCheck stopped,
                     Report report, shared::DesktopServices& services)
    : options_(options),
      counters_(counters),
      stopped_(std::move(stopped)),
      report_(std::move(report)),
      services_(services) {}

void ExportRun::Run() { Walk(options_.photoFolder, false); }

void ExportRun::PlanOnly(Report plan) { plan_ = std::move(plan); }

void ExportRun::Walk(const std::string& folder, bool reparsePoint) {
    if (reparsePoint || stopped_()) return;
    // Never export the export folder into itself (it may be reached by a link).
    if (IsExportFolder(folder)) return;
    // The listing is taken first, so no folder stays open during the descent
    // and files this export creates are never walked.
    for (const platform::DirEntry& entry : ListEntries(folder)) {
        std::string path = JoinExportPath(folder, entry.name);
        if (entry.directory) {
            if (entry.name[0] != '.') Walk(path, entry.reparsePoint);
        } else if (entry.regularFile && IsPhotoFile(entry.name)) {
            ExportImage(folder, entry);
        }
        if (stopped_()) return;
    }
}

bool ExportRun::IsLibraryFile(const std::string& path) const {
    const std::string& library = options_.photoFolder;
    if (library.empty() || library.back() == '/') return path.rfind(library, 0) == 0;
    return path.rfind(library + "/", 0) == 0;
}

bool ExportRun::IsExportFolder(const std::string& folder) const {
    return SameFile(folder, options_.exportFolder.empty() ? "/" : options_.exportFolder);
}

void ExportRun::ExportImage(const std::string& folder, const platform::DirEntry& entry) {
    std::string source = JoinExportPath(folder, entry.name);
    if (options_.selection == kExportRated && !PassesRatingFilter(source)) return ShowProgress();
    DateTaken date;
    if (options_.layout == kYearlyFolders || options_.setFileDates)
        date = FindDateTaken(source, entry);
    std::optional<std::string> destinationFolder = DestinationFolder(folder, date);
    if (!destinationFolder) return ShowProgress();
    std::string destination = JoinExportPath(*destinationFolder, entry.name);
    if (plan_) {
        if (PlanCopy(source, destination) && options_.deleteOriginals) PlanDeletion(source);
        return ShowProgress();
    }
    if (!platform::FolderExists(*destinationFolder)) MakeDestinationFolder(*destinationFolder);
    if (CopyToDestination(source, destination)) {
        if (options_.setFileDates && date.valid) SetFileDates(destination, date.time);
        if (options_.deleteOriginals)
            DeleteOriginal(source, destination);
        else
            ++counters_.exported;
    }
    ShowProgress();
}

bool ExportRun::PassesRatingFilter(const std::string& source) const {
    // The reader answers for JPEG content only, so other images never pass.
    std::optional<RatingAndDescription> read = ReadRatingAndDescription(source);
    return read && !read->rating.empty() && StarRatingValue(read->rating) >= 4;
}

ExportRun::DateTaken ExportRun::FindDateTaken(const std::string& source,
                                              const platform::DirEntry& entry) const {
    if (std::optional<std::string> text = ReadDateTaken(source)) {
        if (std::optional<PhotoTime> taken = PhotoTimeFromDateTaken(*text))
            return DateTaken{*taken, true};
    }
    return DateTaken{PhotoTimeFromFileTime(entry.lastWrite), false};
}

std::optional<std::string> ExportRun::DestinationFolder(const std::string& sourceFolder,
                                                        const DateTaken& date) const {
    if (options_.layout == kSingleFolder) return options_.exportFolder;
    if (options_.layout == kYearlyFolders)
        return JoinExportPath(options_.exportFolder, std::to_string(date.time.year));
    std::string::size_type at = sourceFolder.find(options_.photoFolder);
    if (at == std::string::npos) return std::nullopt;
    std::string relative = sourceFolder.substr(at + options_.photoFolder.size());
    if (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
    if (relative.empty()) return options_.exportFolder;
    return JoinExportPath(options_.exportFolder, relative);
}

void ExportRun::MakeDestinationFolder(const std::string& path) const {
    if (platform::FolderExists(path)) return;
    std::string::size_type at = path.find(options_.exportFolder);
    if (at == std::string::npos) {
        platform::CreateFolder(path);
        return;
    }
    // Levels are made from the export folder down, never above it: the folder
    // holding it may be the mount point of a disk that has gone away.
    const std::string exportLevel = path.substr(0, at + options_.exportFolder.size());
    if (!exportLevel.empty() && !platform::FolderExists(exportLevel) &&
        platform::CreateFolder(exportLevel) != 0)
        return;
    platform::CreateFolders(path);
}

bool ExportRun::CopyToDestination(const std::string& source, const std::string& destination) {
    bool madeHere = written_.count(destination) != 0;
    int error =
        madeHere ? platform::kErrorFileExists : platform::CopyFileTo(source, destination, true);
    if (error == platform::kErrorFileExists && options_.deleteOriginals)
        return KeepExistingCopy(source, destination);
    if (madeHere) {
        // A copy this export already made is never replaced by a later photo of the same name.
        CountCopyError(source, destination, platform::kErrorFileExists);
        return false;
    }
    if (error == platform::kErrorFileExists) {
        if (IsLibraryFile(destination) || platform::CopyFileTo(source, destination, false) != 0) {
            CountCopyError(source, destination, platform::kErrorFileExists);
            return false;
        }
        Log("CopyFile overwrote file: " + source + " to " + destination);
        ++counters_.overwritten;
    } else if (error != 0) {
        CountCopyError(source, destination, error);
        return false;
    }
    written_.insert(destination);
    return true;
}

// The decisions of CopyToDestination, taken without copying.
bool ExportRun::PlanCopy(const std::string& source, const std::string& destination) {
    bool exists = platform::GetAttributes(destination).has_value();
    // As in the export itself: with originals deleted a file there is kept
    // unless it holds the same bytes, and a library file is never replaced.
    bool kept = exists && (options_.deleteOriginals || IsLibraryFile(destination));
    if (written_.count(destination) != 0 || (kept && !IsIdenticalCopy(source, destination))) {
        plan_("not copied: " + source + " -> " + destination + " (a file of that name stays)");
        ++counters_.copyErrors;
        return false;
    }
    plan_((kept     ? "already there: "
           : exists ? "overwrite: "
                    : "copy: ") +
          source + " -> " + destination);
    if (exists && !kept) ++counters_.overwritten;
    if (!options_.deleteOriginals) ++counters_.exported;
    written_.insert(destination);
    return true;
}

void ExportRun::PlanDeletion(const std::string& source) {
    plan_("delete: " + source);
    ++counters_.exported;
}

bool ExportRun::KeepExistingCopy(const std::string& source, const std::string& destination) {
    // The file there may be the only copy of a photo whose original an earlier
    // export deleted: it is never replaced. The same bytes are the copy itself.
    if (IsIdenticalCopy(source, destination)) {
        written_.insert(destination);
        return true;
    }
    CountCopyError(source, destination, platform::kErrorFileExists);
    return false;
}

bool ExportRun::IsIdenticalCopy(const std::string& source, const std::string& destination) const {
    // Never the source itself (a second name of it included) nor a library file.
    return !SameFile(source, destination) && !IsLibraryFile(destination) &&
           platform::SameContent(source, destination);
}

void ExportRun::CountCopyError(const std::string& source, const std::string& destination,
                               int error) {
    Log("CopyFile error: " + source + " to " + destination + " error [" + std::to_string(error) +
        "]");
    ++counters_.copyErrors;
}

void ExportRun::SetFileDates(const std::string& destination, const PhotoTime& taken) const {
    platform::CalendarFields local;
    local.year = taken.year;
    local.month = taken.month;
    local.day = taken.day;
    local.hour = taken.hour;
    local.minute = taken.minute;
    local.second = taken.second;
    if (std::optional<platform::FileTime> utc = platform::UtcFromLocal(local))
        platform::SetFileTimes(destination, *utc, *utc);
}

void ExportRun::DeleteOriginal(const std::string& source, const std::string& destination) {
    // The original goes only when its copy is whole and on the disk.
    std::optional<std::uint64_t> sourceSize = RegularFileSize(source);
    if (!sourceSize || RegularFileSize(destination) != sourceSize || !FlushToDisk(destination)) {
        Log("CopyFile incomplete, original kept: " + source + " to " + destination);
        ++counters_.copyErrors;
        return;
    }
    if (int error = platform::DeleteFile(source)) {
        Log("Delete error: " + source + " error [" + std::to_string(error) + "]");
        ++counters_.deleteErrors;
        return;
    }
    ++counters_.exported;
}

void ExportRun::ShowProgress() {
    ExportCounts counts = counters_.Snapshot();
    if (counts.exported % 25 == 0) report_(ExportProgressText(counts));
}

void ExportRun::Log(const std::string& text) const { services_.WriteLog(text, shared::kNotable); }

}  // namespace pictavo
