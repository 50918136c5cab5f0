#pragma once
// The checks an export destination passes before an export starts, and the
// summary the user confirms; shared by the export dialog and pictavo-export.
#include <string>

#include "pictavo/export/export_worker.h"

namespace pictavo {

enum class DestinationVerdict {
    Accepted,
    Missing,        // not an existing folder
    InsideLibrary,  // contains the photo folder's text, or is the library by another name
    AskRoot,        // shorter than 4 characters: the user confirms first
};

DestinationVerdict CheckDestination(const std::string& destination, const std::string& photoFolder);

// The destination as stored: one trailing separator removed (the root keeps it).
std::string StoredDestination(const std::string& destination);

// The message-box texts of the checks.
inline constexpr char kInformationCaption[] = "Quillfen Software - information";
inline constexpr char kMissingDestinationText[] =
    "The destination folder specified does not exist. Please select an existing folder.";
inline constexpr char kInsideLibraryCaption[] = "Invalid export directory";
std::string InsideLibraryText(const std::string& destination);
inline constexpr char kConfirmRootCaption[] = "Confirm export location?";
std::string ConfirmRootText(const std::string& destination);
inline constexpr char kConfirmExportCaption[] = "Confirm export?";

// What the user confirms, composed from the options the export will use.
std::string ExportSummaryText(const ExportOptions& options);

}  // namespace pictavo
