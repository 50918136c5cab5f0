#pragma once
// What the four result pages look like: tabs, list columns, right-click menus
// and the row colours, as plain data for the window layer to build from.
#include <cstdint>
#include <string>
#include <vector>

#include "cairnly/engine/result_page.h"

namespace cairnly::pages {

struct Column {
    std::string caption;
    int width = 0;  // pixels
};

struct PageLayout {
    std::string tabCaption;
    int dialogTemplate = 0;
    int listControl = 0;
    std::vector<Column> columns;
    int pathColumn = 0;      // the column that takes the width left over
    int contextSubmenu = 0;  // submenu of menu 163; 0 = no right-click menu
};

const PageLayout& LayoutOf(int page);

// Menu command identifiers of the pages' right-click menus.
enum MenuCommand : int {
    kDeleteSelectedLargeFiles = 32778,
    kDeleteLargeFilesByExtension = 32779,
    kDeleteSelectedDuplicates = 32780,
    kDeleteFromPartialFolders = 32786,
};

struct MenuItem {
    int id = 0;
    std::string text;
};

// The right-click menu of a page; empty for the Largest folders page.
std::vector<MenuItem> ContextMenu(int page);

// The page whose menu carries a command, or -1.
int PageOfCommand(int command);

struct Rgb {
    std::uint8_t red = 255, green = 255, blue = 255;
    bool operator==(const Rgb&) const = default;
};
constexpr Rgb kWhite{255, 255, 255};

// Sort state of one page: the last sorted column and the direction (+1 or -1).
struct SortState {
    std::int32_t column = 0;
    std::int32_t direction = 1;
};

}  // namespace cairnly::pages
