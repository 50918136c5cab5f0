#pragma once
// Starting another program from a command line built with double quotes.
#include <string>
#include <vector>

namespace platform {

// Splits a command line by the Windows argument rules: blanks separate
// arguments, double quotes group, 2n backslashes before a quote give n
// backslashes and an opening/closing quote, 2n+1 give n and a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Quotes one argument so that SplitCommandLine gives it back exactly (any
// bytes, blanks, quotes and backslashes): "text" with each quote escaped and
// the backslashes before a quote or the closing quote doubled. For a plain
// path this is simply the path in double quotes.
std::string QuoteArgument(const std::string& argument);

// Starts the program named by the first argument directly (no shell) and does
// not wait for it. Returns false when it could not be started.
bool StartProcess(const std::string& commandLine);

}  // namespace platform
