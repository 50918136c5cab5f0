#include "shared/web_page.h"

#include "platform/text.h"

namespace shared {

bool OpenWebPage(Opener& opener, Prompter& prompter, const std::string& programWord,
                 const std::string& address) {
    if (address.empty() || platform::Utf16Length(address) > kMaxWebAddressUnits) return false;
    if (opener.OpenAddress(address)) return true;
    // The address is inserted as text, never used as a format.
    prompter.Ask(programWord, "Problem opening your Internet browser with address:\n" + address,
                 BoxIcon::Warning, BoxButtons::Ok);
    return false;
}

}  // namespace shared
