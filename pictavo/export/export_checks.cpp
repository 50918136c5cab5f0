#include "pictavo/export/export_checks.h"

#include "platform/files.h"
#include "platform/text.h"

namespace pictavo {

DestinationVerdict CheckDestination(const std::string& destination,
                                    const std::string& photoFolder) {
    if (!platform::FolderExists(destination)) return DestinationVerdict::Missing;
    if (destination.find(photoFolder) != std::string::npos)
        return DestinationVerdict::InsideLibrary;
    // The same folder by another name (a link, "..", "//", a relative path)
    // would put the copies into the library all the same.
    if (platform::IsAtOrBelow(destination, photoFolder)) return DestinationVerdict::InsideLibrary;
    if (platform::Utf16Length(destination) < 4) return DestinationVerdict::AskRoot;
    return DestinationVerdict::Accepted;
}

std::string StoredDestination(const std::string& destination) {
    // The root keeps its only separator: an empty folder would read as "not set".
    if (destination.size() > 1 && destination.back() == '/')
        return destination.substr(0, destination.size() - 1);
    return destination;
}

std::string InsideLibraryText(const std::string& destination) {
    return "You can't export your photos to a directory in your existing photo library.\n" +
           destination + "\n\nPlease specify a different export directory.";
}

std::string ConfirmRootText(const std::string& destination) {
    return "Are you sure you want to export your photos to this directory?\n" + destination;
}

std::string ExportSummaryText(const ExportOptions& options) {
    std::string text = "You are about to Export your photos:\n- From: " + options.photoFolder +
                       "\n- To: " + options.exportFolder + "\n";
    if (options.layout == kYearlyFolders)
        text += "- Creating a directory for each year\n";
    else if (options.layout == kSingleFolder)
        text += "- Placing all images into the export directory\n";
    else
        text += "- Recreating the existing directory layout\n";
    if (options.selection == kExportRated)
        text += "- Exporting JPEG image files with a rating of 4 or 5 stars\n";
    else
        text += "- Exporting all images files\n";
    if (options.setFileDates)
        text +=
            "- The file dates will be modified to the image date taken\n"
            "  (where metadata is available)\n";
    else
        text += "- The file dates will not be modified to the image date taken\n";
    if (options.deleteOriginals)
        text += "- The files in the original directory will be deleted after copying\n";
    else
        text += "- The files in the original directory will not be deleted\n";
    text += "- Files with the same name in the destination directory will be overwritten\n";
    return text;
}

}  // namespace pictavo
