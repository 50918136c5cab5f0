#pragma once
// pictavo-catalogue FOLDER [--json]: scans a folder as the loading thread does
// (no window) and prints the catalogue in order. Changes nothing on disk.
#include <ostream>

namespace pictavo {

// Returns the exit status: 0, or 2 with a one-line error for a bad option or
// a missing folder.
int RunCatalogueCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace pictavo
