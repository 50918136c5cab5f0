#pragma once
// Deleting files from the result pages after a confirmation that lists every
// file: the four delete commands, their listing (on a listing worker for the
// duplicate and partial-folder commands), the deletion itself, the log
// entries, the result line and the follow-up on the pages.
//
// Usage (user-interface thread): the page's menu command creates a
// DeleteConfirmation with the selected row positions and the dialog as its
// ConfirmView, calls Open() from the dialog's initialisation, DeleteAll() for
// "DELETE ALL FILES" (after hiding the buttons), DontDelete() for "Don't
// delete", and Close() on any other way out; then closes the dialog.
// Every record still Listed returns to 0 when it closes, and the listing
// worker never marks a record after that.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cairnly/engine/cairnly_state.h"
#include "cairnly/engine/scan_view.h"
#include "cairnly/pages/page_layout.h"
#include "cairnly/pages/result_pages.h"
#include "platform/recorded_file.h"
#include "shared/single_worker.h"

namespace cairnly::pages {

// The confirmation dialog as the deletion sees it. AddRow, SetStatusText and
// EnableDelete may be called from the listing worker thread.
class ConfirmView {
  public:
    virtual ~ConfirmView() = default;
    virtual void AddRow(const std::string& path, long itemData) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void EnableDelete(bool enabled) = 0;
};

// Fixed texts and geometry of the dialog (template 163).
struct ConfirmDialogLayout {
    static constexpr const char* kCaption =
        "Confirm that you want to DELETE the files listed below";
    static constexpr const char* kDeleteButton = "DELETE ALL FILES";  // 1036
    static constexpr const char* kKeepButton = "Don't delete";        // 1035, the default
    static constexpr const char* kColumnCaption = "File";
    static constexpr int kColumnWidth = 950;
    static constexpr int kList = 1034, kStatus = 1037, kDelete = 1036, kKeep = 1035;
};

constexpr int kMaxListedRows = 2000;
constexpr int kMaxDeletedFiles = 2000;
constexpr int kMaxExtensions = 20;
constexpr std::size_t kMaxExtensionUnits = 16;  // including the terminator
constexpr std::size_t kExtensionTextLimit = 128;

// The extension of a file name (from its last dot, dot included) when it
// qualifies for the extension command: longer than 1, shorter than 16 units.
std::string QualifyingExtension(const std::string& fileName);
// "[.iso, .zip] ": appending stops before an extension once 128 characters are reached.
std::string ExtensionText(const std::vector<std::string>& extensions);

struct ConfirmRow {
    std::string path;
    long itemData = -1;  // FileTable, DuplicateList or PartialFolderTable index
};

class DeleteConfirmation {
  public:
    // pause(ms) waits while keeping the user-interface thread's events flowing
    // (an empty one sleeps).
    using Pause = shared::SingleWorker::Pause;

    DeleteConfirmation(ResultPages& pages, ScanView& scanView, int command,
                       std::vector<int> selectedPositions, ConfirmView& view, Pause pause);
    ~DeleteConfirmation();  // Close()
    DeleteConfirmation(const DeleteConfirmation&) = delete;
    DeleteConfirmation& operator=(const DeleteConfirmation&) = delete;

    // The dialog's initialisation: lists at once (large-file commands) or
    // starts the listing worker (duplicate and partial-folder commands).
    void Open();
    // "DELETE ALL FILES": ignored while the button is disabled.
    void DeleteAll();
    // "Don't delete" (and Escape, where EscapeCloses()).
    void DontDelete();
    // Any way the dialog closes; returns the records still Listed to 0.
    void Close();

    bool EscapeCloses() const;
    bool DeleteEnabled() const { return deleteEnabled_.load(); }
    bool ListingDone() const { return listingDone_.load(); }
    // The listing worker runs (duplicate and partial-folder commands).
    bool ListingRunning() const { return lister_.Running(); }
    std::string StatusText() const;
    std::vector<ConfirmRow> Rows() const;
    // Filled by DeleteAll: files removed, removals that failed, and files the
    // checks before removal kept (changed since the scan, or no copy left).
    int DeletedCount() const { return deleted_; }
    int ErrorCount() const { return errors_; }
    int KeptCount() const { return kept_; }

  private:
    struct Listing {
        int files = 0;
        int folders = 0;
        std::int64_t total = 0;
    };

    void ListSelectedLargeFiles();
    void ListLargeFilesByExtension();
    void ListSelectedDuplicates();
    bool ListPartialFolders();
    std::unordered_set<const FileRecord*> MembersOfSelectedFolders() const;
    bool AllOfGroupSelected(std::int32_t group) const;
    void RunListingWorker();
    bool List(FileRecord& record, long itemData);
    int ListedFiles() const;
    bool Candidate(const FileRecord* record, bool limited) const;
    std::string ListingStatus() const;
    void ShowStatus(const std::string& text);
    bool Closed() const;
    void ResetListed();

    const std::vector<FileRecord*>& GroupOf(const FileRecord& record);
    bool CopyStays(const FileRecord& record, const std::unordered_set<const FileRecord*>& going);
    platform::RecordedFile Recorded(const FileRecord& record) const;
    bool IdenticalCopyStays(const FileRecord& record, platform::RecordedFileOnDisk& file);
    bool Remove(FileRecord& record);
    void Keep(const std::string& path, const char* reason);
    void DeleteLargeFiles();
    void DeleteListedRows();
    void DeletePartialRows();
    std::string ResultLine() const;
    std::string ActionLine() const;  // the result line without the files kept
    std::string LogEntry(const std::string& path) const;
    void FollowUp();

    ResultPages& pages_;
    CairnlyState& state_;
    ScanView& scanView_;
    const int command_;
    ConfirmView& view_;
    Pause pause_;
    std::vector<long> selected_;          // item data of the selected rows, in list order
    std::vector<int> selectedPositions_;  // ascending
    std::vector<long> pageItems_;         // item data of every row of the page, in list order
    std::vector<std::string> extensions_;
    // DuplicateList's members by DupGroup, built when first needed.
    std::unordered_map<std::int32_t, std::vector<FileRecord*>> groups_;

    mutable std::mutex mutex_;  // guards what follows, shared with the listing worker
    bool closed_ = false;
    std::vector<ConfirmRow> rows_;
    std::vector<FileRecord*> marked_;
    Listing listing_;
    std::string status_;

    std::atomic<bool> deleteEnabled_{false};
    std::atomic<bool> listingDone_{false};
    bool deleting_ = false;
    int deleted_ = 0;
    int errors_ = 0;
    int kept_ = 0;
    int deletedFolders_ = 0;
    std::int64_t deletedTotal_ = 0;
    // Last, so it is joined before the members its worker uses go.
    shared::SingleWorker lister_;
};

}  // namespace cairnly::pages
