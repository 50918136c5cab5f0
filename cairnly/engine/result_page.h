#pragma once
// The four result pages, in the order of their tabs.

namespace cairnly {

enum Page : int { kFoldersPage = 0, kFilesPage = 1, kDuplicatesPage = 2, kPartialPage = 3 };
constexpr int kPageCount = 4;

}  // namespace cairnly
