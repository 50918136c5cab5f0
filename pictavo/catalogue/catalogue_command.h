#pragma once
// pictavo-catalogue [--json] FOLDER: scans a folder as the loading thread does
// (no window) and prints the catalogue in order. Changes nothing on disk.
#include <ostream>

namespace pictavo {

// Returns the exit status: 0, or 2 with a one-line error for a bad option or
// a missing folder. Progress goes to err only when it is a terminal.
int RunCatalogueCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                        bool stderrIsTerminal = false);

}  // namespace pictavo
