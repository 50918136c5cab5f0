#include "cairnly/pages/page_layout.h"

#include <array>

namespace cairnly::pages {

namespace {

const std::array<PageLayout, kPageCount>& Layouts() {
    static const std::array<PageLayout, kPageCount> layouts = {{
        {"Largest folders",
         162,
         1031,
         {{"Folder", 640},
          {"Size of files in directory (MB)", 180},
          {"Size including subdirectories (MB)", 180}},
         0,
         0},
        {"Largest files", 159, 1028, {{"Filename", 330}, {"Folder", 600}, {"Size (MB)", 82}}, 1, 1},
        {"Duplicate files",
         160,
         1023,
         {{"Dup#", 50}, {"File", 280}, {"Folder", 600}, {"Size (MB)", 82}},
         2,
         2},
        {"Partial duplicate folders",
         161,
         1029,
         {{"Dup#", 50}, {"Folder", 730}, {"Num. duplicates", 150}, {"Size (MB)", 82}},
         1,
         3},
    }};
    return layouts;
}

}  // namespace

const PageLayout& LayoutOf(int page) { return Layouts().at(static_cast<std::size_t>(page)); }

std::vector<MenuItem> ContextMenu(int page) {
    switch (page) {
        case kFilesPage:
            return {{kDeleteSelectedLargeFiles, "Delete selected file(s)"},
                    {kDeleteLargeFilesByExtension,
                     "Delete all files in list with selected file extension(s)"}};
        case kDuplicatesPage:
            return {{kDeleteSelectedDuplicates, "Delete selected file(s)"}};
        case kPartialPage:
            return {{kDeleteFromPartialFolders, "Delete duplicate files from selected folder(s)"}};
        default:
            return {};
    }
}

int PageOfCommand(int command) {
    switch (command) {
        case kDeleteSelectedLargeFiles:
        case kDeleteLargeFilesByExtension:
            return kFilesPage;
        case kDeleteSelectedDuplicates:
            return kDuplicatesPage;
        case kDeleteFromPartialFolders:
            return kPartialPage;
        default:
            return -1;
    }
}

}  // namespace cairnly::pages
