#pragma once
// OpenWebPage, written against the Opener and Prompter interfaces so
// that the rules are the same in the programs (QDesktopServices, QMessageBox)
// and in tests (fakes).
#include <string>

#include "shared/prompter.h"

namespace shared {

// The longest address opened is 1,023 UTF-16 units; 1,024 or more is ignored.
constexpr std::size_t kMaxWebAddressUnits = 1023;

// Opens address in the user's browser. A missing (empty) or over-long address
// does nothing. When the opener fails, a warning box captioned with the
// program word says "Problem opening your Internet browser with address:\n<address>".
// Returns true when the address was handed to the browser.
bool OpenWebPage(Opener& opener, Prompter& prompter, const std::string& programWord,
                 const std::string& address);

}  // namespace shared
